#include "addressbook/DbfImport.h"

#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "engine/dbf.h"

namespace kvz {

int ImportDbfAddresses(ExchangeContext& context, const std::filesystem::path& dbfFile,
                       const AskAssignment& ask) {
    TVolgaTable* target = context.Data.AddressTable;
    if (!target) throw std::logic_error("The address table is not open");
    TDbfTable source;
    source.SetOpenMode(omNormal);
    source.SetReadOnly(true);
    source.SetTableName(dbfFile.string());
    source.Open();

    std::optional<FieldAssignment> assignment;
    if (!SameStructure(*target, source)) {
        assignment = AskCheckedAssignment(ask, *target, source);
        if (!assignment) return 0;
    }
    int added = 0;
    RefreshingAfter(context, [&] {
        context.Locks().WriteSharedTable(
            *target, context.LockFile(TableId::Address), context.Frame.NetworkMode, kRecordCommandPoll, [&] {
                added = AppendImportedRows(context, *target, source, assignment ? &*assignment : nullptr);
            });
    });
    return added;
}

} // namespace kvz

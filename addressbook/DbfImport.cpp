#include "addressbook/DbfImport.h"

#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "engine/dbf.h"

namespace kvz {

int ImportDbfAddresses(ExchangeContext& context, const std::filesystem::path& dbfFile, const AskAssignment& ask) {
    TVolgaTable* target = context.Data.AddressTable;
    if (!target) throw std::logic_error("The address table is not open");
    TDbfTable source;
    source.SetOpenMode(omNormal);
    source.SetReadOnly(true);
    source.SetTableName(dbfFile.string());
    source.Open();

    const bool same = SameStructure(*target, source);
    FieldAssignment assignment;
    if (!same) {
        std::optional<FieldAssignment> chosen = ask ? ask(*target, source) : std::nullopt;
        if (!chosen || chosen->empty()) return 0;
        assignment = std::move(*chosen);
        CheckAssignment(assignment, *target, source);
    }
    int added = 0;
    RefreshingAfter(context, [&] {
    context.Locks().WriteSharedTable(*target, context.LockFile(TableId::Address), context.Frame.NetworkMode, kRecordCommandPoll, [&] {
        RowAppender appender(*target);
        source.First();
        while (!source.Eof()) {
            appender.Add([&](TDataSet& row) {
                if (same)
                    for (int i = 1; i < source.FieldCount(); ++i) CopyValue(source.Fields()[i], row.Fields()[i]);
                else
                    for (const FieldPair& pair : assignment) CopyValue(source.FieldByName(pair.Source), row.FieldByName(pair.Target));
            });
            if (context.OnProgress) context.OnProgress(appender.Added());
            source.Next();
        }
        added = appender.Added();
    });
    });
    return added;
}

} // namespace kvz

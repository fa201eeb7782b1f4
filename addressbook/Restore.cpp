#include "addressbook/Restore.h"

#include "core/TableLocks.h"
#include "platform/rtl/Files.h"

#include <optional>

namespace kvz {

namespace fs = std::filesystem;

std::vector<TableId> RestoredTables(TableGroup group) { return GroupTables(group); }

namespace {

using Opener = void (TDataModule1::*)(const fs::path&, const std::string&, const fs::path&);

Opener OpenerOf(TableId table) {
    switch (table) {
    case TableId::Address:
        return &TDataModule1::OpenAdressTable;
    case TableId::Tasks:
        return &TDataModule1::OpenTaskTable;
    case TableId::Projects:
        return &TDataModule1::OpenProjectTable;
    case TableId::SubProjects:
        return &TDataModule1::OpenSubProjectTable;
    case TableId::Owners:
        return &TDataModule1::OpenOwnersTable;
    case TableId::Links:
        return &TDataModule1::OpenLinksTable;
    case TableId::LinksType:
        break;
    }
    return &TDataModule1::OpenLinksTypeTable;
}

} // namespace

bool RestoreTableFromBackup(ExchangeContext& context, TableId table) {
    const fs::path file = context.TableFile(table);
    const fs::path backup = fs::path(file).replace_extension(".bak");
    if (!FileThere(backup)) return false;
    const bool network = context.Frame.NetworkMode;
    bool layoutRestored = false;
    {
        BusyAnimationScope busy(context.Locks(), network);
        std::optional<ScopedTableLock> lock;
        if (network) lock.emplace(context.Locks(), context.LockFile(table), kRecordCommandPoll);
        CopyFileDurably(backup, file);
        // The layout is each computer's own: it lies in the local data folder, also in network mode.
        if (table == TableId::Address) {
            const fs::path layoutBackup = context.Frame.DataFolder / UserFileName(context.Frame.UserPrefix, ".bak");
            if (FileThere(layoutBackup)) {
                CopyFileDurably(layoutBackup,
                                context.Frame.DataFolder / UserFileName(context.Frame.UserPrefix, ".ucs"));
                layoutRestored = true;
            }
        }
    }
    (context.Data.*OpenerOf(table))(file, context.Password, context.LockFile(table));
    // Else the open window would write its controls over the restored file when it closes.
    if (layoutRestored && context.FrameWindow) context.FrameWindow->AddressLayoutRestored();
    return true;
}

void RestoreFromBackup(ExchangeContext& context, TableGroup group) {
    RefreshingAfter(context, [&] {
        for (TableId table : RestoredTables(group))
            RestoreTableFromBackup(context, table);
    });
}

} // namespace kvz

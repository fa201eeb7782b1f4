#include "addressbook/ExportTables.h"

#include "engine/VolgaTbl.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <memory>

namespace kvz {

namespace fs = std::filesystem;

std::vector<TableId> ExportedTables(TableGroup group) { return GroupTables(group); }

std::string ExportFileName(const std::string& prefix, TableId table, ExportFormat format) {
    const std::string suffix = TableSuffix(table);
    const char* extension = format == ExportFormat::Dbf   ? ".dbf"
                            : format == ExportFormat::Xml ? ".xml"
                                                          : ".xlsx";
    return UserFileName(prefix, suffix.substr(0, suffix.size() - 2) + extension);
}

void ExportTableCopy(TVolgaTable& table, ExportFormat format, const fs::path& target,
                     const std::string& encoding) {
    TVolgaTable copy;
    copy.SetLoadMode(TVolgaLoadMode::lmClear);
    std::vector<std::pair<TField*, std::string>> kept; // source field, name in the copy
    for (int i = 0; i < table.FieldCount(); ++i) {
        TField* f = &table.Fields()[i];
        switch (f->DataType()) {
        case ftGraphic:
            continue;
        case ftMemo:
            copy.FieldDefs().Add(f->FieldName(), ftString, kExportMemoLength, f->Required());
            break;
        default:
            copy.FieldDefs().Add(f->FieldName(), f->DataType(), f->DataType() == ftString ? f->Size() : 0,
                                 f->Required());
            break;
        }
        kept.emplace_back(f, f->FieldName());
    }
    copy.Open();
    table.DisableControls();
    struct Enable {
        TDataSet& t;
        ~Enable() { t.EnableControls(); }
    } enable{table};
    table.First();
    while (!table.Eof()) {
        copy.Append();
        for (const auto& [from, name] : kept)
            CopyValue(*from, copy.FieldByName(name));
        copy.Post();
        table.Next();
    }
    copy.First();
    switch (format) {
    case ExportFormat::Dbf:
        copy.ExportToDbf(target, false);
        break;
    case ExportFormat::Xml:
        copy.ExportToXml(target, encoding);
        break;
    case ExportFormat::Xls:
        copy.ExportToXls(target);
        break;
    }
}

std::vector<fs::path> ExportTables(const ExchangeContext& context, const fs::path& folder, TableGroup group,
                                   ExportFormat format, const std::string& encoding) {
    std::vector<fs::path> written;
    for (TableId id : ExportedTables(group)) {
        const fs::path own = context.TableFile(id);
        if (CheckPath(own) == PathState::Absent) continue;
        TVolgaTable table;
        table.SetPassword(context.Password);
        table.SetTableName(own.string());
        table.Open();
        const fs::path target = folder / ExportFileName(context.Frame.UserPrefix, id, format);
        ExportTableCopy(table, format, target, encoding);
        written.push_back(target);
    }
    return written;
}

} // namespace kvz

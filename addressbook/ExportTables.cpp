#include "addressbook/ExportTables.h"

#include "engine/VolgaExp.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaValues.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <algorithm>
#include <memory>
#include <string_view>

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

namespace {

bool IsStringKind(TVolgaFieldKind kind) { return kind == TVolgaFieldKind::SmallStr || kind == TVolgaFieldKind::String; }

// The rows the table shows as the copy would hold them, read straight from their stored bytes:
// each value as CopyValue would set it (the same kind of value, a text cut to the copy's field,
// a memo's text made a string), without copying them at all. False where a value needs
// CopyValue: other kinds, numbering fields, a required field without a value.
bool StoredRowsFor(TVolgaTable& table, TVolgaTable& copy, const std::vector<std::pair<TField*, std::string>>& kept,
                   TExportRows& rows) {
    TVolgaCursor* from = table.Cursor();
    TVolgaCursor* to = copy.Cursor();
    if (!from || !to || from->CodePage() != to->CodePage() || copy.RecordCount() > 0) return false;
    if (static_cast<size_t>(copy.FieldCount()) != kept.size()) return false;
    std::vector<const TVolgaField*> required;
    for (const auto& [field, name] : kept) {
        TField& target = copy.FieldByName(name);
        const TVolgaField* f = table.EngineFieldOf(*field);
        const TVolgaField* t = copy.EngineFieldOf(target);
        if (!f || !t || f->Kind == TVolgaFieldKind::AutoInc || target.Index() != static_cast<int>(rows.Fields.size()))
            return false;
        const bool text = IsStringKind(t->Kind);
        if (f->Kind != t->Kind && !(text && (IsStringKind(f->Kind) || f->Kind == TVolgaFieldKind::Memo))) return false;
        size_t keep = std::string_view::npos;
        if (text) {
            if (field->Size() > 0) keep = static_cast<size_t>(field->Size());
            if (target.Size() > 0) keep = std::min(keep, static_cast<size_t>(target.Size()));
        }
        rows.Fields.push_back(f);
        rows.Keep.push_back(keep);
        if (target.Required()) required.push_back(f);
    }
    if (!required.empty()) {
        std::vector<std::string_view> stored;
        for (const TVolgaRow* row : table.ViewRows()) {
            from->RowBytes(*row, stored);
            for (const TVolgaField* f : required)
                if (ValueIsNull(*f, stored[static_cast<size_t>(f->Index)])) return false;
        }
    }
    rows.Table = &table;
    return true;
}

} // namespace

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
    TExportRows rows;
    if (StoredRowsFor(table, copy, kept, rows)) {
        // The copy gives the fields; the rows are written from the table as the copy would hold them.
        auto save = [&](auto& converter) {
            converter.SetDataset(&copy);
            converter.SetRows(std::move(rows));
            converter.SaveToFile(target);
        };
        switch (format) {
        case ExportFormat::Dbf: {
            TZuzezARFConverter converter;
            converter.SetToOEM(false);
            save(converter);
            break;
        }
        case ExportFormat::Xml: {
            TVolgaXMLConverter converter;
            converter.SetEncoding(encoding);
            save(converter);
            break;
        }
        case ExportFormat::Xls: {
            TVolgaXLSConverter converter;
            save(converter);
            break;
        }
        }
        return;
    }
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

#include "addressbook/Exchange.h"

#include "core/Messages.h"
#include "core/TableLocks.h"
#include "engine/VolgaUtils.h"
#include "platform/data/DB.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <cerrno>
#include <stdexcept>

namespace kvz {

namespace fs = std::filesystem;

std::string ExchangeTexts::operator()() const { return InLanguage(Texts); }

TTableLocks& ExchangeContext::Locks() const {
    if (!Frame.Locks) throw std::logic_error("The frame window has no table locks");
    return *Frame.Locks;
}

fs::path ExchangeContext::TableFile(TableId table) const { return Data.TableFileName(table); }
fs::path ExchangeContext::LockFile(TableId table) const { return Data.LockFileName(table); }

void ExchangeContext::RefreshActiveModule() const {
    if (FrameWindow) FrameWindow->RefreshActiveModule();
}

void RefreshingAfter(const ExchangeContext& context, const std::function<void()>& work) {
    try {
        work();
    } catch (...) {
        context.RefreshActiveModule();
        throw;
    }
    context.RefreshActiveModule();
}

namespace {

const SendToKind kKinds[] = {
    {1, TableId::Address, "_address_export.d"},       {2, TableId::Tasks, "_tasks_export.d"},
    {3, TableId::Owners, "_owners_export.d"},         {4, TableId::Projects, "_prlist_export.d"},
    {5, TableId::SubProjects, "_subprlist_export.d"}, {6, TableId::Links, "_links_export.d"},
    {7, TableId::LinksType, "_linkstype_export.d"},
};

constexpr size_t kAssignedNameLength = 20;
constexpr const char* kAssignArrow = " => ";

enum class ValueClass { Text, Number, Boolean, Date, Binary, Other };

ValueClass ClassOf(TFieldType type) {
    switch (type) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
        return ValueClass::Text;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftAutoInc:
    case ftLargeint:
        return ValueClass::Number;
    case ftBoolean:
        return ValueClass::Boolean;
    case ftDate:
    case ftTime:
    case ftDateTime:
        return ValueClass::Date;
    case ftBlob:
    case ftGraphic:
        return ValueClass::Binary;
    case ftUnknown:
        break;
    }
    return ValueClass::Other;
}

// Text takes any value but a binary one; every other kind only its own.
bool Fits(TFieldType source, TFieldType target) {
    const ValueClass s = ClassOf(source), t = ClassOf(target);
    if (s == ValueClass::Other || t == ValueClass::Other) return false;
    if (t == ValueClass::Text) return s != ValueClass::Binary;
    return s == t;
}

} // namespace

const SendToKind& SendToKindOf(int number) {
    if (number < 1 || number > 7) throw std::out_of_range("No send-to table kind " + std::to_string(number));
    return kKinds[number - 1];
}

std::vector<int> SendToKinds(TableGroup group) {
    switch (group) {
    case TableGroup::Address:
        return {1};
    case TableGroup::Tasks:
        return {2, 3, 4, 5};
    case TableGroup::Links:
        return {6, 7};
    case TableGroup::All:
        break;
    }
    return {1, 2, 3, 4, 5, 6, 7};
}

std::vector<TableId> GroupTables(TableGroup group) {
    switch (group) {
    case TableGroup::Address:
        return {TableId::Address};
    case TableGroup::Tasks:
        return {TableId::Tasks, TableId::Projects, TableId::SubProjects, TableId::Owners};
    case TableGroup::Links:
        return {TableId::Links, TableId::LinksType};
    case TableGroup::All:
        break;
    }
    return {TableId::Address, TableId::Tasks, TableId::Projects, TableId::SubProjects,
            TableId::Owners,  TableId::Links, TableId::LinksType};
}

bool FileThere(const fs::path& file) {
    switch (CheckPath(file)) {
    case PathState::Present:
        return true;
    case PathState::Absent:
        return false;
    case PathState::Unknown:
        break;
    }
    const int error = errno;
    throw FileError("Cannot check the file \"" + file.string() + "\"", file, error);
}

bool SameStructure(const TDataSet& a, const TDataSet& b) {
    const TFieldDefs& x = a.FieldDefs();
    const TFieldDefs& y = b.FieldDefs();
    if (x.Count() != y.Count()) return false;
    for (int i = 0; i < x.Count(); ++i)
        if (x[i].Name() != y[i].Name() || x[i].DataType() != y[i].DataType()) return false;
    return true;
}

std::string AssignmentLine(const FieldPair& pair) {
    return Utf8Left(pair.Target, kAssignedNameLength) + kAssignArrow +
           Utf8Left(pair.Source, kAssignedNameLength);
}

FieldPair ParseAssignmentLine(const std::string& line) {
    const size_t at = line.find(kAssignArrow);
    if (at == std::string::npos) return {Utf8Left(line, kAssignedNameLength), {}};
    return {Utf8Left(line.substr(0, at), kAssignedNameLength),
            Utf8Left(line.substr(at + std::string_view(kAssignArrow).size()), kAssignedNameLength)};
}

void CheckAssignment(const FieldAssignment& assignment, const TDataSet& target, const TDataSet& source) {
    static const ExchangeTexts kMissing{{"The field \"%s\" does not exist; the import was not started.",
                                         "Položka \"%s\" neexistuje, import sa nezačal.",
                                         "Položka \"%s\" neexistuje, import se nezačal."}};
    static const ExchangeTexts kMismatch{
        {"The field \"%s\" cannot take the values of \"%s\"; the import was not started.",
         "Položka \"%s\" nemôže prevziať hodnoty z \"%s\", import sa nezačal.",
         "Položka \"%s\" nemůže převzít hodnoty z \"%s\", import se nezačal."}};
    auto format = [](std::string text, const std::string& a, const std::string& b = {}) {
        text.replace(text.find("%s"), 2, a);
        if (const size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, b);
        return text;
    };
    for (const FieldPair& pair : assignment) {
        const TFieldDef* t = target.FieldDefs().Find(pair.Target);
        if (!t) DatabaseError(format(kMissing(), pair.Target));
        const TFieldDef* s = source.FieldDefs().Find(pair.Source);
        if (!s) DatabaseError(format(kMissing(), pair.Source));
        if (!Fits(s->DataType(), t->DataType())) DatabaseError(format(kMismatch(), pair.Target, pair.Source));
    }
}

void SetFieldText(TDataSet& row, std::string_view field, const std::string& value) {
    TField& f = row.FieldByName(field);
    f.SetAsString(f.DataType() == ftString ? Utf8Left(value, static_cast<size_t>(f.Size())) : value);
}

void CopyValue(const TField& from, TField& to) {
    if (from.IsNull()) {
        to.Clear();
        return;
    }
    if (to.DataType() == ftString) {
        to.SetAsString(Utf8Left(from.AsString(), static_cast<size_t>(to.Size())));
    } else if (ClassOf(to.DataType()) == ValueClass::Text) {
        to.SetAsString(from.AsString());
    } else {
        to.SetValue(from.Value());
    }
}

UnfilteredScope::UnfilteredScope(TDataSet& table) : table_(table), filtered_(table.Filtered()) {
    table_.DisableControls();
    if (filtered_) {
        try {
            table_.SetFiltered(false);
        } catch (...) {
            table_.EnableControls();
            throw;
        }
    }
}

UnfilteredScope::~UnfilteredScope() {
    try {
        if (table_.Filtered() != filtered_) table_.SetFiltered(filtered_);
    } catch (...) {
        // The rows are written; the filter that could not come back is reported.
        HandleApplicationException(std::current_exception());
    }
    table_.EnableControls();
}

std::optional<FieldAssignment> AskCheckedAssignment(const AskAssignment& ask, TDataSet& target,
                                                    TDataSet& source) {
    std::optional<FieldAssignment> chosen = ask ? ask(target, source) : std::nullopt;
    if (!chosen || chosen->empty()) return std::nullopt;
    CheckAssignment(*chosen, target, source);
    return chosen;
}

int AppendImportedRows(const ExchangeContext& context, TDataSet& target, TDataSet& source,
                       const FieldAssignment* assignment, const std::function<void(TDataSet& row)>& fill,
                       std::vector<std::string> compared) {
    RowAppender appender(target, std::move(compared));
    for (source.First(); !source.Eof(); source.Next()) {
        appender.Add([&](TDataSet& row) {
            if (assignment) {
                for (const FieldPair& pair : *assignment)
                    CopyValue(source.FieldByName(pair.Source), row.FieldByName(pair.Target));
            } else {
                for (int i = 1; i < source.FieldCount(); ++i)
                    CopyValue(source.Fields()[i], row.Fields()[i]);
            }
            if (fill) fill(row);
        });
        if (context.OnProgress) context.OnProgress(appender.Added());
    }
    return appender.Added();
}

void VisitAllRows(TDataSet& table, const std::function<bool(TDataSet& row)>& deleteRow) {
    UnfilteredScope unfiltered(table);
    table.First();
    while (!table.Eof()) {
        if (deleteRow(table))
            table.Delete();
        else
            table.Next();
    }
}

RowAppender::RowAppender(TDataSet& table, std::vector<std::string> compared)
    : table_(table), unfiltered_(table), compared_(std::move(compared)) {
    if (compared_.empty())
        for (int i = 0; i < table.FieldDefs().Count(); ++i) {
            const std::string& name = table.FieldDefs()[i].Name();
            if (name != "Number" && name != "User") compared_.push_back(name);
        }
    TField* number = table.FindField("Number");
    VisitAllRows(table, [&](TDataSet& row) {
        if (number) codes_.insert(number->AsString());
        rows_.insert(Signature(row));
        return false;
    });
}

std::string RowAppender::Signature(TDataSet& row) const {
    std::string signature;
    for (const std::string& name : compared_) {
        if (TField* f = row.FindField(name)) signature += f->AsString();
        signature += '\x1f';
    }
    return signature;
}

bool RowAppender::Add(const std::function<void(TDataSet& row)>& fill) {
    table_.Append();
    try {
        fill(table_);
        if (rows_.count(Signature(table_))) {
            table_.Cancel();
            return false;
        }
        std::string code;
        if (TField* number = table_.FindField("Number")) {
            code = number->AsString();
            while (code.empty() || codes_.count(code))
                code = NewRecordKey();
            number->SetAsString(code);
            codes_.insert(code);
        }
        table_.Post();
        added_.push_back(code);
    } catch (...) {
        if (table_.State() == dsInsert) table_.Cancel();
        throw;
    }
    return true;
}

} // namespace kvz

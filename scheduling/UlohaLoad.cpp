#include "scheduling/UlohaLoad.h"

#include "core/Messages.h"
#include "core/Users.h"
#include "platform/data/DB.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/FormatSettings.h"
#include "scheduling/UlohaRules.h"

#include <algorithm>

namespace kvz {

namespace {

std::string Text(const TDataSet& t, const char* name) {
    const TField* f = t.FindField(name);
    return f && !f->IsNull() ? f->AsString() : std::string();
}
bool Flag(const TDataSet& t, const char* name) {
    const TField* f = t.FindField(name);
    return f && !f->IsNull() && f->AsBoolean();
}
int32_t Number(const TDataSet& t, const char* name) {
    const TField* f = t.FindField(name);
    return f && !f->IsNull() ? f->AsInteger() : 0;
}

// The issue date is stored in the short date form of the language the invoice was saved
// under: the program's own first, then each of the three.
std::optional<TDateTime> StoredDate(const std::string& text, const FormatSettings& fs) {
    TDateTime date = 0;
    if (TryStrToDate(text, date, fs)) return date;
    for (int language : {1, 2, 3})
        if (TryStrToDate(text, date, FormatSettings::ForLanguage(language))) return date;
    return std::nullopt;
}

} // namespace

TaskValues TaskValuesOfRow(const TDataSet& t, TDateTime calendarDate) {
    TaskValues v;
    // Every time first: a bad one stops the load before anything is taken.
    const std::optional<TDateTime> time = ParseTaskTime(Text(t, "Time"));
    const std::optional<TDateTime> start = ParseTaskTime(Text(t, "StartTask"));
    const std::optional<TDateTime> end = ParseTaskTime(Text(t, "EndTask"));
    v.Time = time.value_or(0);
    v.StartTime = start.value_or(v.Time);
    v.EndTime = end.value_or(v.Time);
    v.Date = v.EndDate = DateOf(calendarDate);
    v.Text = Text(t, "Uloha");
    const TField* color = t.FindField("Color");
    v.Color = color && !color->IsNull() ? static_cast<TColor>(color->AsInteger()) : clWhite;
    v.Remind = Flag(t, "Mesage");
    v.Priority = PriorityIndex(Text(t, "Priority"));
    v.RepFreq = std::clamp(Number(t, "RepFreq"), 0, 4);
    v.Owner = Text(t, "Owner");
    v.Project = Text(t, "Project");
    v.SubProject = Text(t, "SubProject");
    v.Run = Flag(t, "Run");
    v.Path = Text(t, "Path");
    v.Completed = Flag(t, "Completed");
    return v;
}

InvoiceValues InvoiceValuesOfRow(const TDataSet& t, const FormatSettings& fs) {
    InvoiceValues v;
    const std::optional<TDateTime> time = ParseTaskTime(Text(t, "Time"));
    const std::string created = Text(t, "Create_pay");
    const int32_t term = Number(t, "Before_date");
    std::optional<TDateTime> issue;
    if (!created.empty()) {
        issue = StoredDate(created, fs);
        // In no form: the editor's own reading says why.
        if (!issue) issue = ParseEditorDate(created, fs);
        if (!issue) throw std::invalid_argument(created);
    }
    v.PayTime = time.value_or(0);
    v.IssueDate = issue ? EditorDateText(*issue, fs) : std::string();
    v.DueDate = issue ? EditorDateText(*issue + term, fs) : std::string();
    v.Term = std::to_string(term);
    const TField* date = t.FindField("Date");
    v.PayDate = date && !date->IsNull() ? EditorDateText(date->AsDateTime(), fs) : std::string();
    v.Account = Text(t, "Acount_pay");
    v.BankCode = Text(t, "Bank_pay");
    v.VarSymbol = Text(t, "Var_pay");
    v.ConstSymbol = Text(t, "Const_pay");
    v.Amount = Text(t, "Value_pay");
    v.EBank = Text(t, "Path");
    v.PayByEBank = Flag(t, "Run");
    v.Remind = Flag(t, "Mesage");
    v.Paid = Flag(t, "Completed");
    const TField* color = t.FindField("Color");
    v.Color = color && !color->IsNull() ? static_cast<TColor>(color->AsInteger()) : clWhite;
    v.Owner = Text(t, "Owner");
    return v;
}

std::vector<std::string> ColumnValues(TDataSet& table, const char* field) {
    std::vector<std::string> values;
    if (!table.Active()) return values;
    for (table.First(); !table.Eof(); table.Next()) {
        std::string value = Text(table, field);
        if (std::find(values.begin(), values.end(), value) == values.end()) values.push_back(std::move(value));
    }
    table.First();
    return values;
}

std::vector<std::string> SubProjectsOf(TDataSet& subProjects, const std::string& project) {
    std::vector<std::string> values;
    if (!subProjects.Active()) return values;
    const bool filtered = subProjects.Filtered();
    subProjects.SetFiltered(false);
    for (subProjects.First(); !subProjects.Eof(); subProjects.Next()) {
        if (Text(subProjects, "ProjectName") != project) continue;
        std::string name = Text(subProjects, "SubProjectName");
        if (std::find(values.begin(), values.end(), name) == values.end()) values.push_back(std::move(name));
    }
    subProjects.SetFiltered(filtered);
    return values;
}

std::vector<std::string> OwnerChoices(const std::filesystem::path& dataFolder, const std::string& logonName,
                                      TDataSet* owners) {
    std::vector<std::string> choices;
    const std::vector<std::string> users = ReadUserList(dataFolder);
    if (!logonName.empty() && std::find(users.begin(), users.end(), logonName) != users.end())
        choices.push_back(logonName);
    else
        choices.push_back(GetMessageText(MessageId::Unknown));
    if (owners)
        for (std::string& owner : ColumnValues(*owners, "OwnerName"))
            if (std::find(choices.begin(), choices.end(), owner) == choices.end()) choices.push_back(std::move(owner));
    return choices;
}

std::vector<std::string> EditOwnerChoices(const std::string& logonName, TDataSet* owners) {
    std::vector<std::string> choices{logonName};
    if (owners)
        for (std::string& owner : ColumnValues(*owners, "OwnerName"))
            if (std::find(choices.begin(), choices.end(), owner) == choices.end()) choices.push_back(std::move(owner));
    return choices;
}

std::string DateLabelText(TDateTime from, TDateTime to, const FormatSettings& fs) {
    const std::string first = FormatDateTime(fs.ShortDateFormat, DateOf(from), fs);
    if (DateOf(to) <= DateOf(from)) return first;
    return first + " .. " + FormatDateTime(fs.ShortDateFormat, DateOf(to), fs);
}

void DateRangePick::Pick(TDateTime day) { anchor_ = first_ = last_ = DateOf(day); }

void DateRangePick::ExtendTo(TDateTime day) {
    day = DateOf(day);
    constexpr double kSpan = kMaxSeriesDays - 1;
    if (day >= anchor_) {
        first_ = anchor_;
        last_ = std::min(day, anchor_ + kSpan);
    } else {
        first_ = std::max(day, anchor_ - kSpan);
        last_ = anchor_;
    }
}

bool DateRangePick::Contains(TDateTime day) const {
    day = DateOf(day);
    return day >= first_ && day <= last_;
}

} // namespace kvz

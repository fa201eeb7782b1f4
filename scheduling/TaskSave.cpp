#include "scheduling/TaskSave.h"

#include "core/Messages.h"
#include "core/TableLocks.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaUtils.h"
#include "platform/data/DB.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/FormatSettings.h"
#include "scheduling/UlohaRules.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace kvz {

namespace {

[[noreturn]] void Refuse(const std::string& text) { throw TaskInputRefused(text); }

[[noreturn]] void RefuseMessage(int message) { Refuse(GetMessageText(message)); }

bool Range(const TaskValues& task) { return DateOf(task.Date) != DateOf(task.EndDate); }

// Filtering off for the change: the scheduling window's recurrence filter hides rows that the
// change must find (series, payments of other months).
class UnfilteredScope {
public:
    explicit UnfilteredScope(TDataSet& table) : table_(table), was_(table.Filtered()) {
        if (was_) table_.SetFiltered(false);
    }
    ~UnfilteredScope() {
        if (was_) table_.SetFiltered(true);
    }
    UnfilteredScope(const UnfilteredScope&) = delete;
    UnfilteredScope& operator=(const UnfilteredScope&) = delete;

private:
    TDataSet& table_;
    bool was_;
};

void AppendTaskRow(TDataSet& tasks) {
    tasks.Append();
    if (TField* number = tasks.FindField("Number"); number && number->AsString().empty())
        number->SetAsString(NewRecordKey());
}

// The fields of the task page; Date and User only where the writer asks for them.
void WriteTaskFields(TDataSet& tasks, const TaskValues& v, std::optional<TDateTime> date, const std::string* user) {
    if (date) tasks.FieldByName("Date").SetAsDateTime(DateOf(*date));
    tasks.FieldByName("Time").SetAsString(TaskTimeText(TimeToMinutes(v.Time)));
    tasks.FieldByName("Uloha").SetAsString(v.Text);
    tasks.FieldByName("Color").SetAsInteger(static_cast<int32_t>(v.Color));
    tasks.FieldByName("Mesage").SetAsBoolean(v.Remind);
    if (user) tasks.FieldByName("User").SetAsString(*user);
    tasks.FieldByName("Priority").SetAsString(PriorityLetter(v.Priority));
    tasks.FieldByName("Repeat").SetAsBoolean(v.RepFreq != 0);
    tasks.FieldByName("RepFreq").SetAsInteger(v.RepFreq);
    tasks.FieldByName("StartTask").SetAsString(TaskTimeText(v.StartTime));
    tasks.FieldByName("EndTask").SetAsString(TaskTimeText(v.EndTime));
    tasks.FieldByName("Owner").SetAsString(v.Owner);
    tasks.FieldByName("Project").SetAsString(v.Project);
    tasks.FieldByName("SubProject").SetAsString(v.SubProject);
    tasks.FieldByName("Run").SetAsBoolean(v.Run);
    tasks.FieldByName("Path").SetAsString(v.Path);
    tasks.FieldByName("Completed").SetAsBoolean(v.Completed);
}

// The invoice, checked and converted before anything is locked.
struct CheckedInvoice {
    TDateTime PayDate = 0;
    TDateTime IssueDate = 0;
    int32_t Term = 0;
    std::string Text;
};

[[noreturn]] void RefuseConversion(const std::string& text) {
    static const char* const kNotADate[] = {"This is not a valid date or number: ", "Toto nie je platný dátum ani číslo: ",
                                            "Toto není platné datum ani číslo: "};
    Refuse(InLanguage(kNotADate) + text);
}

CheckedInvoice CheckInvoice(const InvoiceValues& v) {
    if (!InvoiceFieldsFilled(v.PayDate, v.DueDate, v.IssueDate, v.Amount)) RefuseMessage(MessageId::InvoiceIncomplete);
    const FormatSettings fs = EditorFormat();
    CheckedInvoice c;
    for (const std::string* text : {&v.PayDate, &v.DueDate, &v.IssueDate}) {
        std::optional<TDateTime> date;
        try {
            date = ParseEditorDate(*text, fs);
        } catch (const std::invalid_argument&) {
        }
        if (!date) {
            if (text->find_first_of("0123456789") == std::string::npos) RefuseMessage(MessageId::InvoiceIncomplete);
            RefuseConversion(*text);
        }
        if (text == &v.PayDate) c.PayDate = *date;
        if (text == &v.IssueDate) c.IssueDate = *date;
    }
    if (!v.Term.empty() && !TryStrToInt(v.Term, c.Term)) RefuseConversion(v.Term);
    c.Text = InvoiceTaskText(v);
    return c;
}

void WriteInvoiceFields(TDataSet& tasks, const InvoiceValues& v, const CheckedInvoice& c, const std::string& user) {
    const FormatSettings fs = EditorFormat();
    tasks.FieldByName("Date").SetAsDateTime(c.PayDate);
    tasks.FieldByName("Time").SetAsString(TaskTimeText(TimeToMinutes(v.PayTime)));
    tasks.FieldByName("Uloha").SetAsString(c.Text);
    tasks.FieldByName("Color").SetAsInteger(static_cast<int32_t>(v.Color));
    tasks.FieldByName("Mesage").SetAsBoolean(v.Remind);
    tasks.FieldByName("User").SetAsString(user);
    tasks.FieldByName("Priority").SetAsString("A");
    tasks.FieldByName("Repeat").SetAsBoolean(false);
    tasks.FieldByName("RepFreq").SetAsInteger(0);
    tasks.FieldByName("StartTask").SetAsString(TaskTimeText(v.StartTime));
    tasks.FieldByName("EndTask").SetAsString(TaskTimeText(v.EndTime));
    tasks.FieldByName("Owner").SetAsString(v.Owner);
    tasks.FieldByName("Acount_pay").SetAsString(v.Account);
    tasks.FieldByName("Bank_pay").SetAsString(v.BankCode);
    tasks.FieldByName("Value_pay").SetAsString(v.Amount);
    tasks.FieldByName("Var_pay").SetAsString(v.VarSymbol);
    tasks.FieldByName("Const_pay").SetAsString(v.ConstSymbol);
    tasks.FieldByName("Create_pay").SetAsString(EditorDateText(c.IssueDate, fs));
    tasks.FieldByName("Task_type").SetAsString("F");
    tasks.FieldByName("Before_date").SetAsInteger(c.Term);
    tasks.FieldByName("Run").SetAsBoolean(v.PayByEBank);
    tasks.FieldByName("Path").SetAsString(v.EBank);
    tasks.FieldByName("Completed").SetAsBoolean(v.Paid);
}

bool UsesTaskPage(TaskSaveKind kind) {
    switch (kind) {
    case TaskSaveKind::NewTask:
    case TaskSaveKind::NewSeries:
    case TaskSaveKind::EditTask:
    case TaskSaveKind::EditSelected:
    case TaskSaveKind::ReplaceSelected:
    case TaskSaveKind::ReplaceSeries: return true;
    default: return false;
    }
}

[[noreturn]] void RefuseNoCode() {
    static const char* const kNoCode[] = {
        "This task has no record code and cannot be changed from here; nothing was changed.",
        "Táto úloha nemá kód záznamu a nedá sa tu zmeniť; nič sa nezmenilo.",
        "Tento úkol nemá kód záznamu a nelze jej zde změnit; nic se nezměnilo."};
    Refuse(InLanguage(kNoCode));
}

void CheckRequest(const TaskSaveRequest& r, TaskSaveKind kind) {
    if (UsesTaskPage(kind) && r.Task.Text.empty()) RefuseMessage(MessageId::NoTaskDescription);
    const bool calendarRange = kind == TaskSaveKind::NewSeries || kind == TaskSaveKind::ReplaceSelected ||
                               (kind == TaskSaveKind::ReplaceSeries && Range(r.Task));
    if (calendarRange && SeriesDays(r.Task.Date, r.Task.EndDate).size() > static_cast<size_t>(kMaxSeriesDays)) {
        static const char* const kTooLong[] = {"A series covers at most 31 days.", "Séria môže trvať najviac 31 dní.",
                                               "Série může trvat nejvýše 31 dní."};
        Refuse(InLanguage(kTooLong));
    }
    auto allCodes = [](const std::vector<std::string>& keys) {
        return !keys.empty() && std::none_of(keys.begin(), keys.end(), [](const std::string& k) { return k.empty(); });
    };
    switch (kind) {
    case TaskSaveKind::EditTask:
    case TaskSaveKind::EditInvoice:
        if (r.CurrentKey.empty()) RefuseNoCode();
        break;
    case TaskSaveKind::EditSelected:
    case TaskSaveKind::ReplaceSelected:
        if (!allCodes(r.SelectedKeys)) RefuseNoCode();
        break;
    case TaskSaveKind::ReplaceSeries:
        if (!allCodes(r.SeriesKeys)) RefuseNoCode();
        break;
    case TaskSaveKind::Payments: {
        if (!r.Payments) throw std::logic_error("The payments page was saved without its generator");
        break;
    }
    default: break;
    }
}

// Deletes the rows with these exact record codes; a row that is gone already is passed over.
int DeleteRows(TDataSet& tasks, const std::vector<std::string>& keys) {
    int deleted = 0;
    for (const std::string& key : keys) {
        if (key.empty() || !tasks.Locate("Number", Variant(key), 0)) continue;
        tasks.Delete();
        ++deleted;
    }
    return deleted;
}

// The days of a series as its rows lie in the table now, earliest to latest; nothing when
// none of its rows is left.
std::optional<std::pair<TDateTime, TDateTime>> SeriesSpan(TDataSet& tasks, const std::vector<std::string>& keys) {
    std::optional<std::pair<TDateTime, TDateTime>> span;
    for (const std::string& key : keys) {
        if (!tasks.Locate("Number", Variant(key), 0)) continue;
        const TDateTime day = DateOf(tasks.FieldByName("Date").AsDateTime());
        if (!span) span.emplace(day, day);
        span->first = std::min(span->first, day);
        span->second = std::max(span->second, day);
    }
    return span;
}

// The values of the current row, each field's text in field order (a null apart from an
// empty text).
std::string RowValues(TDataSet& tasks) {
    std::string values;
    for (TField* field : tasks.Fields().List()) {
        values += field->IsNull() ? std::string("\x01") : field->AsString();
        values += '\x1f';
    }
    return values;
}

bool LocateExactly(TDataSet& tasks, const std::string& key) {
    return !key.empty() && tasks.Locate("Number", Variant(key), 0) && tasks.FieldByName("Number").AsString() == key;
}

// The rows a change writes over: their stamps are compared with the shared file.
std::vector<std::string> OverwrittenKeys(const TaskSaveRequest& r, TaskSaveKind kind) {
    switch (kind) {
    case TaskSaveKind::EditTask:
    case TaskSaveKind::EditInvoice: return {r.CurrentKey};
    case TaskSaveKind::EditSelected:
    case TaskSaveKind::ReplaceSelected: return r.SelectedKeys;
    case TaskSaveKind::ReplaceSeries: return r.SeriesKeys;
    default: return {};
    }
}

// Thrown inside the change when a stamped row differs: the writer cancels and unlocks.
struct OtherChangeFound {};

} // namespace

std::vector<TaskRowStamp> StampTaskRows(TDataSet& tasks, const std::vector<std::string>& keys) {
    if (!tasks.Active() || tasks.IsEmpty()) return {};
    std::map<std::string, std::string> found;
    for (const std::string& key : keys)
        if (!key.empty()) found.emplace(key, std::string());
    // Read where they are, as the grids paint them: the table may be editing its current row
    // (the frame's Edit) and must not move.
    size_t left = found.size();
    auto take = [&] {
        auto it = found.find(tasks.FieldByName("Number").AsString());
        if (it != found.end() && it->second.empty()) {
            it->second = RowValues(tasks);
            --left;
        }
    };
    take();
    auto buffer = tasks.NewRecordBuffer();
    for (int i = 0, n = tasks.RecordCount(); i < n && left > 0; ++i) {
        if (!tasks.ReadRecordAt(i, *buffer)) break;
        TRecordReadScope scope(tasks, *buffer);
        take();
    }
    std::vector<TaskRowStamp> stamps;
    for (const std::string& key : keys) {
        auto it = found.find(key);
        if (it == found.end() || it->second.empty()) continue;
        stamps.push_back({key, std::move(it->second)});
        it->second.clear();
        found.erase(it);
    }
    return stamps;
}

OtherChangeChoice AskOtherChange() {
    static const char* const kQuestion[] = {
        "This task was changed on another computer since you began to edit it.\n\n"
        "Yes: save your entry over the other change.\n"
        "No: drop your entry and show the task as it is now.\n"
        "Cancel: go back to editing; nothing is saved.",
        "Túto úlohu medzitým zmenili na inom počítači.\n\n"
        "Áno: uložiť vaše zadanie namiesto tej zmeny.\n"
        "Nie: zahodiť vaše zadanie a ukázať úlohu, ako je teraz.\n"
        "Zrušiť: vrátiť sa k úprave; nič sa neuloží.",
        "Tento úkol mezitím změnili na jiném počítači.\n\n"
        "Ano: uložit vaše zadání místo té změny.\n"
        "Ne: zahodit vaše zadání a ukázat úkol, jak je teď.\n"
        "Storno: vrátit se k úpravě; nic se neuloží."};
    switch (ShowMessageBox(InLanguage(kQuestion), GetMessageText(MessageId::WarningCaption),
                           MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON3)) {
    case IDYES: return OtherChangeChoice::Overwrite;
    case IDNO: return OtherChangeChoice::Reload;
    default: return OtherChangeChoice::KeepEditing;
    }
}

namespace {
const char* const kNotSavedTexts[] = {"The task was changed on another computer; nothing was saved.",
                                      "Úlohu zmenili na inom počítači; nič sa neuložilo.",
                                      "Úkol změnili na jiném počítači; nic se neuložilo."};
} // namespace

TaskChangedElsewhere::TaskChangedElsewhere(OtherChangeChoice choice)
    : std::runtime_error(InLanguage(kNotSavedTexts)), Choice(choice) {}

TaskSaveKind DispatchOf(const TaskSaveRequest& r) {
    if (!r.EditMode || r.CloneMode) {
        switch (r.Page) {
        case EditorPage::Payments: return TaskSaveKind::Payments;
        case EditorPage::Invoice: return TaskSaveKind::NewInvoice;
        case EditorPage::Task: break;
        }
        return Range(r.Task) ? TaskSaveKind::NewSeries : TaskSaveKind::NewTask;
    }
    if (r.SeriesSelected) return TaskSaveKind::ReplaceSeries;
    if (r.SelectedKeys.size() > 1) return Range(r.Task) ? TaskSaveKind::ReplaceSelected : TaskSaveKind::EditSelected;
    switch (r.Page) {
    case EditorPage::Payments: return TaskSaveKind::Payments;
    case EditorPage::Invoice: return TaskSaveKind::EditInvoice;
    case EditorPage::Task: break;
    }
    return TaskSaveKind::EditTask;
}

TaskSaveResult SaveTasks(TVolgaTable& tasks, TTableLocks& locks, const std::filesystem::path& lockFile,
                         bool networkMode, const TaskSaveRequest& r) {
    TaskSaveResult result;
    result.Kind = DispatchOf(r);
    CheckRequest(r, result.Kind);
    std::optional<CheckedInvoice> invoice;
    if (result.Kind == TaskSaveKind::NewInvoice || result.Kind == TaskSaveKind::EditInvoice)
        invoice = CheckInvoice(r.Invoice);
    if (result.Kind == TaskSaveKind::Payments) r.Payments->Prepare();

    // The frame window's Edit leaves the table in edit state; the editor writes only here.
    if (tasks.State() == dsEdit || tasks.State() == dsInsert) tasks.Cancel();

    UnfilteredScope unfiltered(tasks);
    // The rows this change writes over, as they stood when the edit began.
    std::vector<TaskRowStamp> begun;
    if (networkMode) {
        const std::vector<std::string> keys = OverwrittenKeys(r, result.Kind);
        for (const TaskRowStamp& stamp : r.Begun)
            if (std::find(keys.begin(), keys.end(), stamp.Key) != keys.end()) begun.push_back(stamp);
    }
    const auto change = [&] {
        // Another computer's change of an edited row is never written over unasked.
        for (const TaskRowStamp& stamp : begun)
            if (LocateExactly(tasks, stamp.Key) && RowValues(tasks) != stamp.Values) throw OtherChangeFound{};
        // The change may run again after a fresh reload.
        result.RowsAdded = result.RowsChanged = result.RowsDeleted = 0;
        auto addDays = [&](TDateTime from, TDateTime to) {
            for (TDateTime day : SeriesDays(from, to)) {
                AppendTaskRow(tasks);
                WriteTaskFields(tasks, r.Task, day, &r.UserPrefix);
                tasks.Post();
                ++result.RowsAdded;
            }
        };
        switch (result.Kind) {
        case TaskSaveKind::NewTask:
        case TaskSaveKind::NewSeries: addDays(r.Task.Date, r.Task.EndDate); break;
        case TaskSaveKind::NewInvoice:
            AppendTaskRow(tasks);
            WriteInvoiceFields(tasks, r.Invoice, *invoice, r.UserPrefix);
            tasks.Post();
            ++result.RowsAdded;
            break;
        case TaskSaveKind::EditInvoice:
            LocateRecordCode(tasks, r.CurrentKey);
            tasks.Edit();
            WriteInvoiceFields(tasks, r.Invoice, *invoice, r.UserPrefix);
            tasks.Post();
            ++result.RowsChanged;
            break;
        case TaskSaveKind::EditTask:
            LocateRecordCode(tasks, r.CurrentKey);
            tasks.Edit();
            WriteTaskFields(tasks, r.Task, r.Task.Date, nullptr);
            tasks.Post();
            ++result.RowsChanged;
            break;
        case TaskSaveKind::EditSelected:
            for (const std::string& key : r.SelectedKeys) {
                LocateRecordCode(tasks, key);
                tasks.Edit();
                WriteTaskFields(tasks, r.Task, std::nullopt, nullptr);
                tasks.Post();
                ++result.RowsChanged;
            }
            break;
        case TaskSaveKind::ReplaceSelected:
            result.RowsDeleted = DeleteRows(tasks, r.SelectedKeys);
            addDays(r.Task.Date, r.Task.EndDate);
            break;
        case TaskSaveKind::ReplaceSeries: {
            std::pair<TDateTime, TDateTime> span{r.Task.Date, r.Task.EndDate};
            if (!Range(r.Task)) {
                // The series as it is now, after the reload: others may have changed it.
                const auto now = SeriesSpan(tasks, r.SeriesKeys);
                if (!now) LocateRecordCode(tasks, r.SeriesKeys.front()); // reports the series gone
                span = *now;
            }
            result.RowsDeleted = DeleteRows(tasks, r.SeriesKeys);
            addDays(span.first, span.second);
            break;
        }
        case TaskSaveKind::Payments: result.RowsAdded = r.Payments->Generate(tasks); break;
        }
    };
    for (;;) {
        try {
            locks.WriteSharedTable(tasks, lockFile, networkMode, kEditorSavePoll, change);
            return result;
        } catch (const OtherChangeFound&) {
            // Cancelled and unlocked: nobody waits on the question. The table holds the rows as
            // the shared file has them now.
        }
        const OtherChangeChoice choice = r.OnOtherChange ? r.OnOtherChange() : AskOtherChange();
        if (choice != OtherChangeChoice::Overwrite) throw TaskChangedElsewhere(choice);
        // Over what is there now; a change made after this question is asked about again.
        std::vector<std::string> keys;
        for (const TaskRowStamp& stamp : begun) keys.push_back(stamp.Key);
        begun = StampTaskRows(tasks, keys);
    }
}

// ---- shared pieces ----

std::string TaskTimeText(TDateTime time) {
    const FormatSettings fs = FormatSettings::ForLanguage(Language());
    return FormatDateTime(fs.LongTimeFormat, TimeOf(time), fs);
}

std::optional<TDateTime> ParseTaskTime(const std::string& text) {
    if (text.find_first_not_of(' ') == std::string::npos) return std::nullopt;
    TDateTime time = 0;
    // Tables written in another language keep that language's form: both are read.
    for (int language : {Language(), 1, 2}) {
        if (TryStrToTime(text, time, FormatSettings::ForLanguage(language))) return time;
    }
    static const char* const kBadTime[] = {"This is not a valid time: ", "Toto nie je platný čas: ",
                                           "Toto není platný čas: "};
    throw std::invalid_argument(InLanguage(kBadTime) + ("\"" + text + "\""));
}

std::vector<TDateTime> SeriesDays(TDateTime from, TDateTime to) {
    TDateTime first = DateOf(from), last = DateOf(to);
    if (last < first) std::swap(first, last);
    std::vector<TDateTime> days;
    for (TDateTime day = first; day <= last; day += 1) days.push_back(day);
    return days;
}

std::string InvoiceTaskText(const InvoiceValues& v) {
    return GetMessageText(MessageId::PayInvoiceFrom) + v.IssueDate + GetMessageText(MessageId::IntoRate) + v.Amount + v.Currency +
           GetMessageText(MessageId::MaturityUntil) + v.DueDate;
}

FormatSettings EditorFormat() {
    FormatSettings fs = FormatSettings::ForLanguage(Language());
    // Four-digit years, whatever the language's short form says.
    std::string& f = fs.ShortDateFormat;
    if (f.find("yyyy") == std::string::npos) {
        const size_t y = f.find("yy");
        if (y != std::string::npos) f.replace(y, 2, "yyyy");
    }
    return fs;
}

std::optional<TDateTime> ParseEditorDate(const std::string& text, const FormatSettings& fs) {
    if (text.find_first_of("0123456789") == std::string::npos) return std::nullopt;
    TDateTime date = 0;
    if (!TryStrToDate(text, date, fs)) {
        static const char* const kBadDate[] = {"This is not a valid date: ", "Toto nie je platný dátum: ",
                                               "Toto není platné datum: "};
        throw std::invalid_argument(InLanguage(kBadDate) + text);
    }
    return date;
}

std::string EditorDateText(TDateTime date, const FormatSettings& fs) { return FormatDateTime(fs.ShortDateFormat, date, fs); }

std::optional<std::string> DueDateForTerm(const std::string& issueDate, const std::string& term,
                                          const FormatSettings& fs) {
    if (term.empty() || term == "0" || issueDate.empty()) return std::nullopt;
    int32_t days = 0;
    if (!TryStrToInt(term, days)) {
        static const char* const kBadNumber[] = {"This is not a whole number: ", "Toto nie je celé číslo: ",
                                                 "Toto není celé číslo: "};
        throw std::invalid_argument(InLanguage(kBadNumber) + term);
    }
    const auto issue = ParseEditorDate(issueDate, fs);
    if (!issue) return std::nullopt;
    return EditorDateText(*issue + days, fs);
}

std::optional<std::string> TermForDueDate(const std::string& issueDate, const std::string& dueDate,
                                          const FormatSettings& fs) {
    if (issueDate.empty() || dueDate.empty()) return std::nullopt;
    const auto issue = ParseEditorDate(issueDate, fs);
    const auto due = ParseEditorDate(dueDate, fs);
    if (!issue || !due) return std::nullopt;
    return std::to_string(static_cast<long>(std::lround(DateOf(*due) - DateOf(*issue))));
}

} // namespace kvz

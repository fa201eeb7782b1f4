// What the task editor's OK writes into the task table: one task, a daily series over a date
// range, a change of the current task or of several selected ones, a clone, the replacement of
// a whole series, an invoice, or the regular payments. The editor gathers a plain request; the
// save checks it first, then makes the whole change under one lock and one write of the task
// table (in network mode after a reload), and cancels and unlocks on every failure.
#pragma once

#include "platform/forms/Graphics.h"
#include "platform/rtl/DateTime.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kvz {

class TDataSet;
class TTableLocks;
class TVolgaTable;
struct FormatSettings;

// The editor's pages, in their order.
enum class EditorPage { Task = 0, Invoice = 1, Payments = 2 };

// What the task page holds.
struct TaskValues {
    TDateTime Date = 0;    // the calendar's first day
    TDateTime EndDate = 0; // its last day; equal to Date for one day
    TDateTime Time = 0;
    std::string Text;
    TColor Color = clWhite;
    bool Remind = true;
    int Priority = 0; // list index 0..24
    int RepFreq = 0;  // 0 once, 1 daily, 2 weekly, 3 monthly, 4 yearly
    TDateTime StartTime = 0, EndTime = 0;
    std::string Owner, Project, SubProject;
    bool Run = false;
    std::string Path;
    bool Completed = false;
};

// What the invoice page holds: its date edits and other edits as texts, as typed.
struct InvoiceValues {
    std::string IssueDate, DueDate, PayDate;
    std::string Term = "0";
    std::string Account, BankCode, VarSymbol, ConstSymbol, Amount, Currency;
    std::string EBank;
    bool PayByEBank = true, Remind = true, Paid = false;
    TColor Color = clWhite;
    std::string Owner;
    TDateTime PayTime = 0;
    TDateTime StartTime = 0, EndTime = 0; // the task page's
};

// A refusal of what was typed: the editor shows the text and stays open; nothing was written.
class TaskInputRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the regular payments page asks of the save (built in RegularPays).
class PaymentGenerator {
public:
    virtual ~PaymentGenerator() = default;
    // Checks the payment files and decides every task before anything changes; throws
    // TaskInputRefused or the files' errors.
    virtual void Prepare() = 0;
    // Inside the task table's change: removes the country's payment tasks and adds the new ones.
    virtual int Generate(TDataSet& tasks) = 0; // the rows added
};

// A task row as it stood when the edit began: its record code and every value it held. In
// network mode the save compares it with the row as the shared file holds it then, so that a
// change another computer made meanwhile is never written over unasked.
struct TaskRowStamp {
    std::string Key;
    std::string Values;
    bool operator==(const TaskRowStamp&) const = default;
};
// The stamps of the rows with these codes (each once; codes without a row are left out). The
// table's current row stays current.
std::vector<TaskRowStamp> StampTaskRows(TDataSet& tasks, const std::vector<std::string>& keys);

// What the user chose when a row changed on another computer since the edit began.
enum class OtherChangeChoice {
    Overwrite,    // write the entry over the other change
    Reload,       // drop the entry and show the row as it is now
    KeepEditing,  // write nothing, the entry stays as typed
};
// The question in the program's language (Yes overwrite, No reload, Cancel back to editing).
OtherChangeChoice AskOtherChange();

// The save ended without writing because a row changed elsewhere and the user chose to reload
// it or to go on editing; the table holds the rows as the shared file has them now.
class TaskChangedElsewhere : public std::runtime_error {
public:
    explicit TaskChangedElsewhere(OtherChangeChoice choice);
    OtherChangeChoice Choice;
};

struct TaskSaveRequest {
    EditorPage Page = EditorPage::Task;
    bool EditMode = false;  // change rows instead of adding them
    bool CloneMode = false; // with EditMode: add the entry as new rows
    // The scheduling window's state: a whole repeated series is selected, with the record codes
    // of its rows; the record codes of the rows selected in its grids; the current task's.
    bool SeriesSelected = false;
    std::vector<std::string> SeriesKeys;
    std::vector<std::string> SelectedKeys;
    std::string CurrentKey;
    TaskValues Task;
    InvoiceValues Invoice;
    std::string UserPrefix;
    PaymentGenerator* Payments = nullptr;
    // The edited rows as they stood when the edit began (network mode); rows without a stamp
    // are written as the save finds them.
    std::vector<TaskRowStamp> Begun;
    // Asks what to do about a row changed elsewhere; AskOtherChange when not set.
    std::function<OtherChangeChoice()> OnOtherChange;
};

// How a request is carried out, decided before anything is written.
enum class TaskSaveKind {
    NewTask, NewSeries, NewInvoice, Payments, EditTask, EditInvoice, EditSelected, ReplaceSelected, ReplaceSeries
};
TaskSaveKind DispatchOf(const TaskSaveRequest& request);

struct TaskSaveResult {
    TaskSaveKind Kind = TaskSaveKind::NewTask;
    int RowsAdded = 0;
    int RowsChanged = 0;
    int RowsDeleted = 0;
};

// The save. A refusal (empty text, missing invoice field, a change without record codes)
// throws TaskInputRefused before the lock; a row that is gone, or a failed write, throws with
// its own text after the changes were cancelled and the lock released. The request's range is
// taken from the earliest to the latest day whichever way it was picked. In network mode a
// changed row that has a stamp in Begun is asked about once the lock is released: Overwrite
// saves again over what is there now, the other answers throw TaskChangedElsewhere.
TaskSaveResult SaveTasks(TVolgaTable& tasks, TTableLocks& locks, const std::filesystem::path& lockFile,
                         bool networkMode, const TaskSaveRequest& request);

// ---- pieces the editor and the scheduling window share ----

// Time texts as the task table stores them: the long time format of the program's language.
std::string TaskTimeText(TDateTime time);
// A stored time text; nothing for an empty text; throws EConvertError-like std::invalid_argument
// with the text for one that is not a time.
std::optional<TDateTime> ParseTaskTime(const std::string& text);

// The days a series covers, first to last, from a range picked either way; at most 31 days.
std::vector<TDateTime> SeriesDays(TDateTime from, TDateTime to);
constexpr int kMaxSeriesDays = 31;

// The invoice's task text: "Pay invoice from day " issue " into rate " amount currency
// " maturity until at " due, the phrases in the program's language.
std::string InvoiceTaskText(const InvoiceValues& invoice);
// The due date after a change of the term (nothing when the term is empty or "0" or the
// issue date is empty); and the term after a change of the due date (nothing when a date is
// empty). Texts in the short date format of fs; a text that is no date or no whole number
// throws std::invalid_argument.
std::optional<std::string> DueDateForTerm(const std::string& issueDate, const std::string& term,
                                          const FormatSettings& fs);
std::optional<std::string> TermForDueDate(const std::string& issueDate, const std::string& dueDate,
                                          const FormatSettings& fs);
// A date text of the editor's date edits in the short date format of fs; nothing when empty
// or blank.
std::optional<TDateTime> ParseEditorDate(const std::string& text, const FormatSettings& fs);
std::string EditorDateText(TDateTime date, const FormatSettings& fs);
// The date format of the editor's texts: the language's, with four-digit years.
FormatSettings EditorFormat();

} // namespace kvz

// What the data module asks of the frame window and of the module windows. The windows
// implement these when they exist; a pointer left empty means that window is not open.
#pragma once

#include "core/RecordBar.h"
#include "core/TableIds.h"
#include "platform/forms/Graphics.h"
#include "platform/rtl/DateTime.h"

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

class TComponent;
class TDataSet;
class TForm;
class SettingsStore;
class TTableLocks;
class ModuleWindow;

// Module numbers of the frame window.
enum ModuleNumber { NoModule = 0, AddressModule = 1, ReportsModule = 2, TasksModule = 3, LinksModule = 4 };

// The parts of the module windows whose colour and font the settings dialog changes.
enum class SetupTarget {
    AddressName, AddressNote, AddressGrid, ReportLists, LinksName, LinksGrid,
    CalendarBack, CalendarText, CalendarTitleBack, CalendarTitleText, TaskGrids, TaskMemo
};

// The address book window.
class AddressBookServices {
public:
    virtual ~AddressBookServices() = default;
    // The code of the last new address, by which the window finds the row again after saving.
    virtual void SetLastNewAddressCode(const std::string& code) = 0;
};

// The tasks window.
class TasksWindowServices {
public:
    virtual ~TasksWindowServices() = default;
    // The repetition filter of the task table (UlohaTable1FilterRecord).
    virtual void UlohaTable1FilterRecord(TDataSet& dataSet, bool& accept) = 0;
    // Whether its page control shows the day page (page 0).
    virtual bool DayPageShown() const = 0;
    // The day selected in its calendar (SelectedTaskDate).
    virtual TDateTime SelectedTaskDate() const = 0;
};

// The links window.
class LinksWindowServices {
public:
    virtual ~LinksWindowServices() = default;
    virtual std::string TypeComboBoxText() const = 0;
    // Whether its page control shows the first page, the tree.
    virtual bool TreePageShown() const = 0;
    // The text of the tree's selected node when that node is a link type (top level).
    virtual std::optional<std::string> SelectedTopLevelType() const = 0;
};

// The frame window.
class FrameServices {
public:
    virtual ~FrameServices() = default;
    // Disables and hides the address category button (SplitEnableButton).
    virtual void HideSplitEnableButton() = 0;
    // The sub-project table's filter (SubProjectTableFilterRecord).
    virtual void SubProjectTableFilterRecord(TDataSet& dataSet, bool& accept) = 0;
    // Minimises the program, opens the file through the desktop and, for an invoice ("F"),
    // shows the payment order.
    virtual void PayFacture(const std::string& file, const std::string& taskType) = 0;
    // The regular payments do not match the year: asks (1) or not (0), then opens the page.
    virtual void DownloadPays(int ask) = 0;
    // Tells the companion program that the tasks changed.
    virtual void UpdateTemko() = 0;
    // Moves the progress bar that a module window shows while it is made and shown (0 to 100).
    virtual void SetProgress(int) {}
};

// What the find, filter and sort-order dialogs ask of the module windows.
class AddressSortServices {
public:
    virtual ~AddressSortServices() = default;
    // The quick list shows the field alone, the table is sorted again by the stored sort
    // field (ApplySortOrder), and LookLabel reads "Order by : " and the caption.
    virtual void ShowSortField(const std::string& fieldName, const std::string& caption) = 0;
    // The category picker is filled again (LoadUserSplitItems).
    virtual void LoadUserSplitItems() = 0;
    // Whether the current address may move: not while one is inserted or edited.
    virtual bool RecordMovesAllowed() const { return true; }
};

class LinksSearchServices {
public:
    virtual ~LinksSearchServices() = default;
    // Sorts the links by the field (TriedLinks).
    virtual void TriedLinks(const std::string& fieldName) = 0;
    // The page control's change handler: rebuilds the list from the table.
    virtual void PageControlChange() = 0;
};

class ReportsSearchServices {
public:
    virtual ~ReportsSearchServices() = default;
    // Both address lists (all addresses, own choice) show the field.
    virtual void ShowListField(const std::string& fieldName) = 0;
};

class FilterButtonServices {
public:
    virtual ~FilterButtonServices() = default;
    // Releases the frame window's filter button and runs its click handler, which removes
    // the filter.
    virtual void ReleaseFilterButton() = 0;
};

// Filters that the dialogs set and the data module's filter handlers read.
struct TableFilterState {
    std::string AddressKeyFilter;      // a record code; empty = off
    std::string AddressCategoryFilter; // a Split_field value; empty = off
    bool WabViewOn = false;            // only rows taken from the system address book
    bool LinksFilterActive = false;    // the filter dialog's own expression applies to the links
};

// The shared state of the frame window that the data module works with.
struct FrameState {
    // The folder of the running program (its plug-ins and help files); set at start.
    std::filesystem::path ProgramFolder;
    std::filesystem::path DataFolder;
    std::filesystem::path TableFolder;
    std::string UserPrefix;
    bool NetworkMode = false;
    int ActiveModule = NoModule;
    SettingsStore* Settings = nullptr;
    TTableLocks* Locks = nullptr;
    TableFilterState Filters;
    std::string FilterFieldName; // the filter dialog's first field while its filter is on
    // Program-wide editing values: the task editor changes the current task instead of adding
    // one; the links window edits the current link; the regular payments match the year.
    bool TaskEditMode = false;
    bool LinkEditMode = false;
    bool PaymentDataCurrent = true;
    FrameServices* Frame = nullptr;
    // The module window shown, for the dialogs that ask it (nullptr: none, or an empty page).
    ModuleWindow* Module = nullptr;
    AddressBookServices* AddressBook = nullptr;
    TasksWindowServices* TasksWindow = nullptr;
    LinksWindowServices* LinksWindow = nullptr;
    AddressSortServices* AddressSort = nullptr;
    LinksSearchServices* LinksSearch = nullptr;
    ReportsSearchServices* ReportsSearch = nullptr;
    FilterButtonServices* FilterButton = nullptr;
};

// ---- The module windows as the frame window sees them ----
// Each module window is a form of its own; the frame window shows it in its client area,
// frees it when another module opens, and reaches it only through ModuleWindow: it runs
// commands on it, reads the state it offers and listens to its one "state changed" event. The
// module asks the frame for a command by raising a request; neither touches the other's controls.

// The commands of the frame window's tool bars and menus.
enum class Command {
    // record bar
    First, Prior, Next, Last, Insert, Edit, Post, Cancel, Delete, Refresh,
    Find, Filter, FilterOff, Order, Category, Import, Export, SaveAs,
    // user bar
    Mail, Phone, Web,
    // report bar and the print header (which report the reports window makes)
    OpenReport, SaveReport, Preview, Print, Font, OpenTemplate, SaveTemplate,
    AddressReport, TasksReport, LinksReport,
    // tasks and links bar
    Detail, ProjectManager, Owners, MaximiseGrid, RestoreGrid, Pay, PayInvoice,
    Capture, AddToTask, RunLink,
};

// Commands the frame window runs itself when the module's state has them on: the dialogs, and
// Delete over the module's RecordTable and SelectedRecordCodes. Every other command goes to
// the module's Run.
constexpr bool FrameRunsCommand(Command c) {
    switch (c) {
    case Command::Delete: case Command::Find: case Command::Order: case Command::Category: case Command::Import: case Command::Export:
    case Command::SaveAs: case Command::OpenTemplate: case Command::SaveTemplate: case Command::ProjectManager:
    case Command::Owners: case Command::Capture: return true;
    default: return false;
    }
}

// What a module needs to know of the frame window to say which of its commands are on.
struct ModuleContext {
    bool Offline = false;      // network mode with the server away: nothing may change
    bool CategoriesOn = false; // address categories enabled
    // Whether a dialog of that form name is registered.
    std::function<bool(std::string_view)> HasDialog;
};

// Settings that the settings dialog hands on to the open module window.
enum class ModuleSetting {
    EnvelopeFeed,     // the printer's envelope feed (0, 1)
    EnvelopePosition, // 0 middle, 1 left, 2 right
    WeekNumbers,      // 1: the calendar shows week numbers
    FirstDay,         // first day of the week, 1 Monday .. 7 Sunday
};

// One choice of a field list: the caption shown and the field it stands for.
struct FieldChoice {
    std::string Caption;
    std::string Field;
};

// What the find window and the filter dialog ask of the active module: the fields they offer and
// what a choice, a typed text and an applied filter do there. The module window hands out its own.
class ModuleSearch {
public:
    virtual ~ModuleSearch() = default;
    // ---- the find window ----
    virtual std::vector<FieldChoice> FindFields() const = 0;
    // The choice shown first.
    virtual int FindFieldIndex(const std::vector<FieldChoice>& fields) const = 0;
    // The user chose a field: the module sorts by it, and may keep it.
    virtual void FindFieldChosen(const std::vector<FieldChoice>& fields, int index) = 0;
    // Moves to the first record whose search field begins with the text, letter case ignored.
    virtual void FindText(const std::string& text) = 0;
    // Whether the find window may move the current record now (not while one is being typed).
    virtual bool MovesAllowed() const { return true; }
    // ---- the filter dialog ----
    // The table it filters; nullptr: the module has no filter.
    virtual TDataSet* FilterTable() const { return nullptr; }
    virtual std::vector<FieldChoice> FilterFields() const { return {}; }
    // The first row's choice, when the module keeps one (else the row's own setting).
    virtual std::optional<int> FilterFirstIndex(const std::vector<FieldChoice>&) const { return std::nullopt; }
    virtual void FilterFieldChosen(const std::vector<FieldChoice>&, int) {}
    // The filter text is set on FilterTable and on; firstField is the first row's field.
    virtual void FilterApplied(const std::string&) {}
};

class ModuleWindow {
public:
    virtual ~ModuleWindow() = default;
    virtual TForm& Form() = 0;
    // The module number (AddressModule, ...).
    virtual int Module() const = 0;

    // ---- commands and state ----
    // Which commands are on now, the editing mode included.
    virtual RecordBarState State(const ModuleContext& context) const = 0;
    // Runs a command that State has on. A failure is thrown; the frame window shows it, and an
    // edit that failed to save stays open.
    virtual void Run(Command command) = 0;
    // Set by the frame window while it shows the module: the module raises them.
    std::function<void()> OnStateChanged;        // State or the record count may have changed
    std::function<void(Command)> OnRequest;      // asks the frame to run a command (when it is on)

    // ---- what the frame window asks ----
    // The table the record commands, the status bar and Delete work on; none for reports.
    virtual std::optional<TableId> RecordTable() const { return std::nullopt; }
    // Record codes of the chosen rows (more than one means a choice; else the current row goes).
    virtual std::vector<std::string> SelectedRecordCodes() const { return {}; }
    // The tables changed under the window (a delete, an erase, a reload): show them again.
    virtual void TablesChanged() {}
    // Runs the window's show handler again (after the settings or the tables changed).
    virtual void FormShow() = 0;
    // Stores the window's colours, fonts and sizes into the settings.
    virtual void UlozDoPola() = 0;
    // The colour and font of a part the settings dialog changes that is not one of the window's
    // controls the frame finds by name (DBEdit1, DBMemo2, DBGrid1, ...); a window without such a
    // part answers nothing and leaves a change alone.
    virtual std::optional<TColor> PartColor(SetupTarget) const { return std::nullopt; }
    virtual void SetPartColor(SetupTarget, TColor) {}
    virtual std::optional<TFont> PartFont(SetupTarget) const { return std::nullopt; }
    virtual void SetPartFont(SetupTarget, const TFont&) {}
    // The colour and the font of every field control, chosen in the colour and font dialogs.
    virtual void VymenColor() {}
    virtual void VymenFont() {}
    virtual void ApplySetting(ModuleSetting, int) {}
    // What the find and filter dialogs ask; nullptr: the module offers no search.
    virtual ModuleSearch* Search() { return nullptr; }
    // The frame window starts afresh (at start, after the network wizard, for another user):
    // the module drops the choices it keeps for the run.
    virtual void ResetModuleState() {}

protected:
    void StateChanged() {
        if (OnStateChanged) OnStateChanged();
    }
    void Request(Command command) {
        if (OnRequest) OnRequest(command);
    }
};

// The current address as the reports and the reminder tasks read it.
struct AddressParts {
    std::string Name, FirstName, Surname, AddressText, Phone;
};

// The address book window: what the frame window and the network wizard ask besides commands.
class AddressBookWindow : public ModuleWindow, public AddressBookServices {
public:
    int Module() const override { return AddressModule; }
    // The address shown, as typed in the window (the copies of network mode while they are up);
    // Phone is the telephone field clicked last.
    virtual AddressParts CurrentAddress() const = 0;
    // Reads the user-defined fields' layout file again.
    virtual void CitajKomponenty() = 0;
};

// What the program registers with the frame window: a maker for each module window (made with
// the owner given) and the dialogs by their form names ("TFilterForm", "TUlohaForm", ...),
// each run modally and answering a modal result. A module or dialog that is not registered
// shows an empty page, and its commands are disabled.
struct ModuleRegistry {
    using Maker = std::function<ModuleWindow*(TComponent* owner)>;
    Maker AddressBook, Reports, Tasks, Links;
    std::map<std::string, std::function<int()>, std::less<>> Dialogs;
    // Run each time the user's tables are open (at start and after a change of user): a module
    // finishes there what a killed program left half done in its tables.
    std::vector<std::function<void()>> TablesOpened;
    const Maker& Of(int module) const {
        static const Maker none;
        switch (module) {
        case AddressModule: return AddressBook;
        case ReportsModule: return Reports;
        case TasksModule: return Tasks;
        case LinksModule: return Links;
        default: return none;
        }
    }
};

inline ModuleRegistry& RegisteredModules() {
    static ModuleRegistry registry;
    return registry;
}

// Runs the registered dialog; a dialog that is not there answers Cancel (2) at once.
inline int RunRegisteredDialog(std::string_view form) {
    const auto& dialogs = RegisteredModules().Dialogs;
    auto it = dialogs.find(form);
    return it == dialogs.end() ? 2 : it->second();
}

} // namespace kvz

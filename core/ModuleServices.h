// What the data module asks of the frame window and of the module windows. The windows
// implement these when they exist; a pointer left empty means that window is not open.
#pragma once

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
    // Whether the current address may move: not while one is typed into the copies of network mode.
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
    FrameServices* Frame = nullptr;
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
// frees it when another module opens, and reaches it only through these interfaces.

class ModuleWindow {
public:
    virtual ~ModuleWindow() = default;
    virtual TForm& Form() = 0;
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
};

// The address book window: what the record bar, the reminder tasks and the settings dialog use.
class AddressBookWindow : public ModuleWindow, public AddressBookServices {
public:
    // Shows the current address after the frame window moved the address table.
    virtual void SetPosition() = 0;
    // Network mode: shadow controls in which a new ("Insert") or the current ("Edit") address
    // is typed while no table is locked; removed again after a save or a cancel.
    virtual void InsertAddressNet(const std::string& mode) = 0;
    virtual void DeleteAddressNet() = 0;
    // Saves the shadow controls under the address table's lock and makes the reminder tasks.
    virtual void PostAddressNet() = 0;
    // Copies shared user-defined fields between their edits before a network save.
    virtual void ShEditExit() = 0;
    virtual void PhoneCallNumber(const std::string& number, const std::string& party) = 0;
    virtual void DBEdit10DblClick() = 0; // new mail to the address's e-mail
    virtual void DBEdit13DblClick() = 0; // the address's web page
    virtual void VymenColor() = 0;
    virtual void VymenFont() = 0;
    virtual void ApplySortOrder() = 0;
    virtual void CitajKomponenty() = 0;
    virtual void ZapisKomponenty() = 0;

    // The controls the frame window touches.
    virtual void FocusNameEdit() = 0;
    virtual std::string NameEditText() const = 0;
    virtual std::string FirstNameText() const = 0;
    virtual std::string SurnameText() const = 0;
    virtual std::string AddressMemoText() const = 0;
    virtual std::string ChosenPhoneNumber() const = 0;
    // The birthday and name-day date edits, and their two remind check boxes.
    virtual void EnableDateEdits(bool birthday, bool nameDay) = 0;
    virtual void EnableRemindBoxes(bool on) = 0;
    // The category box: none, work, private, then the five user categories.
    virtual void ShowCategoryBox(bool on) = 0;
    virtual int CategoryIndex() const = 0;
    virtual void SetCategoryIndex(int index) = 0;
    virtual std::string CategoryItem(int index) const = 0;
    // Record codes of the grid's selected rows (more than one means a selection).
    virtual std::vector<std::string> SelectedRecordCodes() const = 0;
};

class TasksWindow : public ModuleWindow, public TasksWindowServices {
public:
    // The page control's change handler: redraws the task views.
    virtual void PageControlChange() = 0;
    virtual TDateTime CalendarDate() const = 0;
    // Sets the calendar's date and runs its change handler.
    virtual void SetCalendarDate(TDateTime date) = 0;
    virtual void SetDayGridReadOnly(bool on) = 0;
    virtual void SetListGridReadOnly(bool on) = 0;
    // Record codes of the selected grid rows and of the checked tasks.
    virtual std::vector<std::string> SelectedRecordCodes() const = 0;
    virtual std::vector<std::string> CheckedTaskCodes() const = 0;
    virtual void ChangeFirstDay(int day) = 0;
    // The calendar shows the week numbers.
    virtual void SetWeekNumbers(bool) {}
    virtual void AktualButtonClick() = 0;
    virtual void ViewDetail() = 0;
    // The maximised task grid (on) or the normal view.
    virtual void ShowMaximisedGrid(bool on) = 0;
};

class LinksWindow : public ModuleWindow, public LinksWindowServices {
public:
    virtual void SetDataLinks() = 0;
    virtual void LoadLinkList() = 0;
    virtual void AddToTask() = 0;
    virtual void RunLink() = 0;
    virtual void PageControlChange() = 0;
    virtual void VymenColor() = 0;
    virtual void VymenFont() = 0;
    // The type button and the type lookup box shown while a link is edited.
    virtual void ShowTypeEditors(bool on) = 0;
    virtual std::vector<std::string> SelectedRecordCodes() const = 0;
};

class ReportsWindow : public ModuleWindow {
public:
    virtual void OpenReport() = 0;
    virtual void SaveReport() = 0;
    virtual void PreviewReport() = 0;
    virtual void PrintReport() = 0;
    virtual void SpocitajStitky() = 0;
    virtual void FontChange() = 0;
    virtual void ApplyEnvelopeFeed(int feed) = 0;
    // The envelope position (0 middle, 1 left, 2 right), taken when the window's own position
    // choice is the active one.
    virtual void SetEnvelopePosition(int) {}
    // The report kind box: 0 address reports, 2 links.
    virtual int ReportKind() const = 0;
    virtual void SetReportKind(int kind) = 0;
    virtual void SelectFirstEnvelopeFormat() = 0;
    // The task and link report forms (kind 1, 2) inside the window; 0 closes them.
    virtual void ShowReportForm(int kind) = 0;
    // Runs the exit and enter handlers of the label geometry edits; false when one refuses.
    virtual bool RefreshLabelParameter() = 0;
};

// What the program registers with the frame window: a maker for each module window (made with
// the owner given) and the dialogs by their form names ("TFilterForm", "TUlohaForm", ...),
// each run modally and answering a modal result. A module or dialog that is not registered
// shows an empty page, and its commands are disabled.
struct ModuleRegistry {
    std::function<AddressBookWindow*(TComponent* owner)> AddressBook;
    std::function<ReportsWindow*(TComponent* owner)> Reports;
    std::function<TasksWindow*(TComponent* owner)> Tasks;
    std::function<LinksWindow*(TComponent* owner)> Links;
    std::map<std::string, std::function<int()>, std::less<>> Dialogs;
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

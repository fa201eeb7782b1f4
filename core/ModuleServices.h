// What the data module asks of the frame window and of the module windows. The windows
// implement these when they exist; a pointer left empty means that window is not open.
#pragma once

#include "platform/rtl/DateTime.h"

#include <filesystem>
#include <optional>
#include <string>

namespace kvz {

class TDataSet;
class SettingsStore;
class TTableLocks;

// Module numbers of the frame window.
enum ModuleNumber { NoModule = 0, AddressModule = 1, ReportsModule = 2, TasksModule = 3, LinksModule = 4 };

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

} // namespace kvz

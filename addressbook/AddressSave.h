// Saving an address typed into the unbound copies of network mode, and the reminder check of
// a local save. The copies are typed while no table is locked; the save validates them, then
// takes the address table's lock, reloads, inserts the row or finds it by its exact record
// code, writes it, releases the lock, and only then makes the reminder tasks.
#pragma once

#include "platform/rtl/DateTime.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

class TDataSet;
class TTableLocks;
class TVolgaTable;

// One unbound copy and the field it stands for.
struct AddressCopy {
    enum TKind { ckText, ckDate, ckCheck, ckPicture };
    std::string Field;
    TKind Kind = ckText;
    std::string Text;      // edits and memos; a date edit's text; a picture's bytes
    bool Checked = false;  // check boxes
    bool Changed = false;  // the user changed it since the copy was made
    bool UserField = false; // a copy of a user-defined control
};

// A date edit's text: nothing when it holds no digit (blank, or the empty mask), else a date
// in the fixed form day.month.four-digit year; anything else throws EDatabaseError in the
// program's language.
std::optional<TDateTime> ParseCopyDate(std::string_view text);
// The text of a date copy in the same fixed form; empty for no date (0).
std::string FormatCopyDate(TDateTime date);

// What the user chose when the address changed on another computer since the edit began.
enum class AddressChangeChoice {
    Overwrite,   // write the entry over the other change
    Reload,      // drop the entry and show the address as it is now
    KeepEditing, // write nothing, the entry stays as typed
};
// The question in the program's language (Yes overwrite, No reload, Cancel back to editing).
AddressChangeChoice AskAddressChange();

// Every value of the table's current row, each field's text in field order: what an edit
// began from.
std::string AddressRowValues(const TDataSet& table);

// The save ended without writing: the address changed elsewhere and the user chose to reload it
// or to go on editing. The table holds the rows as the shared file has them now.
class AddressChangedElsewhere : public std::runtime_error {
public:
    explicit AddressChangedElsewhere(AddressChangeChoice choice);
    AddressChangeChoice Choice;
};

struct AddressSaveRequest {
    bool Insert = true;     // else an edit of the row with RecordCode
    std::string RecordCode; // the edited row's "Number"
    std::vector<AddressCopy> Copies;
    std::string UserPrefix;
    std::optional<std::string> Category; // "Split_field" when categories are on
    // The edited row as it stood when the edit began (AddressRowValues; network mode): a change
    // another computer made since is never written over unasked. Empty: not compared.
    std::string Begun;
    // Asks what to do about it; AskAddressChange when not set.
    std::function<AddressChangeChoice()> OnOtherChange;
};

struct AddressSaveResult {
    std::string RecordCode;   // the saved row's
    std::string ReminderError; // a reminder that failed after the address was saved
};

// The save. Copies are checked first (a bad date throws and nothing is locked); a row that is
// gone, or an edit without a record code, throws EDatabaseError in the program's language
// with nothing written; any failure while locked cancels the changes and releases the lock.
// Reminders run after the lock is released with the saved row current; their failure is
// reported in the result and the address stays saved. An edit whose row changed elsewhere is
// asked about once the lock is released: Overwrite saves again over what is there now, the
// other answers throw AddressChangedElsewhere.
AddressSaveResult SaveAddressCopies(TVolgaTable& table, TTableLocks& locks, const std::filesystem::path& lockFile,
                                    bool networkMode, const AddressSaveRequest& request,
                                    const std::function<void(TDataSet&)>& reminders);

// What the birthday and name-day reminders of a row depend on.
struct ReminderState {
    bool RemindBirthday = false;
    bool RemindNameDay = false;
    TDateTime Birthday = 0;
    TDateTime NameDay = 0;
    bool operator==(const ReminderState&) const = default;
};
ReminderState ReadReminderState(const TDataSet& table);
// A save rebuilds the reminder tasks when a flag or a date changed.
inline bool RemindersNeedRebuild(const ReminderState& before, const ReminderState& after) { return !(before == after); }

} // namespace kvz

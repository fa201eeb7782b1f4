// Users: a user is a name, the prefix of the seven table files, and the password of those
// tables. The names are listed in "Users.ini"; a password is kept nowhere but in the tables.
// These are the rules of the user dialogs and of the frame window's choice of user, free of
// windows.
#pragma once

#include "platform/rtl/Files.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

class IniFile;
class TComponent;
class TDataModule1;
struct FrameState;

inline constexpr const char* kUserListFileName = "Users.ini";
inline constexpr const char* kUserSection = "UserNames";
inline constexpr int kMaxPasswordLength = 8; // characters

// The names of the list in the folder by position: the value of "User" + n for n from 0 up to
// the number of lines of the section (a missing key gives an empty name), then the names of
// keys with higher numbers that are not listed yet, in the order of their numbers: the list is
// never longer than the section. A missing file is an empty list.
std::vector<std::string> ReadUserList(const std::filesystem::path& folder);
// Writes "User" + n for each position n whose name is not empty; other keys stay. Durable;
// throws FileError, or CodePageError for a name the file's code page cannot hold.
void WriteUserList(const std::filesystem::path& folder, const std::vector<std::string>& names);

// Names are compared as the user list finds its keys: without regard to case.
bool SameUserName(std::string_view a, std::string_view b);
// The name as typed without its surrounding blanks.
std::string TrimUserName(std::string_view name);
// Why a typed name (already trimmed) cannot become a new user of the folder, in the program's
// language; empty when it can. Empty name: message 77; a name in the list: message 78; a name
// that cannot prefix a file name there or be kept in the list: a text of its own.
std::string NewUserNameFault(const std::string& name, const std::vector<std::string>& list,
                             const std::filesystem::path& folder);

// The first `count` characters of a password (the tables keep at most eight).
std::string CutPassword(std::string_view password, int count = kMaxPasswordLength);

// Creates the user's seven tables in the order the user dialog gives; a table whose file is
// there already is opened with the password, never replaced by an empty one.
void CreateUserTables(TDataModule1& data, const std::filesystem::path& folder, const std::string& prefix,
                      const std::string& password);

// Gives the seven open tables of the current user a new password (empty: none), all or none:
// each table is first written under the new password beside its file (with the file's mode),
// and only when all seven are written, and a journal beside them says so, are they moved in,
// each after a copy of its old file. A failure at any step puts back what was moved and leaves
// every table with its old password; the error passes on (PasswordChangeLeftUnderWay when
// what was moved cannot be put back: the next start does it). In network mode each table is
// read, written and moved under its lock, and one written anew by another program between the
// two steps is read and written again. A change that an earlier run left is finished or undone
// first; a change under way in another program is refused (FileError).
void ChangeTablePasswords(TDataModule1& data, FrameState& frame, const std::string& password);
class PasswordChangeLeftUnderWay : public FileError {
public:
    using FileError::FileError;
};
// Finishes (every table was moved in) or undoes (otherwise) a password change of the user's
// tables that a crash or a failure left under way, from its journal; at start, before the
// tables open. False when another program's change is under way now (nothing is done then).
// Throws FileError when a step cannot be done: the journal stays, for the next try.
bool RecoverPasswordChange(const std::filesystem::path& folder, const std::string& prefix);

// The user of the start when the user dialog is off: in local mode the first name of the list in
// the folder, in network mode the network user name.
std::string StartUserName(const std::filesystem::path& listFolder, bool networkMode, const std::string& networkUser);

// "Change password" (the tool button "KeyButton" and the menu item "KeyMenu" of the frame
// window, found by name as FindNamedComponent finds them): a client of a shared table set may not change it, every other
// program may. Run on every change of mode and of user.
void EnableKeyByRole(TComponent& frameWindow, bool networkMode, bool clientMode);

} // namespace kvz

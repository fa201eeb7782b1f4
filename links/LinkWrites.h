// The writes of the links module: a link added or changed, a link type added, renamed or
// deleted. Each table is written through the shared-table writer under its own lock (in
// network mode after a reload), one table at a time, with the table's filter off meanwhile,
// and every row is found again by its exact record code. Values are checked before any lock
// is taken; nothing is cut to fit.
#pragma once

#include "core/TableLocks.h"

#include <filesystem>
#include <string>

namespace kvz {

class TVolgaTable;

// The two tables of the module, where and how they are written.
struct LinkTables {
    TVolgaTable& Links;
    TVolgaTable& Types;
    std::filesystem::path LinksLock;
    std::filesystem::path TypesLock;
    TTableLocks& Locks;
    bool NetworkMode = false;
    std::string UserPrefix;
};

struct LinkValues {
    std::string Name, Path, Type, Note;
};

// Whether a link is being typed in place (the table in edit or insert state). While it is, every
// write below refuses with an EDatabaseError in the program's language and writes nothing:
// the table's next move would post the typed row, and Cancel could no longer put it back.
bool LinkEditOpen(const TVolgaTable& links);

// Refuses values a link cannot hold (longer than its field, control characters in the path),
// with an EDatabaseError in the program's language.
void CheckLinkValues(const TVolgaTable& links, const LinkValues& values);

struct LinkSaveResult {
    bool Saved = false;     // false: an empty name, nothing written
    std::string RecordCode; // the link's
    bool TypeAdded = false; // its type text was new to the type table and was added
};

// A new link with the user prefix; then, when no type row holds exactly its type text (letter
// case counts), a type row of it. An empty name writes nothing.
LinkSaveResult AddLink(const LinkTables& tables, const LinkValues& values,
                       milliseconds poll = kEditorSavePoll);
// The link with the code takes the values (its user stays); a gone link is reported. The type
// table is left alone.
LinkSaveResult ChangeLink(const LinkTables& tables, const std::string& code, const LinkValues& values,
                          milliseconds poll = kEditorSavePoll);
// The table's current row written as it is being edited in place (local mode's Save).
void PostLinkInPlace(const LinkTables& tables);

// The exact key of a type row: its record code, or for a row without one its text.
struct LinkTypeKey {
    std::string Number;
    std::string Name;
    bool Empty() const { return Number.empty() && Name.empty(); }
};

// A type of that text, unless the text is empty; true when a row was added.
bool AddLinkType(const LinkTables& tables, const std::string& name, milliseconds poll = kRecordCommandPoll);
// The type row takes the new text, and every link whose type is exactly the old text takes it
// too (all links, whatever the window shows). Nothing happens for an empty or unchanged text.
// Returns how many links changed.
int RenameLinkType(const LinkTables& tables, const LinkTypeKey& key, const std::string& newName,
                   milliseconds poll = kRecordCommandPoll);
// The rename is one change: recorded in a journal beside the type table before that table is
// written and removed once every link is; a rename that a kill cut is finished by
// FinishLinkTypeRename (called at the links' start) or by the next rename. A rename under way in
// another program is refused (FileError, in the program's language).

// The journal of a rename under way, beside the type table.
std::filesystem::path LinkRenameJournal(const LinkTables& tables);
// Finishes a rename that a kill cut: the type and every link of the old name take the new
// name. True when none is left (or there was none); false when another program's rename is
// under way (it finishes itself).
bool FinishLinkTypeRename(const LinkTables& tables, milliseconds poll = kRecordCommandPoll);
// Deletes the type row; its links keep their type text. False for an empty key.
bool DeleteLinkType(const LinkTables& tables, const LinkTypeKey& key, milliseconds poll = kRecordCommandPoll);

// Whether a type row of exactly that text exists.
bool HasLinkType(TVolgaTable& types, const std::string& name);

} // namespace kvz

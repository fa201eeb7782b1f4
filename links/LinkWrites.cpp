#include "links/LinkWrites.h"

#include "core/Messages.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaUtils.h"
#include "links/LinkDrops.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/LockFile.h"
#include "platform/rtl/ScopeGuard.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <unistd.h>
#include <vector>

namespace kvz {

namespace {

std::string Text(const TVolgaTable& t, const char* field) { return t.FieldByName(field).AsString(); }
void Set(TVolgaTable& t, const char* field, const std::string& value) { t.FieldByName(field).SetAsString(value); }

// The table's filter lifted until the scope ends: the links table's filter follows the window's
// type choice, and a change must see (and keep seeing) every row.
[[nodiscard]] auto FilterLifted(TVolgaTable& t) {
    const bool filtered = t.Filtered();
    t.SetFiltered(false);
    return OnScopeExit([&t, filtered] {
        try {
            t.SetFiltered(filtered);
        } catch (...) {
            // The view is rebuilt at the window's next refresh.
        }
    });
}

// One change of a table, its filter off while it runs.
void Write(TVolgaTable& t, const std::filesystem::path& lock, const LinkTables& tables, milliseconds poll,
           const std::function<void()>& change) {
    auto lifted = FilterLifted(t);
    tables.Locks.WriteSharedTable(t, lock, tables.NetworkMode, poll, change);
}

const char* const kTypeGone[] = {"The link type was deleted by another user.", "Typ odkazu medzitým vymazal iný užívateľ.",
                                  "Typ odkazu mezitím smazal jiný uživatel."};

// The type row of the key: by its code when it has one, else the first row without a code
// whose text is exactly the key's.
bool LocateType(TVolgaTable& t, const LinkTypeKey& key) {
    if (key.Empty()) return false;
    if (!key.Number.empty()) return t.Locate("Number", Variant(key.Number), 0);
    for (t.First(); !t.Eof(); t.Next())
        if (Text(t, "Number").empty() && Text(t, "LinksType") == key.Name) return true;
    return false;
}

void LocateTypeOrFail(TVolgaTable& t, const LinkTypeKey& key) {
    if (!LocateType(t, key)) DatabaseError(InLanguage(kTypeGone), &t);
}

void CheckFits(const TVolgaTable& t, const char* field, const std::string& value) {
    const TField& f = t.FieldByName(field);
    if (f.DataType() != ftString || Utf8Length(value) <= static_cast<size_t>(f.Size())) return;
    static const char* const kTooLong[] = {"The text is too long for the field \"%s\" (at most %d characters): ",
                                           "Text je pre pole \"%s\" pridlhý (najviac %d znakov): ",
                                           "Text je pro pole \"%s\" příliš dlouhý (nejvýše %d znaků): "};
    std::string message = InLanguage(kTooLong);
    message.replace(message.find("%s"), 2, field);
    message.replace(message.find("%d"), 2, std::to_string(f.Size()));
    DatabaseError(message + Utf8Left(value, 40) + "...", const_cast<TVolgaTable*>(&t));
}

// A link typed in place is posted by any move of the links table and written by any write of
// it: nothing else writes while it is open, so that Cancel can still put the row back.
void CheckNoLinkEdit(const LinkTables& tables) {
    if (LinkEditOpen(tables.Links)) DatabaseError(GetMessageText(MessageId::LinkBeingEdited), &tables.Links);
}

// ---- the journal of a type's rename ----
// A rename writes the type table, then the links table: a kill between the two would leave
// the type renamed and its links on the old name. Before the type table changes, the rename
// is recorded durably in a journal beside it (the type's code, the old and the new name),
// removed once every link is written. Whoever finds a journal finishes the rename it records;
// both steps may run again, so a finish cut by a kill is finished by the next one. The
// journal is also the lock that keeps two renames (and a rename and a finish) apart.
constexpr std::string_view kJournalHeader = "KV-Zirt link type rename 1\n";
constexpr std::string_view kJournalEnd = "end\n";

struct PendingRename {
    std::string Number, OldName, NewName;
};

std::string HexOf(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

std::optional<std::string> BytesOfHex(std::string_view hex) {
    if (hex.size() % 2) return std::nullopt;
    auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    std::string out;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = digit(hex[i]), lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<char>(hi * 16 + lo));
    }
    return out;
}

// Names are written as hex digits, one a line: any byte of a name survives the journal.
std::string EncodeRename(const PendingRename& r) {
    return std::string(kJournalHeader) + HexOf(r.Number) + "\n" + HexOf(r.OldName) + "\n" + HexOf(r.NewName) + "\n" +
           std::string(kJournalEnd);
}

// Nothing for an empty journal, or one cut while it was written (its end line missing): the
// type table is written only after the whole journal is on the disk.
std::optional<PendingRename> DecodeRename(std::string_view text) {
    if (text.substr(0, kJournalHeader.size()) != kJournalHeader) return std::nullopt;
    text.remove_prefix(kJournalHeader.size());
    std::string_view lines[4];
    for (std::string_view& line : lines) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;
        line = text.substr(0, end);
        text.remove_prefix(end + 1);
    }
    if (std::string(lines[3]) + "\n" != kJournalEnd || !text.empty()) return std::nullopt;
    auto number = BytesOfHex(lines[0]), oldName = BytesOfHex(lines[1]), newName = BytesOfHex(lines[2]);
    if (!number || !oldName || !newName || oldName->empty() || newName->empty()) return std::nullopt;
    return PendingRename{*number, *oldName, *newName};
}

// Replaces the journal's content in place (it is the file its lock is held on) and syncs it and
// its folder before anything the journal speaks of is written.
void WriteJournal(const std::filesystem::path& journal, std::string_view content) {
    const int fd = ::open(journal.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) throw FileError("Cannot write \"" + journal.string() + "\"", journal, errno);
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const bool written = done == content.size() && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!written) throw FileError("Cannot write \"" + journal.string() + "\"", journal, error);
    SyncFolder(journal.parent_path());
}

void RemoveJournal(const std::filesystem::path& journal) {
    std::error_code ec;
    std::filesystem::remove(journal, ec);
    if (ec) throw FileError("Cannot remove \"" + journal.string() + "\": " + ec.message(), journal, ec.value());
    SyncFolder(journal.parent_path());
}

FileLock TakeJournal(const std::filesystem::path& journal) {
    FileLock lock = TryLockFile(journal);
    if (!lock.Held()) throw FileError(GetMessageText(MessageId::LinkRenameElsewhere), journal, EBUSY);
    return lock;
}

void SetValues(TVolgaTable& t, const LinkValues& v) {
    Set(t, "Name", v.Name);
    Set(t, "Path", v.Path);
    Set(t, "Type", v.Type);
    Set(t, "Note", v.Note);
}

} // namespace

bool LinkEditOpen(const TVolgaTable& links) { return links.State() == dsEdit || links.State() == dsInsert; }

void CheckLinkValues(const TVolgaTable& links, const LinkValues& v) {
    CheckFits(links, "Name", v.Name);
    CheckFits(links, "Path", v.Path);
    CheckFits(links, "Type", v.Type);
    CheckFits(links, "Note", v.Note);
    // A path is handed to the desktop to open: nothing in it may be a control character.
    static const char* const kBadPath[] = {"The path holds control characters and cannot be saved.",
                                           "Cesta obsahuje riadiace znaky a nedá sa uložiť.",
                                           "Cesta obsahuje řídicí znaky a nelze ji uložit."};
    for (const std::string* s : {&v.Name, &v.Path, &v.Type})
        if (CheckLinkText(*s) == DropRefusal::ControlCharacters || CheckLinkText(*s) == DropRefusal::NotUtf8)
            DatabaseError(InLanguage(kBadPath), const_cast<TVolgaTable*>(&links));
}

bool HasLinkType(TVolgaTable& types, const std::string& name) {
    auto lifted = FilterLifted(types);
    const TBookmark here = types.IsEmpty() ? TBookmark() : types.GetBookmark();
    bool found = false;
    for (types.First(); !types.Eof() && !found; types.Next()) found = Text(types, "LinksType") == name;
    if (!here.empty() && types.BookmarkValid(here)) types.GotoBookmark(here);
    return found;
}

LinkSaveResult AddLink(const LinkTables& tables, const LinkValues& values, milliseconds poll) {
    LinkSaveResult result;
    if (values.Name.empty()) return result;
    CheckNoLinkEdit(tables);
    CheckLinkValues(tables.Links, values);
    if (!values.Type.empty()) CheckFits(tables.Types, "LinksType", values.Type);
    Write(tables.Links, tables.LinksLock, tables, poll, [&] {
        TVolgaTable& t = tables.Links;
        t.Append();
        if (Text(t, "Number").empty()) Set(t, "Number", NewRecordKey());
        SetValues(t, values);
        Set(t, "User", tables.UserPrefix);
        t.Post();
        result.RecordCode = Text(t, "Number");
    });
    result.Saved = true;
    // The type table under its own lock, after the link is safely written; the test for the
    // type runs on the reloaded table, so two programs adding one type add it once.
    if (!values.Type.empty()) {
        Write(tables.Types, tables.TypesLock, tables, poll, [&] {
            TVolgaTable& t = tables.Types;
            for (t.First(); !t.Eof(); t.Next())
                if (Text(t, "LinksType") == values.Type) return;
            t.Append();
            if (Text(t, "Number").empty()) Set(t, "Number", NewRecordKey());
            Set(t, "LinksType", values.Type);
            Set(t, "User", tables.UserPrefix);
            t.Post();
            result.TypeAdded = true;
        });
    }
    // Back on the new link when the window's filter shows it.
    tables.Links.Locate("Number", Variant(result.RecordCode), 0);
    return result;
}

LinkSaveResult ChangeLink(const LinkTables& tables, const std::string& code, const LinkValues& values, milliseconds poll) {
    LinkSaveResult result;
    if (values.Name.empty()) return result;
    CheckNoLinkEdit(tables);
    CheckLinkValues(tables.Links, values);
    static const char* const kNoCode[] = {"This link has no record code and cannot be changed here; nothing was changed.",
                                          "Tento odkaz nemá kód záznamu a nedá sa tu zmeniť; nič sa nezmenilo.",
                                          "Tento odkaz nemá kód záznamu a nelze jej zde změnit; nic se nezměnilo."};
    if (code.empty()) DatabaseError(InLanguage(kNoCode), &tables.Links);
    Write(tables.Links, tables.LinksLock, tables, poll, [&] {
        TVolgaTable& t = tables.Links;
        LocateRecordCode(t, code);
        t.Edit();
        SetValues(t, values);
        t.Post();
    });
    result.Saved = true;
    result.RecordCode = code;
    return result;
}

void PostLinkInPlace(const LinkTables& tables) {
    TVolgaTable& t = tables.Links;
    if (t.State() != dsEdit && t.State() != dsInsert) return;
    CheckLinkValues(t, {Text(t, "Name"), Text(t, "Path"), Text(t, "Type"), Text(t, "Note")});
    tables.Locks.WriteSharedTable(t, tables.LinksLock, tables.NetworkMode, kEditorSavePoll, [&] { t.Post(); });
}

bool AddLinkType(const LinkTables& tables, const std::string& name, milliseconds poll) {
    if (name.empty()) return false;
    CheckNoLinkEdit(tables);
    CheckFits(tables.Types, "LinksType", name);
    bool added = false;
    Write(tables.Types, tables.TypesLock, tables, poll, [&] {
        TVolgaTable& t = tables.Types;
        added = false;
        t.Append();
        Set(t, "Number", NewRecordKey());
        Set(t, "LinksType", name);
        Set(t, "User", tables.UserPrefix);
        t.Post();
        added = true;
    });
    return added;
}

namespace {

// Every link of the old type takes the new one: all links, whatever the window shows.
int RenameLinksOfType(const LinkTables& tables, const std::string& oldName, const std::string& newName,
                      milliseconds poll) {
    int changed = 0;
    Write(tables.Links, tables.LinksLock, tables, poll, [&] {
        TVolgaTable& t = tables.Links;
        changed = 0;
        // The rows are chosen first and changed after: a change of the type may move a row in a
        // view sorted by type, and a walk that changes rows as it goes would skip some.
        std::vector<TBookmark> rows;
        for (t.First(); !t.Eof(); t.Next())
            if (Text(t, "Type") == oldName) rows.push_back(t.GetBookmark());
        for (const TBookmark& row : rows) {
            t.GotoBookmark(row);
            t.Edit();
            Set(t, "Type", newName);
            t.Post();
            ++changed;
        }
    });
    return changed;
}

// Finishes the rename the journal records (the caller holds the journal's lock) and empties or
// removes the journal. The type row is found by its code and renamed only while it still has
// the old name: run again, it changes nothing more.
void FinishUnderJournal(const LinkTables& tables, const std::filesystem::path& journal, milliseconds poll, bool keep) {
    if (const std::optional<PendingRename> r = DecodeRename(ReadWholeFile(journal))) {
        Write(tables.Types, tables.TypesLock, tables, poll, [&] {
            TVolgaTable& t = tables.Types;
            if (!LocateType(t, {r->Number, r->OldName}) || Text(t, "LinksType") != r->OldName) return;
            t.Edit();
            Set(t, "LinksType", r->NewName);
            t.Post();
        });
        RenameLinksOfType(tables, r->OldName, r->NewName, poll);
    }
    if (keep)
        WriteJournal(journal, "");
    else
        RemoveJournal(journal);
}

// Whether the type file holds the row under its old name, read again from the file.
bool TypeStillNamed(const LinkTables& tables, const PendingRename& r) {
    TVolgaTable& t = tables.Types;
    auto lifted = FilterLifted(t);
    t.Refresh();
    return LocateType(t, {r.Number, r.OldName}) && Text(t, "LinksType") == r.OldName;
}

} // namespace

std::filesystem::path LinkRenameJournal(const LinkTables& tables) {
    return tables.Types.FullFileName().string() + ".rename~";
}

bool FinishLinkTypeRename(const LinkTables& tables, milliseconds poll) {
    const std::filesystem::path journal = LinkRenameJournal(tables);
    const PathState there = CheckPath(journal);
    if (there == PathState::Absent) return true;
    // A link typed in place would be posted by the finish: it waits for the next start.
    if (LinkEditOpen(tables.Links)) return false;
    if (there == PathState::Unknown) throw FileError("Cannot check \"" + journal.string() + "\"", journal, EIO);
    FileLock lock = TryLockFile(journal);
    // A rename under way in another program finishes itself.
    if (!lock.Held()) return false;
    FinishUnderJournal(tables, journal, poll, false);
    return true;
}

int RenameLinkType(const LinkTables& tables, const LinkTypeKey& key, const std::string& newName, milliseconds poll) {
    if (key.Empty() || newName.empty() || newName == key.Name) return 0;
    CheckNoLinkEdit(tables);
    CheckFits(tables.Types, "LinksType", newName);
    CheckFits(tables.Links, "Type", newName);
    // One rename at a time, and one that a kill cut is finished first.
    const std::filesystem::path journal = LinkRenameJournal(tables);
    FileLock lock = TakeJournal(journal);
    FinishUnderJournal(tables, journal, poll, true);
    PendingRename r{key.Number, key.Name, newName};
    bool recorded = false;
    try {
        Write(tables.Types, tables.TypesLock, tables, poll, [&] {
            TVolgaTable& t = tables.Types;
            LocateTypeOrFail(t, key);
            // The text the type has now, which may differ from what the window showed.
            r.OldName = Text(t, "LinksType");
            if (r.OldName == newName) return;
            WriteJournal(journal, EncodeRename(r));
            recorded = true;
            t.Edit();
            Set(t, "LinksType", newName);
            t.Post();
        });
    } catch (...) {
        // A type file left as it was needs no finish; one that may hold the new name keeps the
        // journal, and the next start finishes the rename.
        try {
            if (!recorded || TypeStillNamed(tables, r)) RemoveJournal(journal);
        } catch (...) {
            // The journal stays, and the next start finishes the rename.
        }
        throw;
    }
    if (!recorded) {
        RemoveJournal(journal);
        return 0;
    }
    const int changed = RenameLinksOfType(tables, r.OldName, newName, poll);
    RemoveJournal(journal);
    return changed;
}

bool DeleteLinkType(const LinkTables& tables, const LinkTypeKey& key, milliseconds poll) {
    if (key.Empty()) return false;
    CheckNoLinkEdit(tables);
    Write(tables.Types, tables.TypesLock, tables, poll, [&] {
        TVolgaTable& t = tables.Types;
        LocateTypeOrFail(t, key);
        t.Delete();
    });
    return true;
}

} // namespace kvz

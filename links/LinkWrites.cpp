#include "links/LinkWrites.h"

#include "core/Messages.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaUtils.h"
#include "links/LinkDrops.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/ScopeGuard.h"

#include <vector>

namespace kvz {

namespace {

std::string Text(const TVolgaTable& t, const char* field) { return t.FieldByName(field).AsString(); }
void Set(TVolgaTable& t, const char* field, const std::string& value) { t.FieldByName(field).SetAsString(value); }

// One change of a table, its filter off while it runs: the links table's filter follows the
// window's type choice, and a change must see (and keep seeing) every row.
void Write(TVolgaTable& t, const std::filesystem::path& lock, const LinkTables& tables, milliseconds poll,
           const std::function<void()>& change) {
    const bool filtered = t.Filtered();
    t.SetFiltered(false);
    ScopeGuard restore([&] {
        try {
            t.SetFiltered(filtered);
        } catch (...) {
            // The view is rebuilt at the window's next refresh.
        }
    });
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

void SetValues(TVolgaTable& t, const LinkValues& v) {
    Set(t, "Name", v.Name);
    Set(t, "Path", v.Path);
    Set(t, "Type", v.Type);
    Set(t, "Note", v.Note);
}

} // namespace

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
    const bool filtered = types.Filtered();
    types.SetFiltered(false);
    ScopeGuard restore([&] {
        try {
            types.SetFiltered(filtered);
        } catch (...) {
        }
    });
    const TBookmark here = types.IsEmpty() ? TBookmark() : types.GetBookmark();
    bool found = false;
    for (types.First(); !types.Eof() && !found; types.Next()) found = Text(types, "LinksType") == name;
    if (!here.empty() && types.BookmarkValid(here)) types.GotoBookmark(here);
    return found;
}

LinkSaveResult AddLink(const LinkTables& tables, const LinkValues& values, milliseconds poll) {
    LinkSaveResult result;
    if (values.Name.empty()) return result;
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

int RenameLinkType(const LinkTables& tables, const LinkTypeKey& key, const std::string& newName, milliseconds poll) {
    if (key.Empty() || newName.empty() || newName == key.Name) return 0;
    CheckFits(tables.Types, "LinksType", newName);
    CheckFits(tables.Links, "Type", newName);
    std::string oldName = key.Name;
    Write(tables.Types, tables.TypesLock, tables, poll, [&] {
        TVolgaTable& t = tables.Types;
        LocateTypeOrFail(t, key);
        // The text the type has now, which may differ from what the window showed.
        oldName = Text(t, "LinksType");
        t.Edit();
        Set(t, "LinksType", newName);
        t.Post();
    });
    if (oldName == newName) return 0;
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

bool DeleteLinkType(const LinkTables& tables, const LinkTypeKey& key, milliseconds poll) {
    if (key.Empty()) return false;
    Write(tables.Types, tables.TypesLock, tables, poll, [&] {
        TVolgaTable& t = tables.Types;
        LocateTypeOrFail(t, key);
        t.Delete();
    });
    return true;
}

} // namespace kvz

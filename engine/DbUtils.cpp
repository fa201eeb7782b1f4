#include "engine/DbUtils.h"

#include <algorithm>
#include <charconv>

#include "platform/rtl/CodePage.h"

namespace kvz {

namespace {

TLocateObjectFactory& Factory() {
    static TLocateObjectFactory f;
    return f;
}

TScreenCursorHook& CursorHook() {
    static TScreenCursorHook h;
    return h;
}

TFormIniNameHook& IniNameHook() {
    static TFormIniNameHook h;
    return h;
}

bool TextMatches(const std::string& text, const std::string& key, bool partial, bool caseInsensitive) {
    std::string t = partial ? Utf8Left(text, Utf8Length(key)) : text;
    return caseInsensitive ? CompareTextUtf8(t, key) == 0 : t == key;
}

bool RecordMatches(const std::vector<TField*>& fields, const Variant& keyValues, TLocateOptions options) {
    for (size_t i = 0; i < fields.size(); ++i) {
        const TField& field = *fields[i];
        Variant key;
        if (keyValues.IsArray())
            key = i < keyValues.Items().size() ? keyValues.Items()[i] : Variant();
        else if (i == 0)
            key = keyValues;
        if (field.DataType() == ftString) {
            if (!TextMatches(field.AsString(), key.AsString(), options & loPartialKey, options & loCaseInsensitive))
                return false;
        } else if (!(field.Value() == key)) {
            return false;
        }
    }
    return true;
}

bool ParseNumber(const std::string& word, int& out) {
    auto r = std::from_chars(word.data(), word.data() + word.size(), out);
    return !word.empty() && r.ec == std::errc() && r.ptr == word.data() + word.size();
}

} // namespace

// ---- TLocateObject ----------------------------------------------------------------------

void TLocateObject::SetDataSet(TDataSet* dataSet) {
    Reset();
    dataSet_ = dataSet;
}

bool TLocateObject::MatchesLookupValue() const {
    return TextMatches(lookupField_->AsString(), lookupValue_, !lookupExact_, !caseSensitive_);
}

bool TLocateObject::FilterApplicable() {
    return lookupField_->FieldKind() == fkData || lookupField_->FieldKind() == fkInternalCalc;
}

bool TLocateObject::LocateFilter() {
    int old = CursorHook() ? CursorHook()(crHourGlass) : 0;
    try {
        TLocateOptions options = 0;
        if (!caseSensitive_) options |= loCaseInsensitive;
        if (!lookupExact_) options |= loPartialKey;
        bool found = dataSet_->Locate(lookupField_->FieldName(), lookupValue_.empty() ? Variant() : Variant(lookupValue_),
                                      options);
        if (CursorHook()) CursorHook()(old);
        return found;
    } catch (...) {
        if (CursorHook()) CursorHook()(old);
        throw;
    }
}

bool TLocateObject::LocateFull() {
    dataSet_->First();
    while (!dataSet_->Eof()) {
        if (MatchesLookupValue()) return true;
        dataSet_->Next();
    }
    return false;
}

bool TLocateObject::FindRecord(const std::string& fieldName, const std::string& value, bool exact, bool caseSensitive) {
    if (!dataSet_) return false;
    dataSet_->CheckBrowseMode();
    lookupField_ = &dataSet_->FieldByName(fieldName);
    lookupValue_ = value;
    lookupExact_ = exact;
    caseSensitive_ = caseSensitive;
    if (lookupField_->DataType() != ftString) {
        caseSensitive_ = true;
        try {
            CheckFieldType(*lookupField_);
        } catch (...) {
            return false;
        }
    }
    TBookmark saved = dataSet_->GetBookmark();
    dataSet_->DisableControls();
    bool found = false;
    try {
        found = MatchesLookupValue();
        if (!found) {
            if (UseKey())
                found = LocateKey();
            else if (FilterApplicable())
                found = LocateFilter();
            else
                found = LocateFull();
            if (!found) TryGotoBookmark(*dataSet_, saved);
        }
    } catch (...) {
        dataSet_->EnableControls();
        throw;
    }
    dataSet_->EnableControls();
    return found;
}

void SetLocateObjectFactory(TLocateObjectFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<TLocateObject> NewLocateObject(TDataSet* dataSet) {
    std::unique_ptr<TLocateObject> obj = Factory() ? Factory()() : std::make_unique<TLocateObject>();
    if (obj && dataSet) obj->SetDataSet(dataSet);
    return obj;
}

void SetScreenCursorHook(TScreenCursorHook hook) { CursorHook() = std::move(hook); }
void SetFormIniNameHook(TFormIniNameHook hook) { IniNameHook() = std::move(hook); }

// ---- Routines ---------------------------------------------------------------------------

bool LocateByScan(TDataSet& dataSet, const std::string& keyFields, const Variant& keyValues, TLocateOptions options) {
    dataSet.CheckBrowseMode();
    if (dataSet.IsEmpty()) return false;
    std::vector<TField*> fields = dataSet.GetFieldList(keyFields);
    if (RecordMatches(fields, keyValues, options)) return true;
    dataSet.DisableControls();
    bool found = false;
    try {
        TBookmark saved = dataSet.GetBookmark();
        dataSet.First();
        while (!dataSet.Eof()) {
            if (RecordMatches(fields, keyValues, options)) {
                found = true;
                break;
            }
            dataSet.Next();
        }
        if (!found && !saved.empty() && dataSet.BookmarkValid(saved)) dataSet.GotoBookmark(saved);
    } catch (...) {
        dataSet.EnableControls();
        throw;
    }
    dataSet.EnableControls();
    return found;
}

bool TryGotoBookmark(TDataSet& dataSet, const TBookmark& bookmark) {
    if (!dataSet.Active() || bookmark.empty() || (dataSet.Bof() && dataSet.Eof()) || !dataSet.BookmarkValid(bookmark))
        return false;
    try {
        dataSet.GotoBookmark(bookmark);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool DataSetEmpty(const TDataSet* dataSet) { return !dataSet || !dataSet->Active() || (dataSet->Bof() && dataSet->Eof()); }

void CopyFieldValues(TDataSet& source, TDataSet& dest, bool byName) {
    if (dest.State() != dsEdit && dest.State() != dsInsert) DatabaseError("Dataset not in edit or insert mode", &dest);
    if (byName) {
        for (TField* from : source.Fields().List())
            if (TField* to = dest.FindField(from->FieldName())) to->SetValue(from->Value());
        return;
    }
    int n = std::min(source.FieldDefs().Count(), dest.FieldDefs().Count());
    for (int i = 0; i < n; ++i) {
        TField* from = source.FindField(source.FieldDefs()[i].Name());
        TField* to = dest.FindField(dest.FieldDefs()[i].Name());
        if (from && to) to->SetValue(from->Value());
    }
}

std::string DataSetIniSection(const TDataSet& dataSet, const std::string& section) {
    if (!section.empty()) return section;
    if (IniNameHook() && dataSet.Owner()) {
        std::string name = IniNameHook()(dataSet.Owner());
        if (!name.empty()) return name;
    }
    return dataSet.Name();
}

void SaveFieldsLayout(TDataSet& dataSet, IniFile& ini, const std::string& section) {
    std::string sect = DataSetIniSection(dataSet, section);
    for (TField* field : dataSet.Fields().List())
        ini.WriteString(sect, dataSet.Name() + field->FieldName(),
                        std::to_string(field->Index()) + "," + std::to_string(field->DisplayWidth()) + "," +
                            (field->Visible() ? "1" : "0"));
    ini.UpdateFile();
}

void RestoreFieldsLayout(TDataSet& dataSet, const IniFile& ini, const std::string& section, bool restoreVisible) {
    std::string sect = DataSetIniSection(dataSet, section);
    const int count = dataSet.FieldCount();
    std::vector<std::pair<TField*, int>> places;
    for (TField* field : dataSet.Fields().List()) {
        int position = field->Index();
        std::string text = ini.ReadString(sect, dataSet.Name() + field->FieldName(), "");
        if (!text.empty()) {
            std::vector<std::string> words;
            std::string word;
            for (char c : text + ",") {
                if (c == ',' || c == ' ') {
                    if (!word.empty()) words.push_back(word);
                    word.clear();
                } else {
                    word += c;
                }
            }
            int n;
            if (!words.empty() && ParseNumber(words[0], n)) position = std::clamp(n, 0, count - 1);
            if (words.size() > 1 && ParseNumber(words[1], n)) field->SetDisplayWidth(std::clamp(n, 1, 1000));
            if (restoreVisible && words.size() > 2 && ParseNumber(words[2], n)) field->SetVisible(n != 0);
        }
        places.emplace_back(field, position);
    }
    for (int p = 0; p < count; ++p)
        for (auto& [field, position] : places)
            if (position == p) {
                field->SetIndex(p);
                break;
            }
}

void RaiseDatabaseError(const std::string& message) { DatabaseError(message); }

} // namespace kvz

// Dataset routines: the locate object of the lookup controls, locating by a full
// scan, copying field values, a safe return to a bookmark, the emptiness test, and saving and
// restoring the order, width and visibility of fields in an ini file (the registry is an ini
// file here too).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/data/DB.h"
#include "platform/rtl/IniFile.h"

namespace kvz {

// Finds a record by one field's text value.
class TLocateObject {
public:
    TLocateObject() = default;
    virtual ~TLocateObject() = default;
    TLocateObject(const TLocateObject&) = delete;
    TLocateObject& operator=(const TLocateObject&) = delete;

    TDataSet* DataSet() const { return dataSet_; }
    // Runs Reset, then binds the dataset.
    void SetDataSet(TDataSet* dataSet);
    // Whether a record whose field's text (cut to the value's length unless exact) equals the
    // value is current now or was found; when none is found the dataset returns to its record.
    // An unknown field name raises the framework's error.
    bool FindRecord(const std::string& fieldName, const std::string& value, bool exact, bool caseSensitive);

    // Whether a descendant that locates through an index may switch the dataset to one on the
    // field (its UseKey); this class always scans.
    bool IndexSwitch() const { return indexSwitch_; }
    void SetIndexSwitch(bool on) { indexSwitch_ = on; }
    TField* LookupField() const { return lookupField_; }
    const std::string& LookupValue() const { return lookupValue_; }
    bool LookupExact() const { return lookupExact_; }
    bool CaseSensitive() const { return caseSensitive_; }

protected:
    virtual void CheckFieldType(TField& field) { (void)field; }
    virtual void Reset() {}
    virtual bool LocateFilter();
    virtual bool LocateKey() { return false; }
    virtual bool LocateFull();
    virtual bool UseKey() { return false; }
    virtual bool FilterApplicable();
    bool MatchesLookupValue() const;

private:
    TDataSet* dataSet_ = nullptr;
    TField* lookupField_ = nullptr;
    std::string lookupValue_;
    bool lookupExact_ = false;
    bool caseSensitive_ = false;
    bool indexSwitch_ = true;
};

// The program-wide factory of locate objects (empty by default).
using TLocateObjectFactory = std::function<std::unique_ptr<TLocateObject>()>;
void SetLocateObjectFactory(TLocateObjectFactory factory);
std::unique_ptr<TLocateObject> NewLocateObject(TDataSet* dataSet);

// The screen cursor hook of the form layer: sets the cursor and gives the previous one
// (crHourGlass is the hourglass). Without a hook nothing is shown; the program sets it at start
// (InstallProgramHooks in core).
using TScreenCursorHook = std::function<int(int cursor)>;
void SetScreenCursorHook(TScreenCursorHook hook);

// The form layer's ini name of a component's owner when that owner is a form ("" otherwise);
// the program sets it at start (InstallProgramHooks in core).
using TFormIniNameHook = std::function<std::string(TComponent* owner)>;
void SetFormIniNameHook(TFormIniNameHook hook);

// Tests the current record first (no move, controls untouched); else scans from the first
// record and stops on the first match, returning to the record that was current when none
// matches. String fields compare their text (cut to the key's length with loPartialKey,
// without case with loCaseInsensitive); other fields compare values.
bool LocateByScan(TDataSet& dataSet, const std::string& keyFields, const Variant& keyValues, TLocateOptions options);
// False when inactive, empty, the bookmark is missing or not valid, or going there fails.
bool TryGotoBookmark(TDataSet& dataSet, const TBookmark& bookmark);
bool DataSetEmpty(const TDataSet* dataSet);
// The destination must be editing or inserting. By name: every source field's value goes to
// the destination field of that name; by position: along the field definitions.
void CopyFieldValues(TDataSet& source, TDataSet& dest, bool byName);
std::string DataSetIniSection(const TDataSet& dataSet, const std::string& section);
// Writes "position,width,visible" for every field under the key dataset name + field name,
// then writes the ini file durably.
void SaveFieldsLayout(TDataSet& dataSet, IniFile& ini, const std::string& section);
// Reads the layout back; positions are clamped to the fields there are, widths to 1..1000,
// and words that are no numbers leave their property as it is.
void RestoreFieldsLayout(TDataSet& dataSet, const IniFile& ini, const std::string& section, bool restoreVisible);
[[noreturn]] void RaiseDatabaseError(const std::string& message);

} // namespace kvz

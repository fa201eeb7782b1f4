// The dataset framework: field types, dataset states and data events, field definitions,
// fields, datasets, data sources and data links, as the class library had them.
//
// How a descendant keeps its rows. TDataSet owns the state machine (inactive, browse, edit,
// insert, set-key, calc-fields, filter, new-value, internal-calc), the window of record
// buffers that data links look through, the Before/After events and the notifications; a
// descendant owns its rows and a cursor over them. It derives its own buffer class from
// TRecordBuffer (its copy of one row; the framework keeps the bookmark, the bookmark flag and
// the values of calculated and lookup fields in the base part) and overrides the protected
// hooks: AllocRecordBuffer; InternalOpen (open the store, fill FieldDefs when they come from
// it; the framework then creates default fields when there are none and binds them, unless
// the descendant already did it with CreateFields/BindFields) and InternalClose; IsCursorOpen;
// GetRecord (move its cursor by the mode and copy that row into the buffer, setting Bookmark
// and BookmarkFlag = bfCurrent; a filtering descendant skips rows that FilterAccepts rejects);
// InternalFirst/InternalLast (cursor before the first / after the last row);
// InternalSetToRecord and InternalGotoBookmark (cursor onto a buffer's / a bookmark's row);
// InternalInitRecord (an empty row in the buffer); GetFieldData/SetFieldData (the value of a
// data field in a buffer, converting between the store's bytes and the value: strings cross
// as UTF-8, and a value the store cannot hold is refused with EDatabaseError); InternalPost
// (write the active buffer: in dsEdit over the cursor's row, in dsInsert as a new row placed
// by the buffer's bookmark flag: bfInserted before the row of the buffer's bookmark, bfBOF at
// the start, bfEOF at the end; the cursor then stays on the posted row) and InternalDelete
// (delete the cursor's row and leave the cursor on the row that took its place, else the one
// before). Optional hooks: record count and number, bookmark validity and order, BLOB streams,
// Locate/Lookup, filter changes, refresh, update status, and InternalReadRecordAt (the row at
// a position of the view copied into a buffer, with no cursor moved and no event fired; grids
// paint through it). The framework computes calculated
// fields after every GetRecord and reads calculated fields itself; field objects convert and
// check values before a descendant sees them. A descendant's destructor calls Close(), since
// the hooks cannot run once its part is gone.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/Streams.h"
#include "platform/rtl/Classes.h"
#include "platform/data/Variant.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"

namespace kvz {

class TDataSet;
class TDataSource;
class TDataLink;
class TField;
class TFields;
class TFieldDefs;

// ---- Enumerations -----------------------------------------------------------------------

enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftDate,
    ftTime,
    ftDateTime,
    ftAutoInc,
    ftLargeint,
    ftBlob,
    ftMemo,
    ftFmtMemo,
    ftGraphic,
};
const char* FieldTypeName(TFieldType type);
// BLOB-kind types: ftBlob, ftMemo, ftFmtMemo, ftGraphic.
bool IsBlobType(TFieldType type);

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsInternalCalc,
    dsBlockRead, // fields read a buffer filled by ReadRecordAt (TRecordReadScope)
};
const char* DataSetStateName(TDataSetState state);

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl,
};
const char* DataEventName(TDataEvent event);

enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };
enum TDataAction { daFail, daAbort, daRetry };
enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;
enum TResyncOption : unsigned { rmExact = 1, rmCenter = 2 };
using TResyncMode = unsigned;

// A bookmark: the descendant's bytes identifying a row (empty = none).
using TBookmark = std::string;

// ---- Errors -----------------------------------------------------------------------------

// The framework's error: the component it concerns and the message. what() is the message,
// preceded by "Name: " when the component has a name.
class EDatabaseError : public std::runtime_error {
public:
    EDatabaseError(const std::string& message, TComponent* component = nullptr);
    const std::string& Message() const { return message_; }
    TComponent* Component() const { return component_; }

private:
    std::string message_;
    TComponent* component_;
};

[[noreturn]] void DatabaseError(const std::string& message, TComponent* component = nullptr);

// The application's default exception handler, to which errors go that no caller can receive
// (a failing filter event, a failing field change at the end of a BLOB stream). The form layer
// sets it to its message box; until then the message is written to standard error.
using TExceptionHandler = std::function<void(std::exception_ptr)>;
void SetApplicationExceptionHandler(TExceptionHandler handler);
void HandleApplicationException(std::exception_ptr error);

// ---- Field definitions ------------------------------------------------------------------

class TFieldDef {
public:
    TFieldDef(TFieldDefs* owner, std::string name, TFieldType type, int size, bool required);
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    TFieldType DataType() const { return dataType_; }
    void SetDataType(TFieldType type) { dataType_ = type; }
    // Characters of a string field; 0 for other types.
    int Size() const { return size_; }
    void SetSize(int size) { size_ = size; }
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    int Precision() const { return precision_; }
    void SetPrecision(int precision) { precision_ = precision; }
    // 1-based position in the list.
    int FieldNo() const;
    int Index() const { return FieldNo() - 1; }
    // Creates a field of the default class for the type, bound to the definitions' dataset.
    TField* CreateField(TComponent* owner);

private:
    TFieldDefs* owner_;
    std::string name_;
    TFieldType dataType_;
    int size_;
    bool required_;
    bool readOnly_ = false;
    int precision_ = 0;
};

class TFieldDefs {
public:
    explicit TFieldDefs(TDataSet* dataSet) : dataSet_(dataSet) {}
    TDataSet* DataSet() const { return dataSet_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TFieldDef& operator[](int index) const { return *items_.at(static_cast<size_t>(index)); }
    TFieldDef& Items(int index) const { return (*this)[index]; }
    // Refused with "Duplicate field name 'X'" for a name already defined (without regard to case).
    TFieldDef& Add(const std::string& name, TFieldType type, int size = 0, bool required = false);
    TFieldDef& AddFieldDef(); // an unnamed ftUnknown definition to fill in
    void Clear();
    void Delete(int index);
    int IndexOf(std::string_view name) const; // -1 when absent; without regard to case
    TFieldDef* Find(std::string_view name) const;
    TFieldDef& FindOrError(std::string_view name) const; // "Field 'X' not found"
    void Assign(const TFieldDefs& source);
    // Fills the definitions from the dataset's store (its InternalInitFieldDefs).
    void Update();
    bool Updated() const { return updated_; }
    void SetUpdated(bool updated) { updated_ = updated; }

private:
    TDataSet* dataSet_;
    std::vector<std::unique_ptr<TFieldDef>> items_;
    bool updated_ = false;
};

// ---- Fields -----------------------------------------------------------------------------

using TFieldNotifyEvent = std::function<void(TField& sender)>;
using TFieldGetTextEvent = std::function<void(TField& sender, std::string& text, bool displayText)>;
using TFieldSetTextEvent = std::function<void(TField& sender, const std::string& text)>;

// One column of a dataset. Values are read from the dataset's active record (or, during
// OnCalcFields / OnFilterRecord / OnValidate, the record being calculated, filtered or
// validated). Setting a value converts it to the field's type and checks it: a text that is no
// valid value, a number out of the type's range, or a text longer than Size characters is
// refused with EDatabaseError naming the field, and nothing is stored.
class TField : public TComponent {
public:
    explicit TField(TComponent* owner = nullptr);
    ~TField() override;

    TDataSet* DataSet() const { return dataSet_; }
    // Adds the field to the dataset's Fields (the dataset must be closed); nullptr removes it.
    void SetDataSet(TDataSet* dataSet);

    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(std::string name);
    TFieldType DataType() const { return dataType_; }
    TFieldKind FieldKind() const { return fieldKind_; }
    void SetFieldKind(TFieldKind kind);
    bool Calculated() const { return fieldKind_ == fkCalculated; }
    bool Lookup() const { return fieldKind_ == fkLookup; }
    // Characters of a string field (refused when the dataset is open).
    int Size() const { return size_; }
    virtual void SetSize(int size);
    // 1-based number of the bound field definition; 0 for unbound, calculated and lookup fields.
    int FieldNo() const { return fieldNo_; }
    // Position in the dataset's Fields; setting it moves the field.
    int Index() const;
    void SetIndex(int index);
    bool IsBlob() const { return IsBlobType(dataType_); }

    const std::string& DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(std::string label) { displayLabel_ = std::move(label); }
    std::string DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultDisplayWidth(); }
    void SetDisplayWidth(int width);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    const std::string& Origin() const { return origin_; }
    void SetOrigin(std::string origin) { origin_ = std::move(origin); }
    const std::string& DefaultExpression() const { return defaultExpression_; }
    void SetDefaultExpression(std::string expr) { defaultExpression_ = std::move(expr); }
    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(std::string mask) { editMask_ = std::move(mask); }

    // Lookup fields: the value of LookupResultField of the LookupDataSet record whose
    // LookupKeyFields equal this dataset's KeyFields.
    TDataSet* LookupDataSet() const { return lookupDataSet_; }
    void SetLookupDataSet(TDataSet* dataSet) { lookupDataSet_ = dataSet; }
    const std::string& KeyFields() const { return keyFields_; }
    void SetKeyFields(std::string names) { keyFields_ = std::move(names); }
    const std::string& LookupKeyFields() const { return lookupKeyFields_; }
    void SetLookupKeyFields(std::string names) { lookupKeyFields_ = std::move(names); }
    const std::string& LookupResultField() const { return lookupResultField_; }
    void SetLookupResultField(std::string name) { lookupResultField_ = std::move(name); }

    // Values.
    bool IsNull() const;
    void Clear() { SetValue(Variant()); }
    Variant Value() const;
    void SetValue(const Variant& value);
    std::string AsString() const { return GetAsString(); }
    void SetAsString(const std::string& value) { SetAsStringImpl(value); }
    int32_t AsInteger() const;
    void SetAsInteger(int32_t value) { SetValue(Variant(static_cast<int64_t>(value))); }
    int64_t AsLargeInt() const;
    void SetAsLargeInt(int64_t value) { SetValue(Variant(value)); }
    double AsFloat() const;
    void SetAsFloat(double value) { SetValue(Variant(value)); }
    double AsCurrency() const { return AsFloat(); }
    void SetAsCurrency(double value) { SetAsFloat(value); }
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime value) { SetValue(Variant::DateTime(value)); }
    bool AsBoolean() const;
    void SetAsBoolean(bool value) { SetValue(Variant(value)); }
    Variant AsVariant() const { return Value(); }
    void SetAsVariant(const Variant& value) { SetValue(value); }
    // The text for editing (OnGetText with displayText false, else the edit format).
    std::string Text() const { return GetTextImpl(false); }
    // Sets from edited text: OnSetText when set, else AsString.
    void SetText(const std::string& text);
    // The text for showing (OnGetText with displayText true, else the display format).
    std::string DisplayText() const { return GetTextImpl(true); }

    // The raw value of the record in view; false when it has none. Reads through the dataset.
    bool GetData(Variant& value) const;
    // Whether a value can be written now (dataset editable, field not read-only).
    bool CanModify() const;
    void FocusControl();
    // Checks a value as SetValue would and gives the field's form of it; throws EDatabaseError.
    Variant Coerce(const Variant& value) const;

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

    // Internal to the framework: binding and the index of a calculated field's value.
    void Bind(int fieldNo, int calcIndex);
    int CalcIndex() const { return calcIndex_; }
    void Change();
    void Validate(const Variant& newValue);
    const FormatSettings& Settings() const;

protected:
    TField(TComponent* owner, TFieldType type, int size);
    void SetDataType(TFieldType type) { dataType_ = type; }
    virtual int DefaultDisplayWidth() const { return 10; }
    // The field's own form of a value (throws EDatabaseError for a value it cannot hold).
    virtual Variant CoerceImpl(const Variant& value) const = 0;
    // A value (in the field's form) as AsString gives it.
    virtual std::string ValueToString(const Variant& value) const { return value.AsString(); }
    // A value as Text (displayText false) or DisplayText gives it.
    virtual std::string FormatText(const Variant& value, bool displayText) const { (void)displayText; return ValueToString(value); }
    std::string GetAsString() const;
    void SetAsStringImpl(const std::string& text) { SetValue(Variant(text)); }
    [[noreturn]] void ConvertError(const std::string& what) const;
    [[noreturn]] void RangeError(const std::string& value, const std::string& min, const std::string& max) const;

private:
    friend class TDataSet;
    std::string GetTextImpl(bool displayText) const;

    TDataSet* dataSet_ = nullptr;
    std::string fieldName_;
    TFieldType dataType_ = ftUnknown;
    TFieldKind fieldKind_ = fkData;
    int size_ = 0;
    int fieldNo_ = 0;
    int calcIndex_ = -1;
    std::string displayLabel_;
    int displayWidth_ = 0;
    bool visible_ = true;
    bool readOnly_ = false;
    bool required_ = false;
    TAlignment alignment_ = taLeftJustify;
    std::string origin_;
    std::string defaultExpression_;
    std::string editMask_;
    TDataSet* lookupDataSet_ = nullptr;
    std::string keyFields_;
    std::string lookupKeyFields_;
    std::string lookupResultField_;
    const Variant* validating_ = nullptr; // the new value while OnValidate runs
};

class TStringField : public TField {
public:
    explicit TStringField(TComponent* owner = nullptr) : TField(owner, ftString, 20) {}

protected:
    int DefaultDisplayWidth() const override { return Size(); }
    Variant CoerceImpl(const Variant& value) const override;
};

class TNumericField : public TField {
public:
    const std::string& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(std::string format) { displayFormat_ = std::move(format); }
    const std::string& EditFormat() const { return editFormat_; }
    void SetEditFormat(std::string format) { editFormat_ = std::move(format); }

protected:
    TNumericField(TComponent* owner, TFieldType type);
    std::string FormatText(const Variant& value, bool displayText) const override;

private:
    std::string displayFormat_;
    std::string editFormat_;
};

class TIntegerField : public TNumericField {
public:
    explicit TIntegerField(TComponent* owner = nullptr) : TIntegerField(owner, ftInteger, INT32_MIN, INT32_MAX) {}
    // 0 and 0: the type's range.
    int64_t MinValue() const { return minValue_; }
    int64_t MaxValue() const { return maxValue_; }
    void SetMinValue(int64_t v) { minValue_ = v; }
    void SetMaxValue(int64_t v) { maxValue_ = v; }

protected:
    TIntegerField(TComponent* owner, TFieldType type, int64_t lo, int64_t hi);
    int DefaultDisplayWidth() const override { return 11; }
    Variant CoerceImpl(const Variant& value) const override;

private:
    int64_t lo_, hi_;
    int64_t minValue_ = 0, maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(TComponent* owner = nullptr) : TIntegerField(owner, ftSmallint, -32768, 32767) {}

protected:
    int DefaultDisplayWidth() const override { return 6; }
};

class TWordField : public TIntegerField {
public:
    explicit TWordField(TComponent* owner = nullptr) : TIntegerField(owner, ftWord, 0, 65535) {}

protected:
    int DefaultDisplayWidth() const override { return 5; }
};

class TAutoIncField : public TIntegerField {
public:
    explicit TAutoIncField(TComponent* owner = nullptr) : TIntegerField(owner, ftAutoInc, INT32_MIN, INT32_MAX) {}
};

class TLargeintField : public TIntegerField {
public:
    explicit TLargeintField(TComponent* owner = nullptr) : TIntegerField(owner, ftLargeint, INT64_MIN, INT64_MAX) {}

protected:
    int DefaultDisplayWidth() const override { return 15; }
};

class TFloatField : public TNumericField {
public:
    explicit TFloatField(TComponent* owner = nullptr) : TFloatField(owner, ftFloat) {}
    bool Currency() const { return currency_; }
    void SetCurrency(bool currency) { currency_ = currency; }
    int Precision() const { return precision_; }
    void SetPrecision(int precision) { precision_ = precision; }
    // 0 and 0: no range.
    double MinValue() const { return minValue_; }
    double MaxValue() const { return maxValue_; }
    void SetMinValue(double v) { minValue_ = v; }
    void SetMaxValue(double v) { maxValue_ = v; }

protected:
    TFloatField(TComponent* owner, TFieldType type);
    Variant CoerceImpl(const Variant& value) const override;
    std::string ValueToString(const Variant& value) const override;
    std::string FormatText(const Variant& value, bool displayText) const override;

private:
    bool currency_ = false;
    int precision_ = 15;
    double minValue_ = 0, maxValue_ = 0;
};

class TCurrencyField : public TFloatField {
public:
    explicit TCurrencyField(TComponent* owner = nullptr);
};

class TBooleanField : public TField {
public:
    explicit TBooleanField(TComponent* owner = nullptr) : TField(owner, ftBoolean, 0) {}
    // "True text;False text" shown and accepted by Text (default "True;False").
    const std::string& DisplayValues() const { return displayValues_; }
    void SetDisplayValues(std::string values) { displayValues_ = std::move(values); }

protected:
    int DefaultDisplayWidth() const override { return 5; }
    Variant CoerceImpl(const Variant& value) const override;
    std::string ValueToString(const Variant& value) const override;

private:
    std::string displayValues_;
};

// Date-times; AsString gives the short date and long time of the dataset's format settings
// ("c"), a date field the short date, a time field the long time.
class TDateTimeField : public TField {
public:
    explicit TDateTimeField(TComponent* owner = nullptr) : TDateTimeField(owner, ftDateTime) {}
    const std::string& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(std::string format) { displayFormat_ = std::move(format); }

protected:
    TDateTimeField(TComponent* owner, TFieldType type);
    int DefaultDisplayWidth() const override { return DataType() == ftDateTime ? 18 : 10; }
    Variant CoerceImpl(const Variant& value) const override;
    std::string ValueToString(const Variant& value) const override;
    std::string FormatText(const Variant& value, bool displayText) const override;

private:
    std::string displayFormat_;
};

class TDateField : public TDateTimeField {
public:
    explicit TDateField(TComponent* owner = nullptr) : TDateTimeField(owner, ftDate) {}
};

class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(TComponent* owner = nullptr) : TDateTimeField(owner, ftTime) {}
};

// BLOB fields: the value is the whole content as bytes (a memo's as UTF-8 text).
class TBlobField : public TField {
public:
    explicit TBlobField(TComponent* owner = nullptr) : TBlobField(owner, ftBlob) {}
    TFieldType BlobType() const { return DataType(); }
    int BlobSize() const; // bytes of the current value
    bool Modified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const std::filesystem::path& path);
    void SaveToFile(const std::filesystem::path& path) const;

protected:
    TBlobField(TComponent* owner, TFieldType type);
    Variant CoerceImpl(const Variant& value) const override;
    std::string FormatText(const Variant& value, bool displayText) const override;

private:
    bool modified_ = false;
};

class TMemoField : public TBlobField {
public:
    explicit TMemoField(TComponent* owner = nullptr) : TBlobField(owner, ftMemo) {}

protected:
    Variant CoerceImpl(const Variant& value) const override; // refuses text that is no UTF-8
    std::string FormatText(const Variant& value, bool displayText) const override;
};

class TFmtMemoField : public TBlobField {
public:
    explicit TFmtMemoField(TComponent* owner = nullptr) : TBlobField(owner, ftFmtMemo) {}
};

class TGraphicField : public TBlobField {
public:
    explicit TGraphicField(TComponent* owner = nullptr) : TBlobField(owner, ftGraphic) {}
};

// The default field class of a type (nullptr for ftUnknown).
TField* CreateDefaultField(TFieldType type, TComponent* owner);

class TFields {
public:
    explicit TFields(TDataSet* dataSet) : dataSet_(dataSet) {}
    TDataSet* DataSet() const { return dataSet_; }
    int Count() const { return static_cast<int>(list_.size()); }
    TField& operator[](int index) const { return *list_.at(static_cast<size_t>(index)); }
    TField* Fields(int index) const { return list_.at(static_cast<size_t>(index)); }
    // Without regard to case; nullptr when absent.
    TField* FindField(std::string_view name) const;
    // "Field 'X' not found" when absent.
    TField& FieldByName(std::string_view name) const;
    TField* FieldByNumber(int fieldNo) const;
    int IndexOf(const TField* field) const;

    // Internal to the framework.
    void Add(TField* field);
    void Remove(TField* field);
    void Move(int from, int to);
    const std::vector<TField*>& List() const { return list_; }

private:
    TDataSet* dataSet_;
    std::vector<TField*> list_;
};

// ---- Record buffers ---------------------------------------------------------------------

// A buffer of one record. Descendants derive their own class holding their copy of the row.
class TRecordBuffer {
public:
    virtual ~TRecordBuffer() = default;
    TBookmark Bookmark;
    TBookmarkFlag BookmarkFlag = bfCurrent;
    std::vector<Variant> CalcValues; // kept by the framework, one per calculated/lookup field
};

// ---- Dataset ----------------------------------------------------------------------------

using TDataSetNotifyEvent = std::function<void(TDataSet& dataSet)>;
using TDataSetErrorEvent = std::function<void(TDataSet& dataSet, const EDatabaseError& error, TDataAction& action)>;
using TFilterRecordEvent = std::function<void(TDataSet& dataSet, bool& accept)>;

class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* owner = nullptr);
    // Closes the dataset and frees its fields; data sources lose it.
    ~TDataSet() override;

    // Open and close.
    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return state_; }
    bool Modified() const { return modified_; }
    void CheckActive() const;   // "Cannot perform this operation on a closed dataset"
    void CheckInactive() const; // "Cannot perform this operation on an open dataset"

    // Structure.
    TFieldDefs& FieldDefs() { return fieldDefs_; }
    const TFieldDefs& FieldDefs() const { return fieldDefs_; }
    TFields& Fields() { return fields_; }
    const TFields& Fields() const { return fields_; }
    int FieldCount() const { return fields_.Count(); }
    TField* FindField(std::string_view name) const { return fields_.FindField(name); }
    TField& FieldByName(std::string_view name) const { return fields_.FieldByName(name); }
    // Values of one or several fields (names separated by ";"): one value, or an array.
    Variant FieldValues(std::string_view names) const;
    void SetFieldValues(std::string_view names, const Variant& values);
    // Whether the fields are default fields made at open (destroyed at close).
    bool DefaultFields() const { return defaultFields_; }
    void ClearFields(); // frees every field; the dataset must be closed
    bool AutoCalcFields() const { return autoCalcFields_; }
    void SetAutoCalcFields(bool value) { autoCalcFields_ = value; }
    const FormatSettings& Settings() const { return settings_; }
    void SetSettings(const FormatSettings& settings) { settings_ = settings; }

    // Navigation.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return activeRecord_ >= recordCount_; }
    virtual int RecNo() const { return -1; }
    virtual void SetRecNo(int) {}
    virtual int RecordCount() const { return -1; }
    virtual bool IsSequenced() const { return true; }
    bool CanModify() const { return GetCanModify(); }

    // Changes.
    void Insert();
    void Append();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void InsertRecord(const std::vector<Variant>& values);
    void AppendRecord(const std::vector<Variant>& values);
    void SetFields(const std::vector<Variant>& values);
    void CheckBrowseMode();
    void UpdateRecord(); // asks the data links to write their controls' values
    void Refresh();
    void ClearFieldValues(); // every field of the record in edit to null

    // Controls.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ != 0; }

    // Bookmarks.
    TBookmark GetBookmark() const;
    TBookmark Bookmark() const { return GetBookmark(); }
    void GotoBookmark(const TBookmark& bookmark);
    void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
    bool BookmarkAvailable() const;
    virtual bool BookmarkValid(const TBookmark&) const { return false; }
    // Negative, 0, positive; an empty bookmark sorts first, two empty ones are equal.
    virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;
    // The 1-based place of a bookmark's record in the dataset's order (as RecNo counts); 0 when
    // the record is not shown or the dataset cannot tell.
    virtual int BookmarkRecNo(const TBookmark&) const { return 0; }

    // Searching. The default Locate scans from the first record and stops on the first
    // match, staying put when nothing matches; Lookup gives the result fields' values of the
    // first match (null when none) without moving. Keys: names separated by ";", values one
    // Variant or an array.
    virtual bool Locate(const std::string& keyFields, const Variant& keyValues, TLocateOptions options);
    virtual Variant Lookup(const std::string& keyFields, const Variant& keyValues, const std::string& resultFields);
    // Whether the record in view has the key values (the matching rule of Locate).
    bool RecordMatches(const std::vector<TField*>& fields, const Variant& keyValues, TLocateOptions options) const;
    // The fields named in a ";"-separated list, "Field 'X' not found" for an unknown name.
    std::vector<TField*> GetFieldList(std::string_view names) const;

    // Rows by position, without moving (what grids paint from). ReadRecordAt copies the row at
    // a 0-based position of the view (in the order and filter of RecNo and RecordCount) into a
    // buffer of NewRecordBuffer and computes its calculated fields; false when there is no such
    // row or the descendant cannot read by position. The cursor, the window of buffers and the
    // state stay as they are and no dataset event fires. A TRecordReadScope lets the fields
    // read the buffer.
    std::unique_ptr<TRecordBuffer> NewRecordBuffer();
    bool ReadRecordAt(int index, TRecordBuffer& buffer);

    // Filtering (the descendant decides which rows pass; see FilterAccepts).
    bool Filtered() const { return filtered_; }
    virtual void SetFiltered(bool value);
    const std::string& Filter() const { return filterText_; }
    virtual void SetFilterText(const std::string& text);
    const TFilterRecordEvent& OnFilterRecord() const { return onFilterRecord_; }
    virtual void SetOnFilterRecord(TFilterRecordEvent handler);

    // BLOBs. The default stream reads the field's value and, when written, stores it back into
    // the record when the stream is destroyed.
    virtual std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode);
    virtual TUpdateStatus UpdateStatus() const { return usUnmodified; }

    // Data links and sources (internal to the framework).
    const std::vector<TDataSource*>& DataSources() const { return dataSources_; }
    int BufferCount() const { return bufferCount_; }
    int ActiveRecordIndex() const { return activeRecord_; }
    void SetActiveRecordIndex(int index); // the data links' view of the window
    int BufferedRecordCount() const { return recordCount_; }
    void UpdateBufferCount();
    void DataEvent(TDataEvent event, intptr_t info);
    // Whether the source leads to this dataset (through the master sources of detail datasets).
    bool IsLinkedTo(const TDataSource* source) const;
    // The master source of a detail dataset (none by default).
    virtual TDataSource* LinkedDataSource() const { return nullptr; }

    // The record a field reads in the current state; nullptr when none.
    virtual TRecordBuffer* GetActiveRecBuf() const;
    // Field values (internal to the framework; fields call these).
    bool GetFieldValue(const TField& field, Variant& value) const;
    // Whether GetFieldValue would find no value, told without building it where the store can.
    bool FieldValueIsNull(const TField& field) const;
    // A descendant may refuse a value first, in its own words.
    virtual void SetFieldValue(TField& field, const Variant& value);
    // Whether field values may be set in the current state (editing, keys, calculating...).
    bool FieldValuesSettable() const;

    // Events.
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll, BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;
    TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

protected:
    // ---- Hooks of a descendant (see the top of this file) ----
    virtual std::unique_ptr<TRecordBuffer> AllocRecordBuffer() = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    virtual TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalSetToRecord(TRecordBuffer& buffer) = 0;
    virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
    virtual void InternalInitRecord(TRecordBuffer& buffer) = 0;
    // A data field's value in the buffer; false when it has none. value is in the field's
    // form: Integer for the integer types, Boolean, Float for float and currency, DateTime for
    // the date and time types, String for text (UTF-8) and BLOB bytes.
    virtual bool GetFieldData(const TField& field, const TRecordBuffer& buffer, Variant& value) const = 0;
    // Whether GetFieldData finds no value; a descendant may tell it from the stored bytes.
    virtual bool FieldDataIsNull(const TField& field, const TRecordBuffer& buffer) const {
        Variant value;
        return !GetFieldData(field, buffer, value) || value.IsNull();
    }
    // Stores a value (already in the field's form, or null) into the buffer; refuses what the
    // store cannot hold with EDatabaseError.
    virtual void SetFieldData(TField& field, TRecordBuffer& buffer, const Variant& value) = 0;
    virtual void InternalPost() = 0;
    virtual void InternalDelete() = 0;
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalCancel() {}
    virtual void InternalRefresh() {}
    virtual void InternalInitFieldDefs() {}
    // The row at a 0-based position of the view into the buffer (data, Bookmark, BookmarkFlag
    // bfCurrent); false when there is none. Must not move the cursor nor fire events.
    virtual bool InternalReadRecordAt(int index, TRecordBuffer& buffer) {
        (void)index;
        (void)buffer;
        return false;
    }
    virtual void InternalHandleException(std::exception_ptr error);
    virtual bool GetCanModify() const { return true; }
    // The framework's record initialisation: InternalInitRecord, calculated values cleared,
    // flag bfInserted, no bookmark. Descendants may extend it.
    virtual void InitRecord(TRecordBuffer& buffer);
    virtual void DoOnNewRecord();
    // Before a record is inserted or appended, while nothing has moved yet: a descendant may
    // refuse here. The default fires BeforeInsert.
    virtual void DoBeforeInsert() { Fire(BeforeInsert); }
    // Before the dataset closes, while it is still whole: a descendant may refuse here. The
    // default fires BeforeClose.
    virtual void DoBeforeClose() { Fire(BeforeClose); }
    // Set-key state (descendants with key buffers): Post and Cancel in dsSetKey call this.
    virtual void PostKeyBuffer(bool commit) { (void)commit; }

    // ---- Helpers for descendants ----
    // Creates fields of the default classes from FieldDefs (made default fields).
    void CreateFields();
    // Binds the fields to the definitions (checking types) or unbinds them.
    void BindFields(bool binding);
    bool FieldsBound() const { return fieldsBound_; }
    void InitFieldDefsFromFields(); // definitions made from the fields (data fields only)
    // Whether OnFilterRecord accepts the buffer's row (true when there is no handler): runs
    // in dsFilter on that buffer, with its calculated fields computed. An exception in the
    // handler rejects the row and goes to InternalHandleException.
    bool FilterAccepts(TRecordBuffer& buffer);
    // Computes the buffer's calculated and lookup fields (OnCalcFields in dsCalcFields).
    void GetCalcFields(TRecordBuffer& buffer);
    void ClearCalcFields(TRecordBuffer& buffer);
    bool HasCalcFields() const { return calcFieldCount_ > 0; }
    TRecordBuffer& ActiveBuffer() const { return *buffers_[static_cast<size_t>(activeRecord_)]; }
    TDataSetState SetTempState(TDataSetState state, TRecordBuffer* buffer);
    void RestoreState(TDataSetState state, TRecordBuffer* buffer);
    void SetState(TDataSetState state);
    // Puts the descendant's cursor on the active record (when the window has records).
    void UpdateCursorPos();
    void CursorPosChanged() { currentRecord_ = -1; }
    // Re-reads the window around the cursor's record (rmCenter: that record in the middle;
    // rmExact: an error when it is gone).
    void Resync(TResyncMode mode);
    void DoBeforeScroll();
    void DoAfterScroll();
    void CheckCanModify() const;
    TRecordBuffer* tempBuffer_ = nullptr; // the buffer of the calc-fields / filter state

private:
    friend class TDataSource;
    friend class TDataLink;
    friend class TField;
    friend class TFieldDefs;
    friend class TRecordReadScope;

    void OpenCursor();
    void CloseCursor();
    void SetBufferCount(int count);
    void ClearBuffers();
    void ActivateBuffers();
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void MoveBuffer(int from, int to);
    void SetCurrentRecord(int index);
    TGetResult FetchRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck);
    void BeginInsertAppend();
    void EndInsertAppend();
    void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& errorEvent);
    void CheckRequiredFields();
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    void Fire(const TDataSetNotifyEvent& event) {
        if (event) event(*this);
    }

    TFieldDefs fieldDefs_;
    TFields fields_;
    TDataSetState state_ = dsInactive;
    bool modified_ = false;
    bool bof_ = true;
    bool eof_ = true;
    bool defaultFields_ = false;
    bool fieldsBound_ = false;
    bool autoCalcFields_ = true;
    bool filtered_ = false;
    bool opening_ = false;
    bool destroyingDataSet_ = false;
    std::string filterText_;
    TFilterRecordEvent onFilterRecord_;
    int calcFieldCount_ = 0;
    std::vector<std::unique_ptr<TRecordBuffer>> buffers_; // bufferCount_ + 1 (the last is spare)
    int bufferCount_ = 0;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;
    int disableCount_ = 0;
    TDataSetState disableState_ = dsInactive;
    TDataEvent enableEvent_ = deDataSetChange;
    std::vector<TDataSource*> dataSources_;
    FormatSettings settings_;
};

// While it lives, the dataset's fields read the buffer (one filled by ReadRecordAt) in state
// dsBlockRead, and nothing can be written; the state and the buffer in view come back after.
class TRecordReadScope {
public:
    TRecordReadScope(TDataSet& dataSet, TRecordBuffer& buffer);
    ~TRecordReadScope();
    TRecordReadScope(const TRecordReadScope&) = delete;
    TRecordReadScope& operator=(const TRecordReadScope&) = delete;

private:
    TDataSet& dataSet_;
    TRecordBuffer* oldBuffer_;
    TDataSetState oldState_;
};

// ---- Data sources and links -------------------------------------------------------------

using TDataChangeEvent = std::function<void(TDataSource& sender, TField* field)>;

class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* owner = nullptr);
    ~TDataSource() override;
    TDataSet* DataSet() const { return dataSet_; }
    // Refused with "Circular datalinks are not allowed" when the dataset is linked to this source.
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool autoEdit) { autoEdit_ = autoEdit; }
    TDataSetState State() const { return state_; }
    // Puts the dataset into edit when AutoEdit and it is browsing.
    void Edit();
    bool IsLinkedTo(const TDataSet* dataSet) const;
    const std::vector<TDataLink*>& DataLinks() const { return dataLinks_; }

    TNotifyEvent OnStateChange;
    TDataChangeEvent OnDataChange; // field nullptr: the record or the dataset changed
    TNotifyEvent OnUpdateData;

    // Internal to the framework.
    void DataEvent(TDataEvent event, intptr_t info);
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDataSet;
    void UpdateState();
    void SetState(TDataSetState state);
    void NotifyDataLinks(TDataEvent event, intptr_t info);

    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    bool autoEdit_ = true;
    TDataSetState state_ = dsInactive;
    std::vector<TDataLink*> dataLinks_;
};

// What a control or a detail dataset sees of a data source: whether it is active and
// editing, a window of BufferCount records of the dataset (ActiveRecord is the active one's
// index in it, RecordCount how many are filled), and the notifications as virtual operations.
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    bool Active() const { return active_; }
    bool Editing() const { return editing_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int count);
    int ActiveRecord() const;
    void SetActiveRecord(int index);
    int RecordCount() const;
    bool Bof() const;
    bool Eof() const;
    int MoveBy(int distance);
    // Asks the source to edit; true when the link is then editing.
    bool Edit();
    void UpdateRecord();
    bool Updating() const { return updating_; }
    // The window's first record, relative to the dataset's buffers (internal).
    int FirstRecord() const { return firstRecord_; }

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField** /*field*/) {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* /*field*/) {}
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    friend class TDataSet;
    void DataEvent(TDataEvent event, intptr_t info);
    void UpdateState();
    void SetActive(bool active);
    void SetEditing(bool editing);
    void UpdateRange();

    TDataSource* dataSource_ = nullptr;
    bool active_ = false;
    bool editing_ = false;
    bool readOnly_ = false;
    bool updating_ = false;
    int bufferCount_ = 1;
    int firstRecord_ = 0;
};

// The link of a data-aware control to one field.
class TFieldDataLink : public TDataLink {
public:
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(std::string name);
    TField* Field() const { return field_; }
    bool CanModify() const;
    bool Modified() const { return modified_; }
    void SetModified() { modified_ = true; } // the control's value was changed by the user
    void Reset();                          // the control shows the field's value again

    std::function<void()> OnDataChange, OnEditingChange, OnUpdateData, OnActiveChange;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(TField** field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    void UpdateField();
    std::string fieldName_;
    TField* field_ = nullptr;
    bool modified_ = false;
};

// A link whose other end is a detail dataset (master-detail); its descendants follow the
// master's record.
class TDetailDataLink : public TDataLink {
public:
    virtual TDataSet* DetailDataSet() const { return nullptr; }
};

// The detail link of master-detail: the master fields (names separated by ";") and events on
// a change of the master's record or of one of those fields, and when the link goes inactive.
class TMasterDataLink : public TDetailDataLink {
public:
    explicit TMasterDataLink(TDataSet* detail) : detail_(detail) {}
    TDataSet* DetailDataSet() const override { return detail_; }
    const std::string& FieldNames() const { return fieldNames_; }
    void SetFieldNames(std::string names);
    const std::vector<TField*>& Fields() const { return fields_; }

    std::function<void()> OnMasterChange, OnMasterDisable;

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;

private:
    void UpdateFields();
    TDataSet* detail_;
    std::string fieldNames_;
    std::vector<TField*> fields_;
};

// ---- Helpers ----------------------------------------------------------------------------

// Splits a ";"-separated list of names (blanks around names removed, empty names skipped).
std::vector<std::string> SplitFieldNames(std::string_view names);
// Reads a date, a time or a date-time typed in the settings' short date and time formats;
// false when the text is no valid value.
bool TryParseDateTime(std::string_view text, TFieldType type, const FormatSettings& fs, TDateTime& out);
// The field's DisplayText for a reader of that language: dates and times in its formats, yes/no
// values in its words (unless the field names its own); the dataset's own settings, which
// its stored text follows, stay as they are.
std::string DisplayTextIn(const TField& field, const FormatSettings& fs);

} // namespace kvz

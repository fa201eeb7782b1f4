#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/data/DB.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

namespace kvz {

namespace {

bool SameText(std::string_view a, std::string_view b) { return CompareTextUtf8(a, b) == 0; }

std::string Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return std::string(s);
}

std::string NumText(double d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    return buf;
}

// A number typed with the settings' decimal separator (or "."), without thousand separators.
bool ParseNumber(const std::string& text, const FormatSettings& fs, double& out) {
    std::string t = Trimmed(text);
    if (!fs.DecimalSeparator.empty() && fs.DecimalSeparator != ".") {
        size_t p = t.find(fs.DecimalSeparator);
        if (p != std::string::npos) t.replace(p, fs.DecimalSeparator.size(), ".");
    }
    if (t.empty()) return false;
    try {
        out = Variant(t).AsFloat();
        return std::isfinite(out);
    } catch (const EVariantError&) {
        return false;
    }
}

const FormatSettings& DefaultSettings() {
    static const FormatSettings fs;
    return fs;
}

} // namespace

// ---- Field definitions ------------------------------------------------------------------

TFieldDef::TFieldDef(TFieldDefs* owner, std::string name, TFieldType type, int size, bool required)
    : owner_(owner), name_(std::move(name)), dataType_(type), size_(size), required_(required) {}

int TFieldDef::FieldNo() const {
    for (int i = 0; i < owner_->Count(); ++i)
        if (&(*owner_)[i] == this) return i + 1;
    return 0;
}

TField* TFieldDef::CreateField(TComponent* owner) {
    TField* field = CreateDefaultField(dataType_, owner);
    if (!field) DatabaseError("Field '" + name_ + "' is of an unknown type", owner_->DataSet());
    try {
        field->SetFieldName(name_);
        if (dataType_ == ftString) field->SetSize(size_);
        field->SetRequired(required_);
        field->SetReadOnly(readOnly_);
        if (precision_ > 0)
            if (auto* f = dynamic_cast<TFloatField*>(field)) f->SetPrecision(precision_);
        field->SetDataSet(owner_->DataSet());
    } catch (...) {
        delete field;
        throw;
    }
    return field;
}

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType type, int size, bool required) {
    if (name.empty()) DatabaseError("Field name missing", dataSet_);
    if (IndexOf(name) >= 0) DatabaseError("Duplicate field name '" + name + "'", dataSet_);
    if (type == ftString && size <= 0) DatabaseError("Invalid field size for field '" + name + "'", dataSet_);
    items_.push_back(std::make_unique<TFieldDef>(this, name, type, type == ftString ? size : 0, required));
    updated_ = true;
    return *items_.back();
}

TFieldDef& TFieldDefs::AddFieldDef() {
    items_.push_back(std::make_unique<TFieldDef>(this, "", ftUnknown, 0, false));
    return *items_.back();
}

void TFieldDefs::Clear() {
    items_.clear();
    updated_ = false;
}

void TFieldDefs::Delete(int index) { items_.erase(items_.begin() + index); }

int TFieldDefs::IndexOf(std::string_view name) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->Name() == name) return static_cast<int>(i);
    for (size_t i = 0; i < items_.size(); ++i)
        if (SameText(items_[i]->Name(), name)) return static_cast<int>(i);
    return -1;
}

TFieldDef* TFieldDefs::Find(std::string_view name) const {
    int i = IndexOf(name);
    return i < 0 ? nullptr : items_[static_cast<size_t>(i)].get();
}

TFieldDef& TFieldDefs::FindOrError(std::string_view name) const {
    TFieldDef* def = Find(name);
    if (!def) DatabaseError("Field '" + std::string(name) + "' not found", dataSet_);
    return *def;
}

void TFieldDefs::Assign(const TFieldDefs& source) {
    if (&source == this) return;
    items_.clear();
    for (const auto& d : source.items_) {
        auto copy = std::make_unique<TFieldDef>(this, d->Name(), d->DataType(), d->Size(), d->Required());
        copy->SetReadOnly(d->ReadOnly());
        copy->SetPrecision(d->Precision());
        items_.push_back(std::move(copy));
    }
    updated_ = true;
}

void TFieldDefs::Update() {
    if (dataSet_) dataSet_->InternalInitFieldDefs();
    updated_ = true;
}

// ---- TFields ----------------------------------------------------------------------------

TField* TFields::FindField(std::string_view name) const {
    for (TField* f : list_)
        if (f->FieldName() == name) return f;
    for (TField* f : list_)
        if (SameText(f->FieldName(), name)) return f;
    return nullptr;
}

TField& TFields::FieldByName(std::string_view name) const {
    TField* f = FindField(name);
    if (!f) DatabaseError("Field '" + std::string(name) + "' not found", dataSet_);
    return *f;
}

TField* TFields::FieldByNumber(int fieldNo) const {
    for (TField* f : list_)
        if (f->FieldNo() == fieldNo) return f;
    return nullptr;
}

int TFields::IndexOf(const TField* field) const {
    auto it = std::find(list_.begin(), list_.end(), field);
    return it == list_.end() ? -1 : static_cast<int>(it - list_.begin());
}

void TFields::Add(TField* field) { list_.push_back(field); }

void TFields::Remove(TField* field) { list_.erase(std::remove(list_.begin(), list_.end(), field), list_.end()); }

void TFields::Move(int from, int to) {
    if (from < 0 || from >= Count()) return;
    to = std::clamp(to, 0, Count() - 1);
    if (from == to) return;
    TField* f = list_[static_cast<size_t>(from)];
    list_.erase(list_.begin() + from);
    list_.insert(list_.begin() + to, f);
}

TField* CreateDefaultField(TFieldType type, TComponent* owner) {
    switch (type) {
    case ftString: return new TStringField(owner);
    case ftSmallint: return new TSmallintField(owner);
    case ftInteger: return new TIntegerField(owner);
    case ftWord: return new TWordField(owner);
    case ftBoolean: return new TBooleanField(owner);
    case ftFloat: return new TFloatField(owner);
    case ftCurrency: return new TCurrencyField(owner);
    case ftDate: return new TDateField(owner);
    case ftTime: return new TTimeField(owner);
    case ftDateTime: return new TDateTimeField(owner);
    case ftAutoInc: return new TAutoIncField(owner);
    case ftLargeint: return new TLargeintField(owner);
    case ftBlob: return new TBlobField(owner);
    case ftMemo: return new TMemoField(owner);
    case ftFmtMemo: return new TFmtMemoField(owner);
    case ftGraphic: return new TGraphicField(owner);
    case ftUnknown: break;
    }
    return nullptr;
}

// ---- TField -----------------------------------------------------------------------------

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::TField(TComponent* owner, TFieldType type, int size) : TComponent(owner), dataType_(type), size_(size) {}

TField::~TField() {
    if (dataSet_) dataSet_->fields_.Remove(this);
}

void TField::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet_) dataSet_->CheckInactive();
    if (dataSet) {
        dataSet->CheckInactive();
        if (!fieldName_.empty() && dataSet->fields_.FindField(fieldName_))
            DatabaseError("Duplicate field name '" + fieldName_ + "'", dataSet);
    }
    if (dataSet_) dataSet_->fields_.Remove(this);
    dataSet_ = dataSet;
    if (dataSet_) dataSet_->fields_.Add(this);
}

void TField::SetFieldName(std::string name) {
    if (dataSet_) {
        dataSet_->CheckInactive();
        TField* other = dataSet_->fields_.FindField(name);
        if (other && other != this) DatabaseError("Duplicate field name '" + name + "'", dataSet_);
    }
    fieldName_ = std::move(name);
}

void TField::SetFieldKind(TFieldKind kind) {
    if (dataSet_) dataSet_->CheckInactive();
    fieldKind_ = kind;
}

void TField::SetSize(int size) {
    if (dataSet_) dataSet_->CheckInactive();
    if (dataType_ == ftString && size <= 0) DatabaseError("Invalid field size for field '" + DisplayName() + "'", dataSet_);
    size_ = size;
}

int TField::Index() const { return dataSet_ ? dataSet_->fields_.IndexOf(this) : -1; }

void TField::SetIndex(int index) {
    if (!dataSet_) return;
    dataSet_->fields_.Move(Index(), index);
    if (dataSet_->Active()) dataSet_->DataEvent(deLayoutChange, 0);
}

void TField::SetDisplayWidth(int width) {
    displayWidth_ = width;
    if (dataSet_ && dataSet_->Active()) dataSet_->DataEvent(deLayoutChange, 0);
}

void TField::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    if (dataSet_ && dataSet_->Active()) dataSet_->DataEvent(deLayoutChange, 0);
}

void TField::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    if (dataSet_ && dataSet_->Active()) dataSet_->DataEvent(deLayoutChange, 0);
}

void TField::Bind(int fieldNo, int calcIndex) {
    fieldNo_ = fieldNo;
    calcIndex_ = calcIndex;
}

const FormatSettings& TField::Settings() const { return dataSet_ ? dataSet_->Settings() : DefaultSettings(); }

bool TField::GetData(Variant& value) const {
    if (validating_) {
        value = *validating_;
        return !value.IsNull();
    }
    if (!dataSet_) {
        value = Variant();
        return false;
    }
    return dataSet_->GetFieldValue(*this, value);
}

bool TField::IsNull() const {
    if (validating_ || !dataSet_) {
        Variant v;
        return !GetData(v);
    }
    return dataSet_->FieldValueIsNull(*this);
}

Variant TField::Value() const {
    Variant v;
    GetData(v);
    return v;
}

Variant TField::Coerce(const Variant& value) const {
    if (value.IsNull()) return value;
    if (value.IsArray()) ConvertError("an array");
    try {
        return CoerceImpl(value);
    } catch (const EVariantError& e) {
        DatabaseError("Invalid value for field '" + DisplayName() + "': " + e.what(), dataSet_);
    }
}

void TField::SetValue(const Variant& value) {
    if (!dataSet_) DatabaseError("Field '" + DisplayName() + "' has no dataset");
    dataSet_->SetFieldValue(*this, Coerce(value));
}

int32_t TField::AsInteger() const {
    Variant v;
    if (!GetData(v)) return 0;
    try {
        int64_t n = v.AsInt64();
        if (n < INT32_MIN || n > INT32_MAX) RangeError(std::to_string(n), std::to_string(INT32_MIN), std::to_string(INT32_MAX));
        return static_cast<int32_t>(n);
    } catch (const EVariantError&) {
        ConvertError("an integer");
    }
}

int64_t TField::AsLargeInt() const {
    Variant v;
    if (!GetData(v)) return 0;
    try {
        return v.AsInt64();
    } catch (const EVariantError&) {
        ConvertError("an integer");
    }
}

double TField::AsFloat() const {
    Variant v;
    if (!GetData(v)) return 0;
    if (v.Type() == TVarType::String) {
        double d;
        if (ParseNumber(v.StringRef(), Settings(), d)) return d;
        ConvertError("a floating point value");
    }
    try {
        return v.AsFloat();
    } catch (const EVariantError&) {
        ConvertError("a floating point value");
    }
}

TDateTime TField::AsDateTime() const {
    Variant v;
    if (!GetData(v)) return 0;
    if (v.Type() == TVarType::String) {
        TDateTime dt;
        if (TryParseDateTime(v.StringRef(), ftDateTime, Settings(), dt)) return dt;
        ConvertError("a date-time");
    }
    if (v.Type() == TVarType::Boolean) ConvertError("a date-time");
    return v.AsFloat();
}

bool TField::AsBoolean() const {
    Variant v;
    if (!GetData(v)) return false;
    try {
        return v.AsBoolean();
    } catch (const EVariantError&) {
        ConvertError("a boolean");
    }
}

std::string TField::GetAsString() const {
    Variant v;
    return GetData(v) ? ValueToString(v) : std::string();
}

std::string TField::GetTextImpl(bool displayText) const {
    if (OnGetText) {
        std::string text;
        OnGetText(const_cast<TField&>(*this), text, displayText);
        return text;
    }
    Variant v;
    return GetData(v) ? FormatText(v, displayText) : std::string();
}

void TField::SetText(const std::string& text) {
    if (OnSetText)
        OnSetText(*this, text);
    else
        SetAsString(text);
}

bool TField::CanModify() const {
    if (readOnly_ || !dataSet_) return false;
    if (fieldNo_ <= 0 && fieldKind_ != fkLookup) return false;
    return dataSet_->CanModify();
}

void TField::FocusControl() {
    if (!dataSet_ || !dataSet_->Active()) return;
    TField* field = this;
    dataSet_->DataEvent(deFocusControl, reinterpret_cast<intptr_t>(&field));
}

void TField::Change() {
    if (OnChange) OnChange(*this);
}

void TField::Validate(const Variant& newValue) {
    if (!OnValidate) return;
    const Variant* old = validating_;
    validating_ = &newValue;
    try {
        OnValidate(*this);
    } catch (...) {
        validating_ = old;
        throw;
    }
    validating_ = old;
}

void TField::ConvertError(const std::string& what) const {
    DatabaseError("'" + Value().AsString() + "' is not " + what + " for field '" + DisplayName() + "'", dataSet_);
}

void TField::RangeError(const std::string& value, const std::string& min, const std::string& max) const {
    DatabaseError(value + " is not a valid value for field '" + DisplayName() + "'. The allowed range is " + min + " to " + max,
                  dataSet_);
}

// ---- Field classes ----------------------------------------------------------------------

Variant TStringField::CoerceImpl(const Variant& value) const {
    std::string text = value.AsString();
    if (!IsValidUtf8(text)) DatabaseError("The text for field '" + DisplayName() + "' is not valid UTF-8", DataSet());
    size_t length = Utf8Length(text);
    if (length > static_cast<size_t>(Size()))
        DatabaseError("The text for field '" + DisplayName() + "' is too long: " + std::to_string(length) +
                          " characters, at most " + std::to_string(Size()) + " allowed",
                      DataSet());
    return Variant(std::move(text));
}

TNumericField::TNumericField(TComponent* owner, TFieldType type) : TField(owner, type, 0) { SetAlignment(taRightJustify); }

std::string TNumericField::FormatText(const Variant& value, bool displayText) const {
    const std::string& fmt = (displayText || editFormat_.empty()) ? displayFormat_ : editFormat_;
    if (fmt.empty()) return ValueToString(value);
    return FormatFloat(fmt, value.AsFloat(), Settings());
}

TIntegerField::TIntegerField(TComponent* owner, TFieldType type, int64_t lo, int64_t hi)
    : TNumericField(owner, type), lo_(lo), hi_(hi) {}

Variant TIntegerField::CoerceImpl(const Variant& value) const {
    int64_t n;
    if (value.Type() == TVarType::String) {
        std::string t = Trimmed(value.StringRef());
        if (t.empty()) return Variant();
        try {
            n = Variant(t).AsInt64();
            double d = Variant(t).AsFloat();
            if (d != std::floor(d)) throw EVariantError("fraction");
        } catch (const EVariantError&) {
            DatabaseError("'" + value.StringRef() + "' is not a valid integer value for field '" + DisplayName() + "'", DataSet());
        }
    } else if (value.Type() == TVarType::Float || value.Type() == TVarType::DateTime) {
        double d = value.AsFloat();
        if (!std::isfinite(d) || d < static_cast<double>(lo_) - 0.5 || d > static_cast<double>(hi_) + 0.5)
            RangeError(NumText(d), std::to_string(lo_), std::to_string(hi_));
        n = static_cast<int64_t>(std::llround(d));
    } else {
        n = value.AsInt64();
    }
    int64_t lo = lo_, hi = hi_;
    if (minValue_ != 0 || maxValue_ != 0) {
        lo = std::max(lo, minValue_);
        hi = std::min(hi, maxValue_);
    }
    if (n < lo || n > hi) RangeError(std::to_string(n), std::to_string(lo), std::to_string(hi));
    return Variant(n);
}

TFloatField::TFloatField(TComponent* owner, TFieldType type) : TNumericField(owner, type) {}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner, ftCurrency) { SetCurrency(true); }

Variant TFloatField::CoerceImpl(const Variant& value) const {
    double d;
    if (value.Type() == TVarType::String) {
        if (Trimmed(value.StringRef()).empty()) return Variant();
        if (!ParseNumber(value.StringRef(), Settings(), d))
            DatabaseError("'" + value.StringRef() + "' is not a valid floating point value for field '" + DisplayName() + "'",
                          DataSet());
    } else {
        d = value.AsFloat();
    }
    if (!std::isfinite(d)) DatabaseError("Invalid value for field '" + DisplayName() + "'", DataSet());
    if ((minValue_ != 0 || maxValue_ != 0) && (d < minValue_ || d > maxValue_))
        RangeError(NumText(d), NumText(minValue_), NumText(maxValue_));
    return Variant(d);
}

std::string TFloatField::ValueToString(const Variant& value) const {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", std::clamp(precision_, 1, 17), value.AsFloat());
    std::string s = buf;
    size_t p = s.find('.');
    if (p != std::string::npos) s.replace(p, 1, Settings().DecimalSeparator);
    return s;
}

std::string TFloatField::FormatText(const Variant& value, bool displayText) const {
    if (!DisplayFormat().empty() || (!displayText && !EditFormat().empty()))
        return TNumericField::FormatText(value, displayText);
    if (!currency_ || !displayText) return ValueToString(value);
    // Currency: fixed decimals, thousand separators and the currency string.
    const FormatSettings& fs = Settings();
    double d = value.AsFloat();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", fs.CurrencyDecimals, std::fabs(d));
    std::string digits = buf, frac;
    size_t p = digits.find('.');
    if (p != std::string::npos) {
        frac = fs.DecimalSeparator + digits.substr(p + 1);
        digits.resize(p);
    }
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += fs.ThousandSeparator;
        grouped += digits[i];
    }
    std::string number = grouped + frac, out;
    switch (fs.CurrencyFormat) {
    case 0: out = fs.CurrencyString + number; break;
    case 1: out = number + fs.CurrencyString; break;
    case 2: out = fs.CurrencyString + " " + number; break;
    default: out = number + " " + fs.CurrencyString; break;
    }
    return d < 0 ? "-" + out : out;
}

Variant TBooleanField::CoerceImpl(const Variant& value) const {
    if (value.Type() != TVarType::String) return Variant(value.AsBoolean());
    std::string t = Trimmed(value.StringRef());
    if (t.empty()) return Variant();
    std::string values = displayValues_.empty() ? "True;False" : displayValues_;
    size_t sep = values.find(';');
    std::string yes = values.substr(0, sep), no = sep == std::string::npos ? "" : values.substr(sep + 1);
    auto prefix = [&](const std::string& full) {
        return !full.empty() && SameText(Utf8Left(full, Utf8Length(t)), t);
    };
    if (prefix(yes) || SameText(t, "True")) return Variant(true);
    if (prefix(no) || SameText(t, "False")) return Variant(false);
    DatabaseError("'" + t + "' is not a valid boolean value for field '" + DisplayName() + "'", DataSet());
}

std::string TBooleanField::ValueToString(const Variant& value) const {
    std::string values = displayValues_.empty() ? "True;False" : displayValues_;
    size_t sep = values.find(';');
    if (value.AsBoolean()) return values.substr(0, sep);
    return sep == std::string::npos ? std::string() : values.substr(sep + 1);
}

TDateTimeField::TDateTimeField(TComponent* owner, TFieldType type) : TField(owner, type, 0) {}

Variant TDateTimeField::CoerceImpl(const Variant& value) const {
    double d;
    if (value.Type() == TVarType::String) {
        if (Trimmed(value.StringRef()).empty()) return Variant();
        if (!TryParseDateTime(value.StringRef(), DataType(), Settings(), d)) {
            const char* what = DataType() == ftDate ? "date" : DataType() == ftTime ? "time" : "date and time";
            DatabaseError("'" + value.StringRef() + "' is not a valid " + what + " for field '" + DisplayName() + "'", DataSet());
        }
    } else {
        if (value.Type() == TVarType::Boolean) DatabaseError("Invalid value for field '" + DisplayName() + "'", DataSet());
        d = value.AsFloat();
    }
    if (!std::isfinite(d) || d < -693593 || d > 2958466)
        DatabaseError(NumText(d) + " is not a valid date and time for field '" + DisplayName() + "'", DataSet());
    if (DataType() == ftDate) d = DateOf(d);
    if (DataType() == ftTime) d = TimeOf(d);
    return Variant::DateTime(d);
}

std::string TDateTimeField::ValueToString(const Variant& value) const {
    const char* fmt = DataType() == ftDate ? "ddddd" : DataType() == ftTime ? "tt" : "c";
    return FormatDateTime(fmt, value.AsFloat(), Settings());
}

std::string DisplayTextIn(const TField& field, const FormatSettings& fs) {
    if (field.OnGetText) return field.DisplayText();
    Variant v;
    if (!field.GetData(v)) return {};
    if (const auto* d = dynamic_cast<const TDateTimeField*>(&field)) {
        const char* fmt = d->DataType() == ftDate ? "ddddd" : d->DataType() == ftTime ? "tt" : "c";
        return FormatDateTime(d->DisplayFormat().empty() ? std::string(fmt) : d->DisplayFormat(), v.AsFloat(), fs);
    }
    if (const auto* b = dynamic_cast<const TBooleanField*>(&field); b && b->DisplayValues().empty())
        return v.AsBoolean() ? fs.TrueText : fs.FalseText;
    return field.DisplayText();
}

std::string TDateTimeField::FormatText(const Variant& value, bool displayText) const {
    if (displayText && !displayFormat_.empty()) return FormatDateTime(displayFormat_, value.AsFloat(), Settings());
    return ValueToString(value);
}

TBlobField::TBlobField(TComponent* owner, TFieldType type) : TField(owner, type, 0) {}

Variant TBlobField::CoerceImpl(const Variant& value) const { return Variant(value.AsString()); }

std::string TBlobField::FormatText(const Variant&, bool) const {
    return std::string("(") + FieldTypeName(DataType()) + ")";
}

int TBlobField::BlobSize() const {
    Variant v;
    return GetData(v) ? static_cast<int>(v.StringRef().size()) : 0;
}

void TBlobField::LoadFromStream(TStream& stream) {
    stream.SetPosition(0);
    std::string bytes = stream.ReadAll();
    SetValue(bytes.empty() ? Variant() : Variant(std::move(bytes)));
}

void TBlobField::SaveToStream(TStream& stream) const {
    Variant v;
    if (GetData(v)) stream.WriteString(v.StringRef());
}

void TBlobField::LoadFromFile(const std::filesystem::path& path) {
    TMemoryStream s(ReadWholeFile(path));
    LoadFromStream(s);
}

void TBlobField::SaveToFile(const std::filesystem::path& path) const {
    TMemoryStream s;
    SaveToStream(s);
    s.SaveToFile(path);
}

Variant TMemoField::CoerceImpl(const Variant& value) const {
    std::string text = value.AsString();
    if (!IsValidUtf8(text)) DatabaseError("The text for field '" + DisplayName() + "' is not valid UTF-8", DataSet());
    return Variant(std::move(text));
}

std::string TMemoField::FormatText(const Variant& value, bool displayText) const {
    return displayText ? TBlobField::FormatText(value, true) : value.AsString();
}

// ---- Typed dates and times --------------------------------------------------------------

namespace {

bool ParseTimePart(std::string_view t, const FormatSettings& fs, double& out) {
    int parts[4] = {0, 0, 0, 0};
    int n = 0;
    size_t i = 0;
    bool pm = false, am = false;
    while (i < t.size()) {
        if (t[i] >= '0' && t[i] <= '9') {
            if (n >= 4) return false;
            int v = 0, digits = 0;
            while (i < t.size() && t[i] >= '0' && t[i] <= '9' && digits < 4) v = v * 10 + (t[i++] - '0'), ++digits;
            parts[n++] = v;
        } else if (t[i] == ':' || t[i] == '.' || t.substr(i, fs.TimeSeparator.size()) == fs.TimeSeparator) {
            i += (t[i] == ':' || t[i] == '.') ? 1 : fs.TimeSeparator.size();
        } else if (t[i] == ' ') {
            ++i;
        } else {
            std::string rest = Trimmed(t.substr(i));
            if (SameText(rest, fs.TimePMString) || SameText(rest, "PM") || SameText(rest, "P")) pm = true;
            else if (SameText(rest, fs.TimeAMString) || SameText(rest, "AM") || SameText(rest, "A")) am = true;
            else return false;
            break;
        }
    }
    if (n == 0) return false;
    int h = parts[0];
    if (pm || am) {
        if (h < 1 || h > 12) return false;
        h = (h % 12) + (pm ? 12 : 0);
    }
    return TryEncodeTime(h, parts[1], parts[2], parts[3], out);
}

bool ParseDatePart(std::string_view t, const FormatSettings& fs, double& out) {
    std::vector<int> nums;
    std::vector<int> widths;
    size_t i = 0;
    while (i < t.size()) {
        if (t[i] >= '0' && t[i] <= '9') {
            int v = 0, digits = 0;
            while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
                if (++digits > 4) return false;
                v = v * 10 + (t[i++] - '0');
            }
            nums.push_back(v);
            widths.push_back(digits);
        } else if (t[i] == '/' || t[i] == '.' || t[i] == '-' || t[i] == ' ') {
            ++i;
        } else if (!fs.DateSeparator.empty() && t.substr(i, fs.DateSeparator.size()) == fs.DateSeparator) {
            i += fs.DateSeparator.size();
        } else {
            return false;
        }
    }
    // Order of day, month and year from the short date format.
    std::string order;
    for (char c : fs.ShortDateFormat) {
        char l = static_cast<char>(c | 0x20);
        if ((l == 'd' || l == 'm' || l == 'y') && order.find(l) == std::string::npos) order += l;
    }
    if (order.size() != 3) order = "dmy";
    int y = 0, m = 0, d = 0, yWidth = 4;
    TDateTime today = Today();
    int ty, tm, td;
    DecodeDate(today, ty, tm, td);
    if (nums.size() == 3) {
        for (size_t k = 0; k < 3; ++k) {
            if (order[k] == 'd') d = nums[k];
            if (order[k] == 'm') m = nums[k];
            if (order[k] == 'y') y = nums[k], yWidth = widths[k];
        }
    } else if (nums.size() == 2) {
        std::string dm;
        for (char c : order)
            if (c != 'y') dm += c;
        d = dm[0] == 'd' ? nums[0] : nums[1];
        m = dm[0] == 'm' ? nums[0] : nums[1];
        y = ty;
    } else {
        return false;
    }
    if (yWidth <= 2) {
        // The two-digit-year window: the century that puts the year within the window
        // before today.
        int window = fs.TwoDigitYearCenturyWindow;
        int pivot = ty - window;
        y += pivot / 100 * 100;
        if (window > 0 && y < pivot) y += 100;
    }
    return TryEncodeDate(y, m, d, out);
}

} // namespace

bool TryParseDateTime(std::string_view text, TFieldType type, const FormatSettings& fs, TDateTime& out) {
    std::string t = Trimmed(text);
    if (t.empty()) return false;
    if (type == ftTime) return ParseTimePart(t, fs, out);
    if (type == ftDate) return ParseDatePart(t, fs, out);
    size_t space = t.find(' ');
    // A date-time: the date up to the first blank that is followed by a time.
    while (space != std::string::npos) {
        double d, tm;
        if (ParseDatePart(std::string_view(t).substr(0, space), fs, d) &&
            ParseTimePart(std::string_view(t).substr(space + 1), fs, tm)) {
            out = d + (d < 0 ? -tm : tm);
            return true;
        }
        space = t.find(' ', space + 1);
    }
    if (ParseDatePart(t, fs, out)) return true;
    if (t.find(':') != std::string::npos || t.find(fs.TimeSeparator) != std::string::npos) return ParseTimePart(t, fs, out);
    return false;
}

} // namespace kvz

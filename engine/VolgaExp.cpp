#include "engine/VolgaExp.h"

#include "engine/DbfFile.h"
#include "engine/VolgaBytes.h"
#include "engine/VolgaKinds.h"
#include "engine/VolgaTbl.h"
#include "engine/VolgaValues.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <unistd.h>

namespace kvz {

namespace {

// A large file goes to the durable writer in pieces of about this many bytes as it is made:
// a piece stays in the processor's cache, where the whole file in memory would be written
// to fresh pages first and copied from them again.
constexpr size_t kPieceSize = size_t{256} << 10;

// value in at least width digits, zeros in front.
void AppendDigits(std::string& out, int value, int width) {
    char text[16];
    if (value >= 0 && width <= 4) {
        int rest = value;
        for (int i = width - 1; i >= 0; --i, rest /= 10) text[i] = static_cast<char>('0' + rest % 10);
        if (rest == 0) {
            out.append(text, static_cast<size_t>(width));
            return;
        }
    }
    out.append(text, static_cast<size_t>(std::snprintf(text, sizeof text, "%0*d", width, value)));
}

// Locale-free forms of dates and times.
void AppendIsoDate(std::string& out, TDateTime dt) {
    int y = 0, m = 0, d = 0;
    DecodeDate(dt, y, m, d);
    AppendDigits(out, y, 4);
    out += '-';
    AppendDigits(out, m, 2);
    out += '-';
    AppendDigits(out, d, 2);
}
void AppendIsoTime(std::string& out, TDateTime dt) {
    int h = 0, n = 0, s = 0, ms = 0;
    DecodeTime(dt, h, n, s, ms);
    AppendDigits(out, h, 2);
    out += ':';
    AppendDigits(out, n, 2);
    out += ':';
    AppendDigits(out, s, 2);
}
std::string IsoDate(TDateTime dt) {
    std::string out;
    AppendIsoDate(out, dt);
    return out;
}
std::string IsoTime(TDateTime dt) {
    std::string out;
    AppendIsoTime(out, dt);
    return out;
}

std::string FloatText(double value) {
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : std::string();
}

// ---- XML ----------------------------------------------------------------------------------

// Text for an attribute value: markup characters and the line breaks and tabs that a reader
// would otherwise fold into blanks are written as references; other control characters have
// no place in XML and are left out.
std::string XmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r': out += "&#13;"; break;
        case '\n': out += "&#10;"; break;
        case '\t': out += "&#9;"; break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20) out.push_back(c);
            break;
        }
    }
    return out;
}

bool IsXmlName(std::string_view name) {
    if (name.empty()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        const bool letter = std::isalpha(c) || c == '_' || c >= 0x80;
        if (!(letter || (i > 0 && (std::isdigit(c) || c == '-' || c == '.')))) return false;
    }
    return true;
}

bool IsUtf8Name(const std::string& charset) {
    const std::string u = Utf8Upper(charset);
    return u == "UTF-8" || u == "UTF8";
}

// The name iconv knows for a declared encoding: the German IA5 set is called ISO646-DE there.
std::string IconvCharset(const std::string& encoding) {
    return Utf8Upper(encoding) == "X-IA5-GERMAN" ? "ISO646-DE" : encoding;
}

// The document in the charset; characters it cannot hold become character references.
std::string ToCharset(const std::string& utf8, const std::string& encoding) {
    if (IsUtf8Name(encoding)) return utf8;
    const std::string charset = IconvCharset(encoding);
    try {
        return ConvertCharset(utf8, "UTF-8", charset);
    } catch (const CodePageError&) {
        // Some character has no place in the charset: convert one by one below.
    }
    std::string out;
    size_t pos = 0;
    while (pos < utf8.size()) {
        const size_t start = pos;
        char32_t c = 0;
        if (!NextUtf8(utf8, pos, c)) throw CodePageError("The text to export is no valid UTF-8");
        try {
            out += ConvertCharset(std::string_view(utf8).substr(start, pos - start), "UTF-8", charset);
        } catch (const CodePageError&) {
            out += "&#" + std::to_string(static_cast<uint32_t>(c)) + ";";
        }
    }
    return out;
}

// The text in a charset as ToCharset writes it, where the charset holds each character in one
// byte and a text converts character by character (no combining marks); false otherwise.
bool InSingleBytes(const std::string& utf8, const std::string& charset, std::string& out) {
    size_t length = 0;
    for (size_t pos = 0; pos < utf8.size(); ++length) {
        char32_t c = 0;
        if (!NextUtf8(utf8, pos, c)) throw CodePageError("The text to export is no valid UTF-8");
        if (c >= 0x300 && c < 0x370) return false;
    }
    try {
        out = ConvertCharset(utf8, "UTF-8", charset);
        return out.size() == length;
    } catch (const CodePageError&) {
        // Some character has no place in the charset: convert one by one below.
    }
    out.clear();
    size_t pos = 0;
    while (pos < utf8.size()) {
        const size_t start = pos;
        char32_t c = 0;
        NextUtf8(utf8, pos, c);
        try {
            const std::string one = ConvertCharset(std::string_view(utf8).substr(start, pos - start), "UTF-8", charset);
            if (one.size() != 1) return false;
            out += one;
        } catch (const CodePageError&) {
            out += "&#" + std::to_string(static_cast<uint32_t>(c)) + ";";
        }
    }
    return true;
}

// Text in a single-byte code page; a character the page lacks takes its nearest form ("–"
// becomes "-") or "?", as the system's OEM conversion does, so that one character never fails
// a whole export.
std::string ToCodePageSubstituted(const std::string& utf8, int codePage) {
    std::string out;
    if (TryUtf8ToCodePage(utf8, codePage, out)) return out;
    const std::string nearest = CodePageCharsetName(codePage) + "//TRANSLIT";
    size_t pos = 0;
    while (pos < utf8.size()) {
        const size_t start = pos;
        char32_t c = 0;
        if (!NextUtf8(utf8, pos, c)) throw CodePageError("The text to export is no valid UTF-8");
        const std::string_view one = std::string_view(utf8).substr(start, pos - start);
        std::string converted;
        if (!TryUtf8ToCodePage(one, codePage, converted)) {
            try {
                converted = ConvertCharset(one, "UTF-8", nearest);
            } catch (const CodePageError&) {
                converted.clear();
            }
            if (converted.empty()) converted = "?";
        }
        out += converted;
    }
    return out;
}

const char* DataTypeLine(TFieldType type) {
    switch (type) {
    case ftSmallint: return "<s:datatype dt:type=\"i2\" dt:maxLength=\"2\" rs:precision=\"5\" rs:fixedlength=\"true\"/>";
    case ftInteger:
    case ftAutoInc: return "<s:datatype dt:type=\"int\" dt:maxLength=\"4\" rs:precision=\"10\" rs:fixedlength=\"true\"/>";
    case ftWord: return "<s:datatype dt:type=\"ui2\" dt:maxLength=\"2\" rs:precision=\"5\" rs:fixedlength=\"true\"/>";
    case ftBoolean: return "<s:datatype dt:type=\"boolean\"/>";
    case ftFloat: return "<s:datatype dt:type=\"float\" dt:maxLength=\"8\" rs:precision=\"19\" rs:fixedlength=\"true\"/>";
    case ftCurrency:
        return "<s:datatype dt:type=\"i8\" rs:dbtype=\"currency\" dt:maxLength=\"8\" rs:precision=\"19\" rs:fixedlength=\"true\"/>";
    case ftDate: return "<s:datatype dt:type=\"date\"/>";
    case ftTime: return "<s:datatype dt:type=\"time.iso8601\"/>";
    case ftDateTime: return "<s:datatype dt:type=\"datetime.iso8601\"/>";
    default: return nullptr;
    }
}

// ---- dBASE --------------------------------------------------------------------------------

struct TDbfColumn {
    TField* field;
    char letter;
    int width;
    int decimals;
    TFieldType type = ftUnknown; // the field's, read once
};

std::string_view TrimBytes(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

void AppendPadded(std::string& out, std::string_view text, size_t width) {
    text = text.substr(0, width);
    out += text;
    out.append(width - text.size(), ' ');
}

// A number too wide for its field is marked with stars, as dBASE does, never cut.
void AppendNumber(std::string& out, std::string_view text, size_t width) {
    text = TrimBytes(text);
    if (text.size() > width) out.append(width, '*');
    else {
        out.append(width - text.size(), ' ');
        out += text;
    }
}

// What was added since at made exactly width bytes: cut, or filled up with blanks.
void FitFrom(std::string& out, size_t at, size_t width) {
    if (out.size() - at > width) out.resize(at + width);
    else out.append(at + width - out.size(), ' ');
}

// A date column: the digits of the ISO form's year (its first four characters), month and day.
void AppendDbfDate(std::string& out, TDateTime dt) {
    const size_t at = out.size();
    AppendIsoDate(out, dt);
    char* p = out.data() + at;
    p[4] = p[5];
    p[5] = p[6];
    p[6] = p[8];
    p[7] = p[9];
    out.resize(at + 8);
}

// A date and time as a character column shows them: "dd.mm.yyyy hh:mm:ss" from the ISO forms.
void AppendDbfDateTime(std::string& out, TDateTime dt, std::string& iso, size_t width) {
    const size_t at = out.size();
    iso.clear();
    AppendIsoDate(iso, dt);
    out.append(iso, 8, 2);
    out += '.';
    out.append(iso, 5, 2);
    out += '.';
    out.append(iso, 0, 4);
    out += ' ';
    AppendIsoTime(out, dt);
    FitFrom(out, at, width);
}

// Names cut to 10 characters stay unique (without regard to case, as readers compare them): a
// clash ends in a number instead.
std::string UniqueDbfName(const std::string& name, std::vector<std::string>& taken, const CodePageTables& tables) {
    auto upper = [&tables](std::string text) {
        for (char& c : text) c = static_cast<char>(tables.upper[static_cast<uint8_t>(c)]);
        return text;
    };
    std::string candidate = name.substr(0, 10);
    for (int n = 1; std::find(taken.begin(), taken.end(), upper(candidate)) != taken.end(); ++n) {
        const std::string suffix = std::to_string(n);
        candidate = name.substr(0, 10 - suffix.size()) + suffix;
    }
    taken.push_back(upper(candidate));
    return candidate;
}


// ---- Reading the rows -----------------------------------------------------------------------

// How the texts of a converter are written: a text as a field gives it (UTF-8) made into the
// converter's form.
using TTextForm = std::function<std::string(const std::string& utf8)>;

// The values of the rows a dataset shows, by the place of the field in the dataset, as its
// fields give them; texts in the converter's form.
class TRowReader {
public:
    virtual ~TRowReader() = default;
    // Before the first row again.
    virtual void Start() = 0;
    // To the next row (the first after Start); false after the last.
    virtual bool Next() = 0;
    virtual bool IsNull(size_t field) const = 0;
    virtual int64_t Integer(size_t field) const = 0;
    virtual double Float(size_t field) const = 0;
    virtual TDateTime DateTime(size_t field) const = 0;
    virtual bool Boolean(size_t field) const = 0;
    // Adds the text in the converter's form.
    virtual void Text(size_t field, std::string& out) const = 0;
    // The text's length in characters of the UTF-8 text the field gives.
    virtual size_t TextLength(size_t field) const = 0;
    // Adds the text in the converter's form as a column of that many bytes holds it: without
    // blanks (and control bytes) around it, cut to the width and filled up with blanks.
    virtual void PaddedText(size_t field, size_t width, std::string& out) const {
        padded_.clear();
        Text(field, padded_);
        AppendPadded(out, TrimBytes(padded_), width);
    }
    // How many rows there are from Start when the reader knows it beforehand, else none.
    virtual std::optional<size_t> Count() const { return std::nullopt; }

private:
    mutable std::string padded_; // the text before it is trimmed, kept for its room
};

// Any dataset: moved from row to row, each value read through its field.
class TFieldReader final : public TRowReader {
public:
    TFieldReader(TDataSet& ds, TTextForm form) : ds_(ds), form_(std::move(form)) {}
    void Start() override { started_ = false; }
    bool Next() override {
        if (started_) ds_.Next();
        else ds_.First();
        started_ = true;
        return !ds_.Eof();
    }
    bool IsNull(size_t field) const override { return Field(field).IsNull(); }
    int64_t Integer(size_t field) const override { return Field(field).AsLargeInt(); }
    double Float(size_t field) const override { return Field(field).AsFloat(); }
    TDateTime DateTime(size_t field) const override { return Field(field).AsDateTime(); }
    bool Boolean(size_t field) const override { return Field(field).AsBoolean(); }
    void Text(size_t field, std::string& out) const override { out += form_(Field(field).AsString()); }
    size_t TextLength(size_t field) const override { return Utf8Length(Field(field).AsString()); }

private:
    const TField& Field(size_t field) const { return ds_.Fields()[static_cast<int>(field)]; }
    TDataSet& ds_;
    TTextForm form_;
    bool started_ = false;
};

// What each byte of a single-byte code page becomes in a converter's form: as every byte is
// one character and the forms convert character by character, a text's bytes are converted
// by the table.
class TByteForms {
public:
    TByteForms(int codePage, const TTextForm& form) {
        one_ = true;
        for (int b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            forms_[static_cast<size_t>(b)] = form(CodePageToUtf8(std::string_view(&c, 1), codePage));
            const std::string& f = forms_[static_cast<size_t>(b)];
            single_[static_cast<size_t>(b)] = f.size() == 1;
            plain_[static_cast<size_t>(b)] = f.size() == 1 && f[0] == c;
            same_ = same_ && plain_[static_cast<size_t>(b)];
            one_ = one_ && f.size() == 1;
            bytes_[static_cast<size_t>(b)] = f.empty() ? '\0' : f[0];
        }
    }
    void Append(std::string& out, std::string_view bytes) const {
        // Each byte in place of itself while its form is one byte, which most are; from the
        // first that is not, form by form.
        const size_t at = out.size();
        out.append(bytes);
        if (same_) return;
        size_t i = 0;
        while (i < bytes.size() && plain_[static_cast<uint8_t>(bytes[i])]) ++i;
        char* p = out.data() + at;
        for (; i < bytes.size() && single_[static_cast<uint8_t>(bytes[i])]; ++i) p[i] = bytes_[static_cast<uint8_t>(bytes[i])];
        if (i == bytes.size()) return;
        out.resize(at + i);
        for (; i < bytes.size(); ++i) out += forms_[static_cast<uint8_t>(bytes[i])];
    }

    // Whether every byte becomes one byte.
    bool OneToOne() const { return one_; }
    // As a column of that many bytes holds the text (see TRowReader::PaddedText); only where
    // every byte becomes one byte.
    void AppendPadded(std::string& out, std::string_view bytes, size_t width) const {
        auto blank = [this](char c) { return static_cast<uint8_t>(bytes_[static_cast<uint8_t>(c)]) <= ' '; };
        size_t first = 0, end = bytes.size();
        while (first < end && blank(bytes[first])) ++first;
        while (end > first && blank(bytes[end - 1])) --end;
        const size_t kept = std::min(end - first, width);
        const size_t at = out.size();
        out.append(width, ' ');
        char* p = out.data() + at;
        if (same_) {
            if (kept > 0) std::memcpy(p, bytes.data() + first, kept);
        } else {
            for (size_t i = 0; i < kept; ++i) p[i] = bytes_[static_cast<uint8_t>(bytes[first + i])];
        }
    }

private:
    std::array<std::string, 256> forms_;
    std::array<char, 256> bytes_{};
    std::array<bool, 256> single_{};
    std::array<bool, 256> plain_{}; // the byte's form is the byte itself
    bool same_ = true;              // every byte's form is the byte itself
    bool one_ = true;
};

// An engine table in browse state whose fields all hold their stored values: its rows read
// straight from their stored bytes, the dataset never moved (no scroll per row) and no value
// built as a variant, each value what its field would give.
class TStoredReader final : public TRowReader {
public:
    // None for other datasets, or where a field's value is more than its stored bytes.
    static std::unique_ptr<TStoredReader> For(TDataSet& ds, const TTextForm& form, const TExportRows& from) {
        auto* table = dynamic_cast<TVolgaDataset*>(&ds);
        if (!table || !table->Cursor() || ds.State() != dsBrowse) return nullptr;
        // Rows of another table: as a copy of them into this one holds them.
        const bool copied = from.Table != nullptr;
        TVolgaDataset* source = copied ? from.Table : table;
        if (!source->Cursor() || source->Cursor()->CodePage() != table->Cursor()->CodePage()) return nullptr;
        if (copied && (from.Fields.size() != static_cast<size_t>(ds.FieldCount()) || from.Keep.size() != from.Fields.size()))
            return nullptr;
        std::vector<const TVolgaField*> fields;
        std::vector<size_t> limits;
        for (int i = 0; i < ds.FieldCount(); ++i) {
            const TField& f = ds.Fields()[i];
            const TVolgaField* e = table->EngineFieldOf(f);
            if (!e || f.FieldKind() != fkData || f.CalcIndex() >= 0 || !Stored(f, e->Kind)) return nullptr;
            const bool text = e->Kind == TVolgaFieldKind::SmallStr || e->Kind == TVolgaFieldKind::String;
            size_t limit = text && f.Size() > 0 ? static_cast<size_t>(f.Size()) : std::string_view::npos;
            if (copied) {
                const TVolgaField* s = from.Fields[static_cast<size_t>(i)];
                const bool sourceText = s && (s->Kind == TVolgaFieldKind::SmallStr || s->Kind == TVolgaFieldKind::String ||
                                              s->Kind == TVolgaFieldKind::Memo);
                if (!s || (text ? !sourceText : s->Kind != e->Kind)) return nullptr;
                if (text) limit = std::min(limit, from.Keep[static_cast<size_t>(i)]);
                e = s;
            }
            fields.push_back(e);
            limits.push_back(limit);
        }
        if (!IsSingleByteCodePage(table->Cursor()->CodePage())) return nullptr;
        return std::unique_ptr<TStoredReader>(
            new TStoredReader(*source, std::move(fields), std::move(limits), form, copied));
    }
    void Start() override { next_ = 0; }
    bool Next() override {
        if (next_ >= rows_.size()) return false;
        cursor_.RowBytes(*rows_[next_++], values_);
        for (size_t field : textFields_) texts_[field] = StoredText(field);
        return true;
    }
    std::optional<size_t> Count() const override { return rows_.size(); }
    bool IsNull(size_t field) const override {
        return text_[field] ? texts_[field].empty() : ValueIsNull(*fields_[field], Bytes(field));
    }
    int64_t Integer(size_t field) const override {
        const std::string_view v = Bytes(field);
        switch (fields_[field]->Kind) {
        case TVolgaFieldKind::SmallInt: return FixedOf<int16_t>(v);
        case TVolgaFieldKind::Int64: return FixedOf<int64_t>(v);
        default: return FixedOf<int32_t>(v);
        }
    }
    double Float(size_t field) const override {
        switch (fields_[field]->Kind) {
        case TVolgaFieldKind::Double:
        case TVolgaFieldKind::Currency: {
            // A copy keeps a zero as no value: it reads as plus zero.
            const double value = FixedOf<double>(Bytes(field));
            return copied_ && value == 0 ? 0.0 : value;
        }
        default: return static_cast<double>(Integer(field));
        }
    }
    TDateTime DateTime(size_t field) const override {
        const std::string_view v = Bytes(field);
        switch (fields_[field]->Kind) {
        case TVolgaFieldKind::Date: {
            const int32_t day = FixedOf<int32_t>(v);
            return day == 0 ? 0 : TimeStampToDateTime({0, day});
        }
        case TVolgaFieldKind::Time: return FixedOf<int32_t>(v) / static_cast<double>(kMSecsPerDay);
        default: {
            const double ms = FixedOf<double>(v);
            return ms == 0 ? 0 : MSecsToDateTime(ms);
        }
        }
    }
    bool Boolean(size_t field) const override { return FixedOf<int16_t>(Bytes(field)) != 0; }
    void Text(size_t field, std::string& out) const override { forms_.Append(out, texts_[field]); }
    size_t TextLength(size_t field) const override { return texts_[field].size(); }
    void PaddedText(size_t field, size_t width, std::string& out) const override {
        if (forms_.OneToOne()) forms_.AppendPadded(out, texts_[field], width);
        else TRowReader::PaddedText(field, width, out);
    }

private:
    TStoredReader(TVolgaDataset& table, std::vector<const TVolgaField*> fields, std::vector<size_t> limits,
                  const TTextForm& form, bool copied)
        : cursor_(*table.Cursor()), rows_(table.ViewRows()), fields_(std::move(fields)), limits_(std::move(limits)),
          forms_(table.Cursor()->CodePage(), form), copied_(copied), texts_(fields_.size()) {
        for (size_t field = 0; field < fields_.size(); ++field) {
            index_.push_back(static_cast<size_t>(fields_[field]->Index));
            text_.push_back(IsText(field));
            if (IsText(field)) textFields_.push_back(field);
        }
    }
    // The field shows the stored kind as it is: the same type, a text as text.
    static bool Stored(const TField& f, TVolgaFieldKind kind) {
        switch (kind) {
        case TVolgaFieldKind::SmallStr:
        case TVolgaFieldKind::String: return f.DataType() == ftString;
        case TVolgaFieldKind::SmallInt: return f.DataType() == ftSmallint || f.DataType() == ftWord;
        case TVolgaFieldKind::Integer:
        case TVolgaFieldKind::Int64:
        case TVolgaFieldKind::AutoInc:
        case TVolgaFieldKind::Boolean:
        case TVolgaFieldKind::Double:
        case TVolgaFieldKind::Currency:
        case TVolgaFieldKind::Date:
        case TVolgaFieldKind::Time:
        case TVolgaFieldKind::DateTime:
        case TVolgaFieldKind::Memo:
        case TVolgaFieldKind::BLOB:
        case TVolgaFieldKind::Graphic: return f.DataType() == KindInfo(kind).fieldType;
        default: return false;
        }
    }
    std::string_view Bytes(size_t field) const { return values_[index_[field]]; }
    bool IsText(size_t field) const {
        const TVolgaFieldKind kind = fields_[field]->Kind;
        return kind == TVolgaFieldKind::SmallStr || kind == TVolgaFieldKind::String || kind == TVolgaFieldKind::Memo;
    }
    // A text as the field gives it: cut to the field's size, a memo whole; a copied text also
    // ends at its first zero byte.
    std::string_view StoredText(size_t field) const {
        std::string_view v = Bytes(field);
        v = std::string_view(v.data(), std::min(v.size(), limits_[field]));
        if (copied_ && !v.empty())
            if (const void* zero = std::memchr(v.data(), '\0', v.size()))
                v = std::string_view(v.data(), static_cast<size_t>(static_cast<const char*>(zero) - v.data()));
        return v;
    }

    TVolgaCursor& cursor_;
    const std::vector<TVolgaRow*>& rows_;
    std::vector<const TVolgaField*> fields_;
    std::vector<size_t> limits_;
    TByteForms forms_;
    bool copied_;
    std::vector<std::string_view> values_;
    // Where each field's value stands in the row, whether it is a text, the texts, and the
    // text of the row each holds.
    std::vector<size_t> index_;
    std::vector<uint8_t> text_;
    std::vector<size_t> textFields_;
    std::vector<std::string_view> texts_;
    size_t next_ = 0;
};

std::unique_ptr<TRowReader> ReaderOf(TDataSet& ds, const TTextForm& form, const TExportRows& from) {
    if (auto stored = TStoredReader::For(ds, form, from)) return stored;
    if (from.Table) DatabaseError("The rows to export do not suit the fields", &ds);
    return std::make_unique<TFieldReader>(ds, form);
}
} // namespace

// ---- Shared -------------------------------------------------------------------------------

void TExportConverter::SetDataset(TDataSet* dataset) {
    if (dataset_ == dataset) return;
    if (dataset_) dataset_->RemoveFreeNotification(this);
    dataset_ = dataset;
    if (dataset_) dataset_->FreeNotification(this);
}

void TExportConverter::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == dataset_) dataset_ = nullptr;
}

void TExportConverter::CheckFileName(const std::filesystem::path& fileName) {
    if (fileName.empty()) DatabaseError("No file name to export to", this);
}

void TExportConverter::Prepare() {
    if (!dataset_) DatabaseError("No dataset to export", this);
    if (!dataset_->Active()) dataset_->Open();
    total_ = rows_.Table ? rows_.Table->RecordCount() : dataset_->RecordCount();
    lastPercent_ = 0;
}

void TExportConverter::Report(int percent) {
    if (OnCallback) OnCallback(percent);
}

void TExportConverter::RecordDone(int written) {
    if (total_ <= 0) return;
    const int percent = static_cast<int>(std::nearbyint(written * 100.0 / total_));
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    Report(percent);
}

// ---- XML ----------------------------------------------------------------------------------

void TVolgaXMLConverter::Build(const DurableSink& sink) {
    TDataSet& ds = *Dataset();
    std::string head;
    auto line = [&head](std::string_view text) {
        head += text;
        head += "\r\n";
    };
    line("<?xml version=\"1.0\" encoding=\"" + XmlEscape(encoding_) + "\"?>");
    line("<xml xmlns:s=\"uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882\"");
    line("xmlns:dt=\"uuid:C2F41010-65B3-11d1-A29F-00AA00C14882\"");
    line("xmlns:rs=\"urn:schemas-microsoft-com:rowset\"");
    line("xmlns:z=\"#RowsetSchema\">");
    line("<s:Schema id=\"RowsetSchema\">");
    line("<s:ElementType name=\"row\" content=\"eltOnly\">");
    // A field name that is no XML name is written under a made-up name with the real one
    // beside it, as rowset readers expect.
    std::vector<std::string> names;
    for (int i = 0; i < ds.FieldCount(); ++i) {
        const TField& f = ds.Fields()[i];
        const bool plain = IsXmlName(f.FieldName());
        std::string own = "c" + std::to_string(i);
        while (!plain && ds.FindField(own)) own += "_";
        names.push_back(plain ? f.FieldName() : own);
        const std::string name = XmlEscape(f.FieldName());
        line("<s:AttributeType name=\"" + (plain ? name : names.back() + "\" rs:name=\"" + name) + "\" rs:number=\"" +
             std::to_string(i) + "\"");
        line("rs:basetable=\"" + XmlEscape(origin_) + "\" rs:basecolumn=\"" + name + "\" rs:maybenull=\"true\">");
        if (f.DataType() == ftString)
            line("<s:datatype dt:type=\"string\" dt:maxLength=\"" + std::to_string(f.Size()) + "\"/>");
        else if (const char* type = DataTypeLine(f.DataType()))
            line(type);
        line("</s:AttributeType>");
    }
    line("</s:ElementType>");
    line("</s:Schema>");
    line("<rs:data>");

    struct Attribute {
        size_t field;
        TFieldType type;
        std::string start; // ` name="`
    };
    std::vector<Attribute> attributes;
    for (int i = 0; i < ds.FieldCount(); ++i) {
        const TField& f = ds.Fields()[i];
        if (!f.IsBlob()) attributes.push_back({static_cast<size_t>(i), f.DataType(), " " + names[static_cast<size_t>(i)] + "=\""});
    }

    // Where the charset holds each character in one byte, the rows of an engine table are
    // written in it straight away, each text byte by byte; else the whole document is built in
    // UTF-8 and converted.
    const bool utf8 = IsUtf8Name(encoding_);
    const std::string charset = IconvCharset(encoding_);
    bool single = true;
    auto inCharset = [&](const std::string& text) {
        if (utf8) return text;
        std::string out;
        if (!InSingleBytes(text, charset, out)) single = false;
        return out;
    };
    std::unique_ptr<TRowReader> rows;
    // The rows' own marks and the values that are not texts stay as they are.
    const std::string marks = "<z:row/>\" =\r\n0123456789+-.:eTrueFalsinf";
    if (inCharset(marks) == marks) {
        std::vector<std::string> starts;
        for (const Attribute& a : attributes) starts.push_back(inCharset(a.start));
        std::string converted = inCharset(head);
        auto stored = TStoredReader::For(ds, [&](const std::string& text) { return inCharset(XmlEscape(text)); }, Rows());
        if (stored && single) {
            rows = std::move(stored);
            head = std::move(converted);
            for (size_t k = 0; k < attributes.size(); ++k) attributes[k].start = std::move(starts[k]);
        }
    }
    const bool straight = rows != nullptr;
    if (!rows) rows = ReaderOf(ds, [](const std::string& text) { return XmlEscape(text); }, Rows());
    std::string doc = std::move(head);
    // Written straight, the document goes to the file in pieces as it is made.
    if (straight) doc.reserve(doc.size() + kPieceSize + kPieceSize / 4);
    int written = 0;
    const size_t start = doc.size();
    char number[64];
    auto digits = [&number](std::to_chars_result end) {
        return end.ec == std::errc() ? std::string_view(number, static_cast<size_t>(end.ptr - number)) : std::string_view();
    };
    // The marks between the values, each added at once: the row's start or the end of the
    // value before, then the attribute's name.
    for (size_t k = 0; k < attributes.size(); ++k) attributes[k].start.insert(0, k == 0 ? "<z:row" : "\"");
    const char* const rowEnd = attributes.empty() ? "<z:row/>\r\n" : "\"/>\r\n";
    for (rows->Start(); rows->Next();) {
        for (const Attribute& a : attributes) {
            doc += a.start;
            if (!rows->IsNull(a.field)) {
                switch (a.type) {
                case ftDate: AppendIsoDate(doc, rows->DateTime(a.field)); break;
                case ftTime: AppendIsoTime(doc, rows->DateTime(a.field)); break;
                case ftDateTime: {
                    const TDateTime value = rows->DateTime(a.field);
                    AppendIsoDate(doc, value);
                    doc += 'T';
                    AppendIsoTime(doc, value);
                    break;
                }
                case ftFloat:
                case ftCurrency: doc += digits(std::to_chars(number, number + sizeof number, rows->Float(a.field))); break;
                case ftSmallint:
                case ftInteger:
                case ftWord:
                case ftAutoInc:
                case ftLargeint: doc += digits(std::to_chars(number, number + sizeof number, rows->Integer(a.field))); break;
                case ftBoolean: doc += rows->Boolean(a.field) ? "True" : "False"; break;
                default: rows->Text(a.field, doc); break;
                }
            }
        }
        doc += rowEnd;
        // The first row tells about how long a document converted whole grows, so that it is
        // not copied over and over as it does (a guess: at most 256 MB ahead).
        if (!straight && written == 0 && total_ > 1)
            doc.reserve(doc.size() + std::min<size_t>((doc.size() - start) * static_cast<size_t>(total_) * 5 / 4, size_t{1} << 28));
        RecordDone(++written);
        if (straight && doc.size() >= kPieceSize) {
            sink(doc);
            doc.clear();
        }
    }
    const std::string tail = "</rs:data>\r\n</xml>\r\n";
    if (straight) {
        doc += inCharset(tail);
        sink(doc);
        return;
    }
    doc += tail;
    sink(ToCharset(doc, encoding_));
}

void TVolgaXMLConverter::SaveToFile(const std::filesystem::path& fileName) {
    CheckFileName(fileName);
    Prepare();
    // An unknown charset is refused before anything is built.
    if (!IsUtf8Name(encoding_)) ConvertCharset("a", "UTF-8", IconvCharset(encoding_));
    WriteFileDurably(fileName, DurableContent([this](const DurableSink& sink) { Build(sink); }));
}

// ---- dBASE --------------------------------------------------------------------------------

void TZuzezARFConverter::SaveToFile(const std::filesystem::path& fileName) {
    CheckFileName(fileName);
    if (Utf8Upper(fileName.extension().string()) != ".DBF")
        DatabaseError("The file name must end with \".dbf\" : " + fileName.string(), this);
    WriteFileDurably(fileName, DurableContent([this](const DurableSink& sink) {
        std::string out;
        Write(out, &sink);
    }));
}

void TZuzezARFConverter::WriteToStream(std::string& out) { Write(out, nullptr); }

void TZuzezARFConverter::Write(std::string& out, const DurableSink* sink) {
    Prepare();
    TDataSet& ds = *Dataset();
    const int codePage = toOem_ ? OemCodePageOf(DataCodePage()) : DataCodePage();
    auto bytes = [codePage](const std::string& utf8) { return ToCodePageSubstituted(utf8, codePage); };

    std::vector<TDbfColumn> columns;
    bool hasMemo = false;
    for (int i = 0; i < ds.FieldCount(); ++i) {
        TField* f = &ds.Fields()[i];
        switch (f->DataType()) {
        // Binary values have no place without a memo file: the column is declared and blank.
        case ftBlob:
        case ftGraphic: columns.push_back({f, 'P', 10, 0}); break;
        case ftString: columns.push_back({f, 'C', std::clamp(f->Size(), 1, 254), 0}); break;
        case ftSmallint:
        case ftWord: columns.push_back({f, 'N', 5, 0}); break;
        case ftInteger:
        case ftAutoInc: columns.push_back({f, 'N', 10, 0}); break;
        case ftLargeint: columns.push_back({f, 'N', 20, 0}); break;
        case ftBoolean: columns.push_back({f, 'L', 1, 0}); break;
        case ftFloat:
        case ftCurrency: columns.push_back({f, 'N', 16, 4}); break;
        case ftDate: columns.push_back({f, 'D', 8, 0}); break;
        case ftTime: columns.push_back({f, 'C', 8, 0}); break;
        case ftDateTime: columns.push_back({f, 'C', 19, 0}); break;
        // Memos become character fields as wide as their longest text.
        case ftMemo:
        case ftFmtMemo:
            columns.push_back({f, 'C', 1, -1});
            hasMemo = true;
            break;
        default: columns.push_back({f, 'C', 10, 0}); break;
        }
    }
    if (columns.empty()) DatabaseError("The dataset has no field that a dBASE table can hold", this);
    for (TDbfColumn& c : columns) c.type = c.field->DataType();
    const std::unique_ptr<TRowReader> rows = ReaderOf(ds, bytes, Rows());
    std::string text;
    // A text as its column holds it: in the code page, without blanks around it.
    auto trimmed = [&](size_t field) {
        text.clear();
        rows->Text(field, text);
        return TrimBytes(text);
    };
    if (hasMemo)
        for (rows->Start(); rows->Next();)
            for (size_t i = 0; i < columns.size(); ++i)
                if (columns[i].decimals < 0)
                    columns[i].width = std::clamp(static_cast<int>(trimmed(i).size()), columns[i].width, 254);

    std::string descriptors;
    std::vector<std::string> taken;
    int recordLength = 1;
    for (TDbfColumn& c : columns) {
        c.decimals = std::max(c.decimals, 0);
        const std::string name = UniqueDbfName(bytes(c.field->FieldName()), taken, CodePageTablesFor(codePage));
        std::string descriptor = EncodeDbfDescriptor(name, c.letter, static_cast<uint32_t>(recordLength),
                                                     static_cast<uint8_t>(c.width), static_cast<uint8_t>(c.decimals));
        if (c.letter == 'P') descriptor[18] = 4;
        descriptors += descriptor;
        recordLength += c.width;
    }
    if (recordLength > 65535) DatabaseError("The records are too long for a dBASE table", this);

    TDbfHeader header;
    header.Version = 3;
    header.StampToday();
    header.HeaderLength = static_cast<uint16_t>(32 + descriptors.size() + 1);
    header.RecordLength = static_cast<uint16_t>(recordLength);
    header.LanguageId = DbfLanguageByteOf(codePage, toOem_);
    // Rows whose count is known beforehand go to the sink in pieces as they are made; others
    // are made whole, as the header counts the rows really written.
    const std::optional<size_t> count = rows->Count();
    const DurableSink* pieces = count && *count <= UINT32_MAX ? sink : nullptr;
    if (pieces) header.RecordCount = static_cast<uint32_t>(*count);
    const size_t start = out.size();
    // The size is known: the buffer never grows row by row.
    out.reserve(start + header.HeaderLength +
                static_cast<size_t>(recordLength) *
                    (pieces ? kPieceSize / static_cast<size_t>(recordLength) + 1 : static_cast<size_t>(std::max(total_, 0))) +
                1);
    out += header.Encode() + descriptors + "\x0D";

    uint32_t written = 0;
    std::string iso;
    char number[400];
    auto digits = [&number](std::to_chars_result end) {
        return end.ec == std::errc() ? std::string_view(number, static_cast<size_t>(end.ptr - number)) : std::string_view();
    };
    for (rows->Start(); rows->Next();) {
        out.push_back(' ');
        for (size_t i = 0; i < columns.size(); ++i) {
            const TDbfColumn& c = columns[i];
            const size_t width = static_cast<size_t>(c.width);
            const bool null = rows->IsNull(i);
            switch (c.type) {
            case ftSmallint:
            case ftWord:
            case ftInteger:
            case ftAutoInc:
            case ftLargeint:
                if (null) out.append(width, ' ');
                else AppendNumber(out, digits(std::to_chars(number, number + sizeof number, rows->Integer(i))), width);
                break;
            case ftFloat:
            case ftCurrency:
                AppendNumber(out,
                             digits(std::to_chars(number, number + sizeof number, null ? 0.0 : rows->Float(i),
                                                  std::chars_format::fixed, 4)),
                             width);
                break;
            case ftBoolean: out += !null && rows->Boolean(i) ? 'T' : 'F'; break;
            case ftDate:
                if (null) out.append(8, ' ');
                else AppendDbfDate(out, rows->DateTime(i));
                break;
            case ftTime:
                if (null) {
                    out.append(width, ' ');
                } else {
                    const size_t at = out.size();
                    AppendIsoTime(out, rows->DateTime(i));
                    FitFrom(out, at, width);
                }
                break;
            case ftBlob:
            case ftGraphic: out.append(width, ' '); break;
            case ftDateTime:
                if (null) out.append(width, ' ');
                else AppendDbfDateTime(out, rows->DateTime(i), iso, width);
                break;
            default: rows->PaddedText(i, width, out); break;
            }
        }
        ++written;
        RecordDone(static_cast<int>(written));
        if (pieces && out.size() >= kPieceSize) {
            (*pieces)(out);
            out.clear();
        }
    }
    if (pieces) {
        // A reader that counted its rows beforehand gives them all.
        if (written != header.RecordCount) DatabaseError("The rows to export changed while they were written", Dataset());
        if (written > 0) out.push_back('\x1A');
        (*pieces)(out);
        out.clear();
        return;
    }
    // The count of the records really written, whatever the dataset said at the start.
    header.RecordCount = written;
    out.replace(start, 32, header.Encode());
    if (written > 0) out.push_back('\x1A');
    if (sink) {
        (*sink)(out);
        out.clear();
    }
}

// ---- Workbook -------------------------------------------------------------------------------

std::filesystem::path TVolgaXLSConverter::SaveToFile(const std::filesystem::path& fileName) {
    CheckFileName(fileName);
    Prepare();
    TDataSet& ds = *Dataset();
    Report(10);
    std::filesystem::path target = fileName;
    if (Utf8Upper(target.extension().string()) != ".XLSX") target.replace_extension(".xlsx");

    // The library writes a file of its own; it becomes the workbook through the durable writer.
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string stage = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(stage.data());
    if (fd < 0) throw FileError("Cannot create a file in " + folder.string(), folder, errno);
    ::close(fd);
    struct Cleanup {
        std::string path;
        lxw_workbook* book = nullptr;
        ~Cleanup() {
            if (book) workbook_close(book);
            std::remove(path.c_str());
        }
    } cleanup{stage};

    auto fail = [this](lxw_error error) {
        DatabaseError(std::string("Error when exporting data to Microsoft Excel") + " (" + lxw_strerror(error) + ")", Dataset());
    };
    cleanup.book = workbook_new(stage.c_str());
    if (!cleanup.book) fail(LXW_ERROR_CREATING_TMPFILE);
    lxw_worksheet* sheet = workbook_add_worksheet(cleanup.book, nullptr);
    lxw_format* bold = workbook_add_format(cleanup.book);
    format_set_bold(bold);
    lxw_format* dateFormat = workbook_add_format(cleanup.book);
    format_set_num_format(dateFormat, "yyyy-mm-dd");
    lxw_format* timeFormat = workbook_add_format(cleanup.book);
    format_set_num_format(timeFormat, "hh:mm:ss");
    lxw_format* dateTimeFormat = workbook_add_format(cleanup.book);
    format_set_num_format(dateTimeFormat, "yyyy-mm-dd hh:mm:ss");

    std::vector<size_t> fields; // by place in the dataset
    for (int i = 0; i < ds.FieldCount(); ++i)
        if (ds.Fields()[i].Visible() && !ds.Fields()[i].IsBlob()) fields.push_back(static_cast<size_t>(i));
    std::vector<size_t> widths(fields.size());
    auto check = [&](lxw_error error) {
        if (error != LXW_NO_ERROR) fail(error);
    };
    for (size_t c = 0; c < fields.size(); ++c) {
        const TField& f = ds.Fields()[static_cast<int>(fields[c])];
        check(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), f.DisplayLabel().c_str(), bold));
        widths[c] = Utf8Length(f.DisplayLabel());
    }
    const std::unique_ptr<TRowReader> rows = ReaderOf(ds, [](const std::string& text) { return text; }, Rows());
    std::string text;
    lxw_row_t row = 0;
    for (rows->Start(); rows->Next();) {
        ++row;
        for (size_t c = 0; c < fields.size(); ++c) {
            const size_t i = fields[c];
            if (rows->IsNull(i)) continue;
            const TFieldType type = ds.Fields()[static_cast<int>(i)].DataType();
            const lxw_col_t col = static_cast<lxw_col_t>(c);
            size_t shown = 0; // the length of the value's text
            switch (type) {
            case ftSmallint:
            case ftWord:
            case ftInteger:
            case ftAutoInc:
            case ftLargeint:
            case ftFloat:
            case ftCurrency: {
                const double value = rows->Float(i);
                check(worksheet_write_number(sheet, row, col, value, nullptr));
                // A column is never made wider than 60 characters.
                if (widths[c] < 60) shown = FloatText(value).size();
                break;
            }
            case ftBoolean:
                check(worksheet_write_boolean(sheet, row, col, rows->Boolean(i), nullptr));
                shown = 5; // "FALSE"
                break;
            case ftDate:
            case ftTime:
            case ftDateTime: {
                const TDateTime value = rows->DateTime(i);
                int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, ms = 0;
                DecodeDate(value, y, m, d);
                DecodeTime(value, h, n, s, ms);
                lxw_format* format = type == ftDate ? dateFormat : type == ftTime ? timeFormat : dateTimeFormat;
                const std::string iso = type == ftDate   ? IsoDate(value)
                                        : type == ftTime ? IsoTime(value)
                                                         : IsoDate(value) + " " + IsoTime(value);
                shown = Utf8Length(iso);
                if (type == ftTime) {
                    lxw_datetime t{0, 0, 0, h, n, s + ms / 1000.0};
                    check(worksheet_write_datetime(sheet, row, col, &t, format));
                } else if (y >= 1900) {
                    lxw_datetime t{y, m, d, type == ftDate ? 0 : h, type == ftDate ? 0 : n,
                                   type == ftDate ? 0.0 : s + ms / 1000.0};
                    check(worksheet_write_datetime(sheet, row, col, &t, format));
                } else {
                    // Workbooks hold no dates before 1900: the date stays readable as text.
                    check(worksheet_write_string(sheet, row, col, iso.c_str(), nullptr));
                }
                break;
            }
            default:
                text.clear();
                rows->Text(i, text);
                check(worksheet_write_string(sheet, row, col, text.c_str(), nullptr));
                shown = rows->TextLength(i);
                break;
            }
            widths[c] = std::max(widths[c], shown);
        }
    }
    Report(55);
    // The steps of the workbook: cells in place (70), columns fitted (85), saved (95).
    Report(70);
    for (size_t c = 0; c < fields.size(); ++c)
        check(worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                   static_cast<double>(std::min<size_t>(widths[c], 60) + 2), nullptr));
    Report(85);
    lxw_workbook* book = cleanup.book;
    cleanup.book = nullptr;
    check(workbook_close(book));
    Report(95);
    WriteFileDurably(target, ReadWholeFile(stage));
    Report(100);
    return target;
}

} // namespace kvz

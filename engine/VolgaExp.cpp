#include "engine/VolgaExp.h"

#include "engine/DbfFile.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace kvz {

namespace {

std::string Digits(int value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return text;
}

// Locale-free forms of dates and times.
std::string IsoDate(TDateTime dt) {
    int y = 0, m = 0, d = 0;
    DecodeDate(dt, y, m, d);
    return Digits(y, 4) + "-" + Digits(m, 2) + "-" + Digits(d, 2);
}
std::string IsoTime(TDateTime dt) {
    int h = 0, n = 0, s = 0, ms = 0;
    DecodeTime(dt, h, n, s, ms);
    return Digits(h, 2) + ":" + Digits(n, 2) + ":" + Digits(s, 2);
}

std::string FloatText(double value) {
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : std::string();
}

std::string FixedText(double value, int decimals) {
    char text[400];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
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

// The value in the fixed form that readers of the rowset expect.
std::string XmlValue(const TField& f) {
    if (f.IsNull()) return {};
    switch (f.DataType()) {
    case ftDate: return IsoDate(f.AsDateTime());
    case ftTime: return IsoTime(f.AsDateTime());
    case ftDateTime: return IsoDate(f.AsDateTime()) + "T" + IsoTime(f.AsDateTime());
    case ftFloat:
    case ftCurrency: return FloatText(f.AsFloat());
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: return std::to_string(f.AsLargeInt());
    case ftBoolean: return f.AsBoolean() ? "True" : "False";
    default: return f.AsString();
    }
}

// ---- dBASE --------------------------------------------------------------------------------

struct TDbfColumn {
    TField* field;
    char letter;
    int width;
    int decimals;
};

std::string_view TrimBytes(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

std::string PadRight(std::string_view text, int width) {
    std::string out(text.substr(0, static_cast<size_t>(width)));
    out.resize(static_cast<size_t>(width), ' ');
    return out;
}

// A number too wide for its field is marked with stars, as dBASE does, never cut.
std::string PadNumber(std::string_view text, int width) {
    text = TrimBytes(text);
    if (text.size() > static_cast<size_t>(width)) return std::string(static_cast<size_t>(width), '*');
    return std::string(static_cast<size_t>(width) - text.size(), ' ') + std::string(text);
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
    total_ = dataset_->RecordCount();
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

void TVolgaXMLConverter::Build() {
    TDataSet& ds = *Dataset();
    lines_.clear();
    lines_.push_back("<?xml version=\"1.0\" encoding=\"" + XmlEscape(encoding_) + "\"?>");
    lines_.push_back("<xml xmlns:s=\"uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882\"");
    lines_.push_back("xmlns:dt=\"uuid:C2F41010-65B3-11d1-A29F-00AA00C14882\"");
    lines_.push_back("xmlns:rs=\"urn:schemas-microsoft-com:rowset\"");
    lines_.push_back("xmlns:z=\"#RowsetSchema\">");
    lines_.push_back("<s:Schema id=\"RowsetSchema\">");
    lines_.push_back("<s:ElementType name=\"row\" content=\"eltOnly\">");
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
        lines_.push_back("<s:AttributeType name=\"" + (plain ? name : names.back() + "\" rs:name=\"" + name) +
                         "\" rs:number=\"" + std::to_string(i) + "\"");
        lines_.push_back("rs:basetable=\"" + XmlEscape(origin_) + "\" rs:basecolumn=\"" + name + "\" rs:maybenull=\"true\">");
        if (f.DataType() == ftString)
            lines_.push_back("<s:datatype dt:type=\"string\" dt:maxLength=\"" + std::to_string(f.Size()) + "\"/>");
        else if (const char* line = DataTypeLine(f.DataType()))
            lines_.push_back(line);
        lines_.push_back("</s:AttributeType>");
    }
    lines_.push_back("</s:ElementType>");
    lines_.push_back("</s:Schema>");
    lines_.push_back("<rs:data>");
    int written = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        std::string row = "<z:row";
        for (int i = 0; i < ds.FieldCount(); ++i) {
            const TField& f = ds.Fields()[i];
            if (f.IsBlob()) continue;
            row += ' ';
            row += names[static_cast<size_t>(i)];
            row += "=\"";
            row += XmlEscape(XmlValue(f));
            row += '"';
        }
        row += "/>";
        lines_.push_back(std::move(row));
        RecordDone(++written);
    }
    lines_.push_back("</rs:data>");
    lines_.push_back("</xml>");
}

void TVolgaXMLConverter::SaveToFile(const std::filesystem::path& fileName) {
    CheckFileName(fileName);
    Prepare();
    // An unknown charset is refused before anything is built.
    if (!IsUtf8Name(encoding_)) ConvertCharset("a", "UTF-8", IconvCharset(encoding_));
    Build();
    std::string text;
    size_t length = 0;
    for (const std::string& line : lines_) length += line.size() + 2;
    text.reserve(length);
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    WriteFileDurably(fileName, ToCharset(text, encoding_));
}

// ---- dBASE --------------------------------------------------------------------------------

void TZuzezARFConverter::SaveToFile(const std::filesystem::path& fileName) {
    CheckFileName(fileName);
    if (Utf8Upper(fileName.extension().string()) != ".DBF")
        DatabaseError("The file name must end with \".dbf\" : " + fileName.string(), this);
    std::string out;
    WriteToStream(out);
    WriteFileDurably(fileName, out);
}

void TZuzezARFConverter::WriteToStream(std::string& out) {
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
    if (hasMemo)
        for (ds.First(); !ds.Eof(); ds.Next())
            for (TDbfColumn& c : columns)
                if (c.decimals < 0)
                    c.width = std::clamp(static_cast<int>(TrimBytes(bytes(c.field->AsString())).size()), c.width, 254);

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
    const size_t start = out.size();
    // The whole table is known in size: it is written without growing the buffer row by row.
    out.reserve(start + header.HeaderLength + static_cast<size_t>(recordLength) * static_cast<size_t>(std::max(total_, 0)) + 1);
    out += header.Encode() + descriptors + "\x0D";

    uint32_t written = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        out.push_back(' ');
        for (const TDbfColumn& c : columns) {
            const TField& f = *c.field;
            const bool null = f.IsNull();
            switch (f.DataType()) {
            case ftSmallint:
            case ftWord:
            case ftInteger:
            case ftAutoInc:
            case ftLargeint: out += null ? std::string(static_cast<size_t>(c.width), ' ') : PadNumber(std::to_string(f.AsLargeInt()), c.width); break;
            case ftFloat:
            case ftCurrency: out += PadNumber(FixedText(null ? 0.0 : f.AsFloat(), 4), c.width); break;
            case ftBoolean: out += !null && f.AsBoolean() ? "T" : "F"; break;
            case ftDate: {
                const std::string iso = null ? std::string() : IsoDate(f.AsDateTime());
                out += null ? std::string(8, ' ') : iso.substr(0, 4) + iso.substr(5, 2) + iso.substr(8, 2);
                break;
            }
            case ftTime: out += PadRight(null ? std::string() : IsoTime(f.AsDateTime()), c.width); break;
            case ftBlob:
            case ftGraphic: out += std::string(static_cast<size_t>(c.width), ' '); break;
            case ftDateTime: {
                std::string text;
                if (!null) {
                    const std::string iso = IsoDate(f.AsDateTime());
                    text = iso.substr(8, 2) + "." + iso.substr(5, 2) + "." + iso.substr(0, 4) + " " + IsoTime(f.AsDateTime());
                }
                out += PadRight(text, c.width);
                break;
            }
            default: out += PadRight(TrimBytes(bytes(f.AsString())), c.width); break;
            }
        }
        ++written;
        RecordDone(static_cast<int>(written));
    }
    // The count of the records really written, whatever the dataset said at the start.
    header.RecordCount = written;
    out.replace(start, 32, header.Encode());
    if (written > 0) out.push_back('\x1A');
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

    std::vector<TField*> fields;
    for (int i = 0; i < ds.FieldCount(); ++i)
        if (ds.Fields()[i].Visible() && !ds.Fields()[i].IsBlob()) fields.push_back(&ds.Fields()[i]);
    std::vector<size_t> widths(fields.size());
    auto check = [&](lxw_error error) {
        if (error != LXW_NO_ERROR) fail(error);
    };
    for (size_t c = 0; c < fields.size(); ++c) {
        check(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), fields[c]->DisplayLabel().c_str(), bold));
        widths[c] = Utf8Length(fields[c]->DisplayLabel());
    }
    lxw_row_t row = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        ++row;
        for (size_t c = 0; c < fields.size(); ++c) {
            const TField& f = *fields[c];
            if (f.IsNull()) continue;
            const lxw_col_t col = static_cast<lxw_col_t>(c);
            std::string shown;
            switch (f.DataType()) {
            case ftSmallint:
            case ftWord:
            case ftInteger:
            case ftAutoInc:
            case ftLargeint:
            case ftFloat:
            case ftCurrency:
                check(worksheet_write_number(sheet, row, col, f.AsFloat(), nullptr));
                shown = FloatText(f.AsFloat());
                break;
            case ftBoolean:
                check(worksheet_write_boolean(sheet, row, col, f.AsBoolean(), nullptr));
                shown = "FALSE";
                break;
            case ftDate:
            case ftTime:
            case ftDateTime: {
                const TDateTime value = f.AsDateTime();
                int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, ms = 0;
                DecodeDate(value, y, m, d);
                DecodeTime(value, h, n, s, ms);
                lxw_format* format = f.DataType() == ftDate ? dateFormat : f.DataType() == ftTime ? timeFormat : dateTimeFormat;
                shown = f.DataType() == ftDate ? IsoDate(value) : f.DataType() == ftTime ? IsoTime(value) : IsoDate(value) + " " + IsoTime(value);
                if (f.DataType() == ftTime) {
                    lxw_datetime t{0, 0, 0, h, n, s + ms / 1000.0};
                    check(worksheet_write_datetime(sheet, row, col, &t, format));
                } else if (y >= 1900) {
                    lxw_datetime t{y, m, d, f.DataType() == ftDate ? 0 : h, f.DataType() == ftDate ? 0 : n,
                                   f.DataType() == ftDate ? 0.0 : s + ms / 1000.0};
                    check(worksheet_write_datetime(sheet, row, col, &t, format));
                } else {
                    // Workbooks hold no dates before 1900: the date stays readable as text.
                    check(worksheet_write_string(sheet, row, col, shown.c_str(), nullptr));
                }
                break;
            }
            default:
                shown = f.AsString();
                check(worksheet_write_string(sheet, row, col, shown.c_str(), nullptr));
                break;
            }
            widths[c] = std::max(widths[c], Utf8Length(shown));
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

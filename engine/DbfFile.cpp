#include "engine/DbfFile.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/FormatSettings.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace kvz {

namespace {

uint64_t Be(std::string_view b, size_t at, int n) {
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
    return v;
}
std::string_view Trim(std::string_view s) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool ParseDigits(std::string_view s, int& out) {
    if (s.empty()) return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

struct LanguageMark {
    int codePage;
    uint8_t mark;
};
// Marks of the ANSI code pages and of the OEM ones, as readers of today know them.
constexpr LanguageMark kAnsiMarks[] = {
    {437, 0x1B},  {737, 0x6A},  {850, 0x02},  {852, 0x64},  {857, 0x6B},  {861, 0x67},  {865, 0x66},
    {866, 0x65},  {874, 0x7C},  {932, 0x7B},  {936, 0x7A},  {949, 0x79},  {950, 0x78},  {1250, 0xC8},
    {1251, 0xC9}, {1252, 0x57}, {1253, 0xCB}, {1254, 0xCA}, {1255, 0x7D}, {1256, 0x7E}, {1257, 0xCC},
};
constexpr LanguageMark kOemMarks[] = {
    {437, 0x19}, {737, 0x86}, {850, 0x02}, {852, 0x22}, {857, 0x88}, {860, 0x24}, {863, 0x1C}, {865, 0x17},
    {866, 0x26}, {874, 0x50}, {932, 0x13}, {936, 0x4D}, {949, 0x4E}, {950, 0x4F},
};
// Code pages of the language bytes that readers and writers use.
constexpr LanguageMark kReadMarks[] = {
    {437, 0x01},  {850, 0x02},  {1252, 0x03}, {865, 0x08},  {437, 0x09},  {850, 0x0A},  {437, 0x0B},
    {437, 0x0D},  {850, 0x0E},  {437, 0x0F},  {850, 0x10},  {437, 0x11},  {850, 0x12},  {932, 0x13},
    {850, 0x14},  {437, 0x15},  {850, 0x16},  {865, 0x17},  {437, 0x18},  {437, 0x19},  {850, 0x1A},
    {437, 0x1B},  {863, 0x1C},  {850, 0x1D},  {852, 0x1F},  {852, 0x22},  {852, 0x23},  {860, 0x24},
    {850, 0x25},  {866, 0x26},  {850, 0x37},  {852, 0x40},  {936, 0x4D},  {949, 0x4E},  {950, 0x4F},
    {874, 0x50},  {1252, 0x57}, {1252, 0x58}, {1252, 0x59}, {852, 0x64},  {866, 0x65},  {865, 0x66},
    {861, 0x67},  {737, 0x6A},  {857, 0x6B},  {863, 0x6C},  {950, 0x78},  {949, 0x79},  {936, 0x7A},
    {932, 0x7B},  {874, 0x7C},  {1255, 0x7D}, {1256, 0x7E},
    {1250, 0x7F}, // the mark that our older exports gave 1250
    {737, 0x86},  {852, 0x87},  {857, 0x88},  {1250, 0xC8}, {1251, 0xC9}, {1254, 0xCA}, {1253, 0xCB},
    {1257, 0xCC},
};

} // namespace

uint32_t DbfLe32(std::string_view b, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

uint16_t DbfLe16(std::string_view b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

void DbfPutLe(std::string& out, size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) out[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i) & 0xFF);
}

void TDbfHeader::StampToday() {
    int y = 0, m = 0, d = 0;
    DecodeDate(Today(), y, m, d);
    Year = static_cast<uint8_t>(std::clamp(y - 1900, 0, 255));
    Month = static_cast<uint8_t>(m);
    Day = static_cast<uint8_t>(d);
}

std::string TDbfHeader::Encode() const {
    std::string out(32, '\0');
    out[0] = static_cast<char>(Version);
    out[1] = static_cast<char>(Year);
    out[2] = static_cast<char>(Month);
    out[3] = static_cast<char>(Day);
    DbfPutLe(out, 4, RecordCount, 4);
    DbfPutLe(out, 8, HeaderLength, 2);
    DbfPutLe(out, 10, RecordLength, 2);
    out[29] = static_cast<char>(LanguageId);
    return out;
}

TDbfHeader TDbfHeader::Decode(std::string_view b) {
    TDbfHeader h;
    h.Version = static_cast<uint8_t>(b[0]);
    h.Year = static_cast<uint8_t>(b[1]);
    h.Month = static_cast<uint8_t>(b[2]);
    h.Day = static_cast<uint8_t>(b[3]);
    h.RecordCount = DbfLe32(b, 4);
    h.HeaderLength = DbfLe16(b, 8);
    h.RecordLength = DbfLe16(b, 10);
    h.LanguageId = static_cast<uint8_t>(b[29]);
    return h;
}

TDbfVersionInfo DbfVersionInfo(uint8_t versionByte) {
    switch (versionByte) {
    case 0x83: return {2, 32, 32, true};
    case 0x04:
    case 0x8C: return {5, 68, 48, true};
    // FoxPro tables keep the 32-byte descriptors of dBASE III, and their binary integers are
    // little-endian.
    case 0xF5: return {6, 32, 32, false};
    case 0x30:
    case 0x31:
    case 0x32: return {7, 32, 32, false};
    default: return {3, 32, 32, true};
    }
}

uint8_t DbfLanguageByteOf(int codePage, bool oem) {
    auto find = [codePage](const auto& table) -> uint8_t {
        for (const LanguageMark& m : table)
            if (m.codePage == codePage) return m.mark;
        return 0;
    };
    return oem ? find(kOemMarks) : find(kAnsiMarks);
}

int DbfCodePageOfLanguageByte(uint8_t languageId) {
    for (const LanguageMark& m : kReadMarks)
        if (m.mark == languageId) return m.codePage;
    return 0;
}

void NormaliseDbfField(TDbfFieldDef& def, char letter, int storedSize, int storedPrec) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    def.NativeFieldType = letter;
    def.StoredSize = storedSize;
    def.Size = 0;
    def.Prec = 0;
    switch (letter) {
    case 'C':
        def.FieldType = TDbfFieldKind::String;
        def.Size = std::min(storedSize, 254);
        break;
    case 'N':
    case 'F':
        def.Size = std::min(storedSize, 20);
        if (letter == 'N' && storedPrec == 0) {
            def.FieldType = def.Size <= 4 ? TDbfFieldKind::Smallint : def.Size <= 9 ? TDbfFieldKind::Integer : TDbfFieldKind::Largeint;
        } else {
            def.FieldType = TDbfFieldKind::Float;
            def.Prec = std::max(0, std::min(storedPrec, def.Size - 2));
        }
        break;
    case 'O':
        def.FieldType = TDbfFieldKind::Float;
        def.Size = storedSize;
        break;
    case 'D': def.FieldType = TDbfFieldKind::Date; def.Size = 8; break;
    case 'L': def.FieldType = TDbfFieldKind::Boolean; def.Size = 1; break;
    case 'M': def.FieldType = TDbfFieldKind::Memo; def.Size = 10; break;
    case 'B': def.FieldType = TDbfFieldKind::Blob; def.Size = 10; break;
    case 'G': def.FieldType = TDbfFieldKind::Graphic; def.Size = 10; break;
    case 'I': def.FieldType = TDbfFieldKind::Integer; def.Size = 4; break;
    case '+': def.FieldType = TDbfFieldKind::AutoInc; def.Size = 4; break;
    case '@': def.FieldType = TDbfFieldKind::DateTime; def.Size = storedSize; break;
    default:
        def.FieldType = TDbfFieldKind::Unknown;
        def.NativeFieldType = 0;
        break;
    }
}

std::string EncodeDbfDescriptor(std::string_view name, char letter, uint32_t offset, uint8_t width, uint8_t decimals) {
    std::string out(32, '\0');
    std::memcpy(out.data(), name.data(), std::min<size_t>(name.size(), 10));
    out[11] = letter;
    DbfPutLe(out, 12, offset, 4);
    out[16] = static_cast<char>(width);
    out[17] = static_cast<char>(decimals);
    return out;
}

bool ParseDbfDate(std::string_view text, double& out) {
    text = Trim(text);
    if (text.empty()) return false;
    int year = 0, month = 1, day = 1;
    const std::string_view yearText = text.substr(0, 4);
    if (!ParseDigits(yearText, year)) return false;
    if (text.size() > 4 && !ParseDigits(text.substr(4, 2), month)) return false;
    if (text.size() > 6 && !ParseDigits(text.substr(6, 2), day)) return false;
    if (yearText.size() <= 2) {
        int nowYear = 0, m = 0, d = 0;
        DecodeDate(Today(), nowYear, m, d);
        const int base = nowYear - FormatSettings().TwoDigitYearCenturyWindow;
        year += base / 100 * 100;
        if (year < base) year += 100;
    }
    return TryEncodeDate(year, month, day, out);
}

// ---- Memo file --------------------------------------------------------------------------

TDBTFile::TDBTFile(const std::filesystem::path& path, int versionClass)
    : content_(ReadWholeFile(path)), versionClass_(versionClass) {
    Init();
}

TDBTFile::TDBTFile(std::string content, int versionClass) : content_(std::move(content)), versionClass_(versionClass) {
    Init();
}

void TDBTFile::Init() {
    blockSize_ = content_.size() >= 22 ? DbfLe16(content_, 20) : 0;
    if (blockSize_ == 0 || blockSize_ % 128 != 0 || versionClass_ < 3) blockSize_ = 512;
}

std::string TDBTFile::ReadMemo(uint32_t block) const {
    if (block == 0) return {};
    const uint64_t start = static_cast<uint64_t>(block) * blockSize_;
    if (start >= content_.size())
        throw EDbfFileError("Memo block " + std::to_string(block) + " lies past the end of the memo file");
    const std::string_view rest = std::string_view(content_).substr(static_cast<size_t>(start));
    if (versionClass_ >= 3 && rest.size() >= 8 && rest.substr(0, 4) == std::string_view("\xFF\xFF\x08\x00", 4)) {
        const uint64_t length = DbfLe32(rest, 4);
        if (length <= 8) return {};
        return std::string(rest.substr(8, static_cast<size_t>(std::min<uint64_t>(length - 8, rest.size() - 8))));
    }
    // A dBASE III memo ends at two end marks (26, 26) or a zero byte, looked for within each
    // block but its last byte; a block without an end is taken whole, and a block that starts
    // with 26 after one whose last byte was 26 ends the memo before it. One that never ends runs
    // to the end of the file.
    std::string out;
    bool lastWasMark = false;
    for (size_t at = 0; at < rest.size(); at += blockSize_) {
        const std::string_view block = rest.substr(at, blockSize_);
        if (lastWasMark && block.front() == '\x1A') break;
        const size_t examined = std::min<size_t>(block.size(), blockSize_ - 1);
        for (size_t i = 0; i < examined; ++i)
            if (block[i] == '\0' || (block[i] == '\x1A' && i + 1 < block.size() && block[i + 1] == '\x1A'))
                return out.append(block.substr(0, i));
        out.append(block);
        lastWasMark = block.back() == '\x1A';
    }
    return out;
}

uint32_t TDBTFile::WriteMemo(uint32_t oldBlock, std::string_view bytes) {
    if (bytes.empty()) return 0;
    // dBASE III ends a memo with two end marks; later versions give its length before it.
    std::string stored = versionClass_ < 3 ? std::string(bytes) + "\x1A\x1A"
                                           : std::string("\xFF\xFF\x08\x00", 4) + std::string(4, '\0') + std::string(bytes);
    if (versionClass_ >= 3) DbfPutLe(stored, 4, static_cast<uint32_t>(bytes.size() + 8), 4);
    if (content_.size() < blockSize_) content_.resize(blockSize_, '\0');
    const uint64_t oldStart = static_cast<uint64_t>(oldBlock) * blockSize_;
    uint64_t block = oldBlock;
    if (oldBlock == 0 || oldStart >= content_.size() ||
        BlocksOf(stored.size()) > BlocksOf(ReadMemo(oldBlock).size() + (versionClass_ < 3 ? 2 : 8))) {
        block = std::max<uint64_t>(DbfLe32(content_, 0), BlocksOf(content_.size()));
        if (block + BlocksOf(stored.size()) > UINT32_MAX) throw EDbfFileError("The memo file is full");
        DbfPutLe(content_, 0, static_cast<uint32_t>(block + BlocksOf(stored.size())), 4);
    }
    const size_t at = static_cast<size_t>(block * blockSize_);
    stored.resize(static_cast<size_t>(BlocksOf(stored.size()) * blockSize_), versionClass_ < 3 ? '\x1A' : '\0');
    if (content_.size() < at + stored.size()) content_.resize(at + stored.size(), '\0');
    content_.replace(at, stored.size(), stored);
    return static_cast<uint32_t>(block);
}

std::string TDBTFile::Empty(int versionClass) {
    std::string out(512, '\0');
    DbfPutLe(out, 0, 1, 4);
    if (versionClass >= 3) DbfPutLe(out, 20, 512, 2);
    return out;
}

// ---- Table file -------------------------------------------------------------------------

std::optional<std::filesystem::path> FindCompanionFile(const std::filesystem::path& table, std::string_view extension) {
    std::filesystem::path name = table.filename();
    name.replace_extension(std::string(extension));
    std::filesystem::path folder = table.parent_path();
    if (folder.empty()) folder = ".";
    return FindNoCase(folder, name.string());
}

namespace {

// Records read at once from a file that is not loaded whole.
constexpr uint64_t kRecordBlockBytes = 1 << 20;

[[noreturn]] void FailRead(const std::filesystem::path& path) {
    throw FileError("Cannot read file \"" + path.string() + "\": " + std::strerror(errno), path, errno);
}

} // namespace

TDbfFile::TDbfFile(const std::filesystem::path& path) : path_(path), loaded_(false) {
    in_.open(path, std::ios::binary);
    if (!in_) FailRead(path);
    std::error_code ec;
    fileSize_ = std::filesystem::file_size(path, ec);
    if (ec) throw FileError("Cannot read file \"" + path.string() + "\": " + ec.message(), path, ec.value());
    // The header alone: its length is checked against the file's size before it is read.
    content_.resize(static_cast<size_t>(std::min<uint64_t>(fileSize_, 32)));
    if (!in_.read(content_.data(), static_cast<std::streamsize>(content_.size()))) FailRead(path);
    if (content_.size() == 32) {
        const uint16_t length = DbfLe16(content_, 8);
        if (length > 32 && length <= fileSize_) {
            content_.resize(length);
            if (!in_.read(content_.data() + 32, length - 32)) FailRead(path);
        }
    }
    Parse(std::nullopt, true);
}

void TDbfFile::LoadRecords() {
    if (loaded_) return;
    const size_t headerLength = header_.HeaderLength;
    std::string whole = ReadWholeFile(path_);
    if (whole.size() < headerLength) throw EDbfFileError("The table file was cut while it was open : " + path_.string());
    // The header as this file keeps it (counters already given out stay given out).
    whole.replace(0, headerLength, content_, 0, headerLength);
    content_ = std::move(whole);
    loaded_ = true;
    block_.clear();
    block_.shrink_to_fit();
    in_.close();
}

TDbfFile::TDbfFile(std::string content, std::optional<std::string> memo) : content_(std::move(content)) {
    Parse(std::move(memo), false);
}

void TDbfFile::Parse(std::optional<std::string> memo, bool fromDisk) {
    const std::string shown = path_.empty() ? std::string("(table)") : path_.string();
    const uint64_t size = loaded_ ? content_.size() : fileSize_;
    if (size < 32 || content_.size() < 32) throw EDbfFileError("The table file is too short for its header : " + shown);
    header_ = TDbfHeader::Decode(content_);
    info_ = DbfVersionInfo(header_.Version);
    if (header_.HeaderLength > content_.size() || header_.HeaderLength < info_.HeaderSize + 1)
        throw EDbfFileError("The header of the table file is damaged or cut off : " + shown);
    codePage_ = DbfCodePageOfLanguageByte(header_.LanguageId);
    if (codePage_ == 0) codePage_ = OemCodePageOf(DataCodePage());
    const CodePageTables* tables = IsSingleByteCodePage(codePage_) ? &CodePageTablesFor(codePage_) : nullptr;

    const std::string_view head(content_.data(), header_.HeaderLength);
    const size_t ds = static_cast<size_t>(info_.DescriptorSize);
    const size_t nameSize = ds == 32 ? 11 : 32;
    int offset = 1;
    // The descriptors end at the 0x0D mark; a header without it ends where its length says.
    for (size_t pos = static_cast<size_t>(info_.HeaderSize); pos + ds <= head.size() && head[pos] != '\x0D'; pos += ds) {
        const std::string_view d = head.substr(pos, ds);
        TDbfFieldDef def;
        std::string_view name = d.substr(0, nameSize);
        name = name.substr(0, name.find('\0'));
        for (char c : name) def.FieldName.push_back(tables ? static_cast<char>(tables->upper[static_cast<uint8_t>(c)]) : c);
        const char letter = d[nameSize];
        const int size = static_cast<uint8_t>(d[ds == 32 ? 16 : 33]);
        const int prec = static_cast<uint8_t>(d[ds == 32 ? 17 : 34]);
        NormaliseDbfField(def, letter, size, prec);
        if (ds == 48) def.AutoIncNext = DbfLe32(d, 42);
        def.Offset = offset;
        offset += size;
        fields_.push_back(std::move(def));
        if (fields_.size() > 4095) break;
    }
    if (fields_.empty() || fields_.size() > 4095)
        throw EDbfFileError("Invalid field count : " + std::to_string(fields_.size()) + " (must be between 1 and 4095)");
    recordLength_ = offset;
    // Fields of no width make records of the deletion flag alone: a million of them in a
    // megabyte of nothing.
    if (recordLength_ <= 1) throw EDbfFileError("The fields of the table hold no data : " + shown);
    const uint64_t body = size - header_.HeaderLength;
    recordCount_ = static_cast<uint32_t>(std::min<uint64_t>(body / static_cast<uint64_t>(recordLength_), UINT32_MAX));
    // Behind the last whole record only the end mark may follow.
    const uint64_t rest = body - static_cast<uint64_t>(recordCount_) * static_cast<uint64_t>(recordLength_);
    bool endMark = false;
    if (rest == 1) {
        if (loaded_) {
            endMark = content_.back() == '\x1A';
        } else {
            endMark = std::string_view(Record(recordCount_ + 1, true)).substr(0, 1) == "\x1A";
        }
    }
    cut_ = (rest > 0 && !endMark) || header_.RecordCount > recordCount_;

    const bool hasMemo = std::any_of(fields_.begin(), fields_.end(), [](const TDbfFieldDef& f) { return f.IsMemo(); });
    if (!hasMemo) return;
    if (memo) {
        memo_.emplace(std::move(*memo), info_.VersionClass);
    } else if (fromDisk) {
        // Without its memo file the table is still read, its memo fields empty.
        const auto memoPath = FindCompanionFile(path_, ".dbt");
        if (!memoPath) {
            missingMemo_ = std::filesystem::path(path_).replace_extension(".dbt");
            return;
        }
        memo_.emplace(*memoPath, info_.VersionClass);
        memoPath_ = *memoPath;
    }
}

std::string TDbfFile::FromUtf8(std::string_view utf8) const {
    if (IsSingleByteCodePage(codePage_)) return Utf8ToCodePage(utf8, codePage_);
    return ConvertCharset(utf8, "UTF-8", CodePageCharsetName(codePage_));
}

void TDbfFile::SetRecord(uint32_t recNo, std::string_view record) {
    LoadRecords();
    if (recNo < 1 || recNo > recordCount_ || record.size() != static_cast<size_t>(recordLength_))
        throw EDbfFileError("Record " + std::to_string(recNo) + " is not in the table");
    content_.replace(header_.HeaderLength + static_cast<size_t>(recNo - 1) * static_cast<size_t>(recordLength_), record.size(), record);
    modified_ = true;
}

uint32_t TDbfFile::AppendRecord(std::string_view record) {
    if (record.size() != static_cast<size_t>(recordLength_)) throw EDbfFileError("The record does not fit the table");
    LoadRecords();
    // Whatever followed the last whole record (an end mark, a partial record) goes.
    content_.resize(header_.HeaderLength + static_cast<size_t>(recordCount_) * static_cast<size_t>(recordLength_));
    content_ += record;
    modified_ = true;
    return ++recordCount_;
}

uint32_t TDbfFile::NextAutoInc(size_t fieldIndex) {
    TDbfFieldDef& f = fields_.at(fieldIndex);
    if (f.AutoIncNext == 0) f.AutoIncNext = 1;
    return f.AutoIncNext++;
}

void TDbfFile::EncodeValue(const TDbfFieldDef& field, std::string& record, const TDbfValue& value) const {
    const size_t width = static_cast<size_t>(field.StoredSize);
    std::string text;
    auto binary = [&](uint64_t bits, int n) {
        text.assign(static_cast<size_t>(n), '\0');
        for (int i = 0; i < n; ++i) text[static_cast<size_t>(i)] = static_cast<char>(info_.BigEndianBinary ? bits >> (8 * (n - 1 - i)) : bits >> (8 * i));
    };
    if (value.kind == TDbfValue::Null) {
        text.assign(width, field.NativeFieldType == '+' || field.NativeFieldType == 'I' || field.NativeFieldType == 'O' ||
                                   field.NativeFieldType == '@' ? '\0' : ' ');
    } else if ((field.NativeFieldType == '+' || field.NativeFieldType == 'I') && width == 4) {
        const uint32_t v = static_cast<uint32_t>(static_cast<int32_t>(value.integer));
        binary(info_.BigEndianBinary ? v ^ 0x80000000u : v, 4);
    } else if (field.NativeFieldType == 'O' && width == 8) {
        uint64_t bits = 0;
        std::memcpy(&bits, &value.number, 8);
        binary((bits >> 63) ? ~bits : bits | (uint64_t(1) << 63), 8);
    } else if (field.NativeFieldType == '@' && width == 8) {
        const double msecs = DateTimeToMSecs(value.number);
        uint64_t bits = 0;
        std::memcpy(&bits, &msecs, 8);
        binary(bits, 8);
    } else {
        bool number = true;
        switch (value.kind) {
        case TDbfValue::Text:
        case TDbfValue::Memo: text = value.text; number = false; break;
        case TDbfValue::Integer: text = std::to_string(value.integer); break;
        case TDbfValue::Float: {
            char buffer[400];
            auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value.number, std::chars_format::fixed, field.Prec);
            text.assign(buffer, ec == std::errc() ? end : buffer);
            break;
        }
        case TDbfValue::Boolean: text = value.boolean ? "T" : "F"; break;
        case TDbfValue::DateTime: {
            int y = 0, m = 0, d = 0;
            DecodeDate(value.number, y, m, d);
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", y, m, d);
            text = buffer;
            break;
        }
        case TDbfValue::Null: break;
        }
        if (text.size() > width) {
            if (number)
                throw EDbfFileError("Value is too long : " + std::to_string(text.size()) + " characters (it can't be more than " +
                                    std::to_string(width) + ").");
            text.resize(width);
        }
        const bool right = number && (value.kind == TDbfValue::Integer || value.kind == TDbfValue::Float);
        text = right ? std::string(width - text.size(), ' ') + text : text + std::string(width - text.size(), ' ');
    }
    record.replace(static_cast<size_t>(field.Offset), width, text);
}

void TDbfFile::Save() {
    if (path_.empty()) throw EDbfFileError("The table has no file to be saved in");
    LoadRecords();
    header_.StampToday();
    header_.RecordCount = recordCount_;
    content_.replace(0, 8, header_.Encode().substr(0, 8));
    if (info_.DescriptorSize == 48)
        for (size_t i = 0; i < fields_.size(); ++i)
            if (fields_[i].NativeFieldType == '+') {
                std::string counter(4, '\0');
                DbfPutLe(counter, 0, fields_[i].AutoIncNext, 4);
                content_.replace(static_cast<size_t>(info_.HeaderSize) + i * 48 + 42, 4, counter);
            }
    content_.resize(header_.HeaderLength + static_cast<size_t>(recordCount_) * static_cast<size_t>(recordLength_));
    content_.push_back('\x1A');
    if (memo_) WriteFileDurably(memoPath_, memo_->Content());
    WriteFileDurably(path_, content_);
    content_.pop_back();
    modified_ = false;
}

void TDbfFile::Create(const std::filesystem::path& path, const std::vector<TDbfFieldDef>& fields, int codePage) {
    std::string descriptors;
    int recordLength = 1;
    bool memo = false;
    for (const TDbfFieldDef& f : fields) {
        descriptors += EncodeDbfDescriptor(f.FieldName, f.NativeFieldType, static_cast<uint32_t>(recordLength),
                                           static_cast<uint8_t>(f.StoredSize), static_cast<uint8_t>(f.Prec));
        recordLength += f.StoredSize;
        memo = memo || f.NativeFieldType == 'M';
    }
    if (fields.empty() || fields.size() > 4095 || recordLength > 65535)
        throw EDbfFileError("Invalid field count : " + std::to_string(fields.size()) + " (must be between 1 and 4095)");
    TDbfHeader h;
    h.Version = memo ? 0x83 : 0x03;
    h.HeaderLength = static_cast<uint16_t>(32 + descriptors.size() + 1);
    h.RecordLength = static_cast<uint16_t>(recordLength);
    h.LanguageId = DbfLanguageByteOf(codePage, false);
    h.StampToday();
    if (memo) WriteFileDurably(std::filesystem::path(path).replace_extension(".dbt"), TDBTFile::Empty(2));
    WriteFileDurably(path, h.Encode() + descriptors + "\x0D\x1A");
}

int TDbfFile::FieldIndex(std::string_view name) const {
    for (size_t i = 0; i < fields_.size(); ++i) {
        const std::string& f = fields_[i].FieldName;
        if (f.size() == name.size() &&
            std::equal(f.begin(), f.end(), name.begin(), [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b)); }))
            return static_cast<int>(i);
    }
    return -1;
}

std::string_view TDbfFile::Record(uint32_t recNo) const { return Record(recNo, false); }

std::string_view TDbfFile::Record(uint32_t recNo, bool tail) const {
    if (recNo < 1 || (recNo > recordCount_ && !tail)) throw EDbfFileError("Record " + std::to_string(recNo) + " is not in the table");
    const uint64_t at = header_.HeaderLength + static_cast<uint64_t>(recNo - 1) * static_cast<uint64_t>(recordLength_);
    if (loaded_) return std::string_view(content_).substr(static_cast<size_t>(at), static_cast<size_t>(recordLength_));
    const uint64_t length = static_cast<uint64_t>(recordLength_);
    if (at < blockStart_ || at + length > blockStart_ + block_.size()) {
        // A block of whole records from this one on (at least the one record).
        const uint64_t want = std::max(length, kRecordBlockBytes / length * length);
        const uint64_t count = std::min(want, fileSize_ > at ? fileSize_ - at : 0);
        block_.resize(static_cast<size_t>(count));
        blockStart_ = at;
        in_.clear();
        if (!in_.seekg(static_cast<std::streamoff>(at)) || !in_.read(block_.data(), static_cast<std::streamsize>(count))) {
            block_.clear();
            throw EDbfFileError("The table file cannot be read at record " + std::to_string(recNo) + " : " + path_.string());
        }
    }
    return std::string_view(block_).substr(static_cast<size_t>(at - blockStart_), static_cast<size_t>(length));
}

std::string TDbfFile::ToUtf8(std::string_view bytes) const {
    if (IsSingleByteCodePage(codePage_)) return CodePageToUtf8(bytes, codePage_);
    return ConvertCharset(bytes, CodePageCharsetName(codePage_), "UTF-8");
}

uint32_t TDbfFile::MemoBlock(const TDbfFieldDef& field, std::string_view record) const {
    const std::string_view text =
        Trim(record.substr(static_cast<size_t>(field.Offset), static_cast<size_t>(field.StoredSize)));
    uint32_t block = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), block);
    return ec == std::errc() && p == text.data() + text.size() ? block : 0;
}

TDbfValue TDbfFile::Value(const TDbfFieldDef& field, std::string_view record) const {
    TDbfValue v;
    const std::string_view raw = record.substr(static_cast<size_t>(field.Offset), static_cast<size_t>(field.StoredSize));
    const size_t n = raw.size();
    switch (field.NativeFieldType) {
    case '+':
    case 'I': {
        if (n != 4) return v;
        if (info_.BigEndianBinary) {
            const uint32_t stored = static_cast<uint32_t>(Be(raw, 0, 4));
            if (stored == 0) return v;
            v.integer = static_cast<int32_t>(stored ^ 0x80000000u);
        } else {
            v.integer = static_cast<int32_t>(DbfLe32(raw, 0));
        }
        v.kind = TDbfValue::Integer;
        return v;
    }
    case 'O': {
        if (n != 8) return v;
        uint64_t bits = Be(raw, 0, 8);
        if (bits == 0) return v;
        bits = (bits >> 63) ? bits & ~(uint64_t(1) << 63) : ~bits;
        std::memcpy(&v.number, &bits, 8);
        v.kind = TDbfValue::Float;
        return v;
    }
    case '@': {
        if (n != 8) return v;
        uint64_t bits = Be(raw, 0, 8);
        if (bits == 0) return v;
        double msecs = 0;
        std::memcpy(&msecs, &bits, 8);
        // Days 1 to 3,652,059 are 1 January of year 1 to 31 December 9999.
        if (!(msecs >= 0 && msecs < 3652060.0 * kMSecsPerDay)) return v;
        v.number = MSecsToDateTime(msecs);
        v.kind = TDbfValue::DateTime;
        return v;
    }
    default: break;
    }
    const std::string_view text = Trim(raw);
    if (text.empty()) return v;
    switch (field.FieldType) {
    case TDbfFieldKind::String:
        v.kind = TDbfValue::Text;
        v.text = std::string(text);
        break;
    case TDbfFieldKind::Smallint:
    case TDbfFieldKind::Integer:
    case TDbfFieldKind::Largeint: {
        std::string_view digits = text.front() == '+' ? text.substr(1) : text;
        auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v.integer);
        // Overflow marks ("***") and other non-numbers read as 0, as other readers give them.
        if (ec != std::errc() || p != digits.data() + digits.size()) v.integer = 0;
        v.kind = TDbfValue::Integer;
        break;
    }
    case TDbfFieldKind::Float: {
        std::string_view digits = text.front() == '+' ? text.substr(1) : text;
        auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v.number);
        if (ec != std::errc() || p != digits.data() + digits.size()) v.number = 0;
        v.kind = TDbfValue::Float;
        break;
    }
    case TDbfFieldKind::Boolean: {
        const char c = text.front();
        if (c == '?') break; // not yet given
        v.kind = TDbfValue::Boolean;
        v.boolean = c == 'T' || c == 't' || c == 'Y' || c == 'y';
        break;
    }
    case TDbfFieldKind::Date:
        if (ParseDbfDate(text, v.number)) v.kind = TDbfValue::DateTime;
        break;
    case TDbfFieldKind::Memo:
    case TDbfFieldKind::Blob:
    case TDbfFieldKind::Graphic: {
        const uint32_t block = MemoBlock(field, record);
        if (block == 0 || !memo_) break;
        v.text = memo_->ReadMemo(block);
        if (!v.text.empty()) v.kind = TDbfValue::Memo;
        break;
    }
    default: break;
    }
    return v;
}

} // namespace kvz

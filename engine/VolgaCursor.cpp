#include "engine/VolgaCursor.h"

#include "engine/VolgaSession.h"
#include "engine/VolgaUtils.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Guid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace kvz {

namespace {

constexpr char kEntryEnd = 0x12;
constexpr char kListEnd = 0x14;
constexpr int32_t kMaxDescription = 99999;
constexpr int32_t kMaxBlobBytes = 0x3FFFFFFF;

const char* const kKindNames[] = {"Unknown", "SmallInt", "Integer",  "Int64",   "Boolean", "Double",
                                  "Currency", "Date",    "Time",     "DateTime", "AutoInc", "SmallStr",
                                  "String",  "BLOB",     "Memo",     "FmtMemo", "Graphic"};

char LetterOf(TVolgaFieldKind k) {
    switch (k) {
    case TVolgaFieldKind::SmallInt: return 'l';
    case TVolgaFieldKind::Integer: return 'i';
    case TVolgaFieldKind::Int64: return 'e';
    case TVolgaFieldKind::Boolean: return 'b';
    case TVolgaFieldKind::Double: return 'f';
    case TVolgaFieldKind::Currency: return 'c';
    case TVolgaFieldKind::Date: return 'd';
    case TVolgaFieldKind::Time: return 'v';
    case TVolgaFieldKind::DateTime: return 't';
    case TVolgaFieldKind::AutoInc: return 'a';
    case TVolgaFieldKind::BLOB: return 'o';
    case TVolgaFieldKind::Memo: return 'm';
    case TVolgaFieldKind::FmtMemo: return 'r';
    case TVolgaFieldKind::Graphic: return 'g';
    default: return 's';
    }
}

bool KindOfLetter(char c, TVolgaFieldKind& kind) {
    switch (c) {
    case 'l': kind = TVolgaFieldKind::SmallInt; return true;
    case 'i': kind = TVolgaFieldKind::Integer; return true;
    case 'e': kind = TVolgaFieldKind::Int64; return true;
    case 'b': kind = TVolgaFieldKind::Boolean; return true;
    case 'f': kind = TVolgaFieldKind::Double; return true;
    case 'c': kind = TVolgaFieldKind::Currency; return true;
    case 'd': kind = TVolgaFieldKind::Date; return true;
    case 'v': kind = TVolgaFieldKind::Time; return true;
    case 't': kind = TVolgaFieldKind::DateTime; return true;
    case 'a': kind = TVolgaFieldKind::AutoInc; return true;
    case 's': kind = TVolgaFieldKind::String; return true;
    case 'o': kind = TVolgaFieldKind::BLOB; return true;
    case 'm': kind = TVolgaFieldKind::Memo; return true;
    case 'r': kind = TVolgaFieldKind::FmtMemo; return true;
    case 'g': kind = TVolgaFieldKind::Graphic; return true;
    default: return false;
    }
}

uint16_t ValueSizeOf(TVolgaFieldKind k, int size) {
    switch (k) {
    case TVolgaFieldKind::SmallInt:
    case TVolgaFieldKind::Boolean: return 2;
    case TVolgaFieldKind::Integer:
    case TVolgaFieldKind::Date:
    case TVolgaFieldKind::Time:
    case TVolgaFieldKind::AutoInc:
    case TVolgaFieldKind::String: return 4;
    case TVolgaFieldKind::Int64:
    case TVolgaFieldKind::Double:
    case TVolgaFieldKind::Currency:
    case TVolgaFieldKind::DateTime:
    case TVolgaFieldKind::BLOB:
    case TVolgaFieldKind::Memo:
    case TVolgaFieldKind::FmtMemo:
    case TVolgaFieldKind::Graphic: return 8;
    case TVolgaFieldKind::SmallStr: return static_cast<uint16_t>(size + 1);
    default: return 0;
    }
}

bool IsNumericKind(TVolgaFieldKind k) {
    return k == TVolgaFieldKind::SmallInt || k == TVolgaFieldKind::Integer || k == TVolgaFieldKind::Int64 ||
           k == TVolgaFieldKind::Double || k == TVolgaFieldKind::Currency || k == TVolgaFieldKind::AutoInc;
}

std::string Format(const char* fmt, const std::string& name, int a, int b) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, name.c_str(), a, b);
    return buf;
}

void PutInt32(std::string& out, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
}

void AppendInt32(std::string& out, int32_t v) {
    out.append(4, '\0');
    PutInt32(out, out.size() - 4, v);
}

// A reader over the block that never steps outside it.
class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}
    size_t Remaining() const { return data_.size() - pos_; }
    size_t Pos() const { return pos_; }
    void Back(size_t n) { pos_ -= n; }
    bool Bytes(void* out, size_t n) {
        if (Remaining() < n) return false;
        std::memcpy(out, data_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    bool Int32(int32_t& v) { return Bytes(&v, 4); }
    bool View(size_t n, std::string_view& out) {
        if (Remaining() < n) return false;
        out = data_.substr(pos_, n);
        pos_ += n;
        return true;
    }

private:
    std::string_view data_;
    size_t pos_ = 0;
};

const FormatSettings& FixedFormat() {
    static const FormatSettings fs = [] {
        FormatSettings f;
        f.DateSeparator = "/";
        f.TimeSeparator = ":";
        return f;
    }();
    return fs;
}

} // namespace

const char* KindName(TVolgaFieldKind kind) { return kKindNames[static_cast<size_t>(kind)]; }

TVolgaFieldKind StringKindForSize(int size) {
    return size <= kMaxSmallStrSize ? TVolgaFieldKind::SmallStr : TVolgaFieldKind::String;
}

std::string TypeCodeOf(TVolgaFieldKind kind, int size) {
    if (kind == TVolgaFieldKind::SmallStr)
        return std::string(1, size <= 9 ? static_cast<char>('0' + size) : static_cast<char>('A' + size - 10));
    if (kind == TVolgaFieldKind::String) return "s" + std::to_string(size);
    return std::string(1, LetterOf(kind));
}

// ---- values in buffers ----

std::string_view ValueBytes(const TVolgaRowBuffer& b, const TVolgaField& f) {
    if (IsPointerKind(f.Kind)) return b.Blobs[static_cast<size_t>(f.BlobIndex)];
    if (f.Kind == TVolgaFieldKind::SmallStr) {
        const char* p = reinterpret_cast<const char*>(b.Fixed.data() + f.Position);
        return std::string_view(p, strnlen(p, f.Size));
    }
    return std::string_view(reinterpret_cast<const char*>(b.Fixed.data() + f.Position), f.ValueSize);
}

void SetValueBytes(TVolgaRowBuffer& b, const TVolgaField& f, std::string_view bytes) {
    if (IsPointerKind(f.Kind)) {
        // A String value is a zero-terminated text: it ends at its first zero byte.
        if (f.Kind == TVolgaFieldKind::String) bytes = bytes.substr(0, std::min(bytes.size(), bytes.find('\0')));
        b.Blobs[static_cast<size_t>(f.BlobIndex)].assign(bytes);
        return;
    }
    uint8_t* p = b.Fixed.data() + f.Position;
    std::memset(p, 0, f.ValueSize);
    const size_t limit = f.Kind == TVolgaFieldKind::SmallStr ? f.Size : f.ValueSize;
    std::memcpy(p, bytes.data(), std::min(bytes.size(), limit));
}

bool IsEmptyValue(const TVolgaRowBuffer& b, const TVolgaField& f) {
    switch (f.Kind) {
    case TVolgaFieldKind::Unknown: return true;
    case TVolgaFieldKind::Double:
    case TVolgaFieldKind::Currency:
    case TVolgaFieldKind::DateTime: return GetFixed<double>(b, f) == 0.0;
    case TVolgaFieldKind::SmallStr: return b.Fixed[static_cast<size_t>(f.Position)] == 0;
    default:
        if (IsPointerKind(f.Kind)) return b.Blobs[static_cast<size_t>(f.BlobIndex)].empty();
        return std::all_of(b.Fixed.begin() + f.Position, b.Fixed.begin() + f.Position + f.ValueSize,
                           [](uint8_t c) { return c == 0; });
    }
}

// ---- comparison ----

int CompareTexts(std::string_view a, std::string_view b, bool caseInsensitive, int codePage) {
    const auto la = static_cast<int>(a.size()), lb = static_cast<int>(b.size());
    if (la == 0 || lb == 0) return la - lb;
    const size_t n = std::min(a.size(), b.size());
    if (caseInsensitive) {
        const auto& collate = CodePageTablesFor(codePage).collate;
        for (size_t i = 0; i < n; ++i) {
            int d = collate[static_cast<uint8_t>(a[i])] - collate[static_cast<uint8_t>(b[i])];
            if (d != 0) return d;
        }
    } else {
        int d = std::memcmp(a.data(), b.data(), n);
        if (d != 0) return d;
    }
    return la - lb;
}

int CompareFieldValues(const TVolgaField& f, const TVolgaRowBuffer& a, const TVolgaRowBuffer& b, bool caseInsensitive,
                       int codePage) {
    auto order = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (f.Kind) {
    case TVolgaFieldKind::SmallInt: return GetFixed<int16_t>(a, f) - GetFixed<int16_t>(b, f);
    case TVolgaFieldKind::Integer:
    case TVolgaFieldKind::Date:
    case TVolgaFieldKind::Time:
    case TVolgaFieldKind::AutoInc: return order(GetFixed<int32_t>(a, f), GetFixed<int32_t>(b, f));
    case TVolgaFieldKind::Int64: return order(GetFixed<int64_t>(a, f), GetFixed<int64_t>(b, f));
    case TVolgaFieldKind::Boolean: {
        const bool x = GetFixed<int16_t>(a, f) != 0, y = GetFixed<int16_t>(b, f) != 0;
        return x == y ? 0 : (x ? -1 : 1); // true comes first
    }
    case TVolgaFieldKind::Double:
    case TVolgaFieldKind::Currency:
    case TVolgaFieldKind::DateTime: return order(GetFixed<double>(a, f), GetFixed<double>(b, f));
    case TVolgaFieldKind::SmallStr: {
        const std::string_view x = ValueBytes(a, f), y = ValueBytes(b, f);
        if (f.Numeric && x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
        return CompareTexts(x, y, caseInsensitive, codePage);
    }
    case TVolgaFieldKind::String:
    case TVolgaFieldKind::Memo:
    case TVolgaFieldKind::FmtMemo:
        return CompareTexts(ValueBytes(a, f), ValueBytes(b, f), caseInsensitive, codePage);
    default: return 0;
    }
}

int CompareRowBuffers(const std::vector<const TVolgaField*>& fields, const TVolgaRowBuffer& a, const TVolgaRowBuffer& b,
                      bool caseInsensitive, int codePage) {
    for (const TVolgaField* f : fields) {
        int d = CompareFieldValues(*f, a, b, caseInsensitive, codePage);
        if (d != 0) return d;
    }
    return 0;
}

// ---- the cursor ----

void TRowBytes::Resize(size_t size) {
    if (size == size_ && data_) return;
    Free();
    if (size == 0) return;
    data_ = static_cast<uint8_t*>(arena_ ? arena_->Allocate(size) : ::operator new(size));
    size_ = size;
}

void TRowBytes::Free() {
    if (data_ && !arena_) ::operator delete(data_);
    data_ = nullptr;
    size_ = 0;
}

void TRowTexts::resize(size_t count) {
    Destroy();
    if (count == 0) return;
    void* memory = arena_ ? arena_->Allocate(count * sizeof(TRowText)) : ::operator new(count * sizeof(TRowText));
    items_ = static_cast<TRowText*>(memory);
    for (size_t i = 0; i < count; ++i) new (&items_[i]) TRowText(arena_);
    count_ = count;
}

void TRowTexts::Destroy() {
    // Values in an arena own nothing: the arena gives their memory back all at once.
    if (!arena_) {
        for (size_t i = 0; i < count_; ++i) items_[i].~TRowText();
        ::operator delete(items_);
    }
    items_ = nullptr;
    count_ = 0;
}

void* TRowArena::Allocate(size_t bytes) {
    // Chunks small enough for the heap to take back and hand out again, rather than fresh
    // pages for every read.
    constexpr size_t kChunk = 256 * 1024;
    constexpr size_t kAlign = alignof(std::max_align_t);
    bytes = (bytes + kAlign - 1) / kAlign * kAlign;
    if (bytes > left_) {
        const size_t size = std::max(kChunk, bytes);
        chunks_.push_back(std::make_unique_for_overwrite<std::byte[]>(size));
        next_ = chunks_.back().get();
        left_ = size;
    }
    void* p = next_;
    next_ += bytes;
    left_ -= bytes;
    return p;
}

TVolgaCursor::TVolgaCursor(TVolgaSession* session)
    : session_(session ? session : &VolgaSession()), formatSettings_(FormatSettings::ForLanguage(1)),
      codePage_(DataCodePage()) {}

TVolgaCursor::~TVolgaCursor() { Clear(true); }

void TVolgaCursor::AppendField(TVolgaField field) {
    field.ValueSize = ValueSizeOf(field.Kind, field.Size);
    field.Position = rowSize_;
    field.Numeric = IsNumericKind(field.Kind) ? 1 : 0;
    field.Index = static_cast<int32_t>(fields_.size());
    field.BlobIndex = IsPointerKind(field.Kind) ? blobCount_++ : -1;
    rowSize_ += field.ValueSize;
    if (field.Kind == TVolgaFieldKind::AutoInc && autoIncField_ < 0) autoIncField_ = field.Index;
    fields_.push_back(std::move(field));
}

const TVolgaField& TVolgaCursor::AddField(std::string_view name, TVolgaFieldKind kind, int size,
                                          std::string_view defaultText, std::string_view secondText,
                                          std::string_view origin) {
    if (kind == TVolgaFieldKind::SmallStr && (size < 1 || size > kMaxSmallStrSize))
        throw std::invalid_argument("Invalid size " + std::to_string(size) + " of field '" + std::string(name) + "'");
    if (kind == TVolgaFieldKind::String && (size < 1 || size > kMaxStringBytes))
        throw std::invalid_argument("String field '" + std::string(name) + "' cannot be larger than " +
                                    std::to_string(kMaxStringBytes) + " characters");
    if (kind == TVolgaFieldKind::Unknown) size = 0;
    if (kind != TVolgaFieldKind::SmallStr && kind != TVolgaFieldKind::String) size = 0;
    TVolgaField f;
    f.Name = ReplaceBlanks(name, '_');
    f.Origin = origin.empty() ? "XXX" : std::string(origin);
    f.Kind = kind;
    f.Size = static_cast<uint16_t>(size);
    f.DefaultText = std::string(defaultText);
    f.SecondText = std::string(secondText);
    AppendField(std::move(f));
    return fields_.back();
}

const TVolgaField* TVolgaCursor::FindField(std::string_view name) const {
    const auto& upper = CodePageTablesFor(codePage_).upper;
    for (const auto& f : fields_) {
        if (f.Name.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = upper[static_cast<uint8_t>(f.Name[i])] == upper[static_cast<uint8_t>(name[i])];
        if (same) return &f;
    }
    return nullptr;
}

std::vector<const TVolgaField*> TVolgaCursor::FieldsOf(std::string_view fieldNames) const {
    std::vector<const TVolgaField*> out;
    size_t pos = 0;
    while (pos <= fieldNames.size()) {
        size_t semi = fieldNames.find(';', pos);
        if (semi == std::string_view::npos) semi = fieldNames.size();
        std::string_view name = fieldNames.substr(pos, semi - pos);
        while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        if (const TVolgaField* f = name.empty() ? nullptr : FindField(name)) out.push_back(f);
        pos = semi + 1;
    }
    return out;
}

int TVolgaCursor::LiveRowCount() const {
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const TVolgaRow* r) { return r->Live(); }));
}

TVolgaRowBuffer TVolgaCursor::NewBuffer() const {
    TVolgaRowBuffer b;
    b.Fixed.assign(static_cast<size_t>(rowSize_), 0);
    b.Blobs.resize(static_cast<size_t>(blobCount_));
    return b;
}

void TVolgaCursor::SetNotes(std::string notes) {
    if (notes.size() > static_cast<size_t>(kMaxNotesBytes))
        throw std::invalid_argument("Notes cannot be longer than " + std::to_string(kMaxNotesBytes) + " bytes");
    notes_ = std::move(notes);
}

void TVolgaCursor::ReleaseRow(TVolgaRow& row) {
    if (row.UserData && OnDestroyRecordData) OnDestroyRecordData(row.UserData);
    row.UserData = nullptr;
    row.Data = TVolgaRowBuffer{};
    row.Backup.reset();
}

void TVolgaCursor::Clear(bool whole) {
    if (OnDestroyRecordData)
        for (TVolgaRow* row : rows_)
            if (row->UserData) OnDestroyRecordData(row->UserData);
    rows_.clear();
    storage_.clear();
    arena_.reset();
    lastAutoInc_ = 0;
    if (whole) {
        fields_.clear();
        rowSize_ = 0;
        blobCount_ = 0;
        autoIncField_ = -1;
        description_.clear();
        encrypted_ = false;
        notes_.clear();
        checkBlock_.fill(0);
    }
}

TVolgaRow* TVolgaCursor::AppendRow(TVolgaRow&& row) {
    storage_.push_back(std::move(row));
    rows_.push_back(&storage_.back());
    return rows_.back();
}

bool TVolgaCursor::Contains(const TVolgaRow* row) const {
    return row && std::any_of(rows_.begin(), rows_.end(), [&](const TVolgaRow* r) { return r == row; });
}

int32_t TVolgaCursor::StoredSizeOf(const TVolgaRowBuffer& buffer) const {
    int32_t size = static_cast<int32_t>(fields_.size());
    for (const auto& f : fields_) {
        if (IsEmptyValue(buffer, f)) continue;
        if (IsPointerKind(f.Kind))
            size += 4 + static_cast<int32_t>(ValueBytes(buffer, f).size());
        else if (f.Kind == TVolgaFieldKind::SmallStr)
            size += static_cast<int32_t>(ValueBytes(buffer, f).size());
        else
            size += f.ValueSize;
    }
    return size;
}

// ---- field description ----

std::string TVolgaCursor::BuildFieldList() const {
    std::string text;
    for (const auto& f : fields_) {
        text += f.Origin + "." + ReplaceBlanks(f.Name, '_') + " ";
        text += f.Kind == TVolgaFieldKind::Unknown ? std::string("s") : TypeCodeOf(f.Kind, f.Size);
        if (!f.DefaultText.empty() || !f.SecondText.empty()) text += "~" + f.DefaultText + "~" + f.SecondText;
        text += kEntryEnd;
    }
    text += kListEnd;
    return text;
}

bool TVolgaCursor::ParseFieldList(std::string_view text, int fieldCount, std::string& message) {
    static const std::string kError = "Error in buffer structure (field description section)";
    fields_.clear();
    rowSize_ = 0;
    blobCount_ = 0;
    autoIncField_ = -1;
    size_t pos = 0;
    while (static_cast<int>(fields_.size()) < fieldCount && pos < text.size()) {
        const size_t end = text.find(kEntryEnd, pos);
        if (end == std::string_view::npos || end == pos) {
            message = kError;
            return false;
        }
        std::string_view entry = text.substr(pos, end - pos);
        pos = end + 1;
        TVolgaField f;
        const size_t dot = entry.find('.');
        if (dot != std::string_view::npos) {
            f.Origin = std::string(entry.substr(0, dot));
            entry.remove_prefix(dot + 1);
        }
        const size_t blank = entry.find(' ');
        if (blank == std::string_view::npos || blank + 1 >= entry.size()) {
            message = kError;
            return false;
        }
        f.Name = std::string(entry.substr(0, blank));
        std::string_view type = entry.substr(blank + 1);
        const size_t tilde = type.find('~');
        if (tilde != std::string_view::npos) {
            std::string_view rest = type.substr(tilde + 1);
            const size_t second = rest.find('~');
            if (second == std::string_view::npos) {
                f.SecondText = std::string(rest);
            } else {
                f.DefaultText = std::string(rest.substr(0, second));
                f.SecondText = std::string(rest.substr(second + 1));
            }
            type = type.substr(0, tilde);
        }
        if (type.empty()) {
            message = kError;
            return false;
        }
        const char code = type[0];
        if (KindOfLetter(code, f.Kind)) {
            if (f.Kind == TVolgaFieldKind::String) {
                std::string_view digits = type.substr(1);
                int size = 0;
                for (char c : digits) {
                    if (c < '0' || c > '9' || size > kMaxStringBytes) {
                        message = kError;
                        return false;
                    }
                    size = size * 10 + (c - '0');
                }
                f.Size = static_cast<uint16_t>(digits.empty() ? 100 : size);
            }
        } else if ((code >= '1' && code <= '9') || (code >= 'A' && code <= 'Z')) {
            f.Kind = TVolgaFieldKind::SmallStr;
            f.Size = static_cast<uint16_t>(code <= '9' ? code - '0' : code - 'A' + 10);
        } else {
            message = kError;
            return false;
        }
        AppendField(std::move(f));
    }
    if (fieldCount < 1 || static_cast<int>(fields_.size()) != fieldCount) {
        message = kError;
        return false;
    }
    return true;
}

// ---- reading ----

bool TVolgaCursor::LoadFromStream(std::string_view block, std::string& message) {
    message.clear();
    bool headerRead = false;
    const bool ok = LoadBlock(block, message, headerRead);
    if (ok) {
        message.clear();
        return true;
    }
    // A partial open keeps the rows read so far, but only over a complete field list.
    if (partialOpen_ && headerRead) return true;
    Clear(true);
    return false;
}

bool TVolgaCursor::LoadBlock(std::string_view block, std::string& message, bool& headerRead) {
    static const std::string kCorrupt = "Buffer structure corruption!";
    static const std::string kEnd = "Unexpected end of buffer";
    Clear(true);
    Reader head(block);
    int32_t total;
    char kind;
    if (!head.Int32(total) || !head.Bytes(&kind, 1)) {
        message = kCorrupt;
        return false;
    }
    if (kind == 'E') {
        std::string_view text = block.substr(5);
        message = std::string(text.substr(0, text.find('\0')));
        return false;
    }
    if (kind != 'S' && kind != 'P') {
        message = kCorrupt;
        return false;
    }
    if (kind == 'P') {
        TCheckBlock stored;
        if (!head.Bytes(stored.data(), stored.size())) {
            message = kCorrupt;
            return false;
        }
        std::string password = password_;
        if (!session_->CheckPassword(stored, password)) {
            message = "Invalid password. Table cannot be open";
            return false;
        }
        password_ = password;
        checkBlock_ = stored;
        encrypted_ = true;
    }
    int32_t declared, fieldCount, descLength;
    std::string_view description;
    if (!head.Int32(declared) || !head.Int32(fieldCount) || !head.Int32(descLength) || descLength < 0 ||
        descLength > kMaxDescription || !head.View(static_cast<size_t>(descLength), description)) {
        message = kCorrupt;
        return false;
    }
    if (!ParseFieldList(description, fieldCount, message)) return false;
    description_ = std::string(description);
    headerRead = true;

    // The body: deciphered in a copy for password tables.
    std::string body;
    std::string_view bodyView = block.substr(head.Pos());
    if (kind == 'P') {
        body.assign(bodyView);
        TSapphire& cipher = session_->Cipher();
        cipher.SetKey(CheckBlockText(checkBlock_));
        cipher.DecryptBuffer(body.data(), body.size());
        cipher.Burn();
        bodyView = body;
    }
    Reader in(bodyView);
    const auto n = static_cast<size_t>(fieldCount);

    // Notes.
    if (in.Remaining() >= (declared == 0 ? std::max<size_t>(n, 3) : n) && in.Remaining() >= 1) {
        char star;
        in.Bytes(&star, 1);
        if (star == '*') {
            uint16_t length;
            std::string_view notes;
            if (!in.Bytes(&length, 2) || !in.View(length, notes)) {
                message = kEnd;
                return false;
            }
            notes_ = std::string(notes);
        } else {
            in.Back(1);
        }
    }

    // Rows: never reserve more than the remaining bytes can hold.
    if (declared > 0) rows_.reserve(std::min(static_cast<size_t>(declared), in.Remaining() / n));
    arena_ = std::make_unique<TRowArena>();
    // What the row loop needs of each field, packed for the hot path.
    struct Slot {
        uint8_t limit;   // largest length byte allowed; 4 for pointer kinds (0 or 4)
        bool pointer;
        bool string;
        int32_t position;
        int32_t blob;
    };
    std::vector<Slot> slots;
    slots.reserve(n);
    for (const auto& f : fields_)
        slots.push_back({static_cast<uint8_t>(IsPointerKind(f.Kind) ? 4
                                              : std::min<int>(255, f.Kind == TVolgaFieldKind::SmallStr ? f.Size : f.ValueSize)),
                         IsPointerKind(f.Kind), f.Kind == TVolgaFieldKind::String, f.Position, f.BlobIndex});
    std::vector<uint8_t> lengths(n);
    int lastPercent = -1;
    int32_t read = 0;
    while (in.Remaining() >= n && read < declared) {
        const int32_t recordNo = read + 1;
        const size_t rowStart = in.Pos();
        in.Bytes(lengths.data(), n);
        for (size_t i = 0; i < n; ++i) {
            const uint8_t len = lengths[i];
            if (slots[i].pointer ? (len != 0 && len != 4) : len > slots[i].limit) {
                message = Format("Field '%s' has wrong length %d in record %d", fields_[i].Name, len, recordNo);
                return false;
            }
        }
        TVolgaRow row(arena_.get());
        row.Data.Fixed.assign(static_cast<size_t>(rowSize_), 0);
        if (blobCount_ > 0) row.Data.Blobs.resize(static_cast<size_t>(blobCount_));
        for (size_t i = 0; i < n; ++i) {
            const uint8_t len = lengths[i];
            if (len == 0) continue;
            const Slot& s = slots[i];
            if (s.pointer) {
                int32_t count;
                if (!in.Int32(count)) {
                    message = kEnd;
                    return false;
                }
                if (s.string && (count < 0 || count > kMaxStringBytes)) {
                    message = Format("String field '%s' has wrong length %d in record %d", fields_[i].Name, count, recordNo);
                    return false;
                }
                if (count < 0 || count > kMaxBlobBytes) {
                    message = Format("BLOB field '%s' has wrong length %d in record %d", fields_[i].Name, count, recordNo);
                    return false;
                }
                std::string_view bytes;
                if (!in.View(static_cast<size_t>(count), bytes)) {
                    message = kEnd;
                    return false;
                }
                // A String value is a zero-terminated text: it ends at its first zero byte.
                if (s.string) bytes = bytes.substr(0, std::min(bytes.size(), bytes.find('\0')));
                row.Data.Blobs[static_cast<size_t>(s.blob)].assign(bytes);
            } else if (!in.Bytes(row.Data.Fixed.data() + s.position, len)) {
                message = kEnd;
                return false;
            }
        }
        row.StoredSize = static_cast<int32_t>(in.Pos() - rowStart);
        AppendRow(std::move(row));
        ++read;
        if (OnCallback && declared > 0) {
            const int percent = static_cast<int>(std::nearbyint(read * 100.0 / declared));
            if (percent != lastPercent) {
                lastPercent = percent;
                OnCallback(percent);
            }
        }
    }
    if (read != declared) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "Number of records read (%d) does not match declared record count (%d)", read,
                      declared);
        message = buf;
        return false;
    }
    if (const TVolgaField* ai = AutoIncField(); ai && !rows_.empty()) {
        SortRows(ai->Name, false);
        lastAutoInc_ = GetFixed<int32_t>(rows_.back()->Data, *ai);
    }
    return true;
}

// ---- writing ----

size_t TVolgaCursor::SaveToStream(std::string& out) {
    const size_t start = out.size();
    const bool withPassword = !password_.empty();
    size_t estimate = 64 + notes_.size() + description_.size();
    for (const TVolgaRow* row : rows_)
        if (row->Live()) estimate += static_cast<size_t>(row->StoredSize);
    out.reserve(start + estimate);
    out.append(4, '\0');
    out.push_back(withPassword ? 'P' : 'S');
    if (withPassword) {
        checkBlock_ = MakePlainCheckBlock(NewGuidText());
        const TCheckBlock stored = EncipherCheckBlock(checkBlock_, PasswordKey(password_), session_->Cipher());
        out.append(reinterpret_cast<const char*>(stored.data()), stored.size());
    }
    encrypted_ = withPassword;
    const size_t countAt = out.size();
    AppendInt32(out, 0);
    AppendInt32(out, static_cast<int32_t>(fields_.size()));
    description_ = BuildFieldList();
    AppendInt32(out, static_cast<int32_t>(description_.size()));
    out += description_;
    const size_t bodyAt = out.size();
    if (!notes_.empty()) {
        out.push_back('*');
        const auto length = static_cast<uint16_t>(notes_.size());
        out.push_back(static_cast<char>(length & 0xFF));
        out.push_back(static_cast<char>(length >> 8));
        out += notes_;
    }
    int32_t written = 0;
    int lastPercent = -1;
    const size_t n = fields_.size();
    // What the row loop needs of each field, packed for the hot path.
    enum class Store : uint8_t { None, Int16, Int32, Int64, Float, Text, Pointer };
    struct Slot {
        Store store;
        int32_t position;
        int32_t size; // SmallStr: declared size
        int32_t blob;
    };
    std::vector<Slot> slots;
    slots.reserve(n);
    for (const auto& f : fields_) {
        Store store = Store::None;
        switch (f.Kind) {
        case TVolgaFieldKind::SmallInt:
        case TVolgaFieldKind::Boolean: store = Store::Int16; break;
        case TVolgaFieldKind::Integer:
        case TVolgaFieldKind::Date:
        case TVolgaFieldKind::Time:
        case TVolgaFieldKind::AutoInc: store = Store::Int32; break;
        case TVolgaFieldKind::Int64: store = Store::Int64; break;
        case TVolgaFieldKind::Double:
        case TVolgaFieldKind::Currency:
        case TVolgaFieldKind::DateTime: store = Store::Float; break;
        case TVolgaFieldKind::SmallStr: store = Store::Text; break;
        case TVolgaFieldKind::Unknown: store = Store::None; break;
        default: store = Store::Pointer; break;
        }
        slots.push_back({store, f.Position, f.Size, f.BlobIndex});
    }
    for (size_t i = 0; i < rows_.size(); ++i) {
        TVolgaRow& row = *rows_[i];
        if (row.Live()) {
            const size_t lengthsAt = out.size();
            out.append(n, '\0');
            const uint8_t* fixed = row.Data.Fixed.data();
            for (size_t k = 0; k < n; ++k) {
                const Slot& s = slots[k];
                const uint8_t* p = fixed + s.position;
                uint8_t len = 0;
                switch (s.store) {
                case Store::None: break;
                case Store::Int16: {
                    int16_t v;
                    std::memcpy(&v, p, 2);
                    if (v != 0) len = 2;
                    break;
                }
                case Store::Int32: {
                    int32_t v;
                    std::memcpy(&v, p, 4);
                    if (v != 0) len = 4;
                    break;
                }
                case Store::Int64: {
                    int64_t v;
                    std::memcpy(&v, p, 8);
                    if (v != 0) len = 8;
                    break;
                }
                case Store::Float: {
                    double v;
                    std::memcpy(&v, p, 8);
                    if (v != 0) len = 8;
                    break;
                }
                case Store::Text: {
                    if (p[0] == 0) continue; // most text fields of a row are empty
                    const size_t chars = strnlen(reinterpret_cast<const char*>(p), static_cast<size_t>(s.size));
                    if (chars > 0) {
                        out.append(reinterpret_cast<const char*>(p), chars);
                        out[lengthsAt + k] = static_cast<char>(chars);
                    }
                    continue;
                }
                case Store::Pointer: {
                    const std::string_view bytes = row.Data.Blobs[static_cast<size_t>(s.blob)];
                    if (!bytes.empty()) {
                        AppendInt32(out, static_cast<int32_t>(bytes.size()));
                        out += bytes;
                        out[lengthsAt + k] = 4;
                    }
                    continue;
                }
                }
                if (len > 0) {
                    out.append(reinterpret_cast<const char*>(p), len);
                    out[lengthsAt + k] = static_cast<char>(len);
                }
            }
            row.StoredSize = static_cast<int32_t>(out.size() - lengthsAt);
            ++written;
        }
        if (OnCallback) {
            const int percent = static_cast<int>(std::lround((i + 1) * 100.0 / static_cast<double>(rows_.size())));
            if (percent != lastPercent) {
                lastPercent = percent;
                OnCallback(percent);
            }
        }
    }
    PutInt32(out, countAt, written);
    PutInt32(out, start, static_cast<int32_t>(out.size() - start));
    if (withPassword) {
        TSapphire& cipher = session_->Cipher();
        cipher.SetKey(CheckBlockText(checkBlock_));
        cipher.EncryptBuffer(out.data() + bodyAt, out.size() - bodyAt);
        cipher.Burn();
    }
    return out.size() - start;
}

void TVolgaCursor::SaveToFile(const std::filesystem::path& fileName, unsigned options, std::string_view sortFieldNames,
                              bool caseInsensitive) {
    if (options & savAutoBackup) {
        std::filesystem::path copy = fileName;
        copy.replace_extension(".~d");
        if (CheckPath(fileName) != PathState::Absent) CopyFileDurably(fileName, copy);
    }
    if (options & savSortOnIndex) SortRows(sortFieldNames, caseInsensitive);
    std::string block;
    SaveToStream(block);
    WriteFileDurably(fileName, block);
}

// ---- change log ----

TVolgaRow* TVolgaCursor::PostRow(const TVolgaRowBuffer& buffer, TVolgaRow* row, std::string& message) {
    for (const auto& f : fields_) {
        if (f.Kind == TVolgaFieldKind::String && ValueBytes(buffer, f).size() > static_cast<size_t>(kMaxStringBytes)) {
            message = "String field '" + f.Name + "' cannot hold more than " + std::to_string(kMaxStringBytes) + " bytes";
            return nullptr;
        }
        if (IsPointerKind(f.Kind) && ValueBytes(buffer, f).size() > static_cast<size_t>(kMaxBlobBytes)) {
            message = "BLOB field '" + f.Name + "' is too large";
            return nullptr;
        }
    }
    if (row) {
        if (!Contains(row)) {
            message = "Record is not found";
            return nullptr;
        }
        if (!row->Live()) {
            message = "Record has been deleted";
            return nullptr;
        }
        row->Data = buffer;
        if (row->State == rsUnchanged) row->State = rsModified;
        row->StoredSize = StoredSizeOf(row->Data);
        return row;
    }
    TVolgaRow fresh;
    fresh.Data = buffer;
    fresh.State = rsInserted;
    if (const TVolgaField* ai = AutoIncField()) SetFixed<int32_t>(fresh.Data, *ai, ++lastAutoInc_);
    fresh.StoredSize = StoredSizeOf(fresh.Data);
    return AppendRow(std::move(fresh));
}

bool TVolgaCursor::DeleteRow(TVolgaRow* row, std::string& message) {
    if (!Contains(row)) {
        message = "Record is not found";
        return false;
    }
    if (!row->Live()) {
        message = "Record has been deleted";
        return false;
    }
    if (row->State == rsInserted) {
        row->State = rsRemoved;
        ReleaseRow(*row);
    } else {
        row->State = rsDeleted;
    }
    return true;
}

bool TVolgaCursor::BackupRow(TVolgaRow* row) {
    if (!row || !row->Live()) return false;
    if (!row->Backup && row->State != rsInserted) row->Backup = std::make_unique<TVolgaRowBuffer>(row->Data);
    return true;
}

void TVolgaCursor::RestoreRow(TVolgaRow* row) {
    if (!row) return;
    if (row->Backup) {
        row->Data = std::move(*row->Backup);
        row->Backup.reset();
        row->StoredSize = StoredSizeOf(row->Data);
    }
    row->State = rsUnchanged;
}

void TVolgaCursor::RollBack() {
    for (TVolgaRow* row : rows_) {
        switch (row->State) {
        case rsModified:
        case rsDeleted: RestoreRow(row); break;
        case rsInserted:
            row->State = rsRemoved;
            ReleaseRow(*row);
            break;
        default: break;
        }
    }
}

void TVolgaCursor::Accept() {
    for (TVolgaRow* row : rows_) {
        if (row->State == rsDeleted) {
            row->State = rsRemoved;
            ReleaseRow(*row);
        } else if (row->State != rsRemoved) {
            row->State = rsUnchanged;
            row->Backup.reset();
        }
    }
}

// ---- queries ----

bool TVolgaCursor::HasDuplicate(const TVolgaRowBuffer& buffer, const TVolgaRow* own, std::string_view fieldNames,
                                bool caseInsensitive) const {
    std::vector<const TVolgaField*> keys = FieldsOf(fieldNames);
    if (fieldNames.empty())
        for (const auto& f : fields_) keys.push_back(&f);
    for (const TVolgaRow* row : rows_) {
        if (row == own || !row->Live()) continue;
        if (CompareRowBuffers(keys, buffer, row->Data, caseInsensitive, codePage_) == 0) return true;
    }
    return false;
}

std::string TVolgaCursor::FieldText(const TVolgaField& field, const TVolgaRow& row, bool useBackup,
                                    bool fixedFormat) const {
    static const std::string kNotFound = "Not Found";
    if (row.State == rsRemoved) return kNotFound;
    const TVolgaRowBuffer& b = useBackup && row.Backup ? *row.Backup : row.Data;
    const FormatSettings& fs = fixedFormat ? FixedFormat() : formatSettings_;
    auto local = [&](const std::string& utf8) {
        std::string out;
        return TryUtf8ToCodePage(utf8, codePage_, out) ? out : utf8;
    };
    switch (field.Kind) {
    case TVolgaFieldKind::SmallInt: return std::to_string(GetFixed<int16_t>(b, field));
    case TVolgaFieldKind::Integer:
    case TVolgaFieldKind::AutoInc: return std::to_string(GetFixed<int32_t>(b, field));
    case TVolgaFieldKind::Int64: return std::to_string(GetFixed<int64_t>(b, field));
    case TVolgaFieldKind::Boolean: return GetFixed<int16_t>(b, field) != 0 ? "Yes" : "No";
    case TVolgaFieldKind::Double:
    case TVolgaFieldKind::Currency: return local(FormatFloat("0.######", GetFixed<double>(b, field), fs));
    case TVolgaFieldKind::Date: {
        const int32_t day = GetFixed<int32_t>(b, field);
        if (day <= 0) return {};
        const TDateTime dt = TimeStampToDateTime({0, day});
        return local(FormatDateTime(fixedFormat ? "yyyy/mm/dd" : fs.ShortDateFormat, dt, fs));
    }
    case TVolgaFieldKind::Time: {
        const int32_t ms = GetFixed<int32_t>(b, field);
        if (ms <= 0) return {};
        return local(FormatDateTime(fs.LongTimeFormat, ms / static_cast<double>(kMSecsPerDay), fs));
    }
    case TVolgaFieldKind::DateTime: {
        const TDateTime dt = MSecsToDateTime(GetFixed<double>(b, field));
        return local(FormatDateTime(fixedFormat ? "yyyy/mm/dd hh:nn:ss" : "c", dt, fs));
    }
    case TVolgaFieldKind::SmallStr:
    case TVolgaFieldKind::String:
    case TVolgaFieldKind::Memo:
    case TVolgaFieldKind::FmtMemo: return std::string(ValueBytes(b, field));
    default: return kNotFound;
    }
}

void TVolgaCursor::SortRows(std::string_view fieldNames, bool caseInsensitive) {
    const std::vector<const TVolgaField*> keys = FieldsOf(fieldNames);
    // Deleted and removed rows have no order among the others: they go behind them unsorted.
    auto liveEnd = std::stable_partition(rows_.begin(), rows_.end(), [](const TVolgaRow* r) { return r->Live(); });
    const int cp = codePage_;
    std::sort(rows_.begin(), liveEnd, [&](const auto& a, const auto& b) {
        return CompareRowBuffers(keys, a->Data, b->Data, caseInsensitive, cp) < 0;
    });
}

} // namespace kvz

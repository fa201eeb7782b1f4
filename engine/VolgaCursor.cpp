#include "engine/VolgaCursor.h"

#include "engine/VolgaSession.h"
#include "engine/VolgaUtils.h"
#include "engine/VolgaValues.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Guid.h"

#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdio>
#include <stdexcept>
#include <unordered_map>

namespace kvz {

// The table file block:
//   int32 length of the block, char kind ('S' plain, 'P' password, 'E' error text follows)
//   'P' only: 16-byte check block, enciphered under the password
//   int32 declared row count, int32 field count, int32 length of the field list, field list
//   body (enciphered under the check block for 'P'):
//     notes: '*', uint16 length, bytes (left out when there are none)
//     rows: one length byte per field, then each non-empty value: a fixed-size value's
//     bytes, a SmallStr's characters, or an int32 count and that many bytes for the others

namespace {

constexpr char kEntryEnd = 0x12;
constexpr char kListEnd = 0x14;
constexpr int32_t kMaxDescription = 99999;
constexpr int32_t kMaxBlobBytes = 0x3FFFFFFF;
const char* const kCorrupt = "Buffer structure corruption!";
const char* const kEnd = "Unexpected end of buffer";

uint64_t LoadWord(const void* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// The length of a text up to its first zero byte, at most len: eight bytes at a time where
// room (the bytes up to the row's end) allows.
size_t TextLength(const char* at, size_t len, size_t room) {
    size_t n = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; n < len && room - n >= 8; n += 8) {
            const uint64_t v = LoadWord(at + n);
            // The lowest zero byte sets its top bit here; only bytes above it can be wrong.
            const uint64_t zero = (v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull;
            if (zero) return std::min(len, n + static_cast<size_t>(std::countr_zero(zero)) / 8);
        }
    }
    while (n < len && at[n] != 0) ++n;
    return std::min(n, len);
}

// Whether the bytes of a come before those of b, unsigned byte by byte, a shorter one first
// where one begins the other: compared eight at a time.
bool BytesBelow(const uint8_t* a, size_t na, const uint8_t* b, size_t nb) {
    const size_t n = std::min(na, nb);
    size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 8 <= n; i += 8) {
            const uint64_t x = LoadWord(a + i), y = LoadWord(b + i);
            if (x != y) return __builtin_bswap64(x) < __builtin_bswap64(y);
        }
    }
    for (; i < n; ++i)
        if (a[i] != b[i]) return a[i] < b[i];
    return na < nb;
}

std::string Format(const char* fmt, const std::string& name, int a, int b) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, name.c_str(), a, b);
    return buf;
}

// A reader over the block that never steps outside it.
class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}
    size_t Remaining() const { return data_.size() - pos_; }
    size_t Pos() const { return pos_; }
    bool Bytes(void* out, size_t n) {
        if (Remaining() < n) return false;
        std::memcpy(out, data_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    bool Int32(int32_t& v) {
        if (Remaining() < 4) return false;
        v = ReadLE<int32_t>(data_.data() + pos_);
        pos_ += 4;
        return true;
    }
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

// ---- values in decoded rows ----

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
    if (!bytes.empty()) std::memcpy(p, bytes.data(), std::min(bytes.size(), limit));
}

bool IsEmptyValue(const TVolgaRowBuffer& b, const TVolgaField& f) {
    switch (KindInfo(f.Kind).store) {
    case TKindStore::None: return true;
    case TKindStore::Float: return GetFixed<double>(b, f) == 0.0;
    case TKindStore::Text: return b.Fixed[static_cast<size_t>(f.Position)] == 0;
    case TKindStore::Counted: return b.Blobs[static_cast<size_t>(f.BlobIndex)].empty();
    default:
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

int CompareValues(const TVolgaField& f, std::string_view a, std::string_view b, bool caseInsensitive, int codePage) {
    auto order = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    const TVolgaKindInfo& kind = KindInfo(f.Kind);
    switch (kind.order) {
    case TKindOrder::Signed:
        switch (kind.store) {
        case TKindStore::Int16: return FixedOf<int16_t>(a) - FixedOf<int16_t>(b);
        case TKindStore::Int32: return order(FixedOf<int32_t>(a), FixedOf<int32_t>(b));
        default: return order(FixedOf<int64_t>(a), FixedOf<int64_t>(b));
        }
    case TKindOrder::Boolean: {
        const bool x = FixedOf<int16_t>(a) != 0, y = FixedOf<int16_t>(b) != 0;
        return x == y ? 0 : (x ? -1 : 1); // true comes first
    }
    case TKindOrder::Float: return order(FixedOf<double>(a), FixedOf<double>(b));
    case TKindOrder::Text:
        if (f.Kind == TVolgaFieldKind::SmallStr && f.Numeric && a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
        return CompareTexts(a, b, caseInsensitive, codePage);
    default: return 0;
    }
}

int CompareFieldValues(const TVolgaField& f, const TVolgaRowBuffer& a, const TVolgaRowBuffer& b, bool caseInsensitive,
                       int codePage) {
    return CompareValues(f, ValueBytes(a, f), ValueBytes(b, f), caseInsensitive, codePage);
}

int CompareRowBuffers(const std::vector<const TVolgaField*>& fields, const TVolgaRowBuffer& a, const TVolgaRowBuffer& b,
                      bool caseInsensitive, int codePage) {
    for (const TVolgaField* f : fields) {
        int d = CompareFieldValues(*f, a, b, caseInsensitive, codePage);
        if (d != 0) return d;
    }
    return 0;
}

// ---- sort keys ----

TSortKeys::TSortKeys(std::vector<TSortKey> keys, bool caseInsensitive, int codePage) : keys_(std::move(keys)) {
    if (caseInsensitive) {
        const auto& collate = CodePageTablesFor(codePage).collate;
        collate_ = collate.data();
        wide_ = *std::max_element(collate.begin(), collate.end()) >= 255;
    }
    starts_.push_back(0);
}

void TSortKeys::Append(const std::string_view* values) {
    auto put64 = [this](uint64_t u) {
        for (int i = 7; i >= 0; --i) bytes_.push_back(static_cast<char>(u >> (8 * i)));
    };
    for (size_t k = 0; k < keys_.size(); ++k) {
        const TVolgaField& f = *keys_[k].Field;
        const std::string_view v = values[k];
        const size_t at = bytes_.size();
        const TVolgaKindInfo& kind = KindInfo(f.Kind);
        switch (kind.order) {
        case TKindOrder::Signed: {
            const int64_t x = kind.store == TKindStore::Int16   ? FixedOf<int16_t>(v)
                              : kind.store == TKindStore::Int32 ? FixedOf<int32_t>(v)
                                                                : FixedOf<int64_t>(v);
            put64(static_cast<uint64_t>(x) ^ (uint64_t(1) << 63));
            break;
        }
        case TKindOrder::Boolean: bytes_.push_back(FixedOf<int16_t>(v) != 0 ? 0 : 1); break;
        case TKindOrder::Float: {
            double x = FixedOf<double>(v);
            if (x == 0) x = 0; // -0 and 0 are one value
            const auto u = std::bit_cast<uint64_t>(x);
            put64(u >> 63 ? ~u : u ^ (uint64_t(1) << 63));
            break;
        }
        case TKindOrder::Text:
            // Right-aligned keys compare by length first; each text ends in a mark below every
            // character, so that a shorter text comes first and the next key starts level.
            if (f.Kind == TVolgaFieldKind::SmallStr && keys_[k].Numeric) {
                bytes_.push_back(static_cast<char>(v.size() >> 8));
                bytes_.push_back(static_cast<char>(v.size()));
            }
            if (collate_ && !wide_) {
                for (char c : v) bytes_.push_back(static_cast<char>(collate_[static_cast<uint8_t>(c)] + 1u));
                bytes_.push_back('\0');
            } else if (collate_) {
                for (char c : v) {
                    const unsigned rank = collate_[static_cast<uint8_t>(c)] + 1u;
                    bytes_.push_back(static_cast<char>(rank >> 8));
                    bytes_.push_back(static_cast<char>(rank));
                }
                bytes_.append(2, '\0');
            } else {
                for (char c : v) {
                    const auto u = static_cast<uint8_t>(c);
                    if (u > 1) {
                        bytes_.push_back(c);
                    } else {
                        bytes_.push_back('\1');
                        bytes_.push_back(static_cast<char>(u + 1));
                    }
                }
                bytes_.push_back('\0');
            }
            break;
        default: break;
        }
        if (keys_[k].Descending)
            for (size_t i = at; i < bytes_.size(); ++i) bytes_[i] = static_cast<char>(~bytes_[i]);
    }
    starts_.push_back(static_cast<uint32_t>(bytes_.size()));
}

std::vector<uint32_t> TSortKeys::Order() const {
    struct Item {
        uint64_t prefix; // the key's first eight bytes, compared as one number
        uint32_t index;
    };
    const size_t count = starts_.size() - 1;
    std::vector<Item> items(count);
    for (size_t i = 0; i < count; ++i) {
        uint64_t prefix = 0;
        const size_t len = starts_[i + 1] - starts_[i];
        for (size_t j = 0; j < 8; ++j)
            prefix = prefix << 8 | (j < len ? static_cast<uint8_t>(bytes_[starts_[i] + j]) : 0u);
        items[i] = {prefix, static_cast<uint32_t>(i)};
    }
    std::sort(items.begin(), items.end(), [this](const Item& a, const Item& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        const std::string_view x(bytes_.data() + starts_[a.index], starts_[a.index + 1] - starts_[a.index]);
        const std::string_view y(bytes_.data() + starts_[b.index], starts_[b.index + 1] - starts_[b.index]);
        const int d = x.compare(y);
        return d != 0 ? d < 0 : a.index < b.index;
    });
    std::vector<uint32_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = items[i].index;
    return order;
}

bool TSortKeys::InOrder(const std::vector<uint32_t>& order) const {
    auto key = [this](uint32_t i) { return std::string_view(bytes_).substr(starts_[i], starts_[i + 1] - starts_[i]); };
    for (size_t i = 1; i < order.size(); ++i) {
        const int d = key(order[i - 1]).compare(key(order[i]));
        if (d > 0 || (d == 0 && order[i - 1] >= order[i])) return false;
    }
    return true;
}

namespace {

// The places of the rows in the order of the identities given, when that order holds every
// one of them once.
bool PlacesOfIdentities(const std::vector<TVolgaRow*>& rows, const std::vector<uint32_t>& ids,
                        std::vector<uint32_t>& places) {
    if (ids.size() != rows.size()) return false;
    uint32_t low = rows.front()->Id, high = low;
    for (const TVolgaRow* row : rows) {
        low = std::min(low, row->Id);
        high = std::max(high, row->Id);
    }
    constexpr uint32_t kNone = UINT32_MAX;
    std::vector<uint32_t> placeOf(size_t(high - low) + 1, kNone);
    for (size_t i = 0; i < rows.size(); ++i) placeOf[rows[i]->Id - low] = static_cast<uint32_t>(i);
    places.reserve(rows.size());
    for (const uint32_t id : ids) {
        if (id < low || id > high) return false;
        uint32_t& place = placeOf[id - low];
        if (place == kNone) return false;
        places.push_back(place);
        place = kNone; // each row once
    }
    return true;
}

} // namespace

void SortRowsByKeys(const TVolgaCursor& cursor, std::vector<TVolgaRow*>& rows, std::vector<TSortKey> keys,
                    bool caseInsensitive, const std::vector<uint32_t>& likely) {
    if (keys.empty() || rows.size() < 2) return;
    const size_t n = keys.size();
    std::vector<std::string_view> values(n);
    std::vector<const TVolgaField*> fields;
    for (const TSortKey& k : keys) fields.push_back(k.Field);
    TSortKeys sorter(std::move(keys), caseInsensitive, cursor.CodePage());
    sorter.Reserve(rows.size());
    for (const TVolgaRow* row : rows) {
        for (size_t k = 0; k < n; ++k) values[k] = cursor.FieldBytes(*row, *fields[k]);
        sorter.Append(values.data());
    }
    // The order the rows had before is mostly still theirs: when it is the order a sort would
    // give (equal keys by the rows' places), it is taken as it is.
    std::vector<uint32_t> order;
    if (likely.empty() || !PlacesOfIdentities(rows, likely, order) || !sorter.InOrder(order)) order = sorter.Order();
    std::vector<TVolgaRow*> sorted(rows.size());
    for (size_t i = 0; i < order.size(); ++i) sorted[i] = rows[order[i]];
    rows = std::move(sorted);
}

// ---- the cursor ----

TVolgaCursor::TVolgaCursor(TVolgaSession* session)
    : session_(session ? session : &VolgaSession()), formatSettings_(FormatSettings::ForLanguage(1)),
      codePage_(DataCodePage()) {}

TVolgaCursor::~TVolgaCursor() { Clear(true); }

void TVolgaCursor::AppendField(TVolgaField field) {
    const TVolgaKindInfo& kind = KindInfo(field.Kind);
    field.ValueSize = field.Kind == TVolgaFieldKind::SmallStr ? static_cast<uint16_t>(field.Size + 1) : kind.valueSize;
    field.Position = rowSize_;
    field.Numeric = kind.numeric ? 1 : 0;
    field.Index = static_cast<int32_t>(fields_.size());
    field.BlobIndex = IsPointerKind(field.Kind) ? blobCount_++ : -1;
    rowSize_ += field.ValueSize;
    if (field.Kind == TVolgaFieldKind::AutoInc && autoIncField_ < 0) autoIncField_ = field.Index;
    counted_.push_back(kind.store == TKindStore::Counted ? 1 : 0);
    const bool counted = kind.store == TKindStore::Counted;
    const int limit = counted ? 4 : field.Kind == TVolgaFieldKind::SmallStr ? field.Size : field.ValueSize;
    if (counted) countedFields_.push_back(static_cast<uint32_t>(fields_.size()));
    slots_.push_back({static_cast<uint8_t>(std::min(limit, 255)), static_cast<uint8_t>(counted ? ~4u : 0u), kind.store,
                      field.Kind == TVolgaFieldKind::String});
    limits_.push_back(slots_.back().limit);
    masks_.push_back(slots_.back().mask);
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

TVolgaRow* TVolgaCursor::RowById(uint32_t id) const {
    if (id < idBase_ || id - idBase_ >= byId_.size()) return nullptr;
    return byId_[id - idBase_];
}

std::string_view TVolgaCursor::FieldBytes(const TVolgaRow& row, const TVolgaField& field, bool useBackup) const {
    const TRowSpan span = useBackup && row.HasBackup() ? row.Change->Backup : row.Bytes;
    if (!span.data) return {};
    const size_t index = static_cast<size_t>(field.Index);
    const uint8_t* lengths = span.data;
    const uint8_t* p = span.data + counted_.size();
    for (size_t i = 0; i < index; ++i) {
        const uint8_t len = lengths[i];
        if (len == 0) continue;
        p += counted_[i] ? 4 + ReadLE<uint32_t>(p) : len;
    }
    const uint8_t len = lengths[index];
    if (len == 0) return {};
    // Texts end at their first zero byte, as they always have when read: a file may hold more.
    const Slot& slot = slots_[index];
    const char* at = reinterpret_cast<const char*>(p);
    if (slot.store == TKindStore::Counted) {
        std::string_view v(at + 4, ReadLE<uint32_t>(p));
        if (slot.isString) v = v.substr(0, std::min(v.size(), v.find('\0')));
        return v;
    }
    if (slot.store == TKindStore::Text) return {at, TextLength(at, len, span.size - static_cast<size_t>(p - span.data))};
    return {at, len};
}

void TVolgaCursor::RowBytes(const TVolgaRow& row, std::vector<std::string_view>& values) const {
    const size_t n = fields_.size();
    values.assign(n, std::string_view());
    if (!row.Bytes.data) return;
    const uint8_t* lengths = row.Bytes.data;
    const uint8_t* p = row.Bytes.data + n;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t len = lengths[i];
        if (len == 0) continue;
        const Slot& slot = slots_[i];
        const char* at = reinterpret_cast<const char*>(p);
        if (counted_[i]) {
            const uint32_t count = ReadLE<uint32_t>(p);
            std::string_view v(at + 4, count);
            if (slot.isString) v = v.substr(0, std::min(v.size(), v.find('\0')));
            values[i] = v;
            p += 4 + count;
            continue;
        }
        values[i] = slot.store == TKindStore::Text ? std::string_view(at, strnlen(at, len)) : std::string_view(at, len);
        p += len;
    }
}

TVolgaRowBuffer TVolgaCursor::Decode(const TVolgaRow& row) const {
    TVolgaRowBuffer b = NewBuffer();
    for (const TVolgaField& f : fields_) {
        const std::string_view v = FieldBytes(row, f);
        if (v.empty()) continue;
        if (IsPointerKind(f.Kind)) {
            SetValueBytes(b, f, v);
        } else {
            std::memcpy(b.Fixed.data() + f.Position, v.data(), std::min<size_t>(v.size(), f.ValueSize));
        }
    }
    return b;
}

std::string TVolgaCursor::Encode(const TVolgaRowBuffer& b) const {
    const size_t n = fields_.size();
    std::string out(n, '\0');
    for (size_t k = 0; k < n; ++k) {
        const TVolgaField& f = fields_[k];
        if (IsEmptyValue(b, f)) continue;
        const std::string_view v = ValueBytes(b, f);
        if (counted_[k]) {
            AppendLE<int32_t>(out, static_cast<int32_t>(v.size()));
            out[k] = 4;
        } else {
            out[k] = static_cast<char>(v.size());
        }
        out += v;
    }
    return out;
}

void TVolgaCursor::SetNotes(std::string notes) {
    if (notes.size() > static_cast<size_t>(kMaxNotesBytes))
        throw std::invalid_argument("Notes cannot be longer than " + std::to_string(kMaxNotesBytes) + " bytes");
    notes_ = std::move(notes);
}

void TVolgaCursor::ReleaseRow(TVolgaRow& row) {
    if (row.UserData && OnDestroyRecordData) OnDestroyRecordData(row.UserData);
    row.UserData = nullptr;
    row.Bytes = {};
    row.Change.reset();
}

void TVolgaCursor::Clear(bool whole) {
    if (OnDestroyRecordData)
        for (TVolgaRow* row : rows_)
            if (row->UserData) OnDestroyRecordData(row->UserData);
    rows_.clear();
    storage_.clear();
    byId_.clear();
    idBase_ = nextId_;
    block_ = {};
    lastAutoInc_ = 0;
    if (whole) {
        fields_.clear();
        counted_.clear();
        slots_.clear();
        limits_.clear();
        masks_.clear();
        countedFields_.clear();
        rowSize_ = 0;
        blobCount_ = 0;
        autoIncField_ = -1;
        description_.clear();
        encrypted_ = false;
        notes_.clear();
        checkBlock_.fill(0);
    }
}

TVolgaRow* TVolgaCursor::AppendRow(TRowSpan bytes, std::unique_ptr<uint8_t[]> own, uint8_t state) {
    TVolgaRow& row = storage_.emplace_back();
    row.Bytes = bytes;
    row.State = state;
    if (own) {
        row.Change = std::make_unique<TRowChange>();
        row.Change->Own = std::move(own);
    }
    row.Id = nextId_++;
    byId_.push_back(&row);
    rows_.push_back(&row);
    return &row;
}

void TVolgaCursor::SetOwnBytes(TVolgaRow& row, std::string_view bytes) {
    auto own = std::make_unique_for_overwrite<uint8_t[]>(bytes.size());
    std::memcpy(own.get(), bytes.data(), bytes.size());
    if (!row.Change) row.Change = std::make_unique<TRowChange>();
    row.Bytes = {own.get(), static_cast<uint32_t>(bytes.size())};
    row.Change->Own = std::move(own);
}

bool TVolgaCursor::Contains(const TVolgaRow* row) const { return row && RowById(row->Id) == row; }

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
    counted_.clear();
    slots_.clear();
    limits_.clear();
    masks_.clear();
    countedFields_.clear();
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

struct TVolgaCursor::BlockHead {
    char kind = 0;
    int32_t declared = 0;
    size_t bodyAt = 0;
};

bool TVolgaCursor::LoadFromStream(std::string_view block, std::string& message) {
    return LoadFromStream(TBlockBytes::Copy(block), message);
}

bool TVolgaCursor::LoadFromStream(TBlockBytes&& block, std::string& message) {
    message.clear();
    Clear(true);
    // The rows point into the buffer: it is moved to its place before anything is read.
    block_ = std::move(block);
    bool headerRead = false;
    if (LoadBlock(message, headerRead)) {
        message.clear();
        return true;
    }
    // A partial open keeps the rows read so far, but only over a complete field list.
    if (partialOpen_ && headerRead) return true;
    Clear(true);
    return false;
}

// ---- reading again ----

std::string_view TRecordCodes::operator[](size_t i) const {
    if (packed) {
        const char* at = reinterpret_cast<const char*>(&words[i]);
        return {at, ::strnlen(at, sizeof(uint64_t))};
    }
    const uint32_t from = i == 0 ? 0 : ends[i - 1];
    return std::string_view(bytes).substr(from, ends[i] - from);
}


void TRecordCodes::Add(uint32_t id) {
    const auto end = static_cast<uint32_t>(bytes.size());
    if (rising && !ends.empty()) {
        const uint32_t from = ends.size() == 1 ? 0 : ends[ends.size() - 2];
        const auto* a = reinterpret_cast<const uint8_t*>(bytes.data()) + from;
        const auto* b = reinterpret_cast<const uint8_t*>(bytes.data()) + ends.back();
        rising = BytesBelow(a, ends.back() - from, b, end - ends.back());
    }
    ends.push_back(end);
    ids.push_back(id);
}

bool TRecordCodes::MayHoldOneTwice() const {
    if (rising) return false;
    size_t slots = 16;
    while (slots < 2 * size()) slots *= 2;
    std::vector<uint64_t> seen(slots, 0);
    for (size_t i = 0; i < size(); ++i) {
        const uint64_t h = std::hash<std::string_view>()((*this)[i]) | 1; // 0 marks a free slot
        for (size_t at = h & (slots - 1);; at = (at + 1) & (slots - 1)) {
            if (seen[at] == 0) {
                seen[at] = h;
                break;
            }
            if (seen[at] == h) return true;
        }
    }
    return false;
}

void TVolgaCursor::AppendCode(std::string& out, const TVolgaRow& row, const std::vector<const TVolgaField*>& fields) const {
    // One field's bytes are the code; several are each led by their length, so that no two
    // lists of values run together into one code.
    if (fields.size() == 1) {
        out += FieldBytes(row, *fields[0]);
        return;
    }
    for (const TVolgaField* f : fields) {
        const std::string_view v = FieldBytes(row, *f);
        AppendLE<uint32_t>(out, static_cast<uint32_t>(v.size()));
        out += v;
    }
}

bool TVolgaCursor::PacksCode(const std::vector<const TVolgaField*>& fields) const {
    // A text holds no zero byte, so that the zeros after it tell where it ends.
    return fields.size() == 1 && slots_[static_cast<size_t>(fields[0]->Index)].store == TKindStore::Text &&
           slots_[static_cast<size_t>(fields[0]->Index)].limit <= sizeof(uint64_t);
}

uint64_t TVolgaCursor::PackedCode(const TVolgaRow& row, const TVolgaField& field) const {
    // The program's record numbers come first in their rows: read in place, a word at once.
    if constexpr (std::endian::native == std::endian::little) {
        const size_t n = counted_.size();
        if (field.Index == 0 && row.Bytes.data && row.Bytes.size - n >= sizeof(uint64_t)) {
            const size_t len = row.Bytes.data[0];
            uint64_t word = LoadWord(row.Bytes.data + n);
            if (len < sizeof word) word &= (uint64_t(1) << (8 * len)) - 1;
            // Up to the first zero byte, which is the lowest one marked here.
            const uint64_t zero = (word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull;
            if (zero) word &= (zero & -zero) / 0x80 - 1;
            return word;
        }
    }
    const std::string_view v = FieldBytes(row, field);
    uint64_t word = 0;
    if (!v.empty()) std::memcpy(&word, v.data(), std::min(v.size(), sizeof word));
    return word;
}

bool TVolgaCursor::HasCode(const TVolgaRow& row, std::string_view code, const std::vector<const TVolgaField*>& fields) const {
    if (fields.size() == 1) return FieldBytes(row, *fields[0]) == code;
    for (const TVolgaField* f : fields) {
        const std::string_view v = FieldBytes(row, *f);
        if (code.size() < 4 + v.size() || ReadLE<uint32_t>(code.data()) != v.size() || code.compare(4, v.size(), v) != 0)
            return false;
        code.remove_prefix(4 + v.size());
    }
    return code.empty();
}

std::vector<const TVolgaField*> TVolgaCursor::CodeFieldsOf(const std::vector<std::string>& names) const {
    std::vector<const TVolgaField*> fields;
    for (const std::string& name : names) {
        const TVolgaField* f = FindField(name);
        if (!f) return {};
        fields.push_back(f);
    }
    return fields;
}

TRecordCodes TVolgaCursor::HoldCodes(const std::vector<std::string>& codeFields) {
    // The record codes of the rows held, in their order, each with its row's identity; an
    // empty code names nothing.
    const std::vector<const TVolgaField*> fields = CodeFieldsOf(codeFields);
    TRecordCodes held;
    held.firstNew = nextId_;
    held.packed = PacksCode(fields);
    if (!fields.empty()) {
        const size_t emptyCode = fields.size() == 1 ? 0 : 4 * fields.size();
        held.ids.reserve(rows_.size());
        if (held.packed) {
            held.words.reserve(rows_.size());
        } else {
            held.ends.reserve(rows_.size());
            held.bytes.reserve(rows_.size() * (4 * fields.size() + 8));
        }
        // The rows lie one after another in memory: the next ones are asked for ahead.
        constexpr size_t kAhead = 8;
        for (size_t i = 0; i < rows_.size(); ++i) {
            if (i + kAhead < rows_.size()) __builtin_prefetch(rows_[i + kAhead]->Bytes.data);
            const TVolgaRow* row = rows_[i];
            if (row->State == rsRemoved) continue;
            if (held.packed) {
                if (const uint64_t word = PackedCode(*row, *fields[0])) held.AddWord(word, row->Id);
                continue;
            }
            const size_t before = held.bytes.size();
            AppendCode(held.bytes, *row, fields);
            if (held.bytes.size() - before == emptyCode) {
                held.bytes.resize(before);
                continue;
            }
            held.Add(row->Id);
        }
    }
    // The rows are gone from here on: their memory takes the rows read anew.
    Clear(true);
    return held;
}

bool TVolgaCursor::Reload(TBlockBytes&& block, const std::vector<std::string>& codeFields, std::string& message) {
    return Reload(std::move(block), HoldCodes(codeFields), codeFields, message);
}

bool TVolgaCursor::Reload(TBlockBytes&& block, const TRecordCodes& held, const std::vector<std::string>& codeFields,
                          std::string& message) {
    const uint32_t firstNew = held.firstNew;
    match_ = {held.packed ? &held : nullptr, &codeFields};
    struct Reset {
        HeldMatch& match;
        ~Reset() { match = {}; }
    } reset{match_};
    if (!LoadFromStream(std::move(block), message)) return false;
    const std::vector<const TVolgaField*> fields = CodeFieldsOf(codeFields);
    if (held.size() == 0 || fields.empty()) return true;
    // The rows found again take their old identities; the others are numbered anew from
    // where this read began, as no one has seen the numbers it gave.
    nextId_ = firstNew;
    // Mostly the rows come back in their order, new ones after them: each is its old row's
    // code at the same place, which needs no search, when no code was held twice (a code held
    // twice names no one record).
    // A code packed by the fields read before is compared as a word while these fields pack it
    // the same way.
    const bool packed = held.packed && PacksCode(fields);
    size_t next = match_.next;
    bool inOrder = match_.inOrder;
    for (size_t i = match_.field ? rows_.size() : 0; inOrder && i < rows_.size(); ++i) {
        if (i + 8 < rows_.size()) __builtin_prefetch(rows_[i + 8]->Bytes.data);
        if (next < held.size() && (packed ? PackedCode(*rows_[i], *fields[0]) == held.words[next]
                                                : HasCode(*rows_[i], held[next], fields)))
            ++next;
        else
            inOrder = next == held.size();
    }
    uint32_t base = firstNew;
    if (inOrder && !held.MayHoldOneTwice()) {
        // The identities and their look-up are set in one walk over the rows.
        if (next > 0) base = std::min(base, *std::min_element(held.ids.begin(), held.ids.begin() + static_cast<std::ptrdiff_t>(next)));
        idBase_ = base;
        byId_.assign(nextId_ + (rows_.size() - next) - base, nullptr);
        for (size_t i = 0; i < rows_.size(); ++i) {
            TVolgaRow* row = rows_[i];
            row->Id = i < next ? held.ids[i] : nextId_++;
            byId_[row->Id - base] = row;
        }
        return true;
    }
    std::unordered_map<std::string_view, uint32_t> ids;
    ids.reserve(held.size());
    for (size_t i = 0; i < held.size(); ++i) {
        auto [it, added] = ids.emplace(held[i], held.ids[i]);
        if (!added) it->second = 0;
    }
    std::string code;
    for (TVolgaRow* row : rows_) {
        code.clear();
        AppendCode(code, *row, fields);
        auto it = ids.find(code);
        if (it == ids.end() || it->second == 0) {
            row->Id = nextId_++;
            continue;
        }
        row->Id = it->second;
        it->second = 0; // one row takes an identity
        base = std::min(base, row->Id);
    }
    idBase_ = base;
    byId_.assign(nextId_ - base, nullptr);
    for (TVolgaRow* row : rows_) byId_[row->Id - base] = row;
    return true;
}

bool TVolgaCursor::ReadHead(std::string_view block, BlockHead& head, std::string& message) {
    Reader in(block);
    int32_t total;
    if (!in.Int32(total) || !in.Bytes(&head.kind, 1)) {
        message = kCorrupt;
        return false;
    }
    if (head.kind == 'E') {
        std::string_view text = block.substr(5);
        message = std::string(text.substr(0, text.find('\0')));
        return false;
    }
    if (head.kind != 'S' && head.kind != 'P') {
        message = kCorrupt;
        return false;
    }
    if (head.kind == 'P') {
        TCheckBlock stored;
        if (!in.Bytes(stored.data(), stored.size())) {
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
    int32_t fieldCount, descLength;
    std::string_view description;
    if (!in.Int32(head.declared) || !in.Int32(fieldCount) || !in.Int32(descLength) || descLength < 0 ||
        descLength > kMaxDescription || !in.View(static_cast<size_t>(descLength), description)) {
        message = kCorrupt;
        return false;
    }
    if (!ParseFieldList(description, fieldCount, message)) return false;
    description_ = std::string(description);
    head.bodyAt = in.Pos();
    return true;
}

bool TVolgaCursor::ReadNotes(std::string_view body, size_t& pos, int32_t declared, std::string& message) {
    // Notes come first. With rows to follow, a '*' where a row could start is read as notes
    // only when a whole row's length bytes could follow; without rows, whatever is there is
    // notes.
    const size_t need = declared == 0 ? 3 : fields_.size();
    if (body.size() - pos < std::max<size_t>(need, 1) || body[pos] != '*') return true;
    Reader in(body.substr(pos + 1));
    uint8_t length[2];
    std::string_view notes;
    if (!in.Bytes(length, 2) || !in.View(ReadLE<uint16_t>(length), notes)) {
        message = kEnd;
        return false;
    }
    notes_ = std::string(notes);
    pos += 1 + in.Pos();
    return true;
}

namespace {

constexpr uint64_t kLow = 0x00FF00FF00FF00FFull;
constexpr uint64_t kHigh = 0x8000800080008000ull;

uint64_t Load8(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Whether every byte of x is at most the byte of limit in its place, eight at once: each
// byte gets a 16-bit lane whose top bit survives the subtraction only when it is.
bool AllAtMost(uint64_t x, uint64_t limit) {
    const uint64_t even = ((limit & kLow) | kHigh) - (x & kLow);
    const uint64_t odd = (((limit >> 8) & kLow) | kHigh) - ((x >> 8) & kLow);
    return (even & odd & kHigh) == kHigh;
}

// The sum of count length bytes, eight at a time.
size_t SumBytes(const uint8_t* p, size_t count) {
    size_t sum = 0, i = 0;
    for (; i + 8 <= count; i += 8) {
        const uint64_t x = Load8(p + i);
        const uint64_t pairs = (x & kLow) + ((x >> 8) & kLow);
        sum += static_cast<size_t>((pairs * 0x0001000100010001ull) >> 48);
    }
    for (; i < count; ++i) sum += p[i];
    return sum;
}

} // namespace

void TVolgaCursor::PlanWideRows() {
    constexpr size_t kVector = 16;
    const size_t n = slots_.size();
    wide_ = {};
    wide_.bytes = (n + kVector - 1) / kVector * kVector;
    wide_.limits.assign(wide_.bytes, 0xFF);
    wide_.masks.assign(wide_.bytes, 0);
    std::copy(limits_.begin(), limits_.end(), wide_.limits.begin());
    std::copy(masks_.begin(), masks_.end(), wide_.masks.begin());
    // A counted field's length, 4 with a value, stands for its count's bytes: the values
    // before a count are the lengths before its field and the counts before.
    auto addSegment = [&](size_t from, size_t to) {
        for (size_t v = from / kVector; v * kVector < to; ++v) {
            wide_.partVectors.push_back(static_cast<uint32_t>(v));
            for (size_t i = v * kVector; i < (v + 1) * kVector; ++i) wide_.partMasks.push_back(i >= from && i < to ? 0xFF : 0);
        }
        wide_.partEnds.push_back(static_cast<uint32_t>(wide_.partVectors.size()));
    };
    size_t from = 0;
    for (const uint32_t c : countedFields_) {
        addSegment(from, c);
        from = c;
    }
    addSegment(from, n);
}

bool TVolgaCursor::IndexRowWide(std::string_view body, size_t& pos) const {
#if defined(__SSE2__)
    const size_t bytes = wide_.bytes;
    if (body.size() - pos < bytes) return false;
    const auto* lengths = reinterpret_cast<const uint8_t*>(body.data() + pos);
    const uint8_t* limits = wide_.limits.data();
    const uint8_t* masks = wide_.masks.data();
    const uint8_t* partMasks = wide_.partMasks.data();
    const uint32_t* partVectors = wide_.partVectors.data();
    auto load = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    const __m128i zero = _mm_setzero_si128();
    __m128i fits = _mm_cmpeq_epi8(zero, zero);
    for (size_t at = 0; at < bytes; at += 16) {
        const __m128i x = load(lengths + at), limit = load(limits + at);
        fits = _mm_and_si128(fits, _mm_cmpeq_epi8(_mm_max_epu8(x, limit), limit));
        fits = _mm_and_si128(fits, _mm_cmpeq_epi8(_mm_and_si128(x, load(masks + at)), zero));
    }
    if (_mm_movemask_epi8(fits) != 0xFFFF) return false;
    size_t at = pos + counted_.size();
    size_t part = 0;
    auto addLengths = [&](size_t end) {
        __m128i sums = zero;
        for (; part < end; ++part)
            sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_and_si128(load(lengths + 16 * partVectors[part]), load(partMasks + 16 * part)), zero));
        at += static_cast<size_t>(_mm_cvtsi128_si64(_mm_add_epi64(sums, _mm_unpackhi_epi64(sums, sums))));
    };
    const size_t counted = countedFields_.size();
    for (size_t k = 0; k < counted; ++k) {
        const uint32_t c = countedFields_[k];
        addLengths(wide_.partEnds[k]);
        if (lengths[c] == 0) continue;
        if (at > body.size() || body.size() - at < 4) return false;
        const int32_t count = ReadLE<int32_t>(body.data() + at);
        if (count < 0 || count > (slots_[c].isString ? kMaxStringBytes : kMaxBlobBytes)) return false;
        at += static_cast<size_t>(count);
    }
    addLengths(wide_.partEnds[counted]);
    if (at > body.size()) return false;
    pos = at;
    return true;
#else
    (void)body;
    (void)pos;
    return false;
#endif
}

bool TVolgaCursor::IndexRow(std::string_view body, size_t& pos, int32_t recordNo, std::string& message) const {
    const size_t n = counted_.size();
    const auto* lengths = reinterpret_cast<const uint8_t*>(body.data() + pos);
    // Every length at once: a fixed value no longer than its field, a counted one 0 or 4.
    const Slot* slots = slots_.data();
    bool bad = false;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const uint64_t x = Load8(lengths + i);
        bad |= !AllAtMost(x, Load8(limits_.data() + i)) || (x & Load8(masks_.data() + i)) != 0;
    }
    for (; i < n; ++i) bad |= (lengths[i] > slots[i].limit) | ((lengths[i] & slots[i].mask) != 0);
    if (bad) {
        i = 0;
        while (lengths[i] <= slots[i].limit && (lengths[i] & slots[i].mask) == 0) ++i;
        message = Format("Field '%s' has wrong length %d in record %d", fields_[i].Name, lengths[i], recordNo);
        return false;
    }
    // The values: fixed ones are stepped over by their lengths, a counted one by its count,
    // which is checked first.
    size_t at = pos + n;
    size_t field = 0;
    for (const uint32_t c : countedFields_) {
        at += SumBytes(lengths + field, c - field);
        field = c + 1;
        if (lengths[c] == 0) continue;
        if (at > body.size() || body.size() - at < 4) {
            message = kEnd;
            return false;
        }
        const int32_t count = ReadLE<int32_t>(body.data() + at);
        if (slots[c].isString && (count < 0 || count > kMaxStringBytes)) {
            message = Format("String field '%s' has wrong length %d in record %d", fields_[c].Name, count, recordNo);
            return false;
        }
        if (count < 0 || count > kMaxBlobBytes) {
            message = Format("BLOB field '%s' has wrong length %d in record %d", fields_[c].Name, count, recordNo);
            return false;
        }
        at += 4 + static_cast<size_t>(count);
    }
    at += SumBytes(lengths + field, n - field);
    if (at > body.size()) {
        message = kEnd;
        return false;
    }
    pos = at;
    return true;
}

bool TVolgaCursor::ReadRows(std::string_view body, size_t pos, int32_t declared, std::string& message) {
    const size_t n = fields_.size();
    // Never reserve more than the remaining bytes can hold.
    if (declared > 0) {
        const size_t most = std::min(static_cast<size_t>(declared), (body.size() - pos) / n);
        rows_.reserve(most);
        byId_.reserve(most);
    }
    PlanWideRows();
    // Rows sorted after the read are matched in their sorted order, later.
    if (match_.held && autoIncField_ < 0) {
        const std::vector<const TVolgaField*> fields = CodeFieldsOf(*match_.codeFields);
        if (PacksCode(fields)) match_.field = fields[0];
    }
    const bool report = OnCallback && declared > 0;
    int lastPercent = -1;
    int32_t read = 0;
    while (body.size() - pos >= n && read < declared) {
        const size_t start = pos;
        if (!IndexRowWide(body, pos) && !IndexRow(body, pos, read + 1, message)) return false;
        // A row read owns nothing and is unchanged: none of AppendRow's cases apply.
        TVolgaRow& row = storage_.emplace_back();
        row.Bytes = {reinterpret_cast<const uint8_t*>(body.data() + start), static_cast<uint32_t>(pos - start)};
        row.Id = nextId_++;
        byId_.push_back(&row);
        rows_.push_back(&row);
        if (match_.field && match_.inOrder) {
            if (match_.next < match_.held->size() && PackedCode(row, *match_.field) == match_.held->words[match_.next])
                ++match_.next;
            else
                match_.inOrder = match_.next == match_.held->size();
        }
        ++read;
        if (report) {
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
    return true;
}

bool TVolgaCursor::LoadBlock(std::string& message, bool& headerRead) {
    BlockHead head;
    if (!ReadHead(block_.View(), head, message)) return false;
    headerRead = true;
    if (head.kind == 'P') {
        TSapphire& cipher = session_->Cipher();
        cipher.SetKey(CheckBlockText(checkBlock_));
        cipher.DecryptBuffer(block_.data.get() + head.bodyAt, block_.size - head.bodyAt);
        cipher.Burn();
    }
    const std::string_view body = block_.View().substr(head.bodyAt);
    size_t pos = 0;
    const bool ok = ReadNotes(body, pos, head.declared, message) && ReadRows(body, pos, head.declared, message);
    if (const TVolgaField* ai = AutoIncField(); ai && !rows_.empty()) {
        SortRows(ai->Name, false);
        lastAutoInc_ = FixedOf<int32_t>(FieldBytes(*rows_.back(), *ai));
    }
    return ok;
}

// ---- writing ----

namespace {
// The size of the pieces a block is handed out in: large enough for few writes, small enough
// that a table of any size is saved without a copy of it in memory.
constexpr size_t kSavePiece = size_t(1) << 20;
} // namespace

size_t TVolgaCursor::WriteBlock(const std::function<void(std::string_view piece)>& sink) {
    const bool withPassword = !password_.empty();
    description_ = BuildFieldList();
    // The lengths in the head come first: they are counted before anything is written.
    const size_t bodyAt = 4 + 1 + (withPassword ? kCheckBlockSize : 0) + 12 + description_.size();
    const size_t total = bodyAt + (notes_.empty() ? 0 : 3 + notes_.size()) + LiveBytes();
    const int32_t written = LiveRowCount();
    std::string piece;
    piece.reserve(std::min(total, kSavePiece) + 64);
    AppendLE<int32_t>(piece, static_cast<int32_t>(total));
    piece.push_back(withPassword ? 'P' : 'S');
    if (withPassword) {
        checkBlock_ = MakePlainCheckBlock(NewGuidText());
        const TCheckBlock stored = EncipherCheckBlock(checkBlock_, PasswordKey(password_), session_->Cipher());
        piece.append(reinterpret_cast<const char*>(stored.data()), stored.size());
    }
    encrypted_ = withPassword;
    AppendLE<int32_t>(piece, written);
    AppendLE<int32_t>(piece, static_cast<int32_t>(fields_.size()));
    AppendLE<int32_t>(piece, static_cast<int32_t>(description_.size()));
    piece += description_;
    if (!notes_.empty()) {
        piece.push_back('*');
        AppendLE<uint16_t>(piece, static_cast<uint16_t>(notes_.size()));
        piece += notes_;
    }
    // Everything after the description is enciphered, as one stream over all the pieces.
    TSapphire* cipher = withPassword ? &session_->Cipher() : nullptr;
    struct Burn {
        TSapphire* cipher;
        ~Burn() {
            if (cipher) cipher->Burn();
        }
    } burn{cipher};
    if (cipher) cipher->SetKey(CheckBlockText(checkBlock_));
    size_t plain = bodyAt; // bytes at the start of the piece that stay plain
    auto flush = [&] {
        if (cipher) cipher->EncryptBuffer(piece.data() + plain, piece.size() - plain);
        plain = 0;
        sink(piece);
        piece.clear();
    };
    // Every row is held as the file stores it: its bytes are written as they are. Rows read
    // together lie one after another in their buffer: a plain table hands such a run out
    // where it lies, without a copy.
    const char* run = nullptr;
    size_t runSize = 0;
    auto putRun = [&] {
        if (runSize == 0) return;
        const std::string_view bytes(run, runSize);
        if (!cipher && bytes.size() >= kSavePiece / 16) {
            if (!piece.empty()) flush();
            sink(bytes);
        } else {
            piece += bytes;
            if (piece.size() >= kSavePiece) flush();
        }
        runSize = 0;
    };
    int lastPercent = -1;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const TVolgaRow& row = *rows_[i];
        if (row.Live()) {
            const auto* at = reinterpret_cast<const char*>(row.Bytes.data);
            const bool inBlock = at >= block_.data.get() && at < block_.data.get() + block_.size;
            if (runSize > 0 && inBlock && run + runSize == at && runSize < kSavePiece) {
                runSize += row.Bytes.size;
            } else {
                putRun();
                run = at;
                runSize = row.Bytes.size;
            }
        }
        if (OnCallback) {
            const int percent = static_cast<int>(std::lround((i + 1) * 100.0 / static_cast<double>(rows_.size())));
            if (percent != lastPercent) {
                lastPercent = percent;
                OnCallback(percent);
            }
        }
    }
    putRun();
    if (!piece.empty()) flush();
    return total;
}

size_t TVolgaCursor::SaveToStream(std::string& out) {
    out.reserve(out.size() + 64 + kCheckBlockSize + BuildFieldList().size() + notes_.size() + LiveBytes());
    return WriteBlock([&out](std::string_view piece) { out += piece; });
}

size_t TVolgaCursor::LiveBytes() const {
    size_t bytes = 0;
    for (const TVolgaRow* row : rows_)
        if (row->Live()) bytes += row->Bytes.size;
    return bytes;
}

void TVolgaCursor::SaveToFile(const std::filesystem::path& fileName, unsigned options, std::string_view sortFieldNames,
                              bool caseInsensitive) {
    if (options & savAutoBackup) {
        std::filesystem::path copy = fileName;
        copy.replace_extension(".~d");
        if (CheckPath(fileName) != PathState::Absent) CopyFileDurably(fileName, copy);
    }
    if (options & savSortOnIndex) SortRows(sortFieldNames, caseInsensitive);
    WriteFileDurably(fileName, [this](const DurableSink& sink) { WriteBlock(sink); });
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
        SetOwnBytes(*row, Encode(buffer));
        if (row->State == rsUnchanged) row->State = rsModified;
        return row;
    }
    TVolgaRow* fresh = AppendRow({}, nullptr, rsInserted);
    if (const TVolgaField* ai = AutoIncField()) {
        TVolgaRowBuffer numbered = buffer;
        SetFixed<int32_t>(numbered, *ai, ++lastAutoInc_);
        SetOwnBytes(*fresh, Encode(numbered));
    } else {
        SetOwnBytes(*fresh, Encode(buffer));
    }
    return fresh;
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
    if (!row->HasBackup() && row->State != rsInserted) {
        if (!row->Change) row->Change = std::make_unique<TRowChange>();
        // The bytes stay where they are: the backup only takes over owning them.
        row->Change->Backup = row->Bytes;
        row->Change->BackupOwn = std::move(row->Change->Own);
        row->Change->HasBackup = true;
    }
    return true;
}

void TVolgaCursor::DropBackup(TVolgaRow* row) {
    if (!row || !row->HasBackup()) return;
    TRowChange& change = *row->Change;
    if (change.Backup.data == row->Bytes.data) change.Own = std::move(change.BackupOwn);
    change.BackupOwn.reset();
    change.Backup = {};
    change.HasBackup = false;
    if (!change.Own) row->Change.reset();
}

void TVolgaCursor::RestoreRow(TVolgaRow* row) {
    if (!row) return;
    if (row->HasBackup()) {
        TRowChange& change = *row->Change;
        row->Bytes = change.Backup;
        change.Own = std::move(change.BackupOwn);
        change.Backup = {};
        change.HasBackup = false;
        if (!change.Own) row->Change.reset();
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
            DropBackup(row);
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
        const bool same = std::all_of(keys.begin(), keys.end(), [&](const TVolgaField* f) {
            return CompareValues(*f, ValueBytes(buffer, *f), FieldBytes(*row, *f), caseInsensitive, codePage_) == 0;
        });
        if (same) return true;
    }
    return false;
}

std::string TVolgaCursor::FieldText(const TVolgaField& field, const TVolgaRow& row, bool useBackup,
                                    bool fixedFormat) const {
    if (row.State == rsRemoved) return kNotFound;
    return TextOfValue(field, FieldBytes(row, field, useBackup), fixedFormat ? FixedFormat() : formatSettings_, fixedFormat,
                       codePage_);
}

void TVolgaCursor::SortRows(std::string_view fieldNames, bool caseInsensitive) {
    std::vector<TSortKey> keys;
    for (const TVolgaField* f : FieldsOf(fieldNames)) keys.push_back({f, false, f->Numeric != 0});
    // Deleted and removed rows have no order among the others: they go behind them unsorted.
    auto liveEnd = std::stable_partition(rows_.begin(), rows_.end(), [](const TVolgaRow* r) { return r->Live(); });
    std::vector<TVolgaRow*> live(rows_.begin(), liveEnd);
    SortRowsByKeys(*this, live, std::move(keys), caseInsensitive);
    std::copy(live.begin(), live.end(), rows_.begin());
}

} // namespace kvz

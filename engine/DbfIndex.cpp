#include "engine/DbfIndex.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

namespace kvz {

namespace {

// Deeper trees than this do not fit in a 32-bit record count.
constexpr int kMaxDepth = 32;
// Our older program marked the files it made with this word; their key kind is a letter.
constexpr uint16_t kOwnMark = 0x5800;

// Days of a date as numeric index keys count them: the Julian day number.
constexpr double kJulianOfDateZero = 2415019;

} // namespace

TIndexFile::TIndexFile(const std::filesystem::path& path) : path_(path), content_(ReadWholeFile(path)) { Parse(); }

TIndexFile::TIndexFile(std::string content, std::filesystem::path path) : path_(std::move(path)), content_(std::move(content)) {
    Parse();
}

void TIndexFile::Parse() {
    std::string ext = path_.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    kind_ = ext == ".mdx" ? 2 : 3;
    const std::string damaged = "The index file is damaged : " + path_.string();
    if (content_.size() < static_cast<size_t>(kPageSize)) throw EDbfFileError(damaged);
    const std::string_view head(content_.data(), kPageSize);
    root_ = DbfLe32(head, 0);
    pages_ = DbfLe32(head, 4);
    keyLength_ = DbfLe16(head, 12);
    keysPerPage_ = DbfLe16(head, 14);
    entrySize_ = DbfLe16(head, 18);
    // Files of other programs give the key type as a word at 16 (0 text, 1 number); ours
    // gave a letter at 9.
    textKeys_ = DbfLe16(head, 10) == kOwnMark ? head[9] == 'C' : DbfLe16(head, 16) == 0;
    std::string_view expr = head.substr(24);
    expr = expr.substr(0, expr.find('\0'));
    while (!expr.empty() && expr.back() == ' ') expr.remove_suffix(1);
    while (!expr.empty() && expr.front() == ' ') expr.remove_prefix(1);
    for (char c : expr) expression_.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    const int maxEntries = (kPageSize - 4) / std::max(entrySize_, 1);
    if (keyLength_ < 1 || entrySize_ < keyLength_ + 8 || entrySize_ > keyLength_ + 11 || maxEntries < 2 ||
        keysPerPage_ < 1 || keysPerPage_ > maxEntries || (!textKeys_ && keyLength_ != 8))
        throw EDbfFileError(damaged);
    const uint32_t filePages = static_cast<uint32_t>(content_.size() / kPageSize);
    if (root_ < 1 || root_ >= filePages) throw EDbfFileError(damaged);
    std::vector<bool> seen(filePages, false);
    Walk(root_, 0, seen);
}

void TIndexFile::Walk(uint32_t page, int depth, std::vector<bool>& seen) {
    const std::string damaged = "The index file is damaged : " + path_.string();
    if (page < 1 || page >= seen.size() || seen[page] || depth > kMaxDepth) throw EDbfFileError(damaged);
    seen[page] = true;
    const std::string_view p(content_.data() + static_cast<size_t>(page) * kPageSize, kPageSize);
    const uint32_t count = DbfLe32(p, 0);
    // An inner page holds one child pointer more than keys.
    const bool leaf = DbfLe32(p, 4) == 0;
    if (count > static_cast<uint32_t>(keysPerPage_) || 4 + (count + (leaf ? 0 : 1)) * static_cast<uint32_t>(entrySize_) > kPageSize)
        throw EDbfFileError(damaged);
    for (uint32_t i = 0; i < count + (leaf ? 0 : 1); ++i) {
        const size_t at = 4 + static_cast<size_t>(i) * static_cast<size_t>(entrySize_);
        const uint32_t child = DbfLe32(p, at);
        if (leaf) {
            if (child != 0) throw EDbfFileError(damaged);
            entries_.push_back({DbfLe32(p, at + 4), std::string(p.substr(at + 8, static_cast<size_t>(keyLength_)))});
        } else {
            Walk(child, depth + 1, seen);
        }
    }
}

void TIndexFile::Bind(const TDbfFieldDef& field, int codePage) {
    keyOffset_ = field.Offset;
    keySize_ = field.StoredSize;
    fieldLetter_ = field.NativeFieldType;
    upper_ = IsSingleByteCodePage(codePage) ? CodePageTablesFor(codePage).upper.data() : nullptr;
}

std::string TIndexFile::KeyOf(std::string_view record) const {
    const std::string_view raw = record.substr(static_cast<size_t>(keyOffset_), static_cast<size_t>(keySize_));
    if (textKeys_) {
        std::string key(raw.substr(0, static_cast<size_t>(keyLength_)));
        key.resize(static_cast<size_t>(keyLength_), ' ');
        return key;
    }
    std::string_view text = raw;
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    double value = 0;
    if (fieldLetter_ == 'D') {
        if (ParseDbfDate(text, value)) value += kJulianOfDateZero;
    } else {
        if (!text.empty() && text.front() == '+') text.remove_prefix(1);
        std::from_chars(text.data(), text.data() + text.size(), value);
    }
    std::string key(8, '\0');
    std::memcpy(key.data(), &value, 8);
    return key;
}

int TIndexFile::Compare(const TIndexEntry& a, const TIndexEntry& b) const {
    int c = 0;
    if (textKeys_) {
        const size_t n = std::min(a.Key.size(), b.Key.size());
        for (size_t i = 0; i < n && c == 0; ++i) {
            const uint8_t x = static_cast<uint8_t>(a.Key[i]), y = static_cast<uint8_t>(b.Key[i]);
            const int ux = upper_ ? upper_[x] : std::toupper(x), uy = upper_ ? upper_[y] : std::toupper(y);
            c = ux < uy ? -1 : ux > uy ? 1 : 0;
        }
    } else {
        double x = 0, y = 0;
        if (a.Key.size() == 8) std::memcpy(&x, a.Key.data(), 8);
        if (b.Key.size() == 8) std::memcpy(&y, b.Key.data(), 8);
        c = x < y ? -1 : x > y ? 1 : 0;
    }
    if (c != 0) return c;
    return a.RecNo < b.RecNo ? -1 : a.RecNo > b.RecNo ? 1 : 0;
}

void TIndexFile::Insert(uint32_t recNo, std::string key) {
    TIndexEntry entry{recNo, std::move(key)};
    auto at = std::lower_bound(entries_.begin(), entries_.end(), entry,
                               [this](const TIndexEntry& a, const TIndexEntry& b) { return Compare(a, b) < 0; });
    entries_.insert(at, std::move(entry));
}

void TIndexFile::Remove(uint32_t recNo, const std::string& key) {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const TIndexEntry& e) { return e.RecNo == recNo && e.Key == key; });
    if (it != entries_.end()) entries_.erase(it);
}

std::string TIndexFile::Build() const {
    const size_t es = static_cast<size_t>(entrySize_);
    const size_t leafKeys = static_cast<size_t>(keysPerPage_);
    const size_t innerKeys = std::min(leafKeys, (kPageSize - 4) / es - 1);
    std::string out(kPageSize, '\0');
    struct Child {
        uint32_t page;
        std::string lastKey;
    };
    auto newPage = [&]() {
        out.append(kPageSize, '\0');
        return static_cast<uint32_t>(out.size() / kPageSize - 1);
    };
    auto put = [&](uint32_t page, size_t i, uint32_t child, uint32_t recNo, std::string_view key) {
        const size_t at = static_cast<size_t>(page) * kPageSize + 4 + i * es;
        DbfPutLe(out, at, child, 4);
        DbfPutLe(out, at + 4, recNo, 4);
        out.replace(at + 8, key.size(), key);
    };
    std::vector<Child> level;
    for (size_t first = 0; first < entries_.size() || level.empty(); first += leafKeys) {
        const uint32_t page = newPage();
        const size_t n = std::min(leafKeys, entries_.size() - first);
        DbfPutLe(out, static_cast<size_t>(page) * kPageSize, static_cast<uint32_t>(n), 4);
        for (size_t i = 0; i < n; ++i) put(page, i, 0, entries_[first + i].RecNo, entries_[first + i].Key);
        level.push_back({page, n ? entries_[first + n - 1].Key : std::string()});
    }
    // Each inner entry carries the last key below its child; the last child has no key.
    while (level.size() > 1) {
        std::vector<Child> upper;
        for (size_t first = 0; first < level.size(); first += innerKeys + 1) {
            const uint32_t page = newPage();
            const size_t n = std::min(innerKeys + 1, level.size() - first);
            DbfPutLe(out, static_cast<size_t>(page) * kPageSize, static_cast<uint32_t>(n - 1), 4);
            for (size_t i = 0; i < n; ++i)
                put(page, i, level[first + i].page, 0, i + 1 < n ? std::string_view(level[first + i].lastKey) : std::string_view());
            upper.push_back({page, level[first + n - 1].lastKey});
        }
        level = std::move(upper);
    }
    DbfPutLe(out, 0, level.front().page, 4);
    DbfPutLe(out, 4, static_cast<uint32_t>(out.size() / kPageSize), 4);
    DbfPutLe(out, 8, static_cast<uint32_t>(entries_.size() + 1), 4);
    DbfPutLe(out, 12, static_cast<uint32_t>(keyLength_), 2);
    DbfPutLe(out, 14, static_cast<uint32_t>(keysPerPage_), 2);
    DbfPutLe(out, 16, textKeys_ ? 0 : 1, 2);
    DbfPutLe(out, 18, static_cast<uint32_t>(entrySize_), 2);
    out.replace(24, expression_.size(), expression_);
    return out;
}

void TIndexFile::Save() {
    const std::string bytes = Build();
    WriteFileDurably(path_, bytes);
    content_ = bytes;
    root_ = DbfLe32(bytes, 0);
    pages_ = DbfLe32(bytes, 4);
}

void TIndexFile::Create(const std::filesystem::path& path, const TDbfFile& table, const TDbfFieldDef& field) {
    TIndexFile index;
    index.path_ = path;
    index.textKeys_ = field.FieldType == TDbfFieldKind::String;
    index.keyLength_ = index.textKeys_ ? std::clamp(field.StoredSize, 1, 100) : 8;
    index.entrySize_ = (index.keyLength_ + 8 + 3) / 4 * 4;
    index.keysPerPage_ = 504 / index.entrySize_;
    for (char c : field.FieldName) index.expression_.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    index.Bind(field, table.CodePage());
    for (uint32_t n = 1; n <= table.RecordCount(); ++n) index.entries_.push_back({n, index.KeyOf(table.Record(n))});
    std::stable_sort(index.entries_.begin(), index.entries_.end(),
                     [&index](const TIndexEntry& a, const TIndexEntry& b) { return index.Compare(a, b) < 0; });
    index.Save();
}

bool TIndexCursor::Next() {
    if (pos_ > Count()) return false;
    ++pos_;
    return pos_ <= Count();
}

bool TIndexCursor::Prior() {
    if (pos_ < 1) return false;
    --pos_;
    return pos_ >= 1;
}

uint32_t TIndexCursor::RecNo() const {
    return pos_ >= 1 && pos_ <= Count() ? index_.Entries()[static_cast<size_t>(pos_ - 1)].RecNo : 0;
}

void TIndexCursor::SetRecNo(uint32_t recNo) {
    const auto& e = index_.Entries();
    auto it = std::find_if(e.begin(), e.end(), [recNo](const TIndexEntry& x) { return x.RecNo == recNo; });
    pos_ = it == e.end() ? Count() + 1 : (it - e.begin()) + 1;
}

void TIndexCursor::SetSequenceNo(int32_t sequence, uint32_t recNo) {
    if (sequence >= 1 && sequence <= Count() && index_.Entries()[static_cast<size_t>(sequence - 1)].RecNo == recNo)
        pos_ = sequence;
    else
        SetRecNo(recNo);
}

} // namespace kvz

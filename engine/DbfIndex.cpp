#include "engine/DbfIndex.h"

#include "platform/rtl/Files.h"

#include <algorithm>
#include <cctype>

namespace kvz {

namespace {

uint32_t Le32(std::string_view b, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t Le16(std::string_view b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

// Deeper trees than this do not fit in a 32-bit record count.
constexpr int kMaxDepth = 32;
// Our older program marked the files it made with this word; their key kind is a letter.
constexpr uint16_t kOwnMark = 0x5800;

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
    root_ = Le32(head, 0);
    pages_ = Le32(head, 4);
    keyLength_ = Le16(head, 12);
    keysPerPage_ = Le16(head, 14);
    entrySize_ = Le16(head, 18);
    // Files of other programs give the key type as a word at 16 (0 text, 1 number); ours
    // gave a letter at 9.
    textKeys_ = Le16(head, 10) == kOwnMark ? head[9] == 'C' : Le16(head, 16) == 0;
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
    const uint32_t count = Le32(p, 0);
    // An inner page holds one child pointer more than keys.
    const bool leaf = Le32(p, 4) == 0;
    if (count > static_cast<uint32_t>(keysPerPage_) || 4 + (count + (leaf ? 0 : 1)) * static_cast<uint32_t>(entrySize_) > kPageSize)
        throw EDbfFileError(damaged);
    for (uint32_t i = 0; i < count + (leaf ? 0 : 1); ++i) {
        const size_t at = 4 + static_cast<size_t>(i) * static_cast<size_t>(entrySize_);
        const uint32_t child = Le32(p, at);
        if (leaf) {
            if (child != 0) throw EDbfFileError(damaged);
            entries_.push_back({Le32(p, at + 4), std::string(p.substr(at + 8, static_cast<size_t>(keyLength_)))});
        } else {
            Walk(child, depth + 1, seen);
        }
    }
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

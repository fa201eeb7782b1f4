#include "printing/SenderFiles.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <algorithm>
#include <system_error>

namespace kvz {

bool IsSenderFileName(std::string_view name) {
    constexpr std::string_view head = "Odos", tail = ".txt";
    if (name.size() < head.size() + tail.size() || !name.starts_with(head) || !name.ends_with(tail)) return false;
    const std::string_view number = name.substr(head.size(), name.size() - head.size() - tail.size());
    if (number.empty()) return true;
    if (number.size() > 9 || number.front() == '0') return false;
    return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

long SenderFileNumber(std::string_view name) {
    long n = 0;
    for (char c : name.substr(4, name.size() - 8)) n = n * 10 + (c - '0');
    return n;
}

std::string LoadSenderText(const std::filesystem::path& file) {
    const std::string text = CodePageToUtf8(ReadWholeFile(file), DataCodePage());
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    // The line end after the last line ends it; it is not an empty line of its own.
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

void SaveSenderText(const std::filesystem::path& file, std::string_view text) {
    std::string lines;
    lines.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            lines += text[i];
        }
    }
    if (!text.empty() && !lines.ends_with("\r\n")) lines += "\r\n";
    WriteFileDurably(file, Utf8ToCodePage(lines, DataCodePage()));
}

void TSenderFiles::Scan() {
    names_.clear();
    taken_.clear();
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!IsSenderFileName(name)) continue;
        // A pipe, a device or a folder of a sender's name is no sender, but its name is taken.
        taken_.push_back(name);
        if (it->is_regular_file(ec)) names_.push_back(name);
    }
    // By number, so that a stored index names the same file whatever order the folder lists.
    std::sort(names_.begin(), names_.end(),
              [](const std::string& a, const std::string& b) { return SenderFileNumber(a) < SenderFileNumber(b); });
}

std::optional<std::filesystem::path> TSenderFiles::FileAt(int index) const {
    if (names_.empty()) return std::nullopt;
    return folder_ / names_[size_t(ValidIndex(index))];
}

std::string TSenderFiles::NextName() const {
    // Of the numbers 0 to n, n names taken, one is free: mark the taken ones among them.
    std::vector<bool> taken(taken_.size() + 1, false);
    for (const std::string& name : taken_)
        if (const long n = SenderFileNumber(name); n >= 0 && size_t(n) < taken.size()) taken[size_t(n)] = true;
    const size_t n = size_t(std::find(taken.begin(), taken.end(), false) - taken.begin());
    return n == 0 ? std::string("Odos.txt") : "Odos" + std::to_string(n) + ".txt";
}

} // namespace kvz

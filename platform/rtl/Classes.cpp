#include "platform/rtl/Classes.h"

#include <stdexcept>

namespace kvz {

namespace {
bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}
} // namespace

int TStrings::AddObject(std::string_view s, void* object) {
    int index = Add(s);
    PutObject(index, object);
    return index;
}

int TStrings::IndexOf(std::string_view s) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(Get(i), s)) return i;
    return -1;
}

int TStrings::IndexOfObject(const void* object) const {
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == object) return i;
    return -1;
}

std::string TStrings::Text() const {
    std::string text;
    for (int i = 0; i < Count(); ++i) text += Get(i) + "\n";
    return text;
}

void TStrings::SetText(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    Assign(lines);
}

std::vector<std::string> TStrings::ToVector() const {
    std::vector<std::string> lines;
    for (int i = 0; i < Count(); ++i) lines.push_back(Get(i));
    return lines;
}

void TStrings::Assign(const std::vector<std::string>& lines) {
    Clear();
    for (const auto& line : lines) Add(line);
}

void TStrings::Assign(const TStrings& other) {
    if (&other == this) return;
    Clear();
    for (int i = 0; i < other.Count(); ++i) AddObject(other.Get(i), other.GetObject(i));
}

void TStringList::Insert(int index, std::string_view s) {
    if (index < 0 || index > Count()) throw std::out_of_range("List index out of bounds");
    items_.insert(items_.begin() + index, {std::string(s), nullptr});
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
    items_.erase(items_.begin() + index);
}

} // namespace kvz

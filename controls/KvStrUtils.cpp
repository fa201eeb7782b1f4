#include "controls/KvStrUtils.h"

namespace kvz {

namespace {

bool In(const TCharSet& set, char c) { return set.test(static_cast<unsigned char>(c)); }

} // namespace

TCharSet CharSetOf(std::string_view chars) {
    TCharSet set;
    for (char c : chars) set.set(static_cast<unsigned char>(c));
    return set;
}

bool ConsistsOfOnly(std::string_view text, const TCharSet& chars) {
    for (char c : text)
        if (!In(chars, c)) return false;
    return true;
}

std::string SubstituteAll(std::string_view text, std::string_view search, std::string_view replacement) {
    if (search.empty()) return std::string(text);
    std::string out;
    size_t from = 0;
    for (size_t at; (at = text.find(search, from)) != std::string_view::npos; from = at + search.size()) {
        out.append(text.substr(from, at - from));
        out.append(replacement);
    }
    out.append(text.substr(from));
    return out;
}

std::string RepeatChar(char c, int count) { return count > 0 ? std::string(static_cast<size_t>(count), c) : std::string(); }

int GetDelimitedWordPos(int n, std::string_view text, const TCharSet& delimiters) {
    int count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (In(delimiters, text[i])) continue;
        if (++count == n) return static_cast<int>(i) + 1;
        while (i + 1 < text.size() && !In(delimiters, text[i + 1])) ++i;
    }
    return 0;
}

std::string GetDelimitedWord(int n, std::string_view text, const TCharSet& delimiters) {
    int pos = GetDelimitedWordPos(n, text, delimiters);
    return pos > 0 ? NextToken(text, pos, delimiters) : std::string();
}

std::string NextToken(std::string_view text, int& pos, const TCharSet& delimiters) {
    if (pos < 1) pos = 1;
    const auto size = static_cast<int>(text.size());
    int i = pos;
    while (i <= size && !In(delimiters, text[static_cast<size_t>(i - 1)])) ++i;
    std::string token(i > pos ? text.substr(static_cast<size_t>(pos - 1), static_cast<size_t>(i - pos)) : std::string_view());
    if (i <= size) ++i;
    pos = i;
    return token;
}

} // namespace kvz

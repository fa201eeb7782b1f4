#include "platform/rtl/IniFile.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <cstdlib>
#include <iterator>
#include <stdexcept>

namespace kvz {

namespace {

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return std::string(s.substr(b, e - b));
}

// The form by which names and keys are found: lower case, ASCII without the general case map.
std::string Fold(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return Utf8Lower(s);
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

void RefuseLineBreak(std::string_view text, std::string_view key) {
    if (text.find_first_of("\r\n") != std::string_view::npos)
        throw std::invalid_argument("A text with a line break cannot be kept in an ini file: \"" + std::string(key) + "\"");
}

} // namespace

IniFile::IniFile(std::filesystem::path path, int codePage)
    : path_(std::move(path)), codePage_(codePage > 0 ? codePage : DataCodePage()) {
    if (CheckPath(path_) == PathState::Absent) return;
    const std::string text = CodePageToUtf8(ReadWholeFile(path_), codePage_);
    Section* current = nullptr;
    size_t pos = 0;
    while (pos < text.size()) {
        // A line ends at CR LF, LF or CR: a file saved with any of them keeps its lines.
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        std::string t = Trim(line);
        if (!t.empty() && t.front() == '[') {
            const size_t close = t.find(']');
            current = &AddSection(Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1)), line);
            continue;
        }
        Entry e;
        size_t eq = line.find('=');
        if (eq != std::string::npos && !t.empty() && t.front() != ';') {
            e.key = Trim(line.substr(0, eq));
            e.value = Trim(line.substr(eq + 1));
            // Profile files drop one pair of surrounding quotes.
            if (e.value.size() >= 2 && (e.value.front() == '"' || e.value.front() == '\'') &&
                e.value.back() == e.value.front())
                e.value = e.value.substr(1, e.value.size() - 2);
        }
        e.raw = std::move(line);
        if (current)
            AddEntry(*current, current->entries.end(), std::move(e));
        else
            header_.push_back(std::move(e.raw));
    }
}

IniFile::Section& IniFile::AddSection(std::string name, std::string raw) {
    auto it = sections_.insert(sections_.end(), Section{std::move(name), std::move(raw), {}, {}});
    sectionIndex_.emplace(Fold(it->name), it);
    return *it;
}

void IniFile::AddEntry(Section& section, std::list<Entry>::iterator at, Entry entry) {
    auto it = section.entries.insert(at, std::move(entry));
    if (!it->key.empty()) section.index.emplace(Fold(it->key), it);
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
    auto it = sectionIndex_.find(Fold(name));
    return it == sectionIndex_.end() ? nullptr : &*it->second;
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
    auto it = sectionIndex_.find(Fold(name));
    return it == sectionIndex_.end() ? nullptr : &*it->second;
}

const IniFile::Entry* IniFile::FindEntry(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    auto it = s->index.find(Fold(key));
    return it == s->index.end() ? nullptr : &*it->second;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    const Entry* e = FindEntry(section, key);
    return e ? e->value : std::string(def);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
    const Entry* e = FindEntry(section, key);
    if (!e || e->value.empty()) return def;
    std::string v = e->value;
    int base = 10;
    size_t start = 0;
    bool negative = false;
    if (v[0] == '-' || v[0] == '+') {
        negative = v[0] == '-';
        start = 1;
    }
    if (v.compare(start, 1, "$") == 0) {
        base = 16;
        start += 1;
    } else if (v.size() > start + 1 && v[start] == '0' && (v[start + 1] == 'x' || v[start + 1] == 'X')) {
        base = 16;
        start += 2;
    }
    if (start >= v.size()) return def;
    char* endp = nullptr;
    long long n = std::strtoll(v.c_str() + start, &endp, base);
    if (*endp != '\0' || v[start] == '-' || v[start] == '+') return def;
    if (negative) n = -n;
    if (base == 16 && n > 0x7FFFFFFFLL && n <= 0xFFFFFFFFLL) n -= 0x100000000LL;
    if (n < -2147483648LL || n > 2147483647LL) return def;
    return static_cast<int>(n);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    for (std::string_view text : {section, key, value}) RefuseLineBreak(text, key);
    Utf8ToCodePage(value, codePage_); // refuses what the file cannot hold, before any change
    Utf8ToCodePage(key, codePage_);
    Utf8ToCodePage(section, codePage_);
    Section* s = FindSection(section);
    if (!s) s = &AddSection(std::string(section), {});
    modified_ = true;
    auto found = s->index.find(Fold(key));
    if (found != s->index.end()) {
        found->second->value = std::string(value);
        found->second->raw.clear();
        return;
    }
    // New keys go after the last key of the section, before trailing blank lines.
    auto at = s->entries.end();
    while (at != s->entries.begin() && std::prev(at)->key.empty() && Trim(std::prev(at)->raw).empty()) --at;
    AddEntry(*s, at, Entry{std::string(key), std::string(value), {}});
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

bool IniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
    return FindEntry(section, key) != nullptr;
}

std::vector<std::string> IniFile::ReadSections() const {
    std::vector<std::string> out;
    for (const auto& s : sections_) out.push_back(s.name);
    return out;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> out;
    if (const Section* s = FindSection(section))
        for (const auto& e : s->entries)
            if (!e.key.empty()) out.push_back(e.key);
    return out;
}

std::vector<std::string> IniFile::ReadSectionValues(std::string_view section) const {
    std::vector<std::string> out;
    if (const Section* s = FindSection(section))
        for (const auto& e : s->entries)
            if (!e.key.empty()) out.push_back(e.key + "=" + e.value);
    return out;
}

void IniFile::EraseSection(std::string_view section) {
    auto found = sectionIndex_.find(Fold(section));
    if (found == sectionIndex_.end()) return;
    sections_.erase(found->second);
    sectionIndex_.erase(found);
    // A later section of the same name is found from now on.
    for (auto it = sections_.begin(); it != sections_.end(); ++it)
        if (Fold(it->name) == Fold(section)) {
            sectionIndex_.emplace(Fold(section), it);
            break;
        }
    modified_ = true;
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
    Section* s = FindSection(section);
    if (!s) return;
    const std::string folded = Fold(key);
    auto found = s->index.find(folded);
    if (found == s->index.end()) return;
    s->entries.erase(found->second);
    s->index.erase(found);
    for (auto it = s->entries.begin(); it != s->entries.end(); ++it)
        if (!it->key.empty() && Fold(it->key) == folded) {
            s->index.emplace(folded, it);
            break;
        }
    modified_ = true;
}

void IniFile::UpdateFile() {
    std::string text;
    for (const auto& line : header_) text += line + "\r\n";
    for (const auto& s : sections_) {
        text += (s.raw.empty() ? "[" + s.name + "]" : s.raw) + "\r\n";
        for (const auto& e : s.entries) text += (e.raw.empty() && !e.key.empty() ? e.key + "=" + e.value : e.raw) + "\r\n";
    }
    WriteFileDurably(path_, Utf8ToCodePage(text, codePage_));
    modified_ = false;
}

} // namespace kvz

#include "platform/rtl/IniFile.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include <cstdlib>

namespace kvz {

namespace {

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return std::string(s.substr(b, e - b));
}

bool SameNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && Utf8Lower(a) == Utf8Lower(b); }

} // namespace

IniFile::IniFile(std::filesystem::path path, int codePage)
    : path_(std::move(path)), codePage_(codePage > 0 ? codePage : DataCodePage()) {
    if (CheckPath(path_) == PathState::Absent) return;
    std::string text = CodePageToUtf8(ReadWholeFile(path_), codePage_);
    Section* current = nullptr;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        bool last = end >= text.size();
        pos = end + 1;
        if (last && line.empty()) break;
        std::string t = Trim(line);
        if (!t.empty() && t.front() == '[') {
            size_t close = t.find(']');
            sections_.push_back({Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
            current = &sections_.back();
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
        e.raw = line;
        if (current)
            current->entries.push_back(std::move(e));
        else
            header_.push_back(line);
    }
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
    for (const auto& s : sections_)
        if (SameNoCase(s.name, name)) return &s;
    return nullptr;
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
    for (auto& s : sections_)
        if (SameNoCase(s.name, name)) return &s;
    return nullptr;
}

const IniFile::Entry* IniFile::FindEntry(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    for (const auto& e : s->entries)
        if (!e.key.empty() && SameNoCase(e.key, key)) return &e;
    return nullptr;
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
    Utf8ToCodePage(value, codePage_); // refuses what the file cannot hold, before any change
    Utf8ToCodePage(key, codePage_);
    Utf8ToCodePage(section, codePage_);
    Section* s = FindSection(section);
    if (!s) {
        sections_.push_back({std::string(section), {}});
        s = &sections_.back();
    }
    modified_ = true;
    for (auto& e : s->entries) {
        if (!e.key.empty() && SameNoCase(e.key, key)) {
            e.value = std::string(value);
            e.raw.clear();
            return;
        }
    }
    // New keys go after the last key of the section, before trailing blank lines.
    size_t at = s->entries.size();
    while (at > 0 && s->entries[at - 1].key.empty() && Trim(s->entries[at - 1].raw).empty()) --at;
    s->entries.insert(s->entries.begin() + static_cast<std::ptrdiff_t>(at), Entry{std::string(key), std::string(value), {}});
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
    for (auto it = sections_.begin(); it != sections_.end(); ++it) {
        if (SameNoCase(it->name, section)) {
            sections_.erase(it);
            modified_ = true;
            return;
        }
    }
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
    Section* s = FindSection(section);
    if (!s) return;
    for (auto it = s->entries.begin(); it != s->entries.end(); ++it) {
        if (!it->key.empty() && SameNoCase(it->key, key)) {
            s->entries.erase(it);
            modified_ = true;
            return;
        }
    }
}

void IniFile::UpdateFile() {
    std::string text;
    for (const auto& line : header_) text += line + "\r\n";
    for (const auto& s : sections_) {
        text += "[" + s.name + "]\r\n";
        for (const auto& e : s.entries) text += (e.raw.empty() && !e.key.empty() ? e.key + "=" + e.value : e.raw) + "\r\n";
    }
    WriteFileDurably(path_, Utf8ToCodePage(text, codePage_));
    modified_ = false;
}

} // namespace kvz

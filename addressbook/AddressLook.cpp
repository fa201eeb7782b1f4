#include "addressbook/AddressLook.h"

#include "core/Data1.h"
#include "platform/data/DB.h"
#include "platform/rtl/CodePage.h"

#include <algorithm>

namespace kvz {

namespace {

bool SameName(std::string_view a, std::string_view b) { return CompareTextUtf8(a, b) == 0; }

std::string_view Trim(std::string_view s) {
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

char LetterAtPosition(int position) {
    if (position < 0 || position >= static_cast<int>(kLetterBarLetters.size())) return 0;
    return kLetterBarLetters[static_cast<size_t>(position)];
}

std::optional<int> LetterBarPosition(std::string_view sortValue) {
    if (sortValue.empty()) return std::nullopt;
    const unsigned char first = static_cast<unsigned char>(sortValue.front());
    if (first >= 0x80) return std::nullopt; // accented letters have no place on the bar
    const char lower = static_cast<char>(first >= 'A' && first <= 'Z' ? first - 'A' + 'a' : first);
    const size_t at = kLetterBarLetters.find(lower);
    if (at == std::string_view::npos) return std::nullopt;
    return static_cast<int>(at);
}

bool KeyDownStartsEdit(uint16_t key) { return key == 13 || key == 32 || key == 8 || key == 46; }

bool KeyPressStartsEdit(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'1' && c <= U'9');
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string CityOfAddress(std::string_view address) {
    const std::vector<std::string> lines = SplitLines(address);
    return lines.size() > 3 ? lines[3] : std::string();
}

std::string FullName(std::string_view firstName, std::string_view surname) {
    return std::string(firstName) + "  " + std::string(surname);
}

std::optional<std::string> CompleteAddress(std::string_view company, std::string_view firstName,
                                           std::string_view surname, std::string_view address) {
    std::string person;
    if (!firstName.empty() && !surname.empty()) person = std::string(firstName) + " " + std::string(surname);
    else if (!surname.empty()) person = std::string(surname) + " ";
    else person = std::string(firstName);
    auto holds = [&](std::string_view part) { return !part.empty() && address.find(part) != std::string_view::npos; };
    if (holds(company) || holds(person)) return std::nullopt;
    if (!company.empty() && !person.empty()) return std::string(company) + "\r\n" + person + "\r\n";
    if (!person.empty()) return "\r\n" + person + "\r\n";
    if (!company.empty()) return "\r\n" + std::string(company) + "\r\n";
    return std::nullopt;
}

std::string MailAddress(std::string_view text) {
    const std::string_view address = Trim(text);
    if (address.empty()) return {};
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "mailto:";
    for (const char ch : address) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            std::string_view("-._~@,").find(ch) != std::string_view::npos) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string WebAddress(std::string_view text) {
    const std::string_view address = Trim(text);
    if (address.empty()) return {};
    const size_t colon = address.find("://");
    const bool hasScheme = colon != std::string_view::npos && colon > 0 &&
                           std::all_of(address.begin(), address.begin() + static_cast<long>(colon), [](char c) {
                               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                      c == '+' || c == '-' || c == '.';
                           });
    return hasScheme ? std::string(address) : "http://" + std::string(address);
}

bool IsUserField(std::string_view fieldName) {
    for (const SchemaField& f : TableSchema(TableId::Address))
        if (SameName(f.Name, fieldName)) return false;
    return true;
}

std::vector<std::string> UserFieldNames(const TDataSet& table) {
    std::vector<std::string> names;
    const TFieldDefs& defs = table.FieldDefs();
    for (int i = 0; i < defs.Count(); ++i)
        if (IsUserField(defs[i].Name())) names.push_back(defs[i].Name());
    return names;
}

std::string LookLabelText(std::string_view orderBy, std::string_view fieldTitle) {
    return std::string(orderBy) + Utf8Left(fieldTitle, 20);
}

} // namespace kvz

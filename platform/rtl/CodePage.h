// Single-byte code pages of the stores (tables, dBASE files, ini files) and UTF-8, the text of
// every interface. A store keeps its own bytes and converts where values enter or leave it.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kvz {

// A character that a code page cannot hold, or bytes that are no UTF-8.
class CodePageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Character type flags, as the platform's type set 1 gives them.
enum CharTypeFlag : uint16_t {
    ctUpper = 0x001,
    ctLower = 0x002,
    ctDigit = 0x004,
    ctSpace = 0x008,
    ctPunct = 0x010,
    ctCntrl = 0x020,
    ctBlank = 0x040,
    ctXDigit = 0x080,
    ctAlpha = 0x100,
};

// The 256-entry tables of one single-byte code page, built once and cached.
struct CodePageTables {
    int codePage = 0;
    std::array<char32_t, 256> toUnicode{};
    std::unordered_map<char32_t, uint8_t> fromUnicode;
    std::array<uint8_t, 256> lower{};
    std::array<uint8_t, 256> upper{};
    std::array<uint8_t, 256> swapped{};
    std::array<uint16_t, 256> charType{};
    // Case-insensitive order of single bytes: the rank of each byte's upper-case form by the
    // Unicode order of the letters' base forms, so that "č" sorts between "c" and "d".
    std::array<uint16_t, 256> collate{};
};

// The tables of a single-byte code page (1250, 1252, 852, 437, 850, 1251, 866, 28591, 28592...).
// Throws CodePageError for a code page that is unknown or not single-byte.
const CodePageTables& CodePageTablesFor(int codePage);
bool IsSingleByteCodePage(int codePage);

// The data ("ANSI") code page of the stores: 1250 unless the settings say otherwise.
int DataCodePage();
void SetDataCodePage(int codePage);
// The OEM code page that pairs with an ANSI code page (1250 -> 852, 1252 -> 850, ...).
int OemCodePageOf(int ansiCodePage);

// Bytes of a single-byte code page to UTF-8; every byte has a character, so nothing is lost.
std::string CodePageToUtf8(std::string_view bytes, int codePage);
// UTF-8 to a single-byte code page; a character the code page cannot hold, or bad UTF-8,
// throws CodePageError naming the character.
std::string Utf8ToCodePage(std::string_view utf8, int codePage);
// The same without throwing: false (and out untouched) when a character does not fit.
bool TryUtf8ToCodePage(std::string_view utf8, int codePage, std::string& out);

// The iconv name of a code page number ("WINDOWS-1250", "CP852", "UTF-8").
std::string CodePageCharsetName(int codePage);
// Any two charsets that iconv knows, by name; throws CodePageError on a character that the
// target cannot hold or on an unknown charset.
std::string ConvertCharset(std::string_view text, const std::string& fromCharset,
                           const std::string& toCharset);

// UTF-8 helpers: lengths that a user sees count characters.
size_t Utf8Length(std::string_view utf8);
bool IsValidUtf8(std::string_view utf8);
// The first n characters of a UTF-8 text.
std::string Utf8Left(std::string_view utf8, size_t n);
void AppendUtf8(std::string& out, char32_t c);
// Decodes one character at pos and advances pos; false at the end or on bad UTF-8.
bool NextUtf8(std::string_view utf8, size_t& pos, char32_t& c);

// Case mapping of UTF-8 text by Unicode rules, with no global locale.
std::string Utf8Upper(std::string_view utf8);
std::string Utf8Lower(std::string_view utf8);
// Case-insensitive comparison of UTF-8 texts (negative, 0, positive), letters in the order
// of the data code page's collation where they fit, else by code point.
int CompareTextUtf8(std::string_view a, std::string_view b);

} // namespace kvz

#include "platform/rtl/CodePage.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <cwctype>
#include <iconv.h>
#include <locale.h>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

namespace kvz {

namespace {

int gDataCodePage = 1250;

// One locale object for Unicode character classes, never installed globally.
locale_t UnicodeLocale() {
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (!l) l = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
        return l;
    }();
    return loc;
}

char32_t UpperCp(char32_t c) { return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), UnicodeLocale())); }
char32_t LowerCp(char32_t c) { return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), UnicodeLocale())); }

// The base letter of the accented Latin letters that the code pages hold, for collation.
char32_t BaseLetter(char32_t c) {
    static const std::map<char32_t, char32_t> bases = [] {
        std::map<char32_t, char32_t> m;
        const std::vector<std::pair<char32_t, std::u32string>> groups = {
            {U'A', U"ÀÁÂÃÄÅĀĂĄàáâãäåāăą"}, {U'C', U"ÇĆĈĊČçćĉċč"},     {U'D', U"ĎĐďđ"},
            {U'E', U"ÈÉÊËĒĔĖĘĚèéêëēĕėęě"},   {U'G', U"ĜĞĠĢĝğġģ"},       {U'H', U"ĤĦĥħ"},
            {U'I', U"ÌÍÎÏĨĪĬĮİìíîïĩīĭįı"},   {U'J', U"Ĵĵ"},             {U'K', U"Ķķ"},
            {U'L', U"ĹĻĽĿŁĺļľŀł"},           {U'N', U"ÑŃŅŇñńņň"},       {U'O', U"ÒÓÔÕÖØŌŎŐòóôõöøōŏő"},
            {U'R', U"ŔŖŘŕŗř"},               {U'S', U"ŚŜŞŠśŝşšß"},      {U'T', U"ŢŤŦţťŧ"},
            {U'U', U"ÙÚÛÜŨŪŬŮŰŲùúûüũūŭůűų"}, {U'W', U"Ŵŵ"},             {U'Y', U"ÝŶŸýÿŷ"},
            {U'Z', U"ŹŻŽźżž"},
        };
        for (const auto& [base, letters] : groups)
            for (char32_t l : letters) m[l] = base;
        return m;
    }();
    auto it = bases.find(c);
    if (it != bases.end()) return it->second;
    return UpperCp(c);
}

std::string IconvConvert(std::string_view text, const char* from, const char* to, bool* failed) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw CodePageError(std::string("Unknown character set: ") + from + " or " + to);
    std::string out;
    out.resize(text.size() * 4 + 16);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    *failed = false;
    while (inLeft > 0) {
        size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) {
                size_t used = static_cast<size_t>(outPtr - out.data());
                out.resize(out.size() * 2);
                outPtr = out.data() + used;
                outLeft = out.size() - used;
                continue;
            }
            *failed = true;
            break;
        }
    }
    out.resize(static_cast<size_t>(outPtr - out.data()));
    iconv_close(cd);
    return out;
}

std::unique_ptr<CodePageTables> BuildTables(int codePage) {
    const std::string name = CodePageCharsetName(codePage);
    auto t = std::make_unique<CodePageTables>();
    t->codePage = codePage;
    for (int b = 0; b < 256; ++b) {
        char byte = static_cast<char>(b);
        bool failed = false;
        std::string u = IconvConvert(std::string_view(&byte, 1), name.c_str(), "UTF-32LE", &failed);
        char32_t c;
        if (failed || u.size() != 4) {
            // Bytes the code page leaves undefined keep their own value as a C1 control, so
            // that every byte survives a round trip.
            c = static_cast<char32_t>(b);
        } else {
            c = static_cast<char32_t>(static_cast<uint8_t>(u[0]) | (static_cast<uint8_t>(u[1]) << 8) |
                                      (static_cast<uint8_t>(u[2]) << 16) | (static_cast<uint32_t>(static_cast<uint8_t>(u[3])) << 24));
        }
        t->toUnicode[b] = c;
        t->fromUnicode.emplace(c, static_cast<uint8_t>(b));
    }
    locale_t loc = UnicodeLocale();
    for (int b = 0; b < 256; ++b) {
        char32_t c = t->toUnicode[b];
        auto mapTo = [&](char32_t m) -> uint8_t {
            auto it = t->fromUnicode.find(m);
            return it == t->fromUnicode.end() ? static_cast<uint8_t>(b) : it->second;
        };
        t->upper[b] = mapTo(UpperCp(c));
        t->lower[b] = mapTo(LowerCp(c));
        wint_t w = static_cast<wint_t>(c);
        uint16_t f = 0;
        if (iswupper_l(w, loc)) f |= ctUpper;
        if (iswlower_l(w, loc)) f |= ctLower;
        if (iswdigit_l(w, loc)) f |= ctDigit;
        if (iswspace_l(w, loc)) f |= ctSpace;
        if (iswpunct_l(w, loc)) f |= ctPunct;
        if (iswcntrl_l(w, loc)) f |= ctCntrl;
        if (iswblank_l(w, loc)) f |= ctBlank;
        if (iswxdigit_l(w, loc)) f |= ctXDigit;
        if (iswalpha_l(w, loc)) f |= ctAlpha;
        t->charType[b] = f;
        t->swapped[b] = (f & ctUpper) ? t->lower[b] : (f & ctLower) ? t->upper[b] : static_cast<uint8_t>(b);
    }
    // Collation: controls, then punctuation and symbols, then digits, then letters by base
    // letter, accent and code point; upper and lower case share a rank.
    std::vector<std::tuple<int, char32_t, char32_t, int>> keys;
    for (int b = 0; b < 256; ++b) {
        uint8_t ub = t->upper[b];
        char32_t c = t->toUnicode[ub];
        uint16_t f = t->charType[ub];
        int cls = (f & ctCntrl) ? 0 : (f & ctAlpha) ? 3 : (f & ctDigit) ? 2 : 1;
        keys.emplace_back(cls, cls == 3 ? BaseLetter(c) : c, c, b);
    }
    std::sort(keys.begin(), keys.end());
    uint16_t rank = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i > 0 && (std::get<0>(keys[i]) != std::get<0>(keys[i - 1]) ||
                      std::get<1>(keys[i]) != std::get<1>(keys[i - 1]) ||
                      std::get<2>(keys[i]) != std::get<2>(keys[i - 1])))
            ++rank;
        t->collate[static_cast<size_t>(std::get<3>(keys[i]))] = rank;
    }
    return t;
}

} // namespace

std::string CodePageCharsetName(int codePage) {
    switch (codePage) {
    case 65001: return "UTF-8";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 20127: return "ASCII";
    default: break;
    }
    if (codePage >= 1250 && codePage <= 1258) return "WINDOWS-" + std::to_string(codePage);
    return "CP" + std::to_string(codePage);
}

bool IsSingleByteCodePage(int codePage) {
    if (codePage == 65001 || codePage == 20127 || codePage <= 0) return false;
    try {
        CodePageTablesFor(codePage);
        return true;
    } catch (const CodePageError&) {
        return false;
    }
}

const CodePageTables& CodePageTablesFor(int codePage) {
    // The hot paths ask for the same code page again and again: the last one needs no lock.
    static std::atomic<const CodePageTables*> last{nullptr};
    if (const CodePageTables* t = last.load(std::memory_order_acquire); t && t->codePage == codePage) return *t;
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CodePageTables>> cache;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(codePage);
    if (it != cache.end()) {
        last.store(it->second.get(), std::memory_order_release);
        return *it->second;
    }
    if (codePage == 65001 || codePage <= 0)
        throw CodePageError("Code page " + std::to_string(codePage) + " is not a single-byte code page");
    // A single-byte code page turns each byte into one character.
    {
        bool failed = false;
        std::string probe(1, 'A');
        std::string u = IconvConvert(probe, CodePageCharsetName(codePage).c_str(), "UTF-32LE", &failed);
        if (failed || u.size() != 4)
            throw CodePageError("Code page " + std::to_string(codePage) + " is not a single-byte code page");
    }
    auto t = BuildTables(codePage);
    auto& ref = *t;
    cache.emplace(codePage, std::move(t));
    last.store(&ref, std::memory_order_release);
    return ref;
}

int DataCodePage() { return gDataCodePage; }
void SetDataCodePage(int codePage) {
    CodePageTablesFor(codePage); // refuses an unusable one
    gDataCodePage = codePage;
}

int OemCodePageOf(int ansiCodePage) {
    switch (ansiCodePage) {
    case 1250: return 852;
    case 1251: return 866;
    case 1252: return 850;
    case 1253: return 737;
    case 1254: return 857;
    case 1257: return 775;
    default: return 437;
    }
}

std::string CodePageToUtf8(std::string_view bytes, int codePage) {
    const CodePageTables& t = CodePageTablesFor(codePage);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char ch : bytes) {
        auto b = static_cast<uint8_t>(ch);
        if (b < 0x80 && t.toUnicode[b] == b)
            out.push_back(ch);
        else
            AppendUtf8(out, t.toUnicode[b]);
    }
    return out;
}

bool TryUtf8ToCodePage(std::string_view utf8, int codePage, std::string& out) {
    const CodePageTables& t = CodePageTablesFor(codePage);
    std::string result;
    result.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        auto b = static_cast<uint8_t>(utf8[pos]);
        if (b < 0x80 && t.toUnicode[b] == b) {
            result.push_back(static_cast<char>(b));
            ++pos;
            continue;
        }
        char32_t c;
        if (!NextUtf8(utf8, pos, c)) return false;
        auto it = t.fromUnicode.find(c);
        if (it == t.fromUnicode.end()) return false;
        result.push_back(static_cast<char>(it->second));
    }
    out = std::move(result);
    return true;
}

std::string Utf8ToCodePage(std::string_view utf8, int codePage) {
    const CodePageTables& t = CodePageTablesFor(codePage);
    std::string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        auto b = static_cast<uint8_t>(utf8[pos]);
        if (b < 0x80 && t.toUnicode[b] == b) {
            out.push_back(static_cast<char>(b));
            ++pos;
            continue;
        }
        char32_t c;
        size_t start = pos;
        if (!NextUtf8(utf8, pos, c)) throw CodePageError("The text is not valid UTF-8");
        auto it = t.fromUnicode.find(c);
        if (it == t.fromUnicode.end())
            throw CodePageError("The character \"" + std::string(utf8.substr(start, pos - start)) +
                                "\" cannot be stored in code page " + std::to_string(codePage));
        out.push_back(static_cast<char>(it->second));
    }
    return out;
}

std::string ConvertCharset(std::string_view text, const std::string& fromCharset, const std::string& toCharset) {
    bool failed = false;
    std::string out = IconvConvert(text, fromCharset.c_str(), toCharset.c_str(), &failed);
    if (failed) throw CodePageError("The text cannot be converted from " + fromCharset + " to " + toCharset);
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool NextUtf8(std::string_view s, size_t& pos, char32_t& c) {
    if (pos >= s.size()) return false;
    auto b0 = static_cast<uint8_t>(s[pos]);
    int len;
    char32_t min;
    if (b0 < 0x80) {
        c = b0;
        ++pos;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        c = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        c = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        c = b0 & 0x07;
        min = 0x10000;
    } else {
        return false;
    }
    if (pos + static_cast<size_t>(len) > s.size()) return false;
    for (int i = 1; i < len; ++i) {
        auto b = static_cast<uint8_t>(s[pos + static_cast<size_t>(i)]);
        if ((b & 0xC0) != 0x80) return false;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    pos += static_cast<size_t>(len);
    return true;
}

bool IsValidUtf8(std::string_view s) {
    size_t pos = 0;
    char32_t c;
    while (pos < s.size())
        if (!NextUtf8(s, pos, c)) return false;
    return true;
}

size_t Utf8Length(std::string_view s) {
    size_t n = 0;
    for (char ch : s)
        if ((static_cast<uint8_t>(ch) & 0xC0) != 0x80) ++n;
    return n;
}

std::string Utf8Left(std::string_view s, size_t n) {
    size_t count = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<uint8_t>(s[i]) & 0xC0) != 0x80) {
            if (count == n) return std::string(s.substr(0, i));
            ++count;
        }
    }
    return std::string(s);
}

namespace {
template <typename F> std::string MapUtf8(std::string_view s, F f) {
    std::string out;
    out.reserve(s.size());
    size_t pos = 0;
    while (pos < s.size()) {
        char32_t c;
        size_t start = pos;
        if (!NextUtf8(s, pos, c)) {
            out.push_back(s[start]);
            pos = start + 1;
            continue;
        }
        AppendUtf8(out, f(c));
    }
    return out;
}
} // namespace

std::string Utf8Upper(std::string_view s) { return MapUtf8(s, UpperCp); }
std::string Utf8Lower(std::string_view s) { return MapUtf8(s, LowerCp); }

int CompareTextUtf8(std::string_view a, std::string_view b) {
    const CodePageTables& t = CodePageTablesFor(gDataCodePage);
    auto key = [&](char32_t c) -> std::pair<int, char32_t> {
        auto it = t.fromUnicode.find(c);
        if (it != t.fromUnicode.end()) return {t.collate[it->second], 0};
        return {0x10000, UpperCp(c)};
    };
    size_t pa = 0, pb = 0;
    while (true) {
        char32_t ca, cb;
        bool ha = pa < a.size(), hb = pb < b.size();
        if (!ha || !hb) return ha ? 1 : hb ? -1 : 0;
        if (!NextUtf8(a, pa, ca)) ca = static_cast<uint8_t>(a[pa++]);
        if (!NextUtf8(b, pb, cb)) cb = static_cast<uint8_t>(b[pb++]);
        auto ka = key(ca), kb = key(cb);
        if (ka != kb) return ka < kb ? -1 : 1;
    }
}

} // namespace kvz

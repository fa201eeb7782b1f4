#include "controls/KvDateUtil.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FormatSettings.h"

#include <cmath>
#include <stdexcept>

namespace kvz {

namespace {

std::u32string Chars(std::string_view utf8) {
    std::u32string out;
    size_t pos = 0;
    char32_t c;
    while (pos < utf8.size()) {
        if (NextUtf8(utf8, pos, c))
            out.push_back(c);
        else
            out.push_back(static_cast<unsigned char>(utf8[pos++])); // a stray byte stands for itself
    }
    return out;
}

std::string Utf8Of(std::u32string_view chars) {
    std::string out;
    for (char32_t c : chars) AppendUtf8(out, c);
    return out;
}

char32_t UpperAscii(char32_t c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }
bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }

// Digits only, as a number; -1 for anything else.
int NumberOf(std::u32string_view digits) {
    if (digits.empty() || digits.size() > 9) return -1;
    int n = 0;
    for (char32_t c : digits) {
        if (!IsDigit(c)) return -1;
        n = n * 10 + static_cast<int>(c - '0');
    }
    return n;
}

struct Scanner {
    const std::u32string& s;
    int& pos; // 1-based

    bool AtEnd() const { return pos > static_cast<int>(s.size()); }
    char32_t Here() const { return s[static_cast<size_t>(pos - 1)]; }
    void SkipBlanks() {
        while (!AtEnd() && Here() == ' ') ++pos;
    }
    // Blanks, then digits while the value is below 1000 (so 12345 reads 1234).
    bool Number(int& n) {
        SkipBlanks();
        const int start = pos;
        n = 0;
        while (!AtEnd() && n < 1000 && IsDigit(Here())) {
            n = n * 10 + static_cast<int>(Here() - '0');
            ++pos;
        }
        return pos > start;
    }
    bool Text(const std::u32string& what) {
        SkipBlanks();
        if (what.empty() || s.compare(static_cast<size_t>(pos - 1), what.size(), what) != 0) return false;
        pos += static_cast<int>(what.size());
        return true;
    }
};

} // namespace

bool YearIsLeap(int year) { return IsLeapYear(year); }

int MonthDayCount(int year, int month) { return DaysInMonth(year, month); }

bool IsValidYMD(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= MonthDayCount(year, month);
}

bool IsValidDateValue(TDateTime date) {
    // Outside the calendar of years 1 to 9999 decoding fails.
    if (!(date >= -693593.0 && date < 2958466.0)) return false;
    int y, m, d;
    DecodeDate(date, y, m, d);
    return IsValidYMD(y, m, d);
}

int ThisYear() {
    int y, m, d;
    DecodeDate(Today(), y, m, d);
    return y;
}

TDateOrder DateOrderOf(std::string_view format) {
    for (char c : format) {
        switch (UpperAscii(static_cast<unsigned char>(c))) {
        case 'D': return doDMY;
        case 'E':
        case 'Y': return doYMD;
        case 'M': return doMDY;
        default: break;
        }
    }
    return doDMY;
}

int WidenYear(int year) {
    // A missing year (negative) is no two-digit year: it stays invalid instead of becoming one
    // of the last century.
    if (year < 0 || year >= 100) return year;
    const int first = ThisYear() - CenturyWindow;
    year += first / 100 * 100;
    if (year < first) year += 100;
    return year;
}

int MonthByName(std::string_view text, int n, const FormatSettings& fs) {
    if (text.empty() || n < 1) return 0;
    const std::string head = Utf8Left(text, static_cast<size_t>(n));
    for (int m = 1; m <= 12; ++m)
        if (CompareTextUtf8(Utf8Left(fs.LongMonthNames[static_cast<size_t>(m - 1)], static_cast<size_t>(n)), head) == 0)
            return m;
    return 0;
}

void ReadMaskField(std::string_view format, std::string_view text, char letter, int run, int def, int blank,
                   int& value, const FormatSettings& fs) {
    value = def;
    const std::u32string f = Chars(format), t = Chars(text);
    if (t.size() > f.size() || run < 1) return;
    const char32_t l = UpperAscii(static_cast<unsigned char>(letter));
    std::u32string upper;
    for (char32_t c : f) upper.push_back(UpperAscii(c));
    const size_t at = upper.find(std::u32string(static_cast<size_t>(run), l));
    if (at == std::u32string::npos) return;
    std::u32string got;
    for (size_t i = at; i < t.size() && upper[i] == l && got.size() < 20; ++i)
        if (t[i] != ' ') got.push_back(t[i]);
    if (got.empty())
        value = blank;
    else if (run < 2)
        value = NumberOf(got);
    else if (int m = MonthByName(Utf8Of(got), static_cast<int>(got.size()), fs); m > 0)
        value = m;
    else
        value = -1;
}

bool ParseDateText(std::string_view text, std::string_view format, int& pos, int& day, int& month, int& year,
                   const FormatSettings& fs) {
    day = month = year = 0;
    const TDateOrder order = DateOrderOf(format);
    const std::u32string s = Chars(text), sep = Chars(fs.DateSeparator);
    Scanner scan{s, pos};
    if (pos < 1) pos = 1;
    if (!fs.ShortDateFormat.empty() && (fs.ShortDateFormat[0] == 'g' || fs.ShortDateFormat[0] == 'G'))
        while (!scan.AtEnd() && !IsDigit(scan.Here())) ++pos; // an era before the date
    int a, b, e;
    if (!scan.Number(a) || !scan.Text(sep) || !scan.Number(b)) return false;
    if (scan.Text(sep)) {
        if (!scan.Number(e)) return false;
        switch (order) {
        case doMDY: month = a, day = b, year = e; break;
        case doDMY: day = a, month = b, year = e; break;
        case doYMD: year = a, month = b, day = e; break;
        }
        year = WidenYear(year);
    } else {
        year = ThisYear();
        if (order == doDMY)
            day = a, month = b;
        else
            month = a, day = b;
    }
    scan.Text(sep);
    scan.SkipBlanks();
    return IsValidYMD(year, month, day) && scan.AtEnd();
}

bool ParseDateByMask(std::string_view format, std::string_view text, int& day, int& month, int& year,
                     const FormatSettings& fs) {
    ReadMaskField(format, text, 'm', 3, 0, -1, month, fs);
    if (month == 0) ReadMaskField(format, text, 'm', 1, 0, -1, month, fs);
    ReadMaskField(format, text, 'd', 1, 1, -1, day, fs);
    ReadMaskField(format, text, 'y', 1, ThisYear(), -1, year, fs);
    year = WidenYear(year);
    if (IsValidYMD(year, month, day)) return true;
    int pos = 1;
    return ParseDateText(text, format, pos, day, month, year, fs);
}

bool TryTextToDate(std::string_view format, std::string_view text, TDateTime& date, const FormatSettings& fs) {
    if (text.empty()) {
        date = NoDate;
        return true;
    }
    int d, m, y;
    return ParseDateByMask(format, text, d, m, y, fs) && TryEncodeDate(y, m, d, date);
}

TDateTime TextToDate(std::string_view format, std::string_view text, const FormatSettings& fs) {
    TDateTime date;
    if (!TryTextToDate(format, text, date, fs))
        throw std::invalid_argument("''" + std::string(text) + "'' is not a valid date");
    return date;
}

TDateTime TextToDateOr(std::string_view format, std::string_view text, TDateTime def, const FormatSettings& fs) {
    TDateTime date;
    return TryTextToDate(format, text, date, fs) ? date : std::trunc(def);
}

std::string DefaultDateFormatText(const FormatSettings& fs) {
    switch (DateOrderOf(fs.ShortDateFormat)) {
    case doMDY: return "MM/DD/YYYY";
    case doYMD: return "YYYY/MM/DD";
    default: return "DD/MM/YYYY";
    }
}

std::string DefaultDateEditMask(char blank, const FormatSettings& fs) {
    return (DateOrderOf(fs.ShortDateFormat) == doYMD ? "!9999/99/99;1;" : "!99/99/9999;1;") + std::string(1, blank);
}

} // namespace kvz

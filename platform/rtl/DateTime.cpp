#include "platform/rtl/DateTime.h"

#include "platform/rtl/FormatSettings.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace kvz {

namespace {

// Days from 1 January of year 1 (as day 1) for a proleptic Gregorian date.
int64_t DayNumber(int y, int m, int d) {
    static const int before[2][12] = {{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
                                      {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335}};
    int64_t i = y - 1;
    return i * 365 + i / 4 - i / 100 + i / 400 + before[IsLeapYear(y) ? 1 : 0][m - 1] + d;
}

void CivilFromDayNumber(int64_t dayNumber, int& y, int& m, int& d) {
    // Shift to days since 1 March of year 0 and use 400-year eras.
    // Day 1 (1 January of year 1) is 306 days after 1 March of year 0.
    const int64_t z = dayNumber - 1 + 306;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

std::string Pad(int v, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*d", width, v);
    return buf;
}

bool StartsWithNoCase(std::string_view s, size_t pos, std::string_view what) {
    if (pos + what.size() > s.size()) return false;
    for (size_t i = 0; i < what.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[pos + i])) != std::tolower(static_cast<unsigned char>(what[i])))
            return false;
    return true;
}

void AppendFormatted(std::string& out, std::string_view fmt, TDateTime dt, const FormatSettings& fs, int depth);

void AppendFormatted(std::string& out, std::string_view fmt, TDateTime dt, const FormatSettings& fs, int depth) {
    if (depth > 2) return;
    int year, month, day, hour, minute, second, msec;
    DecodeDate(dt, year, month, day);
    DecodeTime(dt, hour, minute, second, msec);
    // Twelve-hour clock when an am/pm token appears anywhere.
    bool twelve = false;
    for (size_t i = 0; i < fmt.size(); ++i)
        if (StartsWithNoCase(fmt, i, "am/pm") || StartsWithNoCase(fmt, i, "a/p") || StartsWithNoCase(fmt, i, "ampm"))
            twelve = true;
    bool lastWasHour = false;
    size_t i = 0;
    while (i < fmt.size()) {
        char c = fmt[i];
        char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        auto run = [&](char ch) {
            size_t n = 0;
            while (i + n < fmt.size() && std::tolower(static_cast<unsigned char>(fmt[i + n])) == ch) ++n;
            return n;
        };
        if (c == '"' || c == '\'') {
            size_t end = fmt.find(c, i + 1);
            if (end == std::string_view::npos) end = fmt.size();
            out.append(fmt.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (c == '/') {
            out += fs.DateSeparator;
            ++i;
            continue;
        }
        if (c == ':') {
            out += fs.TimeSeparator;
            ++i;
            continue;
        }
        if (StartsWithNoCase(fmt, i, "am/pm")) {
            out += hour < 12 ? "am" : "pm";
            if (std::isupper(static_cast<unsigned char>(c))) out = out.substr(0, out.size() - 2) + (hour < 12 ? "AM" : "PM");
            i += 5;
            continue;
        }
        if (StartsWithNoCase(fmt, i, "a/p")) {
            char ap = hour < 12 ? 'a' : 'p';
            out.push_back(std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::toupper(ap)) : ap);
            i += 3;
            continue;
        }
        if (StartsWithNoCase(fmt, i, "ampm")) {
            out += hour < 12 ? fs.TimeAMString : fs.TimePMString;
            i += 4;
            continue;
        }
        switch (lc) {
        case 'y': {
            size_t n = run('y');
            out += n <= 2 ? Pad(year % 100, 2) : Pad(year, 4);
            i += n;
            lastWasHour = false;
            continue;
        }
        case 'm': {
            size_t n = run('m');
            if (lastWasHour && n <= 2) {
                out += n == 1 ? std::to_string(minute) : Pad(minute, 2);
            } else if (n == 1) {
                out += std::to_string(month);
            } else if (n == 2) {
                out += Pad(month, 2);
            } else if (n == 3) {
                out += fs.ShortMonthNames[static_cast<size_t>(month - 1)];
            } else {
                out += fs.LongMonthNames[static_cast<size_t>(month - 1)];
            }
            i += n;
            lastWasHour = false;
            continue;
        }
        case 'd': {
            size_t n = run('d');
            if (n == 1) out += std::to_string(day);
            else if (n == 2) out += Pad(day, 2);
            else if (n == 3) out += fs.ShortDayNames[static_cast<size_t>(DayOfWeek(dt) - 1)];
            else if (n == 4) out += fs.LongDayNames[static_cast<size_t>(DayOfWeek(dt) - 1)];
            else if (n == 5) AppendFormatted(out, fs.ShortDateFormat, dt, fs, depth + 1);
            else AppendFormatted(out, fs.LongDateFormat, dt, fs, depth + 1);
            i += n;
            lastWasHour = false;
            continue;
        }
        case 'h': {
            size_t n = run('h');
            int h = hour;
            if (twelve) {
                h = hour % 12;
                if (h == 0) h = 12;
            }
            out += n == 1 ? std::to_string(h) : Pad(h, 2);
            i += n;
            lastWasHour = true;
            continue;
        }
        case 'n': {
            size_t n = run('n');
            out += n == 1 ? std::to_string(minute) : Pad(minute, 2);
            i += n;
            lastWasHour = false;
            continue;
        }
        case 's': {
            size_t n = run('s');
            out += n == 1 ? std::to_string(second) : Pad(second, 2);
            i += n;
            lastWasHour = false;
            continue;
        }
        case 'z': {
            size_t n = run('z');
            out += n == 1 ? std::to_string(msec) : Pad(msec, 3);
            i += n;
            lastWasHour = false;
            continue;
        }
        case 't': {
            size_t n = run('t');
            AppendFormatted(out, n == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, dt, fs, depth + 1);
            i += n;
            lastWasHour = false;
            continue;
        }
        case 'c': {
            AppendFormatted(out, fs.ShortDateFormat, dt, fs, depth + 1);
            if (hour != 0 || minute != 0 || second != 0 || msec != 0) {
                out += ' ';
                AppendFormatted(out, fs.LongTimeFormat, dt, fs, depth + 1);
            }
            ++i;
            lastWasHour = false;
            continue;
        }
        default:
            out.push_back(c);
            ++i;
            continue;
        }
    }
}

std::string GroupThousands(const std::string& digits, const std::string& sep) {
    std::string out;
    size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        out.push_back(digits[i]);
        size_t left = n - i - 1;
        if (left > 0 && left % 3 == 0) out += sep;
    }
    return out;
}

std::string FormatSection(std::string_view sec, double value, const FormatSettings& fs) {
    // Split the section into literal prefix, placeholder body and literal suffix.
    std::string prefix, suffix;
    int intZeros = 0, decZeros = 0, decHashes = 0;
    bool seenPoint = false, thousands = false, anyPlaceholder = false, sci = false;
    char sciSign = '+';
    int expZeros = 0;
    bool inSuffix = false;
    for (size_t i = 0; i < sec.size(); ++i) {
        char c = sec[i];
        if (c == '"' || c == '\'') {
            size_t end = sec.find(c, i + 1);
            if (end == std::string_view::npos) end = sec.size();
            (anyPlaceholder ? suffix : prefix).append(sec.substr(i + 1, end - i - 1));
            if (anyPlaceholder) inSuffix = true;
            i = end;
            continue;
        }
        if (!inSuffix && (c == '0' || c == '#')) {
            anyPlaceholder = true;
            if (sci) {
                if (c == '0') ++expZeros;
            } else if (seenPoint) {
                (c == '0' ? decZeros : decHashes)++;
            } else if (c == '0') {
                ++intZeros;
            }
            continue;
        }
        if (!inSuffix && c == '.' && !sci) {
            seenPoint = true;
            continue;
        }
        if (!inSuffix && c == ',' && !sci) {
            thousands = true;
            continue;
        }
        if (!inSuffix && anyPlaceholder && (c == 'E' || c == 'e') && i + 1 < sec.size() &&
            (sec[i + 1] == '+' || sec[i + 1] == '-')) {
            sci = true;
            sciSign = sec[i + 1];
            ++i;
            continue;
        }
        if (anyPlaceholder) {
            inSuffix = true;
            suffix.push_back(c);
        } else {
            prefix.push_back(c);
        }
    }
    int decimals = decZeros + decHashes;
    double a = std::fabs(value);
    int exponent = 0;
    if (sci && a != 0) {
        int intDigits = intZeros > 0 ? intZeros : 1;
        exponent = static_cast<int>(std::floor(std::log10(a))) - (intDigits - 1);
        a /= std::pow(10.0, exponent);
        // rounding may carry into one more digit
        double r = std::round(a * std::pow(10.0, decimals)) / std::pow(10.0, decimals);
        if (r >= std::pow(10.0, intDigits)) {
            a /= 10;
            ++exponent;
        }
    }
    // Halves round away from zero, as users expect of decimal figures.
    if (decimals <= 15) {
        const double scale = std::pow(10.0, decimals);
        if (a * scale < 9e15) a = std::round(a * scale) / scale;
    }
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, a);
    std::string s = buf;
    std::string intPart = s, decPart;
    auto dot = s.find('.');
    if (dot != std::string::npos) {
        intPart = s.substr(0, dot);
        decPart = s.substr(dot + 1);
    }
    while (static_cast<int>(decPart.size()) > decZeros && !decPart.empty() && decPart.back() == '0') decPart.pop_back();
    if (intPart == "0" && intZeros == 0) intPart.clear();
    while (static_cast<int>(intPart.size()) < intZeros) intPart.insert(intPart.begin(), '0');
    if (thousands) intPart = GroupThousands(intPart, fs.ThousandSeparator);
    std::string out = prefix + intPart;
    if (!decPart.empty()) out += fs.DecimalSeparator + decPart;
    if (sci) {
        out += 'E';
        if (exponent < 0) out += '-';
        else if (sciSign == '+') out += '+';
        out += Pad(std::abs(exponent), expZeros > 0 ? expZeros : 1);
    }
    out += suffix;
    if (!anyPlaceholder) out = prefix;
    return out;
}

} // namespace

bool IsLeapYear(int year) { return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    out = static_cast<double>(DayNumber(year, month, day) - kDateDelta);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime d;
    if (!TryEncodeDate(year, month, day, d)) throw std::invalid_argument("Invalid argument to date encode");
    return d;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out) {
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999) return false;
    out = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / kMSecsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime t;
    if (!TryEncodeTime(hour, min, sec, msec, t)) throw std::invalid_argument("Invalid argument to time encode");
    return t;
}

TTimeStamp DateTimeToTimeStamp(TDateTime dt) {
    const auto ms = static_cast<int64_t>(std::llround(dt * kMSecsPerDay));
    TTimeStamp ts;
    ts.Date = static_cast<int32_t>(kDateDelta + ms / kMSecsPerDay);
    ts.Time = static_cast<int32_t>((ms < 0 ? -ms : ms) % kMSecsPerDay);
    return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& ts) {
    double days = static_cast<double>(ts.Date) - kDateDelta;
    double t = ts.Time / static_cast<double>(kMSecsPerDay);
    return days >= 0 ? days + t : days - t;
}

double TimeStampToMSecs(const TTimeStamp& ts) {
    return static_cast<double>(ts.Date) * kMSecsPerDay + ts.Time;
}

TTimeStamp MSecsToTimeStamp(double msecs) {
    TTimeStamp ts;
    const auto whole = static_cast<int64_t>(msecs);
    ts.Date = static_cast<int32_t>(whole / kMSecsPerDay);
    ts.Time = static_cast<int32_t>(whole % kMSecsPerDay);
    return ts;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
    TTimeStamp ts = DateTimeToTimeStamp(dt);
    if (ts.Date <= 0) {
        year = month = day = 0;
        return;
    }
    CivilFromDayNumber(ts.Date, year, month, day);
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec) {
    int32_t t = DateTimeToTimeStamp(dt).Time;
    hour = t / 3600000;
    t %= 3600000;
    min = t / 60000;
    t %= 60000;
    sec = t / 1000;
    msec = t % 1000;
}

int DayOfWeek(TDateTime dt) { return DateTimeToTimeStamp(dt).Date % 7 + 1; }

TDateTime DateOf(TDateTime dt) { return std::trunc(dt); }
TDateTime TimeOf(TDateTime dt) { return std::fabs(dt - std::trunc(dt)); }

std::string FormatDateTime(std::string_view format, TDateTime dt, const FormatSettings& fs) {
    std::string out;
    AppendFormatted(out, format.empty() ? std::string_view("c") : format, dt, fs, 0);
    return out;
}

std::string FormatFloat(std::string_view format, double value, const FormatSettings& fs) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    std::vector<std::string_view> sections;
    size_t start = 0;
    char quote = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            sections.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(format.substr(start));
    if (format.empty()) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15G", value);
        std::string s = buf;
        auto dot = s.find('.');
        if (dot != std::string::npos) s.replace(dot, 1, fs.DecimalSeparator);
        return s;
    }
    if (value == 0 && sections.size() >= 3 && !sections[2].empty()) return FormatSection(sections[2], 0, fs);
    if (value < 0 && sections.size() >= 2 && !sections[1].empty()) return FormatSection(sections[1], value, fs);
    std::string s = FormatSection(sections[0], value, fs);
    if (value < 0) {
        // No minus for a value that rounds to zero.
        bool nonZero = false;
        for (char c : s)
            if (c >= '1' && c <= '9') nonZero = true;
        if (nonZero) s.insert(s.begin(), '-');
    }
    return s;
}

} // namespace kvz

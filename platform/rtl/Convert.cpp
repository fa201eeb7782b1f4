#include "platform/rtl/Convert.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/FormatSettings.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace kvz {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool Digits(std::string_view s, int& out) {
    s = Trim(s);
    if (s.empty() || s.size() > 9) return false;
    out = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

std::vector<std::string_view> Split(std::string_view s, std::string_view sep) {
    std::vector<std::string_view> parts;
    if (sep.empty()) return {s};
    size_t pos = 0;
    while (true) {
        size_t at = s.find(sep, pos);
        if (at == std::string_view::npos) {
            parts.push_back(s.substr(pos));
            return parts;
        }
        parts.push_back(s.substr(pos, at - pos));
        pos = at + sep.size();
    }
}

bool StartsNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(s[i])) != std::toupper(static_cast<unsigned char>(prefix[i]))) return false;
    return true;
}

} // namespace

bool TryStrToInt64(std::string_view text, int64_t& out) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text[0] == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    if (value > static_cast<uint64_t>(INT64_MAX) + (negative ? 1 : 0)) return false;
    out = negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
    return true;
}

bool TryStrToInt(std::string_view text, int32_t& out) {
    int64_t v;
    if (!TryStrToInt64(text, v) || v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool TryStrToFloat(std::string_view text, double& out, const FormatSettings& fs) {
    text = Trim(text);
    if (text.empty()) return false;
    std::string plain;
    size_t i = 0;
    while (i < text.size()) {
        if (!fs.DecimalSeparator.empty() && text.substr(i, fs.DecimalSeparator.size()) == fs.DecimalSeparator) {
            plain.push_back('.');
            i += fs.DecimalSeparator.size();
            continue;
        }
        char c = text[i++];
        if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == 'e' || c == 'E')
            plain.push_back(c);
        else
            return false;
    }
    if (plain.front() == '+') plain.erase(plain.begin());
    double v;
    auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), v);
    if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool TryStrToDate(std::string_view text, TDateTime& out, const FormatSettings& fs) {
    text = Trim(text);
    const auto parts = Split(text, fs.DateSeparator.empty() ? std::string_view("/") : std::string_view(fs.DateSeparator));
    // A trailing separator ("7.3.") leaves an empty last part.
    std::vector<std::string_view> nums(parts.begin(), parts.end());
    if (nums.size() > 2 && Trim(nums.back()).empty()) nums.pop_back();
    if (nums.size() < 2 || nums.size() > 3) return false;
    int v[3] = {0, 0, 0};
    for (size_t i = 0; i < nums.size(); ++i)
        if (!Digits(nums[i], v[i])) return false;
    char order[3] = {'d', 'm', 'y'};
    int found = 0;
    for (char c : fs.ShortDateFormat) {
        char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if ((l == 'd' || l == 'm' || l == 'y') && found < 3) {
            bool seen = false;
            for (int k = 0; k < found; ++k) seen = seen || order[k] == l;
            if (!seen) order[found++] = l;
        }
    }
    int y = 0, m = 0, d = 0, yearDigits = 0;
    const int thisYear = [] {
        int yy, mm, dd;
        DecodeDate(Today(), yy, mm, dd);
        return yy;
    }();
    if (nums.size() == 2) {
        // Without a year the two numbers are day and month in their order.
        int k = 0;
        for (char o : order) {
            if (o == 'y') continue;
            (o == 'd' ? d : m) = v[k++];
        }
        y = thisYear;
        yearDigits = 4;
    } else {
        for (int k = 0; k < 3; ++k) {
            if (order[k] == 'd') d = v[k];
            else if (order[k] == 'm') m = v[k];
            else {
                y = v[k];
                yearDigits = static_cast<int>(Trim(nums[static_cast<size_t>(k)]).size());
            }
        }
    }
    if (yearDigits <= 2) {
        const int window = fs.TwoDigitYearCenturyWindow > 0 ? fs.TwoDigitYearCenturyWindow : 50;
        int pivot = thisYear - window;
        y += pivot / 100 * 100;
        if (y < pivot) y += 100;
    }
    return TryEncodeDate(y, m, d, out);
}

bool TryStrToTime(std::string_view text, TDateTime& out, const FormatSettings& fs) {
    text = Trim(text);
    int pm = -1; // -1 none, 0 am, 1 pm
    for (auto [word, value] : {std::pair<std::string_view, int>{"AM", 0}, {"PM", 1}, {fs.TimeAMString, 0}, {fs.TimePMString, 1}}) {
        if (word.empty() || text.size() < word.size()) continue;
        if (StartsNoCase(text.substr(text.size() - word.size()), word)) {
            pm = value;
            text = Trim(text.substr(0, text.size() - word.size()));
            break;
        }
    }
    const auto parts = Split(text, fs.TimeSeparator.empty() ? std::string_view(":") : std::string_view(fs.TimeSeparator));
    if (parts.size() < 2 || parts.size() > 3) return false;
    int h, n, s = 0, ms = 0;
    if (!Digits(parts[0], h) || !Digits(parts[1], n)) return false;
    if (parts.size() == 3) {
        std::string_view sec = Trim(parts[2]);
        const size_t dot = sec.find_first_of(".,");
        if (dot != std::string_view::npos) {
            if (!Digits(sec.substr(dot + 1), ms)) return false;
            sec = sec.substr(0, dot);
        }
        if (!Digits(sec, s)) return false;
    }
    if (pm >= 0) {
        if (h < 1 || h > 12) return false;
        h = h % 12 + (pm == 1 ? 12 : 0);
    }
    return TryEncodeTime(h, n, s, ms, out);
}

bool TryStrToDateTime(std::string_view text, TDateTime& out, const FormatSettings& fs) {
    text = Trim(text);
    TDateTime date = 0, time = 0;
    const size_t blank = text.find(' ');
    if (blank == std::string_view::npos) {
        if (TryStrToDate(text, date, fs)) {
            out = date;
            return true;
        }
        if (TryStrToTime(text, time, fs)) {
            out = time;
            return true;
        }
        return false;
    }
    if (!TryStrToDate(text.substr(0, blank), date, fs) || !TryStrToTime(text.substr(blank + 1), time, fs)) return false;
    out = date < 0 ? date - time : date + time;
    return true;
}

} // namespace kvz

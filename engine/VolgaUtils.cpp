#include "engine/VolgaUtils.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Guid.h"

#include <cmath>
#include <cstring>

namespace kvz {

namespace {

constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int64_t kBase = 62;
constexpr int64_t kBase2 = kBase * kBase;

struct KeyCounter {
    bool started = false;
    int32_t value = 0;
    std::string last;
};

KeyCounter& Counter() {
    static KeyCounter counter;
    return counter;
}

} // namespace

std::string EncodeDigits(int64_t value, int width) {
    int64_t power = 1;
    for (int i = 0; i < width; ++i) power *= kBase;
    if (value >= power) value -= power;
    if (value < 0) value = 0;
    std::string out(static_cast<size_t>(width), '0');
    for (int i = width - 1; i >= 0; --i) {
        out[static_cast<size_t>(i)] = kDigits[value % kBase];
        value /= kBase;
    }
    return out;
}

void ResetRecordKeyCounter() { Counter() = KeyCounter{}; }

void StartRecordKeyCounterAt(int32_t value) {
    Counter() = KeyCounter{};
    Counter().started = true;
    Counter().value = value - 1;
}

std::string NewRecordKey() {
    KeyCounter& counter = Counter();
    const TDateTime now = Now();
    int hour, minute, second, msec;
    DecodeTime(now, hour, minute, second, msec);
    // A random start keeps two computers that start in the same minute apart.
    if (!counter.started) {
        counter.value = static_cast<int32_t>(RandomUInt32() % kBase2);
        counter.started = true;
    } else if (++counter.value >= kBase2) {
        counter.value = 0;
    }
    // A clock set before the epoch counts as the epoch.
    int64_t days = static_cast<int64_t>(std::floor(now)) - static_cast<int64_t>(EncodeDate(2000, 11, 1));
    if (days < 0) {
        days = 0;
        hour = minute = second = msec = 0;
    }
    const std::string head = EncodeDigits(days * 24 + hour, 3) + EncodeDigits(minute * 60 + second, 2);
    std::string code = head + EncodeDigits(1922 * (msec / 10) + counter.value, 3);
    // The same hundredth after the counter went round would repeat the last code.
    while (code == counter.last) {
        if (++counter.value >= kBase2) counter.value = 0;
        code = head + EncodeDigits(1922 * (msec / 10) + counter.value, 3);
    }
    counter.last = code;
    return code;
}

size_t SafeTextLength(const char* text) { return text ? std::strlen(text) : 0; }

std::string NextTabPiece(std::string_view text, size_t& pos) {
    if (pos >= text.size()) {
        pos = text.size();
        return {};
    }
    size_t tab = text.find('\t', pos);
    std::string piece(text.substr(pos, tab == std::string_view::npos ? std::string_view::npos : tab - pos));
    pos = tab == std::string_view::npos ? text.size() : tab + 1;
    return piece;
}

std::string ReplaceBlanks(std::string_view text, char with) {
    std::string out(text);
    for (char& c : out)
        if (c == ' ') c = with;
    return out;
}

bool ValueIsAllZero(const void* value, size_t size) {
    const auto* p = static_cast<const uint8_t*>(value);
    for (size_t i = 0; i < size; ++i)
        if (p[i] != 0) return false;
    return true;
}

} // namespace kvz

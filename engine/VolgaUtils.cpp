#include "engine/VolgaUtils.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Guid.h"

#include <algorithm>
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
    int64_t last = -1; // the last code of the run, read as a number of 8 digits
    std::function<bool(std::string_view)> inUse;
};

KeyCounter& Counter() {
    static KeyCounter counter;
    return counter;
}

constexpr int kKeyWidth = 8;

int64_t DecodeDigits(std::string_view digits) {
    int64_t value = 0;
    for (char c : digits) value = value * kBase + (std::strchr(kDigits, c) - kDigits);
    return value;
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

void ResetRecordKeyCounter() {
    auto inUse = std::move(Counter().inUse);
    Counter() = KeyCounter{};
    Counter().inUse = std::move(inUse);
}

void StartRecordKeyCounterAt(int32_t value) {
    ResetRecordKeyCounter();
    Counter().started = true;
    Counter().value = value - 1;
}

void SetRecordKeyInUse(std::function<bool(std::string_view code)> inUse) { Counter().inUse = std::move(inUse); }

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
    const std::string clockCode = EncodeDigits(days * 24 + hour, 3) + EncodeDigits(minute * 60 + second, 2) +
                                  EncodeDigits(1922 * (msec / 10) + counter.value, 3);
    // Neighbouring hundredths overlap in the last part, and a clock may stand still or go
    // back: a code never repeats one of the run, so it is always above the last one.
    int64_t value = std::max(DecodeDigits(clockCode), counter.last + 1);
    std::string code = EncodeDigits(value, kKeyWidth);
    while (counter.inUse && counter.inUse(code)) code = EncodeDigits(++value, kKeyWidth);
    counter.last = value;
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

#include "platform/rtl/Guid.h"

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <sys/random.h>

namespace kvz {

namespace {
std::function<std::string()>& GuidSource() {
    static std::function<std::string()> source;
    return source;
}
} // namespace

void RandomBytes(void* buffer, size_t count) {
    auto* p = static_cast<unsigned char*>(buffer);
    while (count > 0) {
        ssize_t n = getrandom(p, count, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("No random numbers from the operating system");
        }
        p += n;
        count -= static_cast<size_t>(n);
    }
}

uint32_t RandomUInt32() {
    uint32_t v;
    RandomBytes(&v, sizeof v);
    return v;
}

std::string NewGuidText() {
    if (GuidSource()) return GuidSource()();
    unsigned char b[16];
    RandomBytes(b, sizeof b);
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
    char text[39];
    std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

void SetGuidSource(std::function<std::string()> source) { GuidSource() = std::move(source); }

} // namespace kvz

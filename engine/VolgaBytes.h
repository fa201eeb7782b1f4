// Byte decoding of the table file: every number is little-endian, whatever the machine.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace kvz {

template <typename T> T ReadLE(const void* at) {
    static_assert(std::is_arithmetic_v<T>);
    using U = std::conditional_t<sizeof(T) == 8, uint64_t, std::conditional_t<sizeof(T) == 4, uint32_t, uint16_t>>;
    const auto* p = static_cast<const uint8_t*>(at);
    U u = 0;
    for (size_t i = 0; i < sizeof(T); ++i) u |= static_cast<U>(static_cast<U>(p[i]) << (8 * i));
    return std::bit_cast<T>(u);
}

template <typename T> void WriteLE(void* at, T value) {
    static_assert(std::is_arithmetic_v<T>);
    using U = std::conditional_t<sizeof(T) == 8, uint64_t, std::conditional_t<sizeof(T) == 4, uint32_t, uint16_t>>;
    const U u = std::bit_cast<U>(value);
    auto* p = static_cast<uint8_t*>(at);
    for (size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

template <typename T> void AppendLE(std::string& out, T value) {
    const size_t at = out.size();
    out.append(sizeof(T), '\0');
    WriteLE<T>(out.data() + at, value);
}

// A fixed-size value from its stored bytes; bytes the file left out are zero.
template <typename T> T FixedOf(std::string_view bytes) {
    uint8_t b[sizeof(T)] = {};
    if (!bytes.empty()) std::memcpy(b, bytes.data(), bytes.size() < sizeof(T) ? bytes.size() : sizeof(T));
    return ReadLE<T>(b);
}

} // namespace kvz

// Byte decoding of the table file: every number is little-endian, whatever the machine.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace kvz {

namespace bytes_detail {

template <typename T>
using Unsigned = std::conditional_t<sizeof(T) == 8, uint64_t, std::conditional_t<sizeof(T) == 4, uint32_t, uint16_t>>;

template <typename U> U FromLittle(U u) {
    if constexpr (std::endian::native == std::endian::little) {
        return u;
    } else {
        U r = 0;
        for (size_t i = 0; i < sizeof(U); ++i) r = static_cast<U>(r << 8 | ((u >> (8 * i)) & 0xFF));
        return r;
    }
}

} // namespace bytes_detail

template <typename T> T ReadLE(const void* at) {
    static_assert(std::is_arithmetic_v<T>);
    bytes_detail::Unsigned<T> u;
    std::memcpy(&u, at, sizeof u);
    return std::bit_cast<T>(bytes_detail::FromLittle(u));
}

template <typename T> void WriteLE(void* at, T value) {
    static_assert(std::is_arithmetic_v<T>);
    // Swapping is its own inverse.
    const auto u = bytes_detail::FromLittle(std::bit_cast<bytes_detail::Unsigned<T>>(value));
    std::memcpy(at, &u, sizeof u);
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

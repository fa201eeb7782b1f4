// Small helpers of the engine's tests.
#pragma once

#include <string>
#include <string_view>

inline std::string FromHex(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

inline std::string ToHex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (char c : bytes) {
        out.push_back(digits[static_cast<unsigned char>(c) >> 4]);
        out.push_back(digits[static_cast<unsigned char>(c) & 15]);
    }
    return out;
}

#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline Bytes fromHex(std::string_view hex) {
    Bytes out;
    auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(uint8_t(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
    return out;
}

inline std::string toHex(const uint8_t* data, size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

inline std::string toHex(const Bytes& bytes) {
    return toHex(bytes.data(), bytes.size());
}

inline Bytes asBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline std::string asString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

inline Bytes sequence(size_t length, uint8_t first = 0) {
    Bytes out(length);
    for (size_t i = 0; i < length; ++i)
        out[i] = uint8_t(first + i);
    return out;
}

inline Bytes randomBytes(std::mt19937& rng, size_t length) {
    Bytes out(length);
    for (auto& b : out)
        b = uint8_t(rng());
    return out;
}

#pragma once

#include <array>

// Hexadecimal digits as the stored formats write them: dollar escapes,
// colours and "$"-prefixed integers. '0'-'9', 'A'-'F' and 'a'-'f' only; bytes
// outside ASCII never count, whatever the locale.

namespace hexdigit_detail {

// A table rather than comparisons: the dollar decoder looks up two digits per
// escape in its hot loop.
inline constexpr std::array<signed char, 256> kValues = [] {
    std::array<signed char, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 10; ++i)
        values['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) {
        values['a' + i] = static_cast<signed char>(10 + i);
        values['A' + i] = static_cast<signed char>(10 + i);
    }
    return values;
}();

} // namespace hexdigit_detail

// The value of a hexadecimal digit, -1 for any other byte.
constexpr int hexDigitValue(char c) {
    return hexdigit_detail::kValues[static_cast<unsigned char>(c)];
}

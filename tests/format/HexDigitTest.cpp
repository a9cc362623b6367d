#include "format/HexDigit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HexDigit, DigitsOfBothCasesHaveTheirValue) {
    const std::string digits = "0123456789";
    for (size_t i = 0; i < digits.size(); ++i)
        EXPECT_EQ(hexDigitValue(digits[i]), static_cast<int>(i)) << digits[i];
    const std::string lower = "abcdef", upper = "ABCDEF";
    for (size_t i = 0; i < lower.size(); ++i) {
        EXPECT_EQ(hexDigitValue(lower[i]), static_cast<int>(10 + i)) << lower[i];
        EXPECT_EQ(hexDigitValue(upper[i]), static_cast<int>(10 + i)) << upper[i];
    }
}

TEST(HexDigit, EveryOtherByteIsNoDigit) {
    // The neighbours of each digit range, blanks, the escape's own "$", and
    // bytes with the high bit set (negative as plain char).
    for (const char c : {'/', ':', '@', 'G', '`', 'g', ' ', '$', '#', 'x', '\0', '\x7F', '\x80',
                         '\xB0', '\xC6', '\xFF'})
        EXPECT_EQ(hexDigitValue(c), -1) << static_cast<int>(static_cast<unsigned char>(c));

    int digits = 0;
    for (int byte = 0; byte < 256; ++byte)
        digits += hexDigitValue(static_cast<char>(byte)) >= 0;
    EXPECT_EQ(digits, 22);
}

} // namespace

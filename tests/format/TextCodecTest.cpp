#include "format/TextCodec.h"

#include <gtest/gtest.h>

#include <QString>

using namespace textcodec;

TEST(TextCodec, RecognisesValidAndInvalidUtf8) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain ascii"));
    EXPECT_TRUE(isValidUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("caf\xE9"));          // Windows-1252 e-acute
    EXPECT_FALSE(isValidUtf8("\xC3"));             // cut short
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_FALSE(isValidUtf8("\x80 stray continuation"));
}

TEST(TextCodec, DecodesWindows1252WhenNotUtf8) {
    EXPECT_EQ(decodeToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(decodeToUtf8("\x80 \x93quoted\x94"), "\xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D");
    // Valid UTF-8 passes untouched, even where it would also be valid Windows-1252.
    EXPECT_EQ(decodeToUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
    // Undefined code points keep their byte value as C1 controls.
    EXPECT_EQ(decodeToQString(std::string_view("\x81\x8D")), QString(QChar(0x81)) + QChar(0x8D));
    EXPECT_EQ(decodeToQString(std::string_view("\xFF")), QString(QChar(0xFF)));
}

TEST(TextCodec, WalksCodePoints) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xFFz";
    std::u32string seen;
    size_t pos = 0;
    while (pos < text.size())
        seen += nextCodePoint(text, pos);
    EXPECT_EQ(seen, std::u32string(U"a\u00E9\u20AC\U0001F600\uFFFDz"));
}

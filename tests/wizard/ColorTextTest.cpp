#include "wizard/ColorText.h"
#include "util/UserError.h"

#include <gtest/gtest.h>

TEST(ColorToHtml, WritesRedGreenBlueInUpperCase) {
    EXPECT_EQ(ColorToHtml(0x000000), "#000000");
    EXPECT_EQ(ColorToHtml(0x99E2FB), "#FBE299");
    EXPECT_EQ(ColorToHtml(0xFFFFFF), "#FFFFFF");
    EXPECT_EQ(ColorToHtml(0x0000FF), "#FF0000");
    EXPECT_EQ(ColorToHtml(0xFF0000), "#0000FF");
}

TEST(ColorToHtml, DropsTheSystemColourMark) {
    EXPECT_EQ(ColorToHtml(0xFF00000F), "#0F0000"); // button face
    EXPECT_EQ(ColorToHtml(0xFF000005), "#050000"); // window
}

TEST(HtmlToColor, ReadsWithOrWithoutHashInEitherCase) {
    EXPECT_EQ(HtmlToColor("#ffaa00"), 0x00AAFFu);
    EXPECT_EQ(HtmlToColor("FFAA00"), 0x00AAFFu);
    EXPECT_EQ(HtmlToColor("#FBE299"), 0x99E2FBu);
    EXPECT_EQ(HtmlToColor("##FB#E299"), 0x99E2FBu); // every '#' goes
}

TEST(HtmlToColor, ShortAndLongTexts) {
    EXPECT_EQ(HtmlToColor(""), 0u);
    EXPECT_EQ(HtmlToColor("#"), 0u);
    EXPECT_EQ(HtmlToColor("#FF"), 0x0000FFu);        // pure red
    EXPECT_EQ(HtmlToColor("#FFAA"), 0x00AAFFu);      // no blue piece
    EXPECT_EQ(HtmlToColor("#F"), 0x00000Fu);         // a short red piece
    EXPECT_EQ(HtmlToColor("#123456789"), 0x563412u); // after the sixth: ignored
    EXPECT_EQ(HtmlToColor("#123456GG"), 0x563412u);
}

TEST(HtmlToColor, RoundTripsEveryPlainColourItWrites) {
    for (Color c : {0x000000u, 0x99E2FBu, 0xD9FFFFu, 0x123456u, 0xFEDCBAu, 0xFFFFFFu})
        EXPECT_EQ(HtmlToColor(ColorToHtml(c)), c);
}

TEST(HtmlToColor, RefusesNonHexadecimalWithTheJoinedText) {
    const auto message = [](const char* text) {
        try {
            HtmlToColor(text);
        } catch (const UserError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message("#GG0000"), "'$000000GG' is not a valid integer value");
    EXPECT_EQ(message("#12345Z"), "'$005Z3412' is not a valid integer value");
    EXPECT_EQ(message("red"), "'$00dre' is not a valid integer value");
    EXPECT_EQ(message("# 12345"), "'$004523 1' is not a valid integer value");
}

TEST(StripTrailingLineBreak, RemovesOnePairOnly) {
    EXPECT_EQ(StripTrailingLineBreak("a\r\n\r\n"), "a\r\n");
    EXPECT_EQ(StripTrailingLineBreak("a\r\nb"), "a\r\nb");
    EXPECT_EQ(StripTrailingLineBreak("a\n"), "a\n");
    EXPECT_EQ(StripTrailingLineBreak("a\r"), "a\r");
    EXPECT_EQ(StripTrailingLineBreak("\r\n"), "");
    EXPECT_EQ(StripTrailingLineBreak(""), "");
    EXPECT_EQ(StripTrailingLineBreak("\n"), "\n");
}

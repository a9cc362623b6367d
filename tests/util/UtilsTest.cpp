#include "util/Utils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

namespace {

using Pieces = std::vector<std::string>;

TEST(SplitByChar, CutsAtEveryDelimiter) {
    struct Case {
        std::string text;
        Pieces pieces;
    };
    const Case cases[] = {
        {"a^b", {"a", "b"}},
        {"a^^b", {"a", "", "b"}},
        {"^a", {"", "a"}},
        {"a^", {"a"}},
        {"^", {""}},
        {"^^", {"", ""}},
        {"", {}},
        {"no delimiter", {"no delimiter"}},
        {"img.gif^http://x.test/?a=1^extra", {"img.gif", "http://x.test/?a=1", "extra"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitByChar('^', c.text), c.pieces) << "text: " << c.text;
}

TEST(SplitByChar, ClearsTheListFirst) {
    Pieces list{"old", "entries"};
    SplitByChar('^', "x^y", list);
    EXPECT_EQ(list, (Pieces{"x", "y"}));
    SplitByChar('^', "", list);
    EXPECT_TRUE(list.empty());
}

TEST(SplitByChar, SplitsAtHighBytes) {
    // The news list reply separates its entries with the byte 0xAF.
    const std::string reply = "1^One^2024\xAF"
                              "2^Two\xE9^2025\xAF";
    EXPECT_EQ(SplitByChar('\xAF', reply), (Pieces{"1^One^2024", "2^Two\xE9^2025"}));
}

TEST(DecodeDollarEscapes, DecodesEscapes) {
    struct Case {
        std::string text;
        std::string decoded;
    };
    const Case cases[] = {
        {"A$20B", "A B"},
        {"$41$42", "AB"},
        {"$4a", "J"},
        {"$4A", "J"},
        {"x$4", std::string("x\x04", 2)},
        {"$00", std::string(1, '\0')},
        {"$ff$FF", "\xFF\xFF"},
        {"a$4ab", "aJb"}, // two digits are taken whenever two follow
        {"$24$24", "$$"},
        {"plain text, no escapes", "plain text, no escapes"},
        {"caf\xE9", "caf\xE9"},
        // Bytes with the high bit set around escapes, across eight-byte words.
        {"\xA4\xE9\xFF\x80\x7F\x01 caf\xE9$20\xA4\xA4\xA4\xA4\xA4\xA4\xA4\xA4$41\xA4",
         "\xA4\xE9\xFF\x80\x7F\x01 caf\xE9 \xA4\xA4\xA4\xA4\xA4\xA4\xA4\xA4"
         "A\xA4"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeDollarEscapes(c.text), c.decoded) << "text: " << c.text;
}

TEST(DecodeDollarEscapes, MalformedEscapeEmptiesTheWholeResult) {
    const std::string malformed[] = {
        "ab$", "ab$4g", "$", "$g1", "$ 1", "$-1", "$+1", "$$41", "good$41 then bad $zz", "$4 ",
    };
    for (const std::string& text : malformed)
        EXPECT_EQ(DecodeDollarEscapes(text), "") << "text: " << text;
}

// Escapes at every offset of texts of many lengths, so each escape meets the
// end of the text at every distance. The input sits in a buffer of its exact
// size so that a read past its end shows up under the address sanitizer.
TEST(DecodeDollarEscapes, HandlesEscapesAtEveryDistanceFromTheEnd) {
    const auto decode = [](const std::string& text) {
        std::unique_ptr<char[]> exact(new char[text.size()]);
        std::memcpy(exact.get(), text.data(), text.size());
        return DecodeDollarEscapes(std::string_view(exact.get(), text.size()));
    };
    for (size_t before = 0; before < 20; ++before) {
        const std::string lead(before, 'a');
        for (size_t after = 0; after < 12; ++after) {
            const std::string tail(after, 'z');
            EXPECT_EQ(decode(lead + "$4A" + tail), lead + "J" + tail) << before << ' ' << after;
            EXPECT_EQ(decode(lead + "$4g" + tail), "") << before << ' ' << after;
            EXPECT_EQ(decode(lead + "$" + tail + "$"), "") << before << ' ' << after;
        }
        EXPECT_EQ(decode(lead + "$"), "") << before;
        EXPECT_EQ(decode(lead + "$4"), lead + "\x04") << before;
        EXPECT_EQ(decode(lead + "$g"), "") << before;
        EXPECT_EQ(decode(lead + "$41$4"), lead + "A\x04") << before;
    }
}

TEST(BrowserPathFromCommand, KeepsTheExecutableOnly) {
    struct Case {
        std::string command;
        std::string path;
    };
    const Case cases[] = {
        {R"("C:\Program Files\Web Browser\BROWSER.EXE" -nohome "%1")",
         R"(c:\program files\web browser\browser.exe)"},
        {R"(C:\APPS\VIEWER.EXE %1)", R"(c:\apps\viewer.exe)"},
        {R"("c:\tools\browser" "%1")", ".exe"},
        {"", ".exe"},
        // Only the first ".exe" counts.
        {R"(c:\a.exe.d\b.exe)", R"(c:\a.exe)"},
        // Letters outside ASCII are left as they are, so UTF-8 paths survive.
        {"\"C:\\\xC3\x9C"
         "BER\\NAV.EXE\"",
         "c:\\\xC3\x9C"
         "ber\\nav.exe"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(browserPathFromCommand(c.command), c.path) << "command: " << c.command;
}

TEST(BrowsableAddress, OpensWebAndMailAddressesAndNoOtherScheme) {
    using namespace std::string_literals;
    struct Case {
        std::string address;
        std::optional<std::string> opened;
    };
    const Case cases[] = {
        {"http://example.com/a?b#c", "http://example.com/a?b#c"},
        {"HTTPS://Example.com/", "HTTPS://Example.com/"},
        {"mailto:sales@example.com", "mailto:sales@example.com"},
        // Without a scheme: the web address it names.
        {"www.example.com", "http://www.example.com"},
        {"example.com:8080/x", "http://example.com:8080/x"},
        {"--help", "http://--help"},
        {"", ""},
        // As a browser reads it: controls and blanks around it, tabs and line breaks in it go.
        {" \x01\thttp://example.com/\x1F\x00 "s, "http://example.com/"},
        {"ht\ttp://exa\r\nmple.com/", "http://example.com/"},
        {"JavaScript:alert(1)", std::nullopt},
        {" java\tscr\nipt:alert(1)", std::nullopt},
        {"file:///etc/passwd", std::nullopt},
        {"data:text/html,<script>alert(1)</script>", std::nullopt},
        {"C:\\Windows\\notepad.exe", std::nullopt},
        {"#top", std::nullopt},
        {"/etc/passwd", std::nullopt},
        {"\\\\server\\share\\x.exe", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(browsableAddress(c.address), c.opened) << "address: " << c.address;
}

TEST(AddressForCommandLine, EncodesWhatWouldSplitTheArgument) {
    EXPECT_EQ(addressForCommandLine("http://a/b c\"d\"\t\x7F%20\xC3\xA9?q='s'"),
              "http://a/b%20c%22d%22%09%7F%20\xC3\xA9?q='s'");
}

} // namespace

#include "wizard/Generator.h"

#include "tests/wizard/SettingsSupport.h"
#include "tests/wizard/TestData.h"

#include <gtest/gtest.h>

using namespace generator;

TEST(StyleSheet, StartSettingsByteForByte) {
    EXPECT_EQ(joinLines(styleSheetLines(InfoBoxSettings{})), readTestData("infostyle-start.css"));
}

TEST(StyleSheet, StyledSettings) {
    InfoBoxSettings s = settingstest::everyFieldChanged();
    s.BoxWidth = 250;
    s.BBgColor = 0xFF00000F; // button face system colour
    s.BBold = s.BItalic = false;
    const std::vector<std::string> expected = {
        ".boxs {",
        "border: 7px solid #563412;",
        "width: 250px;",
        "}",
        ".boxheader {",
        "background-color: #000080;",
        "color: #FFFFFF;",
        "font-weight: bold;",
        "text-decoration: underline;",
        "font-style: italic;",
        "font-size: 30px;",
        "font-family: Times New Roman;",
        "}",
        ".boxcontent {",
        "background-color: #0F0000;",
        "color: #008000;",
        "font-weight: normal;",
        "text-decoration: underline;",
        "font-style: normal;",
        "font-size: 9px;",
        "font-family: Courier New;",
        "}",
    };
    // The accessible style keeps the classic rules as they are and adds its own after them.
    const auto accessible = styleSheetLines(s);
    ASSERT_GT(accessible.size(), expected.size());
    EXPECT_EQ(std::vector(accessible.begin(), accessible.begin() + 22), expected);
    s.ScriptStyle = ScriptChoice::Classic;
    EXPECT_EQ(styleSheetLines(s), expected);
}

TEST(StyleSheet, NonAsciiAndValueEndingFontNameCharactersBecomeCssEscapes) {
    InfoBoxSettings s;
    s.HName = "M\xC3\xBCnchen Sans";      // U+00FC
    s.BName = "\xE5\xBE\xAE\xE8\xBD\xAF"; // two CJK characters
    const auto lines = styleSheetLines(s);
    EXPECT_EQ(lines[11], "font-family: M\\FC nchen Sans;");
    EXPECT_EQ(lines[20], "font-family: \\5FAE \\8F6F ;");

    // What would end the declaration or the rule is escaped the same way; a
    // loaded configuration could otherwise add rules of its own.
    s.HName = "Arial\r\n} body { display:none";
    s.BName = "a;b'c\"d</style><x>(y)[z]\\/*";
    const auto hostile = styleSheetLines(s);
    EXPECT_EQ(hostile[11], "font-family: Arial\\D \\A \\7D  body \\7B  display:none;");
    EXPECT_EQ(hostile[20], "font-family: a\\3B b\\27 c\\22 d\\3C \\2F style\\3E \\3C x\\3E \\28 "
                           "y\\29 \\5B z\\5D \\5C \\2F \\2A ;");
    s.HName = "Times New Roman";
    s.BName = "DejaVu Sans-Mono_2.0, serif & co";
    EXPECT_EQ(styleSheetLines(s)[11], "font-family: Times New Roman;");
    EXPECT_EQ(styleSheetLines(s)[20], "font-family: DejaVu Sans-Mono_2.0, serif & co;");
}

TEST(Script, FiftyFixedLinesByteForByte) {
    EXPECT_EQ(scriptLines().size(), 50u);
    EXPECT_EQ(joinLines(scriptLines()), readTestData("info.js"));
}

TEST(Script, AccessibleScriptIsWrittenWithCrLfAndHasNoInlineStyleOrEval) {
    const auto& lines = scriptLines(ScriptChoice::Accessible);
    ASSERT_GT(lines.size(), 50u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
        EXPECT_EQ(line.find("eval("), std::string::npos) << line;
        EXPECT_EQ(line.find("setAttribute('style'"), std::string::npos) << line;
    }
    EXPECT_NE(lines, scriptLines(ScriptChoice::Classic));
}

TEST(Snippet, EveryTargetKind) {
    const InfoBoxSettings texts{.LinkText = "Home",
                                .LinkURL = "http://example.com/",
                                .Image = "pics/tip.gif",
                                .HeaderText = "Tip",
                                .BoldText = "It's new",
                                .BodyText = "Try it"};
    // Every kind carries the same two handlers; the element around them differs.
    const std::string on = "onMouseOver=\"infobox('Tip','It\\'s new','Try it');\" "
                           "onMouseOut=\"exit();\"";
    // The accessible style carries the texts in data attributes instead.
    const std::string data =
        "data-infobox-header=\"Tip\" data-infobox-title=\"It's new\" data-infobox-body=\"Try it\"";
    constexpr auto classic = ScriptChoice::Classic, accessible = ScriptChoice::Accessible;
    struct Row {
        TargetKind target;
        ScriptChoice style;
        PictureReference picture;
        std::string snippet;
    };
    const Row rows[] = {
        {TargetKind::Link, classic, false, "<a href=\"http://example.com/\" " + on + ">Home</a>"},
        {TargetKind::Image, classic, true, "<img src=\"file://pics/tip.gif\" border=0 " + on + ">"},
        {TargetKind::Image,
         classic,
         {true, "tip.gif"},
         "<img src=\"file://pics/tip.gif\" border=0 " + on + ">"},
        {TargetKind::Image, classic, false, "<img src=\"pics/tip.gif\" border=0 " + on + ">"},
        {TargetKind::Cell, classic, false,
         "<table><tr><td " + on + ">TD Contents</td></tr></table>"},
        {TargetKind::Layer, classic, false, "<div " + on + ">DIV CONTENTS</div>"},
        {TargetKind::Link, accessible, false,
         "<a href=\"http://example.com/\" " + data + ">Home</a>"},
        // A copied picture by its copy's name, percent-encoded; else the address as typed.
        {TargetKind::Image,
         accessible,
         {true, "my tip#1.gif"},
         "<img src=\"my%20tip%231.gif\" alt=\"It's new\" " + data + ">"},
        {TargetKind::Image, accessible, true,
         "<img src=\"file://pics/tip.gif\" alt=\"It's new\" " + data + ">"},
        {TargetKind::Image, accessible, false,
         "<img src=\"pics/tip.gif\" alt=\"It's new\" " + data + ">"},
        {TargetKind::Cell, accessible, false,
         "<table><tr><td " + data + ">TD Contents</td></tr></table>"},
        {TargetKind::Layer, accessible, false, "<div " + data + ">DIV CONTENTS</div>"},
    };
    for (const Row& row : rows) {
        InfoBoxSettings s = texts;
        s.Target = row.target;
        s.ScriptStyle = row.style;
        EXPECT_EQ(elementSnippet(s, row.picture), row.snippet)
            << static_cast<int>(row.target) << " " << row.picture.localFile << " "
            << row.picture.copyName;
    }
}

// The picture's alternative text: the title's words, else the header's, else
// the file's name; references the author typed stay, a bare ampersand does not.
TEST(Snippet, AccessiblePictureAlternativeText) {
    struct Row {
        std::string title, header, image, alt;
    };
    const Row rows[] = {
        {"<b>New</b>\r\n  model", "Tip", "a.gif", "New model"},
        {"", "Caf&eacute; & \"bar\"", "a.gif", "Caf&eacute; &amp; &quot;bar&quot;"},
        {"<br>", "  ", "C:\\pics\\summer.photo.jpg", "summer.photo"},
        {"", "", "http://example.com/img/logo.png?size=2#top", "logo"},
        {"", "", "/home/me/pics #2/tip?.gif", "tip?"},
        {"", "", "", "Picture"},
    };
    for (const Row& row : rows) {
        InfoBoxSettings s;
        s.Target = TargetKind::Image;
        s.ScriptStyle = ScriptChoice::Accessible;
        s.BoldText = row.title;
        s.HeaderText = row.header;
        s.Image = row.image;
        const std::string snippet = elementSnippet(s, false);
        const size_t alt = snippet.find(" alt=\"");
        ASSERT_NE(alt, std::string::npos) << snippet;
        EXPECT_EQ(snippet.substr(alt + 6, snippet.find('"', alt + 6) - alt - 6), row.alt)
            << snippet;
    }
}

TEST(Snippet, TargetsIgnoreTheFieldsTheyDoNotUse) {
    InfoBoxSettings s;
    s.LinkText = "link";
    s.LinkURL = "http://x/";
    s.Image = "img.gif";
    s.Target = TargetKind::Cell;
    EXPECT_EQ(elementSnippet(s, false).find("link"), std::string::npos);
    EXPECT_EQ(elementSnippet(s, false).find("img.gif"), std::string::npos);
    s.Target = TargetKind::Link;
    EXPECT_EQ(elementSnippet(s, false).find("img.gif"), std::string::npos);
    s.Target = TargetKind::Image;
    EXPECT_EQ(elementSnippet(s, false).find("http://x/"), std::string::npos);
}

TEST(Snippet, QuotesBackslashesAndLineBreaksInTheBoxTexts) {
    InfoBoxSettings s;
    s.Target = TargetKind::Layer;
    s.HeaderText = "say \"hi\"";
    s.BoldText = "Don't";
    s.BodyText = "C:\\new\r\ntwo";
    EXPECT_EQ(elementSnippet(s, false), "<div onMouseOver=\"infobox('say &quot;hi&quot;','Don\\'t',"
                                        "'C:\\\\new<br>two');\" onMouseOut=\"exit();\">DIV "
                                        "CONTENTS</div>");
}

TEST(Escaping, DataTextRules) {
    const std::pair<std::string, std::string> rows[] = {
        // The attribute needs its quote, ampersand and angle brackets escaped;
        // apostrophes and backslashes stay.
        {"<b>\"a\" & 'b' \\</b>", "&lt;b&gt;&quot;a&quot; &amp; 'b' \\&lt;/b&gt;"},
        // A reference the author typed reaches the box as typed.
        {"&#39;&amp;", "&amp;#39;&amp;amp;"},
        {"1\r\n2\r3\n4", "1<br>2<br>3<br>4"},
        {"caf\xC3\xA9 \xF0\x9F\x98\x80", "caf&#233; &#128512;"},
    };
    for (const auto& [text, escaped] : rows)
        EXPECT_EQ(escapeDataText(text), escaped) << text;
}

TEST(Escaping, BoxTextRules) {
    const std::pair<std::string, std::string> rows[] = {
        // Backslash first, so the backslash put before an apostrophe is not doubled.
        {"\\'", "\\\\\\'"},
        {"\\\"", "\\\\&quot;"},
        // A backslash before 'n' stays a backslash in the page, not a line feed.
        {"a\\nb", "a\\\\nb"},
        // Every form of line break becomes one <br>.
        {"1\r\n2\r3\n4\n\r5", "1<br>2<br>3<br>4<br><br>5"},
        // HTML stays HTML; the ampersand is escaped for the attribute only.
        {"<b>a & b</b>", "<b>a &amp; b</b>"},
        // Non-ASCII becomes numeric references of the code point.
        {"caf\xC3\xA9 \xE2\x82\xAC\xF0\x9F\x98\x80", "caf&#233; &#8364;&#128512;"},
    };
    for (const auto& [text, escaped] : rows)
        EXPECT_EQ(escapeBoxText(text), escaped) << text;
}

TEST(Snippet, BodyLosesOneTrailingLineBreakOnly) {
    InfoBoxSettings s;
    s.Target = TargetKind::Layer;
    s.BodyText = "one\r\n";
    EXPECT_NE(elementSnippet(s, false).find("'one');"), std::string::npos);
    s.BodyText = "one\r\n\r\n";
    EXPECT_NE(elementSnippet(s, false).find("'one<br>');"), std::string::npos);
}

TEST(Snippet, LinkTextIsContentAndAddressesAreAttributes) {
    InfoBoxSettings s;
    s.LinkText = "Don't \"stop\" \xC3\xA9";
    s.LinkURL = "http://x/?q=\"a\"&b=\xC3\xA9";
    const std::string snippet = elementSnippet(s, false);
    EXPECT_EQ(snippet, "<a href=\"http://x/?q=&quot;a&quot;&b=&#233;\" "
                       "onMouseOver=\"infobox('','','');\" onMouseOut=\"exit();\">Don't \"stop\" "
                       "&#233;</a>");
    s.Target = TargetKind::Image;
    s.Image = "a\"b.gif";
    EXPECT_EQ(elementSnippet(s, false).substr(0, 25), "<img src=\"a&quot;b.gif\" b");
}

TEST(Snippet, IsAlwaysOneLineWithoutRawQuotesInTheHandler) {
    InfoBoxSettings s;
    const std::string nasty = "a\"b'c\\d\re\nf\r\ng<h>&amp;\xC3\xA9";
    s.HeaderText = s.BoldText = s.BodyText = s.LinkText = s.LinkURL = s.Image = nasty;
    for (auto kind : {TargetKind::Link, TargetKind::Image, TargetKind::Cell, TargetKind::Layer}) {
        s.Target = kind;
        const std::string snippet = elementSnippet(s, kind == TargetKind::Image);
        EXPECT_EQ(snippet.find_first_of("\r\n"), std::string::npos) << snippet;
        const size_t open = snippet.find("onMouseOver=\"");
        ASSERT_NE(open, std::string::npos);
        const size_t close = snippet.find("');\" onMouseOut", open);
        ASSERT_NE(close, std::string::npos);
        const std::string handler = snippet.substr(open + 13, close - open - 13);
        EXPECT_EQ(handler.find('"'), std::string::npos) << handler;
    }
}

TEST(SamplePage, TenLinesAroundTheSnippet) {
    const std::string page = joinLines(samplePageLines("<div>X</div>"));
    EXPECT_EQ(page, "<html>\r\n<head>\r\n<title>Sample</title>\r\n"
                    "<link rel=\"stylesheet\" type=\"text/css\" href=\"infostyle.css\">\r\n"
                    "<script language=\"JavaScript\" type=\"text/javascript\" "
                    "src=\"info.js\"></script>\r\n"
                    "</head>\r\n<body>\r\n<div>X</div>\r\n</body>\r\n</html>\r\n");
    const auto& head = headCodeLines();
    ASSERT_EQ(head.size(), 2u);
    EXPECT_EQ(samplePageLines("x")[3], head[0]);
    EXPECT_EQ(samplePageLines("x")[4], head[1]);
}

TEST(SamplePage, AccessiblePageIsHtml5WithAMainLandmark) {
    const std::string page = joinLines(samplePageLines("<div>X</div>", ScriptChoice::Accessible));
    EXPECT_EQ(page,
              "<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
              "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n"
              "<title>Sample</title>\r\n<link rel=\"stylesheet\" href=\"infostyle.css\">\r\n"
              "<script src=\"info.js\" defer></script>\r\n</head>\r\n<body>\r\n<main>\r\n"
              "<h1>Sample</h1>\r\n<div>X</div>\r\n</main>\r\n</body>\r\n</html>\r\n");
    const auto& head = headCodeLines(ScriptChoice::Accessible);
    EXPECT_NE(page.find(head[0] + "\r\n" + head[1] + "\r\n"), std::string::npos);
}

#include "format/TaggedText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

std::string extract(std::string_view& text, std::string_view key) {
    return ExtractTag(text, taggedtext::openingTag(key), taggedtext::closingTag(key));
}

} // namespace

TEST(TagLine, MakeTagLineWritesTheValueRaw) {
    EXPECT_EQ(MakeTagLine("Target", "1"), "<%%Target%%>1<%%/Target%%>");
    EXPECT_EQ(MakeTagLine("Body", " a\r\nb "), "<%%Body%%> a\r\nb <%%/Body%%>");
    EXPECT_EQ(MakeTagLine("Empty", ""), "<%%Empty%%><%%/Empty%%>");
}

// One reading pass per row: the keys in the order asked for, each with the
// value it reads.
TEST(ExtractTag, ReadsKeysInTheOrderAskedFor) {
    struct Read {
        const char* key;
        std::string value;
    };
    struct Case {
        const char* what;
        std::string text;
        std::vector<Read> reads;
    };
    const std::string ab = "<%%A%%>1<%%/A%%>\r\n<%%B%%>2<%%/B%%>\r\n";
    const Case cases[] = {
        {"keys in file order", ab, {{"A", "1"}, {"B", "2"}}},
        {"a key behind the position is not found again", ab, {{"B", "2"}, {"A", ""}}},
        {"empty and missing values both read empty",
         "<%%Empty%%><%%/Empty%%>\r\n<%%Next%%>x<%%/Next%%>\r\n",
         {{"Empty", ""}, {"Missing", ""}, {"Next", "x"}}},
        {"a value holding its own closing tag is cut there",
         MakeTagLine("A", "left<%%/A%%>right") + "\r\n" + MakeTagLine("B", "after") + "\r\n",
         {{"A", "left"}, {"B", "after"}}},
        // The value is consumed as a whole, so a tag inside it is never seen as a key.
        {"a value holding the opening tag of a later key does not hide it",
         MakeTagLine("A", "<%%B%%>fake<%%/B%%>") + "\r\n" + MakeTagLine("B", "real") + "\r\n",
         {{"A", "<%%B%%>fake<%%/B%%>"}, {"B", "real"}}},
        {"a key twice gives the first occurrence behind the position",
         "<%%A%%>1<%%/A%%>\r\n<%%A%%>2<%%/A%%>\r\n",
         {{"A", "1"}, {"A", "2"}, {"A", ""}}},
        {"tags match whatever their letter case",
         "<%%BORDER%%>3<%%/border%%>\r\n<%%bOrDeRcOlOr%%>#FF0000<%%/BORDERCOLOR%%>",
         {{"Border", "3"}, {"BorderColor", "#FF0000"}}},
        {"the closing tag is searched only behind the opening tag",
         "<%%/A%%>early<%%A%%>v<%%/A%%>",
         {{"A", "v"}}},
        {"opening tag cut short", "<%%A%%", {{"A", ""}}},
        {"no closing tag at the end", "<%%A%%>", {{"A", ""}}},
        {"closing tag cut short", "<%%A%%>v<%%/A%", {{"A", ""}}},
        {"a lone bracket", "<", {{"A", ""}}},
        {"empty text", "", {{"A", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string_view working = c.text;
        for (const Read& r : c.reads)
            EXPECT_EQ(extract(working, r.key), r.value) << "key " << r.key;
    }
}

TEST(ExtractTag, ConsumesUpToTheClosingTag) {
    const std::string text = "junk<%%A%%>value<%%/A%%>\r\nrest";
    std::string_view working = text;
    EXPECT_EQ(extract(working, "A"), "value");
    EXPECT_EQ(working, "<%%/A%%>\r\nrest");

    // A key that is not there leaves the working text as it was.
    EXPECT_EQ(extract(working, "Missing"), "");
    EXPECT_EQ(working, "<%%/A%%>\r\nrest");
}

TEST(ExtractTag, MissingClosingTagReadsEmptyAndLaterKeysAreStillFound) {
    const std::string text = "<%%A%%>unfinished\r\n<%%B%%>2<%%/B%%>\r\n<%%C%%>3<%%/C%%>\r\n";
    std::string_view working = text;
    EXPECT_EQ(extract(working, "A"), "");
    EXPECT_EQ(working.substr(0, 12), "unfinished\r\n");
    EXPECT_EQ(extract(working, "B"), "2");
    EXPECT_EQ(extract(working, "C"), "3");
}

TEST(CaseBlindSearch, FoldsOnlyTheLettersAToZ) {
    using taggedtext::findCaseBlind;
    EXPECT_EQ(findCaseBlind("xxABCxx", "abc"), 2u);
    EXPECT_EQ(findCaseBlind("xxabcxx", "ABC"), 2u);
    // Bytes that differ by the case bit but are not letters must not match.
    EXPECT_EQ(findCaseBlind("<%%[%%>", "<%%{%%>"), std::string_view::npos);
    EXPECT_EQ(findCaseBlind("@", "`"), std::string_view::npos);
    // Accented letters are compared exactly: U+00C4 and U+00E4 in UTF-8.
    EXPECT_EQ(findCaseBlind("<%%\xC3\x84%%>", "<%%\xC3\xA4%%>"), std::string_view::npos);
    EXPECT_EQ(findCaseBlind("ab", "abc"), std::string_view::npos);
    EXPECT_EQ(findCaseBlind("aab", "ab"), 1u);
    EXPECT_EQ(findCaseBlind("text", ""), 0u);
}

TEST(SetTagLine, ReplacesTheFirstLineHoldingTheOpeningTag) {
    std::vector<std::string> lines = {"<%%A%%>1<%%/A%%>", "prefix <%%B%%>old<%%/B%%> suffix",
                                      "<%%B%%>second<%%/B%%>"};
    SetTagLine(lines, "B", "new");
    EXPECT_EQ(lines, (std::vector<std::string>{"<%%A%%>1<%%/A%%>", "<%%B%%>new<%%/B%%>",
                                               "<%%B%%>second<%%/B%%>"}));
}

TEST(SetTagLine, AppendsWhenNoLineHoldsTheTagInExactCase) {
    std::vector<std::string> lines = {"<%%LASTNEWSID%%>7<%%/LASTNEWSID%%>"};
    SetTagLine(lines, "LastNewsId", "9");
    EXPECT_EQ(lines, (std::vector<std::string>{"<%%LASTNEWSID%%>7<%%/LASTNEWSID%%>",
                                               "<%%LastNewsId%%>9<%%/LastNewsId%%>"}));

    std::vector<std::string> none;
    SetTagLine(none, "K", "v");
    EXPECT_EQ(none, std::vector<std::string>{"<%%K%%>v<%%/K%%>"});
}

TEST(WorkingText, LinesAreRejoinedWithCrLfWhateverTheirEnding) {
    struct Case {
        std::string bytes, working;
    };
    const Case cases[] = {
        {"", ""},
        {"a", "a\r\n"},
        {"a\r\n", "a\r\n"},
        {"a\n", "a\r\n"},
        {"a\r", "a\r\n"},
        {"a\nb\rc\r\nd", "a\r\nb\r\nc\r\nd\r\n"},
        {"\r\n", "\r\n"},
        {"a\r\r\nb", "a\r\n\r\nb\r\n"},
        {"a\n\rb", "a\r\n\r\nb\r\n"}, // LF then CR is two line ends
        {"a\n\nb", "a\r\n\r\nb\r\n"},
        {"a\0b\r\nc"s, "a\r\n"},
        {"\0abc"s, ""},
        {"caf\xC3\xA9\n", "caf\xC3\xA9\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(taggedtext::toWorkingText(c.bytes), c.working) << testing::PrintToString(c.bytes);
        EXPECT_EQ(taggedtext::joinLines(taggedtext::splitLines(c.bytes)), c.working)
            << testing::PrintToString(c.bytes);
    }
    EXPECT_TRUE(taggedtext::splitLines("").empty());
    EXPECT_EQ(taggedtext::splitLines("x\n\ny").size(), 3u);
}

TEST(WorkingText, MultiLineValueComesBackWithCrLfAlsoFromALoneLf) {
    for (const std::string file :
         {"<%%Body%%>one\ntwo<%%/Body%%>\n", "<%%Body%%>one\rtwo<%%/Body%%>\r",
          "<%%Body%%>one\r\ntwo<%%/Body%%>\r\n"}) {
        TagReader reader(taggedtext::toWorkingText(file));
        EXPECT_EQ(reader.read("Body"), "one\r\ntwo") << testing::PrintToString(file);
    }
}

TEST(TagReader, ReadsKeyAfterKeyAndKeepsTheRest) {
    std::string text;
    for (int i = 1; i <= 40; ++i)
        text += MakeTagLine("Key" + std::to_string(i), std::string(i, 'x')) + "\r\n";
    TagReader reader(text);
    for (int i = 1; i <= 40; ++i)
        ASSERT_EQ(reader.read("KEY" + std::to_string(i)), std::string(i, 'x')) << i;
    EXPECT_EQ(reader.remaining(), "<%%/Key40%%>\r\n");
    EXPECT_EQ(reader.read("Key1"), "");
}

#include "net/NewsDetails.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string repeated(const std::string& unit, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += unit;
    return out;
}

std::string nested(const std::string& open, const std::string& close, int levels) {
    return repeated(open, levels) + "x" + repeated(close, levels);
}

} // namespace

TEST(NewsDetails, MarkupThatWouldHoldTheWindowIsShownAsPlainText) {
    struct Row {
        const char* name;
        std::string text;
        bool html;
    };
    const std::string paragraph =
        "<p>A news item with <b>bold</b> and <a href=\"x\">a link</a>.</p>";
    const Row rows[] = {
        {"ordinary item", "<html><body>" + repeated(paragraph, 200) + "</body></html>", true},
        {"256 levels", nested("<div>", "</div>", news::MaxHtmlDepth), true},
        {"257 levels", nested("<div>", "</div>", news::MaxHtmlDepth + 1), false},
        {"257 levels never closed", repeated("<span>", news::MaxHtmlDepth + 1), false},
        {"letter case of end tags", repeated(nested("<DIV>", "</div>", 200), 3), true},
        // Elements a browser closes by the next one, or that hold nothing, do not nest.
        {"paragraphs without end tags", repeated("<p>text", 1000), true},
        {"list items and cells",
         "<ul>" + repeated("<li>item", 500) + "</ul><table>" + repeated("<tr><td>a<td>b", 300) +
             "</table>",
         true},
        {"empty elements", repeated("<br><img src=x><hr>", 300), true},
        // Tags inside comments, declarations, quoted attributes and scripts are text.
        {"tags in comments", "<!DOCTYPE html><!--" + repeated("<div>", 1000) + "-->x", true},
        {"tags in attributes", "<a title=\"" + repeated("<div>", 1000) + "\">x</a>", true},
        {"tags in a script", "<script>" + repeated("<div>", 1000) + "</SCRIPT>x", true},
        // Each level of nested tables doubles the layout work.
        {"6 nested tables", nested("<table><tr><td>", "</td></tr></table>", 6), true},
        {"20 nested tables", nested("<table><tr><td>", "</td></tr></table>", 20), false},
        {"many cells", "<table>" + repeated("<tr><td>a</td><td>b</td></tr>", 20000) + "</table>",
         false},
        {"many pictures", repeated("<img src=\"http://h/p.png\">", 2000), false},
        {"a long word", "<p>" + std::string(news::MaxHtmlRun, 'w') + "</p>", true},
        {"a longer word", "<p>" + std::string(news::MaxHtmlRun + 1, 'w') + "</p>", false},
        {"a long text", repeated(paragraph, 100000), false},
        {"an end tag at the end", "x</", true},
        {"a tag left open at the end", "x<div class=\"", true},
    };
    for (const Row& row : rows) {
        const news::DetailsView view = news::detailsView(row.text);
        EXPECT_EQ(view.html, row.html) << row.name;
        if (!view.html && row.text.size() <= news::MaxShownBytes) {
            EXPECT_EQ(view.text, row.text) << row.name; // the markup is shown as it came
        }
    }
}

TEST(NewsDetails, AVeryLongPlainTextIsCutOnACharacterBoundary) {
    // A two-byte character straddles the cut; a run of it wraps anywhere.
    const std::string text =
        "<div>" + std::string(news::MaxShownBytes - 6, 'a') + repeated("\xC3\xA9", 1000) + "</div>";
    const news::DetailsView view = news::detailsView(text);
    ASSERT_FALSE(view.html);
    EXPECT_TRUE(view.cut);
    EXPECT_TRUE(view.breakAnywhere);
    EXPECT_EQ(view.text, text.substr(0, news::MaxShownBytes - 1));

    const news::DetailsView words = news::detailsView(repeated("<b>a few words ", 300));
    ASSERT_FALSE(words.html);
    EXPECT_FALSE(words.cut);
    EXPECT_FALSE(words.breakAnywhere);
}

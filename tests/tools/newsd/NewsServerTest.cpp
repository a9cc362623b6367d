#include "tools/newsd/NewsServer.h"
#include "tools/newsd/FormData.h"
#include "util/Utils.h"

#include <gtest/gtest.h>

TEST(NewsServerFiles, ItemFilesHaveTitleAndDateLinesBeforeTheText) {
    struct Row {
        QByteArray file;
        QByteArray title, date, text;
    };
    const Row rows[] = {
        {"Title: Spring\nDate: 1 May\n\n<p>Hi</p>\n", "Spring", "1 May", "<p>Hi</p>\n"},
        {"\xEF\xBB\xBFtitle:  Caf\xC3\xA9 \r\nDATE:2024\r\n\r\n<p>x</p>", "Caf\xC3\xA9", "2024",
         "<p>x</p>"},
        {"Date: only\n\nbody", "", "only", "body"},
        {"<html>no header lines</html>", "", "", "<html>no header lines</html>"},
        {"Title: no text", "no text", "", ""},
        {"", "", "", ""},
    };
    for (const Row& row : rows) {
        const NewsServer::ItemFile item = NewsServer::parseItemFile(row.file);
        EXPECT_EQ(item.title, row.title) << row.file.toStdString();
        EXPECT_EQ(item.date, row.date) << row.file.toStdString();
        EXPECT_EQ(item.text, row.text) << row.file.toStdString();
    }
}

TEST(NewsServerFiles, EscapedTextSurvivesTrimmingAndSeparatorsAndDecodesBack) {
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += static_cast<char>(b);
    for (const QByteArray& text : {every, QByteArray(" <p>OK ^ $5 100%</p>\r\n"), QByteArray()}) {
        const QByteArray escaped = NewsServer::dollarEscape(text);
        EXPECT_EQ(NewsServer::dollarEscapedSize(text), escaped.size());
        for (const char c : escaped) {
            EXPECT_GT(static_cast<unsigned char>(c), 0x20);
            EXPECT_LT(static_cast<unsigned char>(c), 0x7F);
            EXPECT_NE(c, '^');
        }
        EXPECT_EQ(DecodeDollarEscapes(escaped.toStdString()), text.toStdString());
    }
}

TEST(NewsServerFiles, TitlesLoseWhatTheReplyGrammarCannotCarry) {
    bool changed = false;
    EXPECT_EQ(NewsServer::fieldText("Plain title \xC3\xA9", &changed), "Plain title \xC3\xA9");
    EXPECT_FALSE(changed);
    // "ï" is C3 AF in UTF-8: the whole letter goes, not half of it.
    EXPECT_EQ(NewsServer::fieldText("Na\xC3\xAFve ^ news", &changed), "Na?ve ? news");
    EXPECT_TRUE(changed);
    // Not UTF-8: byte by byte.
    EXPECT_EQ(NewsServer::fieldText("Price \xAF 5\xE9"), "Price ? 5\xE9");
}

TEST(NewsServerForms, MultipartBodiesAreReadStrictly) {
    const QByteArray body =
        "preamble\r\n--b1\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n"
        "1\r\n--b1\r\nContent-Disposition: form-data; name=\"b\"; filename=\"x\"\r\n"
        "Content-Type: text/plain\r\n\r\ntwo\r\nlines\r\n--b1--\r\n";
    const auto form = parseMultipartForm(body, "b1");
    ASSERT_TRUE(form.has_value());
    ASSERT_EQ(form->size(), 2u);
    EXPECT_EQ(form->at(0).name, "a");
    EXPECT_EQ(form->at(0).value, "1");
    EXPECT_EQ(form->at(1).name, "b");
    EXPECT_EQ(form->at(1).value, "two\r\nlines");
    EXPECT_EQ(form->at(1).headers.size(), 2u);

    EXPECT_EQ(multipartBoundary("multipart/form-data; boundary=\"q b\""), "q b");
    EXPECT_EQ(multipartBoundary("multipart/form-data; charset=x; boundary=plain"), "plain");
    EXPECT_FALSE(
        parseMultipartForm("--b1\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1", "b1"));
    EXPECT_FALSE(parseMultipartForm("--b1\r\nContent-Type: text/plain\r\n\r\n1\r\n--b1--", "b1"));
    EXPECT_FALSE(parseMultipartForm("no delimiter", "b1"));
    EXPECT_TRUE(parseMultipartForm("--b1--\r\n", "b1").value().empty());
}

TEST(NewsServerForms, UrlEncodedFormsAreKnownByTheirMediaTypeAlone) {
    struct Row {
        QByteArray contentType;
        bool form;
    };
    const Row rows[] = {
        {"application/x-www-form-urlencoded", true},
        {"application/x-www-form-urlencoded; charset=UTF-8", true},
        {" Application/X-WWW-Form-UrlEncoded ;charset=utf-8", true},
        {"application/x-www-form-urlencoded-not", false},
        {"text/plain", false},
        {"", false},
        {"multipart/form-data", false}, // no boundary
    };
    HttpRequest request;
    request.body = "a=1&b=x+y%21";
    for (const Row& row : rows) {
        request.headers = {{"content-type", row.contentType}};
        const auto form = parseForm(request);
        ASSERT_EQ(form.has_value(), row.form) << row.contentType.toStdString();
        if (form) {
            EXPECT_EQ(formValue(*form, "a"), "1");
            EXPECT_EQ(formValue(*form, "b"), "x y!");
        }
    }
}

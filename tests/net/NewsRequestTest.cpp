#include "net/NewsProtocol.h"
#include "tests/net/support/ScriptedServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class NewsRequest : public ::testing::Test {
protected:
    void SetUp() override {
        profile.BranderType = "Gold";
        profile.BranderCode = "ACME";
        profile.MasterPublID = "M-1";
        profile.GoldPublID = "G-1";
        profile.MasterNewsBaseURL = server.url(QStringLiteral("/master/")).toStdString();
        profile.GoldNewsBaseURL = server.url(QStringLiteral("/gold")).toStdString();
    }

    news::Warn recorder() {
        return [this](std::string_view message) { warnings.emplace_back(message); };
    }
    bool list(std::vector<std::string>& entries) {
        return news::GetNewsList(http, profile, "G-1", "ACME", "BG", news::NewsTarget, entries,
                                 recorder());
    }
    bool latest(bool silent) {
        return news::GetLastNews(http, profile, "G-1", "ACME", "BG", news::NewsTarget, latestId,
                                 latestTitle, silent ? news::Warn() : recorder());
    }
    bool details(std::string_view id) {
        return news::GetNewsDetails(http, profile, "G-1", "ACME", "BG", news::NewsTarget, id,
                                    detailsText, recorder());
    }
    std::string fields() const {
        std::string joined;
        for (const FormPart& part : server.lastForm())
            joined += part.name.toStdString() + "=" + part.value.toStdString() + ";";
        return joined;
    }

    ScriptedServer server;
    HttpClient http;
    BrandProfileRecord profile;
    std::vector<std::string> warnings;
    std::string latestId, latestTitle, detailsText;
};

} // namespace

TEST_F(NewsRequest, AGoldBrandersRequestsGoToTheGoldServerWithItsFields) {
    server.on("/gold/getlastnews.php", ScriptedServer::reply("OK"));
    server.on("/gold/getnewsdetails.php", ScriptedServer::reply("x\xAFOK"));

    std::vector<std::string> entries;
    ASSERT_TRUE(list(entries));
    EXPECT_EQ(fields(),
              "memusername=G-1;prodcode=ACME;prodtype=BG;conttype=all;newstarget=UA;something=;");
    ASSERT_TRUE(latest(false));
    EXPECT_EQ(
        fields(),
        "memusername=G-1;prodcode=ACME;prodtype=BG;conttype=lastcode;newstarget=UA;something=;");
    ASSERT_TRUE(details("42"));
    EXPECT_EQ(fields(),
              "memusername=G-1;prodcode=ACME;prodtype=BG;newsid=42;newstarget=UA;something=;");
    EXPECT_EQ(server.last().path, "/gold/getnewsdetails.php");

    // The base address follows the tier code, not the brander type.
    server.on("/master/getlastnews.php", ScriptedServer::reply("OK"));
    ASSERT_TRUE(news::GetNewsList(http, profile, "M-1", "ACME", "BM", "UA", entries, recorder()));
    EXPECT_EQ(server.last().path, "/master/getlastnews.php");
    EXPECT_TRUE(warnings.empty());
}

TEST_F(NewsRequest, TheListIsAppendedInTheServersOrder) {
    server.on("/gold/getlastnews.php", ScriptedServer::reply("\r\n 9^Newest^12 May\xAF\xAF"
                                                             "3^Older^1 May\xAFOK \r\n"));
    std::vector<std::string> entries{"kept"};
    ASSERT_TRUE(list(entries));
    EXPECT_EQ(entries, (std::vector<std::string>{"kept", "9^Newest^12 May", "3^Older^1 May"}));
}

TEST_F(NewsRequest, LatestNewsClearsTheIdAndKeepsTheTitleWithoutAnItem) {
    server.on("/gold/getlastnews.php", ScriptedServer::reply("8^Spring \xE9t\xE9\xAFOK"));
    ASSERT_TRUE(latest(true));
    EXPECT_EQ(latestId, "8");
    EXPECT_EQ(latestTitle, "Spring \xE9t\xE9"); // bytes as received

    server.on("/gold/getlastnews.php", ScriptedServer::reply("OK"));
    ASSERT_TRUE(latest(true));
    EXPECT_EQ(latestId, "");
    EXPECT_EQ(latestTitle, "Spring \xE9t\xE9");
}

TEST_F(NewsRequest, EveryReplyIsJudgedAndWarnedAbout) {
    struct Row {
        QByteArray body;
        int status;
        bool listOk, latestOk, detailsOk;
        std::vector<std::string> listWarnings, detailsWarnings;
    };
    // The warnings a request gives: none, or one of these.
    using Warnings = std::vector<std::string>;
    const Warnings none;
    const Warnings noAnswer{std::string(news::NoAnswerMessage)};
    const Warnings invalidUser{std::string(news::InvalidUserMessage)};
    const Warnings invalidProduct{std::string(news::InvalidProductMessage)};
    const Warnings connectionFail{std::string(news::ConnectionFailMessage)};
    const Warnings invalidNews{std::string(news::InvalidNewsMessage)};
    const std::vector<Row> rows = {
        {"OK", 200, true, true, true, none, none},
        {"  INVALIDUSER \r\n", 200, false, false, false, invalidUser, invalidUser},
        {"INVALIDPRODUCT", 200, false, false, false, invalidProduct, invalidProduct},
        {"CONNECTIONFAIL", 200, false, false, false, connectionFail, connectionFail},
        {"INVALIDNEWS", 200, false, false, false, none, invalidNews},
        {"INVALIDUSER please", 200, false, false, false, none, none},
        {"ok", 200, false, false, false, none, none},
        {"", 200, false, false, false, noAnswer, noAnswer},
        // An error page is no reply, whatever it says.
        {"OK", 500, false, false, false, noAnswer, noAnswer},
        {"INVALIDUSER", 404, false, false, false, noAnswer, noAnswer},
    };
    for (const Row& row : rows) {
        const std::string name = row.body.toStdString() + " " + std::to_string(row.status);
        server.on("/gold/getlastnews.php", ScriptedServer::reply(row.body, row.status));
        server.on("/gold/getnewsdetails.php", ScriptedServer::reply(row.body, row.status));
        std::vector<std::string> entries;
        warnings.clear();
        EXPECT_EQ(list(entries), row.listOk) << name;
        EXPECT_EQ(warnings, row.listWarnings) << name;
        warnings.clear();
        EXPECT_EQ(latest(false), row.latestOk) << name;
        EXPECT_EQ(warnings, row.listWarnings) << name;
        warnings.clear();
        EXPECT_EQ(latest(true), row.latestOk) << name;
        EXPECT_TRUE(warnings.empty()) << name; // silent
        EXPECT_EQ(details("1"), row.detailsOk) << name;
        EXPECT_EQ(warnings, row.detailsWarnings) << name;
    }
}

TEST_F(NewsRequest, DetailsAreDecodedAndAMalformedEscapeStillSucceeds) {
    server.on("/gold/getnewsdetails.php", ScriptedServer::reply("$3Cp$3ECaf$C3$A9$3C/p$3E\xAFOK"));
    ASSERT_TRUE(details("5"));
    EXPECT_EQ(detailsText, "<p>Caf\xC3\xA9</p>");

    server.on("/gold/getnewsdetails.php", ScriptedServer::reply("<p>100$ off</p>\xAFOK"));
    EXPECT_TRUE(details("5"));
    EXPECT_EQ(detailsText, "");
    EXPECT_TRUE(warnings.empty());
}

TEST_F(NewsRequest, BothFormsOfTheBaseAddressGiveTheSameRequest) {
    server.on("/gold/getlastnews.php", ScriptedServer::reply("OK"));
    std::vector<std::string> entries;
    for (const char* suffix : {"/gold", "/gold/"}) {
        profile.GoldNewsBaseURL = server.url(QString::fromLatin1(suffix)).toStdString();
        ASSERT_TRUE(list(entries)) << suffix;
        EXPECT_EQ(server.last().path, "/gold/getlastnews.php");
    }
}

TEST_F(NewsRequest, AnEmptyBaseAddressFailsLikeAnUnreachableServer) {
    profile.GoldNewsBaseURL.clear();
    std::vector<std::string> entries;
    EXPECT_FALSE(list(entries));
    EXPECT_EQ(warnings, std::vector<std::string>{std::string(news::NoAnswerMessage)});
    EXPECT_TRUE(server.requests().empty());
}

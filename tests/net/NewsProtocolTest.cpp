#include "net/NewsProtocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using news::Request;

TEST(NewsProtocol, RequestAddressPutsOneSlashBeforeTheScriptUnlessTheBaseEndsInOne) {
    struct Row {
        const char* base;
        std::string_view script;
        const char* address;
    };
    const Row rows[] = {
        {"http://news.example/bn/", news::ListScript, "http://news.example/bn/getlastnews.php"},
        {"http://news.example/bn", news::ListScript, "http://news.example/bn/getlastnews.php"},
        {"http://news.example/bn//", news::ListScript, "http://news.example/bn//getlastnews.php"},
        {"http://news.example", news::DetailsScript, "http://news.example/getnewsdetails.php"},
        {"", news::ListScript, "/getlastnews.php"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(news::requestAddress(row.base, row.script), row.address) << row.base;
}

TEST(NewsProtocol, TierComesFromTheBranderTypeAndNeedsItsPublisherId) {
    BrandProfileRecord profile;
    profile.MasterPublID = "M1";
    profile.PlatinumPublID = "P1";
    profile.GoldPublID = "G1";
    profile.MasterNewsBaseURL = "http://m/";
    profile.PlatinumNewsBaseURL = "http://p/";
    profile.GoldNewsBaseURL = "http://g/";
    struct Row {
        const char* type;
        const char* publisher; // empty: no tier
        const char* code;
    };
    const Row rows[] = {{"Master", "M1", "BM"}, {"Platinum", "P1", "BP"}, {"Gold", "G1", "BG"},
                        {"gold", "", ""},       {"GOLD", "", ""},         {"Free", "", ""},
                        {"", "", ""},           {"Gold ", "", ""}};
    for (const Row& row : rows) {
        profile.BranderType = row.type;
        const auto tier = news::tierOf(profile);
        if (*row.publisher == '\0') {
            EXPECT_FALSE(tier.has_value()) << row.type;
            continue;
        }
        ASSERT_TRUE(tier.has_value()) << row.type;
        EXPECT_EQ(tier->publisherId, row.publisher);
        EXPECT_EQ(tier->code, row.code);
    }
    EXPECT_EQ(news::baseAddressOf("BG", profile), "http://g/");
    EXPECT_EQ(news::baseAddressOf("BP", profile), "http://p/");
    EXPECT_EQ(news::baseAddressOf("BM", profile), "http://m/");
    EXPECT_EQ(news::baseAddressOf("bg", profile), "");

    // A Gold brander without a Gold publisher id asks nothing, whatever the Master tier holds.
    profile.BranderType = "Gold";
    profile.GoldPublID.clear();
    EXPECT_FALSE(news::tierOf(profile).has_value());
}

TEST(NewsProtocol, FieldsComeInTheOrderTheServersRead) {
    const auto names = [](const std::vector<FormField>& fields) {
        std::string joined;
        for (const FormField& field : fields)
            joined += field.name + "=" + field.value + ";";
        return joined;
    };
    EXPECT_EQ(names(news::requestFields(Request::List, "P", "C", "BG", "UA")),
              "memusername=P;prodcode=C;prodtype=BG;conttype=all;newstarget=UA;something=;");
    EXPECT_EQ(names(news::requestFields(Request::Latest, "P", "C", "BM", "UA")),
              "memusername=P;prodcode=C;prodtype=BM;conttype=lastcode;newstarget=UA;something=;");
    EXPECT_EQ(names(news::requestFields(Request::Details, "P", "C", "BP", "UA", "17")),
              "memusername=P;prodcode=C;prodtype=BP;newsid=17;newstarget=UA;something=;");
}

TEST(NewsProtocol, RepliesAreTrimmedAndJudged) {
    struct Row {
        const char* body;
        const char* trimmed;
        bool success;
    };
    const Row rows[] = {
        {"  \r\n\tOK \r\n", "OK", true},
        {"\x01\x1F OK\x7F", "OK\x7F", true}, // 0x7F is not blank
        {"\xA0OK\xA0", "\xA0OK\xA0", true},  // bytes above 0x7F are not blank either
        {"ok", "ok", false},                 // letter case counts
        {"Ok", "Ok", false},
        {"BOOKS", "BOOKS", true}, // "OK" anywhere
        {"   ", "", false},
        {"", "", false},
    };
    for (const Row& row : rows) {
        const std::string reply = news::trimReply(row.body);
        EXPECT_EQ(reply, row.trimmed) << row.body;
        EXPECT_EQ(news::isSuccess(reply), row.success) << row.body;
    }
}

TEST(NewsProtocol, FailedRepliesGetTheirMessagesPerRequest) {
    struct Row {
        const char* reply;
        std::string_view list, latest, details;
    };
    const std::string_view none;
    const Row rows[] = {
        {"", news::NoAnswerMessage, news::NoAnswerMessage, news::NoAnswerMessage},
        {"CONNECTIONFAIL", news::ConnectionFailMessage, news::ConnectionFailMessage,
         news::ConnectionFailMessage},
        {"INVALIDUSER", news::InvalidUserMessage, news::InvalidUserMessage,
         news::InvalidUserMessage},
        {"INVALIDPRODUCT", news::InvalidProductMessage, news::InvalidProductMessage,
         news::InvalidProductMessage},
        {"INVALIDNEWS", none, none, news::InvalidNewsMessage},
        {"INVALIDUSERS", none, none, none},
        {"invaliduser", none, none, none},
        {"Server error", none, none, none},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(news::failureMessage(Request::List, row.reply), row.list) << row.reply;
        EXPECT_EQ(news::failureMessage(Request::Latest, row.reply), row.latest) << row.reply;
        EXPECT_EQ(news::failureMessage(Request::Details, row.reply), row.details) << row.reply;
    }
    EXPECT_EQ(news::NoAnswerMessage,
              "There is a trouble accessing the news site. Contact your provider.");
    EXPECT_EQ(news::InvalidNewsMessage,
              "There is a trouble with this news. Contact your provider.");
}

TEST(NewsProtocol, ListEntriesSkipEmptyUnitsAndOk) {
    struct Row {
        const char* reply;
        std::vector<std::string> entries;
    };
    const Row rows[] = {
        {"1^One^Mon\xAF"
         "2^Two^Tue\xAFOK",
         {"1^One^Mon", "2^Two^Tue"}},
        {"OK", {}},
        {"1^One^Mon\xAF\xAF"
         "2^Two^Tue\xAFOK",
         {"1^One^Mon", "2^Two^Tue"}},
        {"1^One^Mon\xAFOK\xAF"
         "2^Two^Tue\xAFOK",
         {"1^One^Mon", "2^Two^Tue"}},
        {"\xAF"
         "3^Three\xAFOK",
         {"3^Three"}},
        // Not checked here: an entry is taken as it stands.
        {"BOOK^x", {"BOOK^x"}},
        // The units are cut at the byte 0xAF even where it belongs to a UTF-8 letter.
        {"4^Na\xC3\xAFve^d\xAFOK", {"4^Na\xC3", "ve^d"}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(news::listEntries(row.reply), row.entries) << row.reply;
}

TEST(NewsProtocol, LatestReplies) {
    struct Row {
        const char* reply;
        bool hasItem;
        const char* id;
        const char* title;
    };
    const Row rows[] = {
        {"8^Spring sale\xAFOK", true, "8", "Spring sale"},
        {"OK", false, "", ""},
        {"OK\xAFOK", false, "", ""},
        {"8\xAFOK", true, "8", ""},
        {"8^Title^extra\xAFOK", true, "8", "Title"},
        {"^Title\xAFOK", true, "", "Title"},
        {"\xAFOK", true, "", ""},
        {"8^Title OK", true, "8", "Title OK"},
    };
    for (const Row& row : rows) {
        const news::Latest latest = news::parseLatest(row.reply);
        EXPECT_EQ(latest.hasItem, row.hasItem) << row.reply;
        EXPECT_EQ(latest.id, row.id) << row.reply;
        EXPECT_EQ(latest.title, row.title) << row.reply;
    }
}

TEST(NewsProtocol, DetailsAreDecodedAfterTheEndMarksGo) {
    EXPECT_EQ(news::detailsText("$3Chtml$3E$3Cb$3EHi$3C/b$3E$3C/html$3E\xAFOK"),
              "<html><b>Hi</b></html>");
    EXPECT_EQ(news::detailsText("a$24b\xAFOK\xAFOK"), "a$b");
    // A malformed escape empties the whole text.
    EXPECT_EQ(news::detailsText("<p>fine</p>$G1\xAFOK"), "");
    EXPECT_EQ(news::detailsText("\xAFOK"), "");
    EXPECT_EQ(news::withoutEndMarks("a\xAFOKb\xAFOK"), "ab");
    EXPECT_EQ(news::withoutEndMarks("\xAF\xAFOKOK"), "\xAFOK"); // one pass
}

TEST(NewsProtocol, IdsAreSigned32BitDecimalsOrZero) {
    struct Row {
        const char* text;
        std::int32_t value;
    };
    const Row rows[] = {{"7", 7},          {"0", 0},    {"-3", -3},
                        {"+5", 5},         {"", 0},     {"12a", 0},
                        {"abc", 0},        {" 7", 0},   {"2147483647", 2147483647},
                        {"2147483648", 0}, {"+-1", 0},  {"-2147483648", -2147483647 - 1},
                        {"7.0", 0},        {"0x10", 0}, {"-", 0}};
    for (const Row& row : rows)
        EXPECT_EQ(news::idValue(row.text), row.value) << row.text;
}

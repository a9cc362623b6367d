#include "net/UpdateCheck.h"
#include "format/IniFile.h"
#include "net/HttpClient.h"
#include "tests/net/support/ScriptedServer.h"
#include "util/UserError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(UpdateVersion, NewerOnlyWhenAboveTwoAsOneNumberInSinglePrecision) {
    struct Row {
        const char* version;
        bool newer;
    };
    const Row rows[] = {
        {"2.0", false},     {"2", false},        {"2.00", false},      {"2.1", true},
        {"2.10", true},     {"1.9", false},      {"2.0000001", false}, // 2.0 as a float
        {"2.000001", true}, {"10", true},        {"3.", true},         {"+2.5", true},
        {"1e1", true},      {" 2.1\t", true},    {"", false},          {"abc", false},
        {"2,1", false},     {"2.1.3", false},    {"2.1a", false},      {"inf", false},
        {"nan", false},     {"1e39", false},     {"-3", false},        {".", false},
        {"0x3", false},     {"2.1 beta", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(update::isNewer(row.version), row.newer) << row.version;
    EXPECT_EQ(update::versionNumber("2.0000001"), 2.0f);
    EXPECT_EQ(update::versionNumber("2.10"), update::versionNumber("2.1"));
    EXPECT_NE(update::versionNumber("2.01"), update::versionNumber("2.1"));
    EXPECT_LT(update::versionNumber("2.10"), update::versionNumber("2.9"));
    EXPECT_EQ(update::versionNumber("junk"), 0.0f);
}

TEST(UpdateVersion, TheIniValueIsFoundWhateverTheLetterCase) {
    struct Row {
        const char* text;
        const char* value;
    };
    const Row rows[] = {
        {"[APPLICATION]\r\nName=Tipsmith\r\nVersion=2.1\r\n", "2.1"},
        {"[application]\nversion = 2.5  \n", "2.5"},
        {"\xEF\xBB\xBF[Application]\nVERSION=\"3.0\"\n", "3.0"},
        {"[Other]\nVersion=9\n[APPLICATION]\nVersion=2.2\n", "2.2"},
        {"[APPLICATION]\n;Version=9\nVersion=2.3\nVersion=2.4\n", "2.3"},
        {"[ APPLICATION ]\r\nVersion=2.6", "2.6"},
        {"[APPLICATION]\nName=x\n[Other]\nVersion=9\n", ""},
        {"Version=2.7\n", ""},
        {"<html><body>Not found</body></html>", ""},
        {"", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(update::versionOf(row.text), row.value) << row.text;
    EXPECT_EQ(iniValue("[s]\nk='q'\n", "S", "K"), "q");
}

TEST(UpdateVersion, AddressesAndTheUpdatersCommandLine) {
    const QString base = update::UpdateBaseAddress();
    EXPECT_TRUE(base.startsWith(QStringLiteral("http://")));
    EXPECT_TRUE(base.endsWith(QStringLiteral("/liveupdate/tipsmith/")));
    EXPECT_EQ(update::updaterArguments(QStringLiteral("http://h/liveupdate/tipsmith/")),
              (QStringList{QStringLiteral("http://h/liveupdate/tipsmith/"), QStringLiteral("2.0"),
                           QStringLiteral("A")}));
    EXPECT_EQ(update::newUpdateQuestion("2.10"),
              "There is a new update: (version 2.10) available for your application!. Do you "
              "want download this update now?");
    // LF before CR, as the message has always been written.
    EXPECT_NE(update::CloseToUpdateQuestion.find("will close to\n\rreplace some files."),
              std::string_view::npos);
}

namespace {

class Download : public ::testing::Test {
protected:
    void SetUp() override {
        QFile old(file());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("[APPLICATION]\nVersion=1.0\n"); // left by an earlier check
    }
    QString file() const { return folder.filePath(QStringLiteral("mainappupdate.inf")); }
    bool download(const char* path) {
        return update::DownloadToFile(http, server.url(QString::fromLatin1(path)), file());
    }
    QByteArray contents() const {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir folder;
    ScriptedServer server;
    HttpClient http;
};

} // namespace

TEST_F(Download, TheBodyReplacesTheFile) {
    server.on("/liveupdate/tipsmith/mainappupdate.inf",
              ScriptedServer::reply("[APPLICATION]\r\nVersion=2.1\r\n"));
    ASSERT_TRUE(download("/liveupdate/tipsmith/mainappupdate.inf"));
    EXPECT_EQ(contents(), "[APPLICATION]\r\nVersion=2.1\r\n");
}

TEST_F(Download, AnyFailureLeavesNoFile) {
    server.on("/404", ScriptedServer::reply("<html>no</html>", 404));
    server.on("/cut", ScriptedServer::cutShort(500, 100));
    // Past the size limit: a body without end, or one announcing more.
    const auto sent = std::make_shared<qint64>(0);
    server.on("/endless", ScriptedServer::endless(sent));
    server.on("/huge", server.announce(99999999999999));
    server.on("/over", ScriptedServer::reply(QByteArray(update::MaxInfoFileBytes + 1, 'v')));
    for (const char* path : {"/404", "/cut", "/unscripted", "/endless", "/huge", "/over"}) {
        SetUp();
        EXPECT_FALSE(download(path)) << path;
        EXPECT_FALSE(QFile::exists(file())) << path;
    }
    EXPECT_LT(*sent, 64 * update::MaxInfoFileBytes);
    SetUp();
    EXPECT_FALSE(update::DownloadToFile(http, QStringLiteral("http://127.0.0.1:1/x"), file()));
    EXPECT_FALSE(QFile::exists(file()));
}

TEST_F(Download, AFileThatCannotBeCreatedIsAnError) {
    const QString nowhere = folder.filePath(QStringLiteral("missing/mainappupdate.inf"));
    try {
        // Throws before there is a result; reaching the next line is the failure.
        (void)update::DownloadToFile(http, server.url(QStringLiteral("/x")), nowhere);
        FAIL() << "no error";
    } catch (const UserError& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("Cannot create file \"")) << error.what();
    }
    EXPECT_TRUE(server.requests().empty());
}

#include "HttpClient.h"
#include "NewsProtocol.h"
#include "UpdateCheck.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

void put(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// tipsmith-newsd on a free port of 127.0.0.1, serving a temporary folder.
class Newsd : public ::testing::Test {
protected:
    void SetUp() override {
        const QString items = root.filePath(QStringLiteral("news/1001/BG-ACME/"));
        put(items + QStringLiteral("7.news"),
            "Title: Spring sale\nDate: 1 March 2024\n\n<html><body><p>Caf\xC3\xA9 $5 ^ "
            "OK</p></body></html>\n");
        put(items + QStringLiteral("12.news"), "Title: New skins\nDate: 2 April 2024\n\n<p>12</p>");
        put(items + QStringLiteral("9.news"), "Title: Nine\n\n<p>9</p>");
        put(items + QStringLiteral("notes.txt"), "not an item");
        QDir().mkpath(root.filePath(QStringLiteral("news/1001/BM-EMPTY")));
        put(root.filePath(QStringLiteral("liveupdate/tipsmith/mainappupdate.inf")),
            "[APPLICATION]\r\nName=Tipsmith\r\nVersion=2.1\r\n");
        put(root.filePath(QStringLiteral("secret.txt")), "outside liveupdate");
        start({});
    }
    void TearDown() override { stop(); }

    void start(QStringList extra) {
        process = std::make_unique<QProcess>();
        process->start(QStringLiteral(TIPSMITH_NEWSD),
                       QStringList{QStringLiteral("--root"), root.path(),
                                   QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} +
                           extra);
        ASSERT_TRUE(process->waitForStarted(10000));
        ASSERT_TRUE(process->waitForReadyRead(10000));
        const QByteArray first = process->readLine().trimmed();
        ASSERT_TRUE(first.startsWith("listening on http://127.0.0.1:")) << first.toStdString();
        origin = QString::fromUtf8(first.mid(13, first.size() - 14)); // without the final "/"
        profile.BranderType = "Gold";
        profile.BranderCode = "ACME";
        profile.GoldPublID = "1001";
        profile.GoldNewsBaseURL = (origin + QStringLiteral("/news")).toStdString();
    }
    void stop() {
        if (process) {
            process->kill();
            process->waitForFinished(10000);
        }
    }
    // The log lines written so far.
    QList<QByteArray> log() {
        QTest::qWait(100);
        logged += process->readAllStandardOutput();
        return logged.split('\n');
    }

    bool list(std::vector<std::string>& entries, std::string_view publisher = "1001",
              std::string_view code = "ACME") {
        return news::GetNewsList(http, profile, publisher, code, "BG", "UA", entries, recorder());
    }
    bool details(std::string_view id, std::string& text) {
        return news::GetNewsDetails(http, profile, "1001", "ACME", "BG", "UA", id, text,
                                    recorder());
    }
    news::Warn recorder() {
        return [this](std::string_view message) { warnings.emplace_back(message); };
    }

    QTemporaryDir root;
    std::unique_ptr<QProcess> process;
    QString origin;
    QByteArray logged;
    HttpClient http;
    BrandProfileRecord profile;
    std::vector<std::string> warnings;
};

} // namespace

TEST_F(Newsd, ServesTheListNewestFirstAndTheLatestItem) {
    std::vector<std::string> entries;
    ASSERT_TRUE(list(entries));
    EXPECT_EQ(entries, (std::vector<std::string>{"12^New skins^2 April 2024", "9^Nine^",
                                                 "7^Spring sale^1 March 2024"}));

    std::string id, title;
    ASSERT_TRUE(news::GetLastNews(http, profile, "1001", "ACME", "BG", "UA", id, title, {}));
    EXPECT_EQ(id, "12");
    EXPECT_EQ(title, "New skins");

    // A product without items: a list of none and no latest item.
    entries.clear();
    profile.MasterNewsBaseURL = profile.GoldNewsBaseURL;
    ASSERT_TRUE(news::GetNewsList(http, profile, "1001", "EMPTY", "BM", "UA", entries, recorder()));
    EXPECT_TRUE(entries.empty());
    title = "kept";
    ASSERT_TRUE(news::GetLastNews(http, profile, "1001", "EMPTY", "BM", "UA", id, title, {}));
    EXPECT_EQ(id, "");
    EXPECT_EQ(title, "kept");
    EXPECT_TRUE(warnings.empty());
}

TEST_F(Newsd, DetailsArriveAsTheItemFileWroteThem) {
    std::string text;
    ASSERT_TRUE(details("7", text));
    EXPECT_EQ(text, "<html><body><p>Caf\xC3\xA9 $5 ^ OK</p></body></html>\n");
    ASSERT_TRUE(details("9", text));
    EXPECT_EQ(text, "<p>9</p>");
}

TEST_F(Newsd, RefusesWrongPublishersProductsAndItems) {
    std::vector<std::string> entries;
    std::string text;
    EXPECT_FALSE(list(entries, "1002"));
    EXPECT_FALSE(list(entries, ".."));
    EXPECT_FALSE(list(entries, "1001", "ACME/../../.."));
    EXPECT_FALSE(list(entries, "1001", "acme"));
    EXPECT_FALSE(details("8", text));
    EXPECT_FALSE(details("../7", text));
    EXPECT_FALSE(details("07", text));
    EXPECT_FALSE(details("", text));
    EXPECT_EQ(
        warnings,
        (std::vector<std::string>{
            std::string(news::InvalidUserMessage), std::string(news::InvalidUserMessage),
            std::string(news::InvalidProductMessage), std::string(news::InvalidProductMessage),
            std::string(news::InvalidNewsMessage), std::string(news::InvalidNewsMessage),
            std::string(news::InvalidNewsMessage), std::string(news::InvalidNewsMessage)}));

    // Without its news folder the site reports its own settings as broken.
    ASSERT_TRUE(QDir(root.filePath(QStringLiteral("news"))).removeRecursively());
    warnings.clear();
    EXPECT_FALSE(list(entries));
    EXPECT_EQ(warnings, std::vector<std::string>{std::string(news::ConnectionFailMessage)});
}

TEST_F(Newsd, ServesTheUpdateFileAndNothingOutsideItsFolder) {
    QTemporaryDir exe;
    const QString local = exe.filePath(QStringLiteral("mainappupdate.inf"));
    ASSERT_TRUE(update::DownloadToFile(
        http, origin + QStringLiteral("/liveupdate/tipsmith/mainappupdate.inf"), local));
    QFile file(local);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(update::versionOf(file.readAll().toStdString()), "2.1");

    for (const char* path : {"/liveupdate/../secret.txt", "/liveupdate/%2e%2e/secret.txt",
                             "/liveupdate/tipsmith/missing.inf", "/liveupdate/tipsmith"}) {
        EXPECT_FALSE(update::DownloadToFile(http, origin + QString::fromLatin1(path), local))
            << path;
    }
}

TEST_F(Newsd, LogsEveryRequestWithItsFields) {
    std::vector<std::string> entries;
    ASSERT_TRUE(list(entries));
    std::string text;
    EXPECT_FALSE(details("8", text));
    QList<QByteArray> lines;
    QElapsedTimer clock;
    clock.start();
    do
        lines = log();
    while (lines.size() < 3 && clock.elapsed() < 10000);
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[0].contains(
        "POST /news/getlastnews.php memusername=\"1001\" prodcode=\"ACME\" prodtype=\"BG\" "
        "conttype=\"all\" newstarget=\"UA\" something=\"\" -> 200 3 items"))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains("newsid=\"8\"") && lines[1].contains("-> 200 INVALIDNEWS"))
        << lines[1].toStdString();
}

TEST_F(Newsd, TheBasePathIsAnOption) {
    stop();
    start({QStringLiteral("--base"), QStringLiteral("feeds/acme")});
    std::vector<std::string> entries;
    profile.GoldNewsBaseURL = (origin + QStringLiteral("/feeds/acme/")).toStdString();
    ASSERT_TRUE(list(entries));
    EXPECT_EQ(entries.size(), 3u);
    profile.GoldNewsBaseURL = (origin + QStringLiteral("/news/")).toStdString();
    EXPECT_FALSE(list(entries));
}

TEST(NewsdCommandLine, RefusesWhatItCannotServe) {
    const auto run = [](const QStringList& args) {
        QProcess process;
        process.start(QStringLiteral(TIPSMITH_NEWSD), args);
        process.waitForFinished(10000);
        return std::make_pair(process.exitCode(),
                              process.readAllStandardOutput() + process.readAllStandardError());
    };
    QTemporaryDir root;
    EXPECT_EQ(run({QStringLiteral("--help")}).first, 0);
    EXPECT_EQ(run({}).first, 2);
    EXPECT_EQ(run({QStringLiteral("--root"), root.filePath(QStringLiteral("none"))}).first, 2);
    const auto badListen = run({QStringLiteral("--root"), root.path(), QStringLiteral("--listen"),
                                QStringLiteral("nowhere")});
    EXPECT_EQ(badListen.first, 2);
    EXPECT_TRUE(badListen.second.contains("HOST:PORT"));
}

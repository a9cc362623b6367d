#include "app/MainNetwork.h"
#include "app/widgets/NewsHint.h"
#include "net/UpdateCheck.h"
#include "tests/app/NetworkWindowSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

using namespace std::chrono_literals;

class StartupCheck : public NetworkWindow {
protected:
    // Opens the window with its start-up timer running and waits until the
    // check is over: it always ends with the update request.
    TfrmMain& start() {
        TfrmMain& w = open(true);
        EXPECT_TRUE(waitForRequests(kUpdatePath)) << "no update check";
        QTest::qWait(50);
        return w;
    }
    bool balloonShown() const { return window->hintNews->isVisible(); }
    // Opens the window of a Gold brander whose news list never answers, with
    // an update waiting behind it and the start-up timer running.
    TfrmMain& openWhileTheListHangs() {
        writeProfile("Gold");
        serveNews("", server.never());
        serveUpdate("2.1");
        env.stallLimit = 20s;
        return open(true);
    }
};

} // namespace

TEST_F(StartupCheck, ANewerItemShowsTheBalloonAtTheNewsButton) {
    writeProfile("Gold", "7");
    serveNews("", "8^Caf\xC3\xA9 opens^\xAFOK");
    serveUpdate("2.0");
    TfrmMain& w = start();
    ASSERT_TRUE(balloonShown());
    EXPECT_EQ(w.hintNews->text(), QString::fromUtf8("You've Got A Message!\r\nCaf\xC3\xA9 opens"));
    const QPoint centre =
        w.btnNews->mapToGlobal(QPoint(w.btnNews->width() / 2, w.btnNews->height() / 2));
    EXPECT_EQ(w.hintNews->anchor(), centre);
    // Below and to the left of the point.
    EXPECT_GT(w.hintNews->bodyGeometry().top(), centre.y());
    EXPECT_LT(w.hintNews->bodyGeometry().left(), centre.x());
    EXPECT_GT(w.hintNews->bodyGeometry().right(), centre.x());
    EXPECT_EQ(formValue(server.lastForm(), "conttype"), std::nullopt); // the update GET came last
    EXPECT_TRUE(env.messages->shown.empty());
    // The check reads the stored id but never writes it.
    EXPECT_EQ(storedNewsId(), "7");
}

TEST_F(StartupCheck, AnItemNotNewerShowsNothing) {
    struct Row {
        std::optional<std::string> stored;
        QByteArray latest;
        bool balloon;
    };
    const Row rows[] = {
        {"7", "7^Same\xAFOK", false},
        {"7", "6^Older\xAFOK", false},
        {std::nullopt, "1^First\xAFOK", true},
        {std::nullopt, "0^Zero\xAFOK", false},
        {std::nullopt, "x^Letters\xAFOK", false},
        {"abc", "1^One\xAFOK", true},
        {"7", "OK", false},
        {"7", "INVALIDUSER", false},
        {"7", "\xAFOK", false}, // an item without an id counts as 0
    };
    serveUpdate("2.0");
    for (const Row& row : rows) {
        writeProfile("Gold", row.stored);
        serveNews("", row.latest);
        const int before = requestsTo(kUpdatePath);
        TfrmMain& w = open(true);
        ASSERT_TRUE(waitForRequests(kUpdatePath, before + 1)) << row.latest.toStdString();
        QTest::qWait(30);
        EXPECT_EQ(w.hintNews->isVisible(), row.balloon) << row.latest.toStdString();
        EXPECT_TRUE(env.messages->shown.empty()) << row.latest.toStdString();
        window.reset();
        BrandProfile = BrandProfileRecord{};
    }
}

TEST_F(StartupCheck, WithoutANewsTierOrServerTheUpdateCheckStillRuns) {
    serveNews("", "9^Nine\xAFOK");
    serveUpdate("2.0");
    // Another letter case, "Free", and a news server that refuses connections.
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"gold", std::nullopt}, {"Free", std::nullopt}, {"Gold", "http://127.0.0.1:1/news"}};
    for (const auto& [type, base] : cases) {
        writeProfile(type, std::nullopt, base);
        const int before = requestsTo(kUpdatePath);
        TfrmMain& w = open(true);
        ASSERT_TRUE(waitForRequests(kUpdatePath, before + 1)) << type;
        EXPECT_FALSE(w.hintNews->isVisible()) << type;
        EXPECT_TRUE(env.messages->shown.empty()) << type;
        window.reset();
        BrandProfile = BrandProfileRecord{};
    }
    EXPECT_EQ(requestsTo(kListPath), 0);
}

TEST_F(StartupCheck, ServersThatTrickleOrFloodCannotHoldTheCheck) {
    env.startupRequestLimit = 600ms;
    env.stallLimit = 20s; // only the overall limit can end a trickle
    writeProfile("Gold");
    serveNews("", server.trickle(100));
    const auto sent = std::make_shared<qint64>(0);
    server.on(kUpdatePath, ScriptedServer::endless(sent));
    open(true);
    ASSERT_TRUE(waitForRequests(kUpdatePath, 1, 10000)) << "the news request still holds";
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->httpMain->waiting() == 0; }, 10000));
    EXPECT_LT(*sent, 64 * update::MaxInfoFileBytes);
    EXPECT_FALSE(QFileInfo::exists(exeFile("mainappupdate.inf")));
    EXPECT_FALSE(balloonShown());
    EXPECT_TRUE(env.messages->shown.empty());
}

TEST_F(StartupCheck, ANewerVersionIsOfferedBesideTheBalloon) {
    writeProfile("Gold");
    serveNews("", "3^Three\xAFOK");
    serveUpdate("2.1");
    env.messages->setNextAnswer(MessageAnswer::Cancel);
    TfrmMain& w = start();
    EXPECT_TRUE(balloonShown()); // a modal box of the program leaves it open
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0], "There is a new update: (version 2.1) available for your "
                             "application!. Do you want download this update now?");
    EXPECT_TRUE(w.isVisible());
}

TEST_F(StartupCheck, TheBalloonClosesAtTheNextKeyOrClickAndIsReplaced) {
    TfrmMain& w = open();
    w.network->ShowNewsHint(QStringLiteral("You've Got A Message!\r\nOne"));
    ASSERT_TRUE(w.hintNews->isVisible());
    w.network->ShowNewsHint(QStringLiteral("You've Got A Message!\r\nTwo"));
    EXPECT_TRUE(w.hintNews->isVisible());
    EXPECT_EQ(w.hintNews->text(), "You've Got A Message!\r\nTwo");
    EXPECT_EQ(w.findChildren<NewsHint*>().size(), 1);
    QTest::keyClick(w.edtBoldText, Qt::Key_A);
    EXPECT_FALSE(w.hintNews->isVisible());

    w.network->ShowNewsHint(QStringLiteral("again"));
    ASSERT_TRUE(w.hintNews->isVisible());
    QTest::mouseClick(w.btnNext, Qt::LeftButton);
    EXPECT_FALSE(w.hintNews->isVisible());
    EXPECT_EQ(w.wizardPage(), 2); // the click still did its work

    // Another window of the program becoming active closes it too.
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.network->ShowNewsHint(QStringLiteral("again"));
    ASSERT_TRUE(w.hintNews->isVisible());
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(w.hintNews->isVisible());
}

TEST_F(StartupCheck, TheNewsButtonWorksWhileTheCheckWaits) {
    writeProfile("Gold");
    serveNews("5^Five^d\xAFOK", ScriptedServer::later(600, "8^Eight\xAFOK"));
    serveUpdate("2.0");
    int listed = -1;
    env.onModal = [&](QDialog&) { listed = window->NewsList.size(); };
    when([&] { return requestsTo(kListPath) == 1; },
         [&] {
             EXPECT_EQ(window->httpMain->waiting(), 1);
             QTest::mouseClick(window->btnNews, Qt::LeftButton);
             // The list came while the start-up request still waited.
             EXPECT_EQ(requestsTo(kUpdatePath), 0);
         });
    start();
    EXPECT_EQ(env.modalCount, 1);
    EXPECT_EQ(listed, 1);
    EXPECT_TRUE(balloonShown());
    EXPECT_EQ(window->hintNews->text(), "You've Got A Message!\r\nEight");
    EXPECT_TRUE(env.messages->shown.empty());
}

TEST_F(StartupCheck, ClosingTheWindowWhileARequestWaitsEndsTheProgram) {
    openWhileTheListHangs();
    when([&] { return requestsTo(kListPath) == 1; }, [&] { window->close(); });
    QTimer safety; // never fires when all is well, and goes with the test
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] { QApplication::exit(3); });
    safety.start(15000);
    QElapsedTimer clock;
    clock.start();
    // The program's own event loop: closing its only window ends it.
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->httpMain->waiting(), 0);
    // The check ended quietly and started nothing more.
    EXPECT_EQ(requestsTo(kUpdatePath), 0);
    EXPECT_TRUE(env.messages->shown.empty());
    EXPECT_FALSE(window->hintNews->isVisible());
}

TEST_F(StartupCheck, ClosingAbortsTheWaitingRequestAtOnce) {
    openWhileTheListHangs();
    // Another window stays open, so the program goes on running after the close.
    QWidget other;
    other.show();
    bool closed = false;
    when([&] { return requestsTo(kListPath) == 1; },
         [&] {
             window->close();
             closed = true;
         });
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed; }, 5000));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->httpMain->waiting() == 0; }, 3000));
    EXPECT_LT(clock.elapsed(), 3000);
    QTest::qWait(100);
    // The handler ended quietly: no update check, no message.
    EXPECT_EQ(requestsTo(kUpdatePath), 0);
    EXPECT_TRUE(env.messages->shown.empty());
}

#include "app/FNews.h"
#include "app/MainNetwork.h"
#include "tests/app/NetworkWindowSupport.h"
#include "tests/app/TestPictures.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTextBrowser>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

class NewsWindow : public NetworkWindow {
protected:
    // Clicks the list item of `row` in the open news window.
    static void clickItem(TfrmNews& news, int row) {
        QTreeWidgetItem* item = news.lvwItems->topLevelItem(row);
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(news.lvwItems->viewport(), Qt::LeftButton, {},
                          news.lvwItems->visualItemRect(item).center());
    }
    // Where the text `text` is shown in `view`'s viewport.
    static QPoint pointAt(const QTextBrowser& view, const QString& text) {
        const QTextCursor found = view.document()->find(text);
        EXPECT_FALSE(found.isNull()) << text.toStdString();
        QTextCursor inside(view.document());
        inside.setPosition(found.selectionStart() + 2);
        return view.cursorRect(inside).center();
    }
    static int selectedRow(const TfrmNews& news) {
        const auto selected = news.lvwItems->selectedItems();
        return selected.isEmpty() ? -1 : news.lvwItems->indexOfTopLevelItem(selected.first());
    }
    // Presses the news button; `whileOpen` runs while the news window is "open".
    void pressNews(std::function<void(TfrmNews&)> whileOpen = {}) {
        env.onModal = [whileOpen = std::move(whileOpen)](QDialog& dialog) {
            auto& news = dynamic_cast<TfrmNews&>(dialog);
            news.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&news));
            if (whileOpen)
                whileOpen(news);
        };
        QTest::mouseClick(window->btnNews, Qt::LeftButton);
    }
};

} // namespace

TEST_F(NewsWindow, OneEntryOpensTheWindowWithAnEmptyView) {
    writeProfile();
    serveNews("12^Spring \xC3\xA9t\xC3\xA9^1 May 2024\xAFOK", "OK");
    open();
    bool looked = false;
    pressNews([&](TfrmNews& news) {
        looked = true;
        EXPECT_EQ(news.windowTitle(), "News");
        EXPECT_EQ(news.lvwItems->headerItem()->text(0), "News Title");
        EXPECT_EQ(news.lvwItems->headerItem()->text(1), "Published");
        EXPECT_EQ(news.lvwItems->header()->sectionSize(1), 160);
        EXPECT_EQ(news.lvwItems->selectionBehavior(), QAbstractItemView::SelectRows);
        ASSERT_EQ(news.lvwItems->topLevelItemCount(), 1);
        EXPECT_EQ(news.lvwItems->topLevelItem(0)->text(0),
                  QString::fromUtf8("Spring \xC3\xA9t\xC3\xA9"));
        EXPECT_EQ(news.lvwItems->topLevelItem(0)->text(1), "1 May 2024");
        EXPECT_EQ(TfrmNews::itemId(*news.lvwItems, 0), "12");
        EXPECT_TRUE(news.lvwItems->selectedItems().isEmpty());
        EXPECT_TRUE(news.prfEditorNews->toPlainText().isEmpty());
        EXPECT_TRUE(news.prfEditorNews->isReadOnly());
        EXPECT_EQ(news.btnExit->text(), "Close");
    });
    EXPECT_TRUE(looked);
    EXPECT_EQ(env.modalCount, 1);
    EXPECT_EQ(window->NewsList,
              QStringList{QString::fromUtf8("12^Spring \xC3\xA9t\xC3\xA9^1 May 2024")});
    EXPECT_EQ(requestsTo(kDetailsPath), 0);
    EXPECT_TRUE(env.messages->shown.empty());
    // The request named the Gold tier.
    EXPECT_EQ(formValue(server.lastForm(), "prodtype"), "BG");
    EXPECT_EQ(formValue(server.lastForm(), "conttype"), "all");
}

TEST_F(NewsWindow, TwoSelectionsInTurnFetchBothAndRememberTheSecond) {
    writeProfile("Gold", "3");
    serveNews("9^Nine^2 May\xAF"
              "4^Four^1 May\xAF"
              "2^Deep^1 April\xAFOK",
              "OK");
    // Markup nested ten thousand levels deep would hold the window for seconds.
    const QByteArray deep = QByteArray("$3Cdiv$3E").repeated(10000) + "x";
    serveDetails({{"9", ScriptedServer::reply("$3Cp$3ENine$20news$3C/p$3E\xAFOK")},
                  {"4", ScriptedServer::reply("$3Cp$3EFour$3C/p$3E\xAFOK")},
                  {"2", ScriptedServer::reply(deep + "\xAFOK")}});
    open();
    pressNews([&](TfrmNews& news) {
        clickItem(news, 0);
        EXPECT_EQ(news.prfEditorNews->toPlainText(), "Nine news");
        EXPECT_EQ(storedNewsId(), "9");
        // A lower id is stored as well: it is the item read last.
        clickItem(news, 1);
        EXPECT_EQ(news.prfEditorNews->toPlainText(), "Four");
        EXPECT_EQ(storedNewsId(), "4");
        EXPECT_FALSE(news.busy());
        clickItem(news, 2);
        EXPECT_EQ(news.prfEditorNews->toPlainText(), QString("<div>").repeated(10000) + "x");
        EXPECT_EQ(storedNewsId(), "2");
    });
    EXPECT_EQ(requestsTo(kDetailsPath), 3);
    EXPECT_EQ(formValue(server.lastForm(), "newsid"), "2");
    EXPECT_FALSE(QFile::exists(exeFile("dbsettings.sim")));
    EXPECT_TRUE(env.messages->shown.empty());
}

TEST_F(NewsWindow, ASecondClickWhileFetchingIsRefused) {
    writeProfile();
    serveNews("9^Nine^2 May\xAF"
              "4^Four^1 May\xAFOK",
              "OK");
    serveDetails({{"9", ScriptedServer::later(500, "Nine\xAFOK")},
                  {"4", ScriptedServer::reply("Four\xAFOK")}});
    open();
    pressNews([&](TfrmNews& news) {
        bool checked = false;
        when([&] { return requestsTo(kDetailsPath) == 1; },
             [&] {
                 EXPECT_TRUE(news.busy());
                 EXPECT_EQ(news.cursor().shape(), Qt::WaitCursor);
                 EXPECT_EQ(news.lvwItems->viewport()->cursor().shape(), Qt::WaitCursor);
                 EXPECT_EQ(news.prfEditorNews->viewport()->cursor().shape(), Qt::WaitCursor);
                 clickItem(news, 1);
                 QTest::keyClick(news.lvwItems, Qt::Key_Down);
                 EXPECT_EQ(selectedRow(news), 0);
                 checked = true;
             });
        clickItem(news, 0);
        EXPECT_TRUE(checked);
        EXPECT_FALSE(news.busy());
        EXPECT_EQ(news.cursor().shape(), Qt::ArrowCursor);
        EXPECT_EQ(selectedRow(news), 0);
        EXPECT_EQ(news.prfEditorNews->toPlainText(), "Nine");
    });
    EXPECT_EQ(requestsTo(kDetailsPath), 1);
    EXPECT_EQ(storedNewsId(), "9");
}

TEST_F(NewsWindow, AFailedDetailsRequestKeepsThePreviousText) {
    writeProfile();
    serveNews("9^Nine^2 May\xAF"
              "4^Four^1 May\xAFOK",
              "OK");
    serveDetails({{"9", ScriptedServer::reply("$3Cb$3ENine$3C/b$3E\xAFOK")}}); // 4: INVALIDNEWS
    open();
    pressNews([&](TfrmNews& news) {
        clickItem(news, 0);
        clickItem(news, 1);
        EXPECT_EQ(news.prfEditorNews->toPlainText(), "Nine");
        EXPECT_EQ(selectedRow(news), 1);
        EXPECT_FALSE(news.busy());
        EXPECT_TRUE(news.isVisible());
    });
    EXPECT_EQ(storedNewsId(), "9");
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(env.messages->shown[0].text,
              "There is a trouble with this news. Contact your provider.");
}

TEST_F(NewsWindow, EntriesWithFewerPiecesShowWhatTheyHaveAndKeepTheirId) {
    writeProfile();
    serveNews("9^Nine^\xAF"
              "5\xAFOK",
              "OK");
    serveDetails({{"5", ScriptedServer::reply("Five\xAFOK")}});
    open();
    pressNews([&](TfrmNews& news) {
        ASSERT_EQ(news.lvwItems->topLevelItemCount(), 2);
        EXPECT_EQ(news.lvwItems->topLevelItem(0)->text(0), "Nine");
        EXPECT_EQ(news.lvwItems->topLevelItem(0)->text(1), "");
        EXPECT_EQ(news.lvwItems->topLevelItem(1)->text(0), "");
        clickItem(news, 1);
        EXPECT_EQ(news.prfEditorNews->toPlainText(), "Five");
    });
    EXPECT_EQ(storedNewsId(), "5");
}

TEST_F(NewsWindow, ClosingWhileFetchingWaitsForTheRequest) {
    writeProfile();
    serveNews("9^Nine^2 May\xAFOK", "OK");
    serveDetails({{"9", ScriptedServer::later(300, "Nine\xAFOK")}});
    open();
    pressNews([&](TfrmNews& news) {
        when([&] { return requestsTo(kDetailsPath) == 1; },
             [&] {
                 news.btnExit->click();
                 EXPECT_TRUE(news.isVisible());
             });
        clickItem(news, 0);
        EXPECT_FALSE(news.isVisible());
        EXPECT_EQ(news.result(), QDialog::Accepted);
    });
    EXPECT_EQ(storedNewsId(), "9");
}

TEST_F(NewsWindow, NoNewsOnlySaysSo) {
    struct Row {
        const char* type;
        QByteArray list;
        QStringList messages;
        int requests;
    };
    const QString none = QStringLiteral("There's no news for this application!");
    const QString noAnswer =
        QStringLiteral("There is a trouble accessing the news site. Contact your provider.");
    const Row rows[] = {
        {"Gold", "OK", {none}, 1},
        {"Gold",
         "INVALIDUSER",
         {QStringLiteral("There is a trouble with the Publisher Id. Contact your provider."), none},
         1},
        {"Gold", "INVALIDNEWS", {none}, 1},
        {"Gold", "", {noAnswer, none}, 1},
        // A reply past the size limit fails as a server that does not answer.
        {"Gold", "1^x^y\xAFOK" + QByteArray(news::MaxReplyBytes, ' '), {noAnswer, none}, 1},
        // The Free tier shows the button but asks no server.
        {"Free", "1^x^y\xAFOK", {none}, 0},
        {"gold", "1^x^y\xAFOK", {none}, 0},
    };
    for (const Row& row : rows) {
        writeProfile(row.type);
        serveNews(row.list, "OK");
        const int before = requestsTo(kListPath);
        env.messages->shown.clear();
        open();
        pressNews();
        EXPECT_EQ(env.modalCount, 0) << row.type << " " << row.list.toStdString();
        EXPECT_EQ(messages(), row.messages) << row.type << " " << row.list.toStdString();
        EXPECT_EQ(env.messages->shown.back().kind, MessageKind::Information);
        EXPECT_EQ(requestsTo(kListPath) - before, row.requests) << row.type;
        window.reset();
        BrandProfile = BrandProfileRecord{};
    }
}

TEST_F(NewsWindow, ASecondPressWhileTheListIsOnItsWayDoesNothing) {
    writeProfile();
    serveNews(QByteArray(), ScriptedServer::reply("OK"));
    server.on(kListPath, ScriptedServer::later(300, "7^Seven^d\xAFOK"));
    open();
    when([&] { return requestsTo(kListPath) == 1; },
         [&] { QTest::mouseClick(window->btnNews, Qt::LeftButton); });
    pressNews([](TfrmNews& news) { EXPECT_EQ(news.lvwItems->topLevelItemCount(), 1); });
    EXPECT_EQ(requestsTo(kListPath), 1);
    EXPECT_EQ(env.modalCount, 1);
    EXPECT_EQ(window->NewsList.size(), 1);
}

TEST_F(NewsWindow, AProfileThatCannotBeWrittenIsReportedAndTheTextStays) {
    writeProfile();
    serveNews("9^Nine^2 May\xAFOK", "OK");
    serveDetails({{"9", ScriptedServer::reply("Nine\xAFOK")}});
    open();
    // The profile turns into something that cannot be opened as a file.
    ASSERT_TRUE(QFile::remove(exeFile("dbsettings.dat")));
    ASSERT_TRUE(QDir(env.exeFolder()).mkdir(QStringLiteral("dbsettings.dat")));
    pressNews([&](TfrmNews& news) {
        clickItem(news, 0);
        EXPECT_EQ(news.prfEditorNews->toPlainText(), "Nine");
        EXPECT_FALSE(news.busy());
        EXPECT_EQ(news.cursor().shape(), Qt::ArrowCursor);
    });
    ASSERT_FALSE(env.messages->shown.empty());
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
    EXPECT_TRUE(env.messages->shown[0].text.contains(QStringLiteral("dbsettings.dat")))
        << env.messages->shown[0].text.toStdString();
}

TEST_F(NewsWindow, AnInstalledCopyKeepsTheIdInAFileOfTheUsersOwn) {
    QTemporaryDir home;
    env.userFolders = AppEnvironment::UserFolders{"", "", home.filePath("data/")};
    writeProfile("Gold", "3");
    serveNews("9^Nine^2 May\xAFOK", "OK");
    serveDetails({{"9", ScriptedServer::reply("Nine\xAFOK")}});
    open();
    // Until the user reads an item, the id shipped in the profile counts.
    EXPECT_EQ(window->network->LoadLastNewsId(), "3");
    pressNews([&](TfrmNews& news) { clickItem(news, 0); });
    EXPECT_TRUE(env.messages->shown.empty());
    EXPECT_EQ(news::LoadLastNewsId(home.filePath("data/lastnews.dat")), "9");
    EXPECT_EQ(window->network->LoadLastNewsId(), "9");
    EXPECT_EQ(storedNewsId(), "3");
}

TEST_F(NewsWindow, AHostileItemIsShownWithoutReadingWhatItNamesAndOpensOnlyWebLinks) {
    // Named pipes nobody writes: reading one would hold the window for ever.
    // High DPI looks for sharp@2x.png beside sharp.png. Where there are no
    // named pipes they are red pictures, which the pixels below must not show.
    const QString pipe = exeFile("pipe.png"), sharpPipe = exeFile("sharp@2x.png");
    const QString red = exeFile("red.png");
    const auto writeRed = [](const QString& name) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(testpictures::encoded(testpictures::filled(16, 16, Qt::red), "PNG"));
    };
    for (const QString& name : {pipe, sharpPipe}) {
#ifdef Q_OS_UNIX
        ASSERT_EQ(::mkfifo(QFile::encodeName(name).constData(), 0600), 0);
#else
        writeRed(name);
#endif
    }
    writeRed(red);
    const QString green =
        testpictures::encoded(testpictures::filled(12, 12, Qt::green), "PNG").toBase64();
    const QByteArray html =
        QStringLiteral(
            "<head><link rel='stylesheet' type='text/css' href='%1'></head>"
            "<img src='data:image/png;base64,%2'><img src='%3'>"
            "<img src='file://%3' width=30 height=30>"
            "<p style='background-image:url(%1)'><img src='%1'><img src='%4' width=20 height=20>"
            "<img src='/dev/zero'><a href='file:///etc/passwd'>local file</a> "
            "<a href='www.example.com/news'>example</a> <span title=\"&lt;img src='%1'&gt;\">"
            "a tip</span></p>"
            "<p style='margin-top:5000px'><img src='file://%1' width=10 height=10></p>")
            .arg(pipe, green, red, exeFile("sharp.png"))
            .toUtf8();
    writeProfile();
    serveNews("9^Nine^2 May\xAFOK", "OK");
    serveDetails(
        {{"9", ScriptedServer::reply(html.toPercentEncoding().replace('%', '$') + "\xAFOK")}});
    open();
    pressNews([&](TfrmNews& news) {
#ifdef Q_OS_UNIX
        // A reader of a pipe fails the test instead of hanging it: opening a
        // pipe for writing without waiting succeeds only while it has a reader.
        const std::jthread watch([&](std::stop_token stop) {
            while (!stop.stop_requested()) {
                for (const QString& name : {pipe, sharpPipe})
                    if (::open(QFile::encodeName(name).constData(), O_WRONLY | O_NONBLOCK) >= 0) {
                        std::fprintf(stderr, "%s was opened for reading\n", qPrintable(name));
                        std::abort();
                    }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
#endif
        clickItem(news, 0);
        QTextBrowser& view = *news.prfEditorNews;
        EXPECT_TRUE(view.toPlainText().contains("local file"));
        // The picture the text holds is drawn; the files it names are not read.
        const QImage shown =
            view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto* pixels = reinterpret_cast<const QRgb*>(shown.constBits());
        const auto* end = pixels + shown.width() * shown.height();
        EXPECT_NE(std::find(pixels, end, qRgb(0, 255, 0)), end);
        EXPECT_EQ(std::find(pixels, end, qRgb(255, 0, 0)), end);
        for (const char* link : {"local file", "example"})
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, pointAt(view, link));
        // A tool tip shows its markup as text.
        const QPoint tip = pointAt(view, "a tip");
        QHelpEvent hover(QEvent::ToolTip, tip, view.viewport()->mapToGlobal(tip));
        QApplication::sendEvent(view.viewport(), &hover);
        EXPECT_TRUE(QToolTip::text().contains("&lt;img src=")) << QToolTip::text().toStdString();
        // Copied and pasted elsewhere, with the last picture never shown yet.
        view.selectAll();
        view.copy();
        EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->text().contains("example"));
        // On a high-DPI screen.
        QImage sharp(view.document()->size().toSize() * 2, QImage::Format_RGB32);
        sharp.setDevicePixelRatio(2);
        QPainter painter(&sharp);
        view.document()->drawContents(&painter);
    });
    EXPECT_EQ(storedNewsId(), "9");
    EXPECT_EQ(env.opened, std::vector<QUrl>{QUrl("http://www.example.com/news")});
}

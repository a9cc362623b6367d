// A disk that fills up in the middle of Finish, Save Configuration, storing
// the last news item read and the update download. Each runs again and again
// with less and less room: every run either succeeds as usual or ends with
// the message its feature gives for a failed write, and every file is then
// either as it was before or the new one, whole; nothing half-written or
// temporary stays behind. Both kinds of full disk of DiskRoom are used.

#include "app/FNews.h"
#include "format/TextCodec.h"
#include "net/UpdateCheck.h"
#include "tests/app/NetworkWindowSupport.h"
#include "tests/support/DiskRoom.h"
#include "wizard/Generator.h"
#include "wizard/OutputWriter.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>

#include <map>

namespace {

// Room left for the run, from none to plenty; each run starts from the same
// files again.
const qint64 kRooms[] = {0, 512, 1024, 2048, 4096, 6144, 8192, 16384, 32768, 65536, 1 << 20};

using Tree = std::map<QString, QByteArray>; // relative path -> content

// What differs between two trees, one line per file; empty when they are equal.
std::string differences(const Tree& actual, const Tree& expected) {
    std::string out;
    for (const auto& [name, bytes] : expected) {
        const auto found = actual.find(name);
        if (found == actual.end())
            out += name.toStdString() + ": missing\n";
        else if (found->second != bytes)
            out += name.toStdString() + ": " + std::to_string(found->second.size()) +
                   " bytes instead of the expected " + std::to_string(bytes.size()) + "\n";
    }
    for (const auto& [name, bytes] : actual)
        if (!expected.count(name))
            out +=
                name.toStdString() + ": left behind, " + std::to_string(bytes.size()) + " bytes\n";
    return out;
}

class DiskFault : public NetworkWindow, public ::testing::WithParamInterface<DiskRoom::Kind> {
protected:
    void SetUp() override {
        NetworkWindow::SetUp();
        disk = std::make_unique<DiskRoom>(GetParam(), env.folder.path());
        if (!disk->unavailable().empty())
            GTEST_SKIP() << disk->unavailable();
    }
    void TearDown() override {
        disk->lift();
        NetworkWindow::TearDown();
    }

    // Every file under ExeFolder but the disk's filler.
    Tree files() const {
        Tree tree;
        const QDir root(env.exeFolder());
        QDirIterator it(env.exeFolder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString name = root.relativeFilePath(path);
            if (name == QLatin1String(DiskRoom::kFillerName))
                continue;
            QFile file(path);
            tree[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>";
        }
        return tree;
    }
    // Puts the tree back exactly: its files as they were, nothing else.
    void restore(const Tree& tree) {
        for (const auto& [name, bytes] : files())
            if (!tree.count(name))
                QFile::remove(env.exeFolder() + name);
        for (const auto& [name, bytes] : tree) {
            QDir().mkpath(QFileInfo(env.exeFolder() + name).absolutePath());
            QFile file(env.exeFolder() + name);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ASSERT_EQ(file.write(bytes), bytes.size());
        }
    }

    struct Sweep {
        int succeeded = 0;
        std::map<QString, int> failedAt; // file that failed -> runs
    };

    // Runs `action` once per room from the files `before`. `written` are the
    // files the action writes, in its order, with what they hold afterwards
    // when it succeeds. `succeeded` tells success from the messages shown. A
    // failed run must name the file that failed in its error message and
    // leave every file as before: the files of one run are replaced together. `bestEffort` names
    // files whose failure is ignored by design: each must be as before or new, but whole.
    Sweep sweep(const Tree& before, const std::vector<std::pair<QString, QByteArray>>& written,
                const std::function<void()>& action,
                const std::function<bool(const QStringList& messages)>& succeeded,
                const QString& errorPrefix,
                const std::vector<std::pair<QString, QByteArray>>& bestEffort = {}) {
        Sweep result;
        for (const qint64 room : kRooms) {
            SCOPED_TRACE("room " + std::to_string(room));
            restore(before);
            env.messages->shown.clear();
            EXPECT_TRUE(disk->limit(room));
            action();
            disk->lift();

            Tree expected = before;
            for (const auto& [name, bytes] : bestEffort) {
                const Tree now = files();
                const auto found = now.find(name);
                if (found != now.end() && found->second == bytes)
                    expected[name] = bytes;
                else
                    EXPECT_TRUE(found != now.end() && before.count(name) &&
                                found->second == before.at(name))
                        << name.toStdString() << " is neither the earlier file nor the new one";
            }
            const QStringList shown = messages();
            if (succeeded(shown)) {
                ++result.succeeded;
                for (const auto& [name, bytes] : written)
                    expected[name] = bytes;
                EXPECT_EQ(differences(files(), expected), "") << "after a successful run";
                continue;
            }
            if (env.messages->shown.size() != 1u) {
                ADD_FAILURE() << "one error message expected: " << shown.join(u'|').toStdString();
                continue;
            }
            EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
            size_t failed = written.size();
            for (size_t i = 0; i < written.size(); ++i) {
                const QString quoted =
                    errorPrefix + " \"" +
                    QDir::toNativeSeparators(
                        QFileInfo(env.exeFolder() + written[i].first).absoluteFilePath()) +
                    "\".";
                if (shown[0].startsWith(quoted))
                    failed = i;
            }
            if (failed == written.size()) {
                ADD_FAILURE() << "the message names no file written: " << shown[0].toStdString();
                continue;
            }
            ++result.failedAt[written[failed].first];
            EXPECT_EQ(differences(files(), expected), "")
                << "after failing at " << written[failed].first.toStdString();
        }
        // Some room fails (the smallest) and some succeeds (the largest).
        EXPECT_FALSE(result.failedAt.empty());
        EXPECT_GT(result.succeeded, 0);
        return result;
    }

    // A text long enough to need many writes and several pages.
    static QString longText(const char* what, int lines) {
        QString text;
        for (int i = 0; i < lines; ++i)
            text += QStringLiteral("%1 line %2 \xE2\x82\xAC \"quoted\"\r\n").arg(what).arg(i);
        return text + QStringLiteral("end");
    }

    std::unique_ptr<DiskRoom> disk;
};

std::string kindName(const ::testing::TestParamInfo<DiskRoom::Kind>& info) {
    return info.param == DiskRoom::Kind::SmallTmpfs ? "SmallTmpfs" : "FileSizeLimit";
}

// Files of an earlier run and other files beside the program, which no run may touch.
Tree earlierFiles() {
    return {{QStringLiteral("Output/Info_1_2_2007_9_00_00_AM/infostyle.css"), "earlier css\r\n"},
            {QStringLiteral("Output/Info_1_2_2007_9_00_00_AM/info.js"), "earlier js\r\n"},
            {QStringLiteral("Output/Info_1_2_2007_9_00_00_AM/infoboxsample.htm"), "earlier\r\n"},
            {QStringLiteral("notes.set"), "<%%Border%%>3<%%/Border%%>\r\n"}};
}

} // namespace

TEST_P(DiskFault, FinishWritesEachFileWholeOrLeavesTheEarlierOne) {
    TfrmMain& w = open();
    w.showWizardPage(4);
    const QString folder =
        QStringLiteral("Output/Info_") +
        output::makeStamp(env.now, QLocale(QLocale::English, QLocale::UnitedStates));
    const auto finish = [&] { QTest::mouseClick(w.btnFinish, Qt::LeftButton); };

    // The files of a first Finish in the same second stand where the next one writes.
    restore(earlierFiles());
    w.setHeaderText(QStringLiteral("old"));
    w.setBodyText(QStringLiteral("old body"));
    finish();
    ASSERT_EQ(env.messages->shown.size(), 1u);
    const Tree before = files();
    ASSERT_EQ(before.size(), earlierFiles().size() + 3);

    // The next run changes every file it writes but the fixed script, and its page is long.
    w.setHBgColor(0x123456);
    w.setHeaderText(QStringLiteral("new"));
    w.setBodyText(longText("body", 600));
    env.messages->shown.clear();
    finish();
    ASSERT_EQ(env.messages->shown.size(), 1u);
    ASSERT_EQ(env.messages->shown[0].kind, MessageKind::Information);
    const Tree after = files();
    std::vector<std::pair<QString, QByteArray>> written;
    for (const char* name : {"infostyle.css", "info.js", "infoboxsample.htm"}) {
        const QString path = folder + u'/' + QLatin1String(name);
        written.emplace_back(path, after.at(path));
    }
    ASSERT_NE(written[0].second, before.at(written[0].first));
    ASSERT_NE(written[2].second, before.at(written[2].first));

    Sweep result = sweep(
        before, written, finish,
        [](const QStringList& shown) {
            return shown.size() == 1 &&
                   shown[0].startsWith(QStringLiteral("You have successful saved your file as:"));
        },
        QStringLiteral("Cannot create file"));
    // Some run got past the style sheet before the disk was full.
    EXPECT_GT(result.failedAt[written[2].first] + result.failedAt[written[1].first], 0);
}

TEST_P(DiskFault, FinishWithAPictureKeepsTheEarlierCopyOfItWhole) {
    TfrmMain& w = open();
    w.showWizardPage(4);
    const auto finish = [&] { QTest::mouseClick(w.btnFinish, Qt::LeftButton); };
    // The picture lies elsewhere; its copy beside the output is larger than the
    // script, so some room takes the script but not the copy.
    QTemporaryDir pictures;
    const QString picture = pictures.filePath(QStringLiteral("tip.png"));
    QFile file(picture);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray pictureBytes = QByteArray(9000, 'p');
    file.write(pictureBytes);
    file.close();
    w.setTarget(TargetKind::Image);
    w.setImage(picture);
    w.setBodyText(longText("body", 600));

    Tree before = earlierFiles();
    before[QStringLiteral("Output/tip.png")] = "an earlier picture of the same name";
    restore(before);
    finish();
    ASSERT_EQ(env.messages->shown.size(), 1u);
    const Tree after = files();
    ASSERT_EQ(after.at(QStringLiteral("Output/tip.png")), pictureBytes);
    const QString folder =
        QStringLiteral("Output/Info_") +
        output::makeStamp(env.now, QLocale(QLocale::English, QLocale::UnitedStates));
    std::vector<std::pair<QString, QByteArray>> written;
    for (const char* name : {"infostyle.css", "info.js", "infoboxsample.htm"}) {
        const QString path = folder + u'/' + QLatin1String(name);
        written.emplace_back(path, after.at(path));
    }
    // A failed copy of the picture is ignored; it must not cost the earlier copy.
    sweep(before, written, finish,
          [](const QStringList& shown) {
              return shown.size() == 1 &&
                     shown[0].startsWith(QStringLiteral("You have successful saved your file as:"));
          },
          QStringLiteral("Cannot create file"), {{QStringLiteral("Output/tip.png"), pictureBytes}});
}

TEST_P(DiskFault, SaveConfigurationKeepsTheEarlierFileWhole) {
    TfrmMain& w = open();
    const QString name = QStringLiteral("box.set");
    const auto save = [&] {
        env.dialogs->files.push_back(env.exeFolder() + name);
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
    };
    restore(earlierFiles());
    w.setHeaderText(QStringLiteral("old"));
    save();
    ASSERT_EQ(messages(), QStringList{QStringLiteral("Configuration saved successfully!")});
    const Tree before = files();

    // A configuration of the usual size and a long one.
    for (const int lines : {0, 600}) {
        SCOPED_TRACE(std::to_string(lines) + " lines of body text");
        restore(before);
        w.setHeaderText(QStringLiteral("new"));
        w.setBodyText(lines ? longText("body", lines) : QStringLiteral("new body"));
        env.messages->shown.clear();
        save();
        ASSERT_EQ(messages(), QStringList{QStringLiteral("Configuration saved successfully!")});
        const QByteArray saved = files().at(name);

        sweep(
            before, {{name, saved}}, save,
            [](const QStringList& shown) {
                return shown == QStringList{QStringLiteral("Configuration saved successfully!")};
            },
            QStringLiteral("Cannot create file"));
    }
}

TEST_P(DiskFault, StoringTheLastNewsItemKeepsTheProfileWholeAndAuthentic) {
    // A profile of the usual size, then one whose long About text makes it many writes long.
    std::string about = "About us";
    const auto profile = [&](const std::string& id) {
        return tag("ApplicationName", "Box Maker") + tag("BranderCode", "ACME") +
               tag("BranderType", "Gold") + tag("AffiliateURL", "") + tag("AffiliateTYPE", "") +
               tag("AffiliateID", "") + tag("MasterNewsBaseURL", "") +
               tag("PlatinumNewsBaseURL", "") +
               tag("GoldNewsBaseURL", server.url(QStringLiteral("/news")).toStdString()) +
               tag("MasterPublID", "") + tag("PlatinumPublID", "") + tag("GoldPublID", "G-1") +
               tag("AboutText", about) + tag("LastNewsId", id);
    };
    restore(earlierFiles());
    writeProtectedFile(exeFile("dbsettings.dat"), QByteArray::fromStdString(profile("1")));
    Tree before = files();
    serveNews("9^Nine^2 May\xAF"
              "4^Four^1 May\xAFOK",
              "OK");
    serveDetails(
        {{"9", ScriptedServer::reply("Nine\xAFOK")}, {"4", ScriptedServer::reply("Four\xAFOK")}});
    TfrmMain& w = open();

    bool looked = false;
    env.onModal = [&](QDialog& dialog) {
        auto& news = dynamic_cast<TfrmNews&>(dialog);
        news.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&news));
        looked = true;
        // Each run selects the other item, so each fetches its text and stores its id.
        int row = 0;
        const auto select = [&] {
            QTreeWidgetItem* item = news.lvwItems->topLevelItem(row);
            QTest::mouseClick(news.lvwItems->viewport(), Qt::LeftButton, {},
                              news.lvwItems->visualItemRect(item).center());
            EXPECT_EQ(news.prfEditorNews->toPlainText(), row == 0 ? "Nine" : "Four")
                << "the text shows whether or not the id could be stored";
            row = 1 - row;
        };
        for (const bool longProfile : {false, true}) {
            if (longProfile) {
                about = longText("about", 600).toStdString();
                writeProtectedFile(exeFile("dbsettings.dat"),
                                   QByteArray::fromStdString(profile("1")));
                before = files();
            }
            int stored = 0, refused = 0;
            for (const qint64 room : kRooms) {
                SCOPED_TRACE("room " + std::to_string(room) + ", About text of " +
                             std::to_string(about.size()) + " bytes");
                restore(before);
                env.messages->shown.clear();
                const std::string id = row == 0 ? "9" : "4";
                ASSERT_TRUE(disk->limit(room));
                select();
                disk->lift();

                // The profile is the old one or the new one, whole and authentic.
                QByteArray plain;
                ASSERT_EQ(readProtectedFile(exeFile("dbsettings.dat"), plain),
                          ProtectedFileResult::Ok);
                Tree expected = before;
                if (env.messages->shown.empty()) {
                    EXPECT_EQ(plain.toStdString(), profile(id));
                    expected.erase(QStringLiteral("dbsettings.dat"));
                    Tree now = files();
                    now.erase(QStringLiteral("dbsettings.dat"));
                    EXPECT_EQ(differences(now, expected), "") << "only the profile changed";
                    ++stored;
                    continue;
                }
                ASSERT_EQ(env.messages->shown.size(), 1u);
                EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
                EXPECT_TRUE(env.messages->shown[0].text.contains(
                    QDir::toNativeSeparators(exeFile("dbsettings.dat"))))
                    << env.messages->shown[0].text.toStdString();
                EXPECT_EQ(plain.toStdString(), profile("1"));
                EXPECT_EQ(differences(files(), expected), "")
                    << "every file as before, nothing left behind";
                ++refused;
            }
            EXPECT_GT(refused, 0);
            EXPECT_GT(stored, 0);
        }
    };
    QTest::mouseClick(w.btnNews, Qt::LeftButton);
    EXPECT_TRUE(looked);
}

TEST_P(DiskFault, AFailedUpdateDownloadIsNoUpdateAndLeavesNoFile) {
    // A newer version at the top of a long file: only a whole download may offer it.
    QByteArray info = "[APPLICATION]\r\nName=Tipsmith\r\nVersion=2.1\r\n[NOTES]\r\n";
    while (info.size() < 300000)
        info += "Note=" + QByteArray(90, 'n') + "\r\n";
    server.on(kUpdatePath, ScriptedServer::reply(info));
    restore(earlierFiles());
    writeProfile("Free");
    const Tree before = files();
    TfrmMain& w = open();

    int offered = 0;
    for (const qint64 room : kRooms) {
        SCOPED_TRACE("room " + std::to_string(room));
        restore(before);
        env.messages->shown.clear();
        env.messages->setNextAnswer(MessageAnswer::Cancel);
        ASSERT_TRUE(disk->limit(room));
        QTest::mouseClick(w.btnUpdate, Qt::LeftButton);
        disk->lift();
        env.messages->answers.clear();

        ASSERT_EQ(env.messages->shown.size(), 1u) << messages().join(u'|').toStdString();
        Tree expected = before;
        if (env.messages->shown[0].buttons == MessageButtons::OkCancel) {
            ++offered;
            EXPECT_EQ(env.messages->shown[0].text,
                      textcodec::fromUtf8(update::newUpdateQuestion("2.1")));
            expected[QStringLiteral("mainappupdate.inf")] = info;
        } else {
            EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Information);
            EXPECT_EQ(env.messages->shown[0].text,
                      QStringLiteral("There's no new updates for this application!"));
        }
        EXPECT_EQ(differences(files(), expected), "");
    }
    EXPECT_EQ(offered, 1) << "only the largest room holds the whole file";

    // The silent check at start says nothing about it either.
    restore(before);
    env.messages->shown.clear();
    ASSERT_TRUE(disk->limit(4096));
    w.Timer1->start();
    // The download creates the file before it asks and removes it when the write fails.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return requestsTo(kUpdatePath) == int(std::size(kRooms)) + 1; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFile::exists(exeFile("mainappupdate.inf")); }));
    disk->lift();
    EXPECT_TRUE(env.messages->shown.empty()) << messages().join(u'|').toStdString();
    EXPECT_EQ(differences(files(), before), "");
}

INSTANTIATE_TEST_SUITE_P(Disks, DiskFault,
                         ::testing::Values(DiskRoom::Kind::SmallTmpfs,
                                           DiskRoom::Kind::FileSizeLimit),
                         kindName);

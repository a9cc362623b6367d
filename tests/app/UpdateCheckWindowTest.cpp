#include "net/UpdateCheck.h"
#include "tests/app/NetworkWindowSupport.h"

#include <QFileInfo>
#include <QToolButton>

namespace {

class UpdateButton : public NetworkWindow {
protected:
    void press() { QTest::mouseClick(window->btnUpdate, Qt::LeftButton); }
    QString infoFile() const { return exeFile("mainappupdate.inf"); }
    void installUpdater() {
        ASSERT_TRUE(QFile::copy(QStringLiteral(TIPSMITH_RECORD_ARGUMENTS),
                                env.exeFolder() + update::updaterFileName()));
    }

    const QString noUpdates = QStringLiteral("There's no new updates for this application!");
};

} // namespace

TEST_F(UpdateButton, VersionsNotAboveTheProgramsOwnAreNoUpdate) {
    open();
    for (const QByteArray version : {"2.0", "1.9", "2.0000001", "", "two"}) {
        serveUpdate(version);
        env.messages->shown.clear();
        press();
        ASSERT_EQ(env.messages->shown.size(), 1u) << version.toStdString();
        EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Information);
        EXPECT_EQ(env.messages->shown[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(env.messages->shown[0].text, noUpdates);
        // The downloaded file stays beside the program.
        EXPECT_TRUE(QFileInfo::exists(infoFile()));
    }
}

TEST_F(UpdateButton, ANewerVersionIsAskedAboutAsWritten) {
    open();
    for (const QByteArray version : {"2.1", "2.10"}) {
        serveUpdate(version);
        env.messages->shown.clear();
        env.messages->setNextAnswer(MessageAnswer::Cancel);
        press();
        ASSERT_EQ(env.messages->shown.size(), 1u) << version.toStdString();
        EXPECT_EQ(env.messages->shown[0].buttons, MessageButtons::OkCancel);
        EXPECT_EQ(env.messages->shown[0].text,
                  "There is a new update: (version " + QString::fromLatin1(version) +
                      ") available for your application!. Do you want download this update now?");
    }
    EXPECT_TRUE(env.started.empty());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(UpdateButton, AnUnreachableServerOrA404IsNoUpdateAndLeavesNoFile) {
    open();
    server.on(kUpdatePath, ScriptedServer::reply("<html>Not here</html>", 404));
    press();
    EXPECT_EQ(messages(), QStringList{noUpdates});
    EXPECT_FALSE(QFileInfo::exists(infoFile()));

    // A file without end fails at its size limit, as a server that is not there.
    server.on(kUpdatePath, ScriptedServer::endless(std::make_shared<qint64>(0)));
    env.messages->shown.clear();
    press();
    EXPECT_EQ(messages(), QStringList{noUpdates});
    EXPECT_FALSE(QFileInfo::exists(infoFile()));

    window.reset();
    env.updateBaseAddress = QStringLiteral("http://127.0.0.1:1/liveupdate/tipsmith/");
    env.messages->shown.clear();
    open();
    press();
    EXPECT_EQ(messages(), QStringList{noUpdates});
    EXPECT_FALSE(QFileInfo::exists(infoFile()));
}

TEST_F(UpdateButton, AMissingUpdaterIsReported) {
    serveUpdate("2.1");
    open();
    press();
    ASSERT_EQ(env.messages->shown.size(), 2u);
    EXPECT_EQ(env.messages->shown[1].kind, MessageKind::Warning);
    EXPECT_EQ(env.messages->shown[1].text,
              "The updater module is missing. Please reinstall again the current version!");
    EXPECT_TRUE(env.started.empty());
    EXPECT_TRUE(window->isVisible());

    // A copy the package manager installed (its folder not writable) has no updater by design.
    window.reset();
    QTemporaryDir home;
    env.userFolders = AppEnvironment::UserFolders{"", home.filePath("cache/"), ""};
    env.messages->shown.clear();
    open();
    press();
    ASSERT_EQ(env.messages->shown.size(), 2u);
    EXPECT_EQ(env.messages->shown[1].kind, MessageKind::Information);
    EXPECT_EQ(env.messages->shown[1].text,
              "Version 2.1 of this application is available. It is installed through your "
              "system's package manager.");
    EXPECT_TRUE(env.started.empty());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(UpdateButton, CancelBeforeClosingStartsNothing) {
    serveUpdate("2.1");
    installUpdater();
    open();
    env.messages->setNextAnswer(MessageAnswer::Ok);
    env.messages->setNextAnswer(MessageAnswer::Cancel);
    press();
    ASSERT_EQ(env.messages->shown.size(), 2u);
    EXPECT_EQ(env.messages->shown[1].text,
              "To update your software the application will close to\n\rreplace some files. Do "
              "you want to update now?");
    EXPECT_TRUE(env.started.empty());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(UpdateButton, ConsentStartsTheUpdaterAndClosesTheWindow) {
    serveUpdate("2.1");
    installUpdater();
    env.startForReal = true;
    open();
    press();
    EXPECT_EQ(env.messages->shown.size(), 2u);
    EXPECT_FALSE(window->isVisible());
    const QString base = server.url(QStringLiteral("/liveupdate/tipsmith/"));
    ASSERT_EQ(env.started.size(), 1u);
    EXPECT_EQ(env.started[0], (QStringList{env.exeFolder() + update::updaterFileName(), base,
                                           QStringLiteral("2.0"), QStringLiteral("A")}));

    // What the updater itself received.
    QFile recorded(env.exeFolder() + update::updaterFileName() + QStringLiteral(".args"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorded.exists(); }, 60000));
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    EXPECT_EQ(recorded.readAll(), (base + QStringLiteral("\n2.0\nA\n")).toUtf8());
}

TEST_F(UpdateButton, ASecondCheckWhileOneWaitsDoesNothing) {
    server.on(kUpdatePath, ScriptedServer::later(300, "[APPLICATION]\nVersion=2.0\n"));
    open();
    when([&] { return requestsTo(kUpdatePath) == 1; }, [&] { press(); });
    press();
    EXPECT_EQ(requestsTo(kUpdatePath), 1);
    EXPECT_EQ(messages(), QStringList{noUpdates});
}

TEST_F(UpdateButton, AnInstalledCopyDownloadsToTheUsersCache) {
    QTemporaryDir home;
    env.userFolders = AppEnvironment::UserFolders{"", home.filePath("cache/Tipsmith/"), ""};
    serveUpdate("2.0");
    open();
    press();
    EXPECT_EQ(messages(), QStringList{noUpdates});
    EXPECT_TRUE(QFileInfo::exists(home.filePath("cache/Tipsmith/mainappupdate.inf")));
    EXPECT_FALSE(QFileInfo::exists(infoFile()));
}

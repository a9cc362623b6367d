#include "app/FMain.h"
#include "tests/app/ShownMainWindow.h"
#include "wizard/Generator.h"
#include "wizard/OutputWriter.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString kUploadReminder = QStringLiteral(
    "Please don't forget to also upload the info.js and infostyle.css files located in the "
    "Output folder.");

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

class Finish : public ShownMainWindow {
protected:
    void SetUp() override {
        ShownMainWindow::SetUp();
        if (!HasFatalFailure())
            w->showWizardPage(4);
    }

    QString outputFolder() const {
        return env.exeFolder() + "Output/Info_" +
               output::makeStamp(env.now, QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void finish() { QTest::mouseClick(w->btnFinish, Qt::LeftButton); }
};

} // namespace

TEST_F(Finish, FolderIsNamedAfterTheDateAndTime) {
    const QString folder = outputFolder();
    const QString name = folder.section(u'/', -1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Info_12_25_(2008|08)_2_30_05_PM$"))
                    .match(name)
                    .hasMatch())
        << name.toStdString();
}

TEST_F(Finish, SavesTheSamplePageAndSaysWhere) {
    w->setHeaderText(QStringLiteral("Tip"));
    w->setBoldText(QStringLiteral("It's new"));
    w->setBodyText(QStringLiteral("Try it"));
    w->setLinkText(QStringLiteral("Home"));
    w->setLinkURL(QStringLiteral("http://example.com/"));
    finish();

    const QString folder = outputFolder();
    const QString page = folder + "/infoboxsample.htm";
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Information);
    EXPECT_EQ(env.messages->shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(env.messages->shown[0].text, "You have successful saved your file as:\n\r" +
                                               QDir::toNativeSeparators(page) + "\n\r" +
                                               kUploadReminder);

    const InfoBoxSettings s = w->settings();
    EXPECT_EQ(readAll(folder + "/infostyle.css").toStdString(),
              generator::joinLines(generator::styleSheetLines(s)));
    EXPECT_EQ(readAll(folder + "/info.js").toStdString(),
              generator::joinLines(generator::scriptLines()));
    EXPECT_EQ(readAll(page).toStdString(),
              generator::joinLines(generator::samplePageLines(
                  "<a href=\"http://example.com/\" onMouseOver=\"infobox('Tip','It\\'s new','Try "
                  "it');\" onMouseOut=\"exit();\">Home</a>")));
    // Only the three files; the settings stay for the next run.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3);
    EXPECT_EQ(w->settings(), s);
}

TEST_F(Finish, ANameThatIsNoFileOfItsOwnWritesNothing) {
    // Blank, a way out of the output folder (a loaded configuration may hold
    // one), or the name of a generated file.
    for (const char* name :
         {"  \t ", "../../../../x.htm", "sub/x.htm", "INFO.JS", "infostyle.css"}) {
        env.messages->shown.clear();
        w->setOutput(QString::fromLatin1(name));
        finish();
        ASSERT_EQ(env.messages->shown.size(), 1u) << name;
        EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Information);
        EXPECT_EQ(env.messages->shown[0].text, "Please provide a valid output filename.");
        EXPECT_FALSE(QDir(env.exeFolder() + "Output").exists()) << name;
    }
    EXPECT_FALSE(QFileInfo::exists(QDir::cleanPath(outputFolder() + "/../../../../x.htm")));
}

TEST_F(Finish, FileNameIsUsedExactlyAsTyped) {
    w->setOutput(QStringLiteral("  page.htm"));
    finish();
    EXPECT_TRUE(QFile::exists(outputFolder() + "/  page.htm"));
    EXPECT_FALSE(QFile::exists(outputFolder() + "/page.htm"));
}

TEST_F(Finish, ListingModeShowsTheCodeAndFillsTheClipboardAfterTheMessage) {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QString clipboardDuringMessage;
    env.messages->onShow = [&] { clipboardDuringMessage = QGuiApplication::clipboard()->text(); };
    w->setTarget(TargetKind::Layer);
    w->setHeaderText(QStringLiteral("say \"hi\""));
    w->setBoldText(QStringLiteral("Don't"));
    w->setBodyText(QStringLiteral("C:\\new\r\ntwo"));
    w->rbtClipboard->click();
    finish();

    const QString snippet =
        QStringLiteral("<div onMouseOver=\"infobox('say &quot;hi&quot;','Don\\'t',"
                       "'C:\\\\new<br>two');\" onMouseOut=\"exit();\">DIV "
                       "CONTENTS</div>");
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].text,
              "You have successful generate your code!\n\r" + kUploadReminder);
    EXPECT_EQ(clipboardDuringMessage, "before");
    EXPECT_EQ(w->memElement->toPlainText(), snippet);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), snippet);
    const QDir folder(outputFolder());
    EXPECT_TRUE(folder.exists("infostyle.css"));
    EXPECT_TRUE(folder.exists("info.js"));
    EXPECT_FALSE(folder.exists("infoboxsample.htm"));
}

TEST_F(Finish, OutputFolderThatCannotBeCreated) {
    // A file named "Output" stands where the folder should be.
    QFile blocker(env.exeFolder() + "Output");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    finish();
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
    EXPECT_EQ(env.messages->shown[0].text,
              "Can't create the output folder! Check the output path you provided.");

    // In the listing mode the clipboard then receives an empty text.
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    w->setOutputFormat(OutputChoice::CodeListing);
    finish();
    ASSERT_EQ(env.messages->shown.size(), 2u);
    EXPECT_EQ(env.messages->shown[1].kind, MessageKind::Error);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "");
    EXPECT_EQ(w->memElement->toPlainText(), "");
}

TEST_F(Finish, WriteErrorEndsTheRunThroughTheGeneralHandler) {
    // A folder named info.js inside the output folder: the script cannot be written.
    ASSERT_TRUE(QDir().mkpath(outputFolder() + "/info.js"));
    finish();
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
    EXPECT_TRUE(env.messages->shown[0].text.startsWith(
        "Cannot create file \"" + QDir::toNativeSeparators(outputFolder() + "/info.js") + "\"."))
        << env.messages->shown[0].text.toStdString();
    // Every file is created before any is written: none was.
    EXPECT_FALSE(QFile::exists(outputFolder() + "/infostyle.css"));
    EXPECT_FALSE(QFile::exists(outputFolder() + "/infoboxsample.htm"));
    // The program goes on.
    QDir(outputFolder() + "/info.js").removeRecursively();
    finish();
    ASSERT_EQ(env.messages->shown.size(), 2u);
    EXPECT_EQ(env.messages->shown[1].kind, MessageKind::Information);
}

TEST_F(Finish, LocalPictureIsCopiedBesideTheOutput) {
    QTemporaryDir pictures;
    const QString picture = pictures.path() + "/tip.gif";
    QFile file(picture);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("GIF89a-picture-bytes");
    file.close();

    w->setTarget(TargetKind::Image);
    w->setImage(picture);
    finish();
    EXPECT_EQ(readAll(env.exeFolder() + "Output/tip.gif"), "GIF89a-picture-bytes");
    const QByteArray page = readAll(outputFolder() + "/infoboxsample.htm");
    EXPECT_TRUE(page.contains("<img src=\"file://" + picture.toUtf8() + "\" border=0 "));

    // A picture already in that folder is not lost by copying it onto itself.
    w->setImage(env.exeFolder() + "Output/tip.gif");
    finish();
    EXPECT_EQ(readAll(env.exeFolder() + "Output/tip.gif"), "GIF89a-picture-bytes");

    // A path that names no file is written as typed, and nothing is copied.
    w->setImage(QStringLiteral("C:\\pics\\missing.gif"));
    finish();
    EXPECT_FALSE(QFile::exists(env.exeFolder() + "Output/missing.gif"));
    EXPECT_TRUE(readAll(outputFolder() + "/infoboxsample.htm")
                    .contains("<img src=\"C:\\pics\\missing.gif\" border=0 "));
}

TEST_F(Finish, AnInstalledCopyWritesToTheDocumentsFolderAndSaysWhere) {
    QTemporaryDir home;
    env.userFolders = AppEnvironment::UserFolders{home.filePath("Documents/Tipsmith/"),
                                                  home.filePath("cache/"), home.filePath("data/")};
    w = std::make_unique<TfrmMain>(env.make());
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->showWizardPage(4);
    const QString folder =
        home.filePath("Documents/Tipsmith/Output/Info_") +
        output::makeStamp(env.now, QLocale(QLocale::English, QLocale::UnitedStates));
    const QString reminder = "Please don't forget to also upload the info.js and infostyle.css "
                             "files located in the folder " +
                             QDir::toNativeSeparators(folder) + ".";

    finish();
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].text,
              "You have successful saved your file as:\n\r" +
                  QDir::toNativeSeparators(folder + "/infoboxsample.htm") + "\n\r" + reminder);
    w->setOutputFormat(OutputChoice::CodeListing);
    finish();
    ASSERT_EQ(env.messages->shown.size(), 2u);
    EXPECT_EQ(env.messages->shown[1].text,
              "You have successful generate your code!\n\r" + reminder);

    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3);
    EXPECT_FALSE(QDir(env.exeFolder() + "Output").exists());
}

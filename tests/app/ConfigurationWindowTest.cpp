#include "app/FMain.h"
#include "app/widgets/ColorBox.h"
#include "app/widgets/FontNameBox.h"
#include "app/widgets/PreviewShape.h"
#include "tests/app/ShownMainWindow.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

class ConfigurationWindow : public ShownMainWindow {
protected:
    void writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void save(const QString& path) {
        env.dialogs->files.push_back(path);
        QTest::mouseClick(w->btnSave, Qt::LeftButton);
    }
    void load(const QString& path) {
        env.dialogs->files.push_back(path);
        QTest::mouseClick(w->btnLoad, Qt::LeftButton);
    }
};

} // namespace

TEST_F(ConfigurationWindow, SaveAndLoadGiveBackEverySavedField) {
    w->setBorder(7);
    w->setBorderColor(0x0000FF);
    w->setHBgColor(0x123456); // custom
    w->setHColor(0xFFFFFF);
    w->setHSize(20);
    w->setHUnderline(true);
    w->setHItalic(true);
    w->setHBold(true);
    w->setBBgColor(0xC0DCC0);
    w->setBColor(0x800000);
    w->setBSize(30);
    w->setBUnderline(true);
    w->setBItalic(false);
    w->setBBold(true);
    w->setTarget(TargetKind::Image);
    w->setLinkText(QString::fromUtf8("Caf\xC3\xA9 \"link\""));
    w->setLinkURL(QStringLiteral("http://example.com/?a=1&b=2"));
    w->setImage(QStringLiteral("C:\\pics\\tip.gif"));
    w->setHeaderText(QStringLiteral("It's <b>new</b>"));
    w->setBodyText(QStringLiteral("line one\r\nline \\two\r\n"));
    w->setOutputFormat(OutputChoice::CodeListing);
    w->setOutput(QStringLiteral("  page.htm"));
    const QString font = TfrmMain::installedFontNames().first();
    ASSERT_TRUE(w->setHName(font));
    w->setBoxWidth(300);
    w->setBoldText(QStringLiteral("title"));
    const InfoBoxSettings saved = w->settings();

    const QString path = env.folder.path() + "/all.set";
    save(path);
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Information);
    EXPECT_EQ(env.messages->shown[0].text, "Configuration saved successfully!");
    EXPECT_EQ(env.dialogs->asked[0].kind, "save");
    EXPECT_EQ(env.dialogs->asked[0].title, "Save file");
    EXPECT_EQ(env.dialogs->asked[0].filter, "Settings files (*.set)|*.set");

    // A fresh window, with its own box width and title, loads the file.
    w = std::make_unique<TfrmMain>(env.make());
    w->setBoxWidth(55);
    w->setBoldText(QStringLiteral("kept title"));
    load(path);
    ASSERT_EQ(env.messages->shown.size(), 2u);
    EXPECT_EQ(env.messages->shown[1].text, "Configuration loaded successfully!");
    EXPECT_EQ(env.dialogs->asked[1].kind, "open");
    EXPECT_EQ(env.dialogs->asked[1].title, "Open file");
    EXPECT_EQ(env.dialogs->asked[1].filter, "Settings files (*.set)|*.set");

    InfoBoxSettings expected = saved;
    expected.BoxWidth = 55;
    expected.BoldText = "kept title";
    expected.BodyText = "line one\r\nline \\two"; // saved without its trailing line break
    EXPECT_EQ(w->settings(), expected);
    // The custom colour comes back in "Custom..."; the rules ran as each value arrived.
    EXPECT_EQ(w->cbxHBgColor->currentIndex(), 0);
    EXPECT_EQ(w->Shape1->fill(), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(w->Shape2->outlineWidth(), 7);
    EXPECT_TRUE(w->edtImage->isEnabled());
    EXPECT_FALSE(w->edtLinkText->isEnabled());
    EXPECT_TRUE(w->rbtClipboard->isChecked());
    EXPECT_EQ(w->cbxHName->currentText(), font);
}

TEST_F(ConfigurationWindow, CancelledDialogsDoNothing) {
    QTest::mouseClick(w->btnSave, Qt::LeftButton);
    QTest::mouseClick(w->btnLoad, Qt::LeftButton);
    EXPECT_TRUE(env.messages->shown.empty());
    EXPECT_EQ(env.dialogs->asked.size(), 2u);
}

TEST_F(ConfigurationWindow, MissingFileChangesNothingAndStillSaysLoaded) {
    w->setBorder(4);
    load(env.folder.path() + "/none.set");
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].text, "Configuration loaded successfully!");
    EXPECT_EQ(w->settings().Border, 4);
}

TEST_F(ConfigurationWindow, ConversionErrorStopsAtItsKeyThroughTheGeneralHandler) {
    const QString path = env.folder.path() + "/bad.set";
    writeFile(path, "<%%Border%%>25<%%/Border%%>\r\n"
                    "<%%BorderColor%%>#FF0000<%%/BorderColor%%>\r\n"
                    "<%%HBgColor%%>#00FF00<%%/HBgColor%%>\r\n"
                    "<%%HColor%%>#0000FF<%%/HColor%%>\r\n"
                    "<%%HName%%>No Such Font<%%/HName%%>\r\n"
                    "<%%HSize%%>5<%%/HSize%%>\r\n"
                    "<%%HUnderline%%>yes<%%/HUnderline%%>\r\n"
                    "<%%HItalic%%>-1<%%/HItalic%%>\r\n");
    w->setHItalic(false);
    load(path);
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
    EXPECT_EQ(env.messages->shown[0].text, "'yes' is not a valid boolean value");
    // Keys before the error stay applied (brought into range); later keys are not read.
    const InfoBoxSettings s = w->settings();
    EXPECT_EQ(s.Border, 10);
    EXPECT_EQ(s.BorderColor, 0x0000FFu);
    EXPECT_EQ(s.HBgColor, 0x00FF00u);
    EXPECT_EQ(s.HColor, 0xFF0000u);
    EXPECT_EQ(s.HName, "Arial");
    EXPECT_EQ(s.HSize, 9);
    EXPECT_FALSE(s.HItalic);
    EXPECT_EQ(w->Shape1->geometry(), QRect(258, 294, 233, 21));
}

TEST_F(ConfigurationWindow, AFileNamedAfterTheProgramIsLoadedOnceEventsRun) {
    const QString path = env.folder.path() + "/start.set";
    w->setBorder(7);
    save(path);
    w->setBorder(4);
    env.messages->shown.clear();
    w->openArguments({"tipsmith", path});
    EXPECT_EQ(w->settings().Border, 4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !env.messages->shown.empty(); }));
    EXPECT_EQ(env.messages->shown[0].text, "Configuration loaded successfully!");
    EXPECT_EQ(w->settings().Border, 7);

    // What the loading throws reaches the general handler, as from the button.
    writeFile(path, "<%%Border%%>wide<%%/Border%%>\r\n");
    env.messages->shown.clear();
    w->openArguments({"tipsmith", path});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !env.messages->shown.empty(); }));
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
    EXPECT_EQ(env.messages->shown[0].text, "'wide' is not a valid integer value");

    // A file that is not there is said so, and nothing changes.
    env.messages->shown.clear();
    w->openArguments({"tipsmith", path + ".gone"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !env.messages->shown.empty(); }));
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
    EXPECT_EQ(env.messages->shown[0].text, "Cannot open file \"" +
                                               QDir::toNativeSeparators(path + ".gone") +
                                               "\". No such file.");
    EXPECT_EQ(w->settings().Border, 7);
}

TEST_F(ConfigurationWindow, AnyTextFileFailsAtOnceAndChangesNothing) {
    const QString path = env.folder.path() + "/notes.txt";
    writeFile(path, "just some notes\r\n");
    const InfoBoxSettings before = w->settings();
    load(path);
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
    EXPECT_EQ(env.messages->shown[0].text, "'' is not a valid integer value");
    EXPECT_EQ(w->settings(), before);
}

TEST_F(ConfigurationWindow, UnwritableFileReachesTheGeneralHandler) {
    save(env.folder.path() + "/no/such/folder/x.set");
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
    EXPECT_TRUE(env.messages->shown[0].text.startsWith("Cannot create file"))
        << env.messages->shown[0].text.toStdString();
}

TEST_F(ConfigurationWindow, EarlierCopiesFilesInWindows1252KeepTheirAccents) {
    QByteArray file = "<%%Border%%>2<%%/Border%%>\r\n";
    for (const char* key : {"BorderColor", "HBgColor", "HColor", "HName"})
        file += QByteArray("<%%") + key + "%%><%%/" + key + "%%>\r\n";
    file += "<%%HSize%%>11<%%/HSize%%>\r\n";
    for (const char* key : {"HUnderline", "HItalic", "HBold"})
        file += QByteArray("<%%") + key + "%%>0<%%/" + key + "%%>\r\n";
    for (const char* key : {"BBgColor", "BColor", "BName"})
        file += QByteArray("<%%") + key + "%%><%%/" + key + "%%>\r\n";
    file += "<%%BSize%%>11<%%/BSize%%>\r\n";
    for (const char* key : {"BUnderline", "BItalic", "BBold"})
        file += QByteArray("<%%") + key + "%%>0<%%/" + key + "%%>\r\n";
    file += "<%%Target%%>4<%%/Target%%>\r\n<%%HeaderText%%>Caf\xE9 \x80 5<%%/HeaderText%%>\r\n";
    const QString path = env.folder.path() + "/old.set";
    writeFile(path, file);
    load(path);
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].text, "Configuration loaded successfully!");
    EXPECT_EQ(w->edtHeaderText->text(), QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC 5"));
    EXPECT_TRUE(w->rbtLayer->isChecked());
    EXPECT_EQ(w->settings().Border, 2);
}

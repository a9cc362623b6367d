#include "app/BuiltInStyle.h"
#include "app/FAbout.h"
#include "app/FMain.h"
#include "app/Skin.h"
#include "app/widgets/ClickableLabel.h"
#include "brand/BrandProfile.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/TestPictures.h"
#include "util/ProtectedFile.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMovie>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <QToolButton>
#include <vector>

namespace {

std::string tag(const std::string& key, const std::string& value) {
    return "<%%" + key + "%%>" + value + "<%%/" + key + "%%>\r\n";
}

class BrandedWindow : public ::testing::Test {
protected:
    void SetUp() override {
        BrandProfile = BrandProfileRecord{};
        savedSheet = qApp->styleSheet();
        savedIcon = QApplication::windowIcon();
    }
    void TearDown() override {
        w.reset();
        BrandProfile = BrandProfileRecord{};
        restoreBuiltInLook();
        QApplication::setWindowIcon(savedIcon);
    }
    // A skin puts plain Fusion under its style sheet; the next test starts
    // from the built-in look again.
    void restoreBuiltInLook() {
        qApp->setStyleSheet(savedSheet);
        if (!qobject_cast<BuiltInStyle*>(QApplication::style()))
            QApplication::setStyle(new BuiltInStyle);
    }

    QString path(const QString& name) const { return env.exeFolder() + name; }

    void writeFile(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void writeProfile(const std::string& text) {
        writeProtectedFile(path("dbsettings.dat"), QByteArray::fromStdString(text));
    }

    TfrmMain& open() {
        w = std::make_unique<TfrmMain>(env.make());
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return *w;
    }

    // What a brander writes, in the order the program reads it.
    static std::string profile(const std::string& banner, const std::string& links,
                               const std::string& welcome = "",
                               const std::string& affiliate = "http://shop/?id=%%AFFILIATEID%%",
                               const std::string& help = "http://help/") {
        return tag("ApplicationName", "Box Maker") + tag("BranderCode", "B-17") +
               tag("BranderType", "Free") + tag("AffiliateURL", affiliate) +
               tag("AffiliateTYPE", "cpc") + tag("AffiliateID", "42") +
               tag("MasterNewsBaseURL", "http://news/") + tag("MasterPublID", "7") +
               tag("MakeMoneyButton", "Earn with us") + tag("AppHelpURL", help) +
               tag("CopyrightYears", "2001-2009") + tag("CopyrightCompany", "Brander Ltd") +
               tag("AboutText", "First line\r\nSecond line\r\nThird\r\nFourth\r\nFifth\r\nSixth") +
               welcome + banner + links;
    }

    TestEnvironment env;
    std::unique_ptr<TfrmMain> w;
    QString savedSheet;
    QIcon savedIcon;
};

} // namespace

TEST_F(BrandedWindow, CaptionButtonsLinksAndAJpegBanner) {
    writeProfile(profile(tag("Banner1", "C:\\ads\\sale.JPG^http://banner/"),
                         tag("Link1", "Only link^http://link1/")));
    writeFile("banner1.dat", testpictures::encoded(testpictures::filled(300, 50, Qt::blue), "JPG"));
    TfrmMain& f = open();

    EXPECT_EQ(f.windowTitle(), "Box Maker v2.0");
    EXPECT_TRUE(f.btnNews->isVisible()); // "Free" with the Master values
    EXPECT_EQ(f.btnMakeMoney->text(), "Earn with us");
    EXPECT_EQ(BrandProfile.AffiliateURL, "http://shop/?id=42");
    EXPECT_EQ(BrandProfile.BannerURL, "http://banner/");

    EXPECT_TRUE(f.imgBanner->isVisible());
    EXPECT_FALSE(f.gifBanner->isVisible());
    EXPECT_EQ(f.imgBanner->size(), QSize(300, 50));
    EXPECT_EQ(f.panBanner->height(), 60);
    EXPECT_EQ(f.imgBanner->cursor().shape(), Qt::PointingHandCursor);
    const QImage shown = f.imgBanner->pixmap().toImage();
    EXPECT_LT(std::abs(qBlue(shown.pixel(150, 25)) - 255), 12);
    EXPECT_EQ(f.imgBanner->x(), f.panBanner->width() / 2 - 150);

    // One link: the panel shows it, the second label is empty.
    EXPECT_TRUE(f.panLinks->isVisible());
    EXPECT_EQ(f.lblLink1URL->text(), "Only link");
    EXPECT_EQ(f.lblLink1URL->URL, "http://link1/");
    EXPECT_EQ(f.lblLink2URL->text(), "");
    EXPECT_EQ(f.lblLink2URL->URL, "");

    // Nothing but the inputs beside the program: no plain copy, no renamed banner.
    EXPECT_EQ(QDir(env.folder.path()).entryList(QDir::Files),
              (QStringList{"banner1.dat", "dbsettings.dat"}));
}

TEST_F(BrandedWindow, AnimatedGifBannerPlaysAtItsSize) {
    writeProfile(profile(tag("Banner1", "anim.GIF^http://banner/"), ""));
    writeFile("banner1.dat", testpictures::animatedGif(40, 20, 3));
    TfrmMain& f = open();
    EXPECT_TRUE(f.gifBanner->isVisible());
    EXPECT_FALSE(f.imgBanner->isVisible());
    ASSERT_NE(f.gifBanner->movie(), nullptr);
    EXPECT_EQ(f.gifBanner->size(), QSize(40, 20));
    EXPECT_EQ(f.panBanner->height(), 30);
    EXPECT_EQ(f.gifBanner->movie()->state(), QMovie::Running);
    QSignalSpy frames(f.gifBanner->movie(), &QMovie::frameChanged);
    EXPECT_TRUE(frames.wait(1000));
    EXPECT_FALSE(f.panLinks->isVisible()); // no links at all
}

TEST_F(BrandedWindow, BmpBannerWithoutAddressKeepsTheArrowAndIgnoresClicks) {
    writeProfile(profile(tag("Banner1", "plain.bmp"), ""));
    writeFile("banner1.dat",
              testpictures::encoded(testpictures::filled(120, 40, Qt::green), "BMP"));
    TfrmMain& f = open();
    EXPECT_TRUE(f.imgBanner->isVisible());
    EXPECT_EQ(f.imgBanner->size(), QSize(120, 40));
    EXPECT_EQ(f.imgBanner->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(f.imgBanner, Qt::LeftButton);
    EXPECT_TRUE(env.browsed.empty());
}

TEST_F(BrandedWindow, BannersThatCannotBeShownHideTheStrip) {
    // Missing file.
    writeProfile(profile(tag("Banner1", "gone.jpg^http://banner/"), ""));
    EXPECT_FALSE(open().panBanner->isVisible());
    // Damaged picture.
    writeFile("banner1.dat", "not a picture at all");
    EXPECT_FALSE(open().panBanner->isVisible());
    EXPECT_EQ(QFile(path("banner1.dat")).size(), 20); // left as it was
    // An entry beginning with "^": no picture, but the address and the hand cursor stay.
    writeProfile(profile(tag("Banner1", "^http://banner/"), ""));
    TfrmMain& f = open();
    EXPECT_FALSE(f.panBanner->isVisible());
    EXPECT_EQ(BrandProfile.BannerURL, "http://banner/");
    EXPECT_EQ(f.imgBanner->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(f.gifBanner->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(BrandedWindow, FirstChosenLinkWithoutCaptionHidesTheLinks) {
    writeProfile(profile("", tag("Link1", "^http://one/")));
    EXPECT_FALSE(open().panLinks->isVisible());
}

TEST_F(BrandedWindow, PromotionalClicksOpenTheirAddresses) {
    writeProfile(profile(tag("Banner1", "x.bmp^http://banner/"),
                         tag("Link1", "One^http://one/") + tag("Link2", "Two^two.example/x")));
    writeFile("banner1.dat", testpictures::encoded(testpictures::filled(60, 20, Qt::red), "BMP"));
    TfrmMain& f = open();
    QTest::mouseClick(f.imgBanner, Qt::LeftButton);
    QTest::mouseClick(f.btnMakeMoney, Qt::LeftButton);
    QTest::mouseClick(f.btnHelp, Qt::LeftButton);
    EXPECT_EQ(env.browsed,
              (std::vector<std::string>{"http://banner/", "http://shop/?id=42", "http://help/"}));
    QTest::mouseClick(f.lblLink1URL, Qt::LeftButton);
    QTest::mouseClick(f.lblLink2URL, Qt::LeftButton);
    ASSERT_EQ(env.opened.size(), 2u);
    std::set<QString> opened{env.opened[0].toString(), env.opened[1].toString()};
    EXPECT_EQ(opened, (std::set<QString>{"http://one/", "http://two.example/x"}));
}

TEST_F(BrandedWindow, PromotionalAddressesOfOtherSchemesOpenNothing) {
    writeProfile(
        profile(tag("Banner1", "x.bmp^javascript:alert(1)"),
                tag("Link1", "One^file:///etc/passwd") + tag("Link2", "Two^ JavaScript:alert(2)"),
                "", "data:text/html,x", "C:\\Windows\\notepad.exe"));
    writeFile("banner1.dat", testpictures::encoded(testpictures::filled(60, 20, Qt::red), "BMP"));
    TfrmMain& f = open();
    for (QWidget* clicked : std::initializer_list<QWidget*>{f.imgBanner, f.btnMakeMoney, f.btnHelp,
                                                            f.lblLink1URL, f.lblLink2URL})
        QTest::mouseClick(clicked, Qt::LeftButton);
    EXPECT_TRUE(env.browsed.empty());
    EXPECT_TRUE(env.opened.empty());
}

TEST_F(BrandedWindow, UnbrandedClicks) {
    TfrmMain& f = open();
    QTest::mouseClick(f.imgBanner, Qt::LeftButton); // empty strip: nothing
    QTest::mouseClick(f.btnMakeMoney, Qt::LeftButton);
    QTest::mouseClick(f.btnHelp, Qt::LeftButton);
    EXPECT_EQ(env.browsed, (std::vector<std::string>{"", ""}));
    QTest::mouseClick(f.lblLink2URL, Qt::LeftButton);
    ASSERT_EQ(env.opened.size(), 1u);
    EXPECT_EQ(env.opened[0], QUrl("http://www.google.com/"));
}

TEST_F(BrandedWindow, WelcomePageFromTheProfile) {
    writeProfile(profile("", "", tag("Welcome1", "<h1>Hello from Box Maker</h1>")));
    TfrmMain& f = open();
    EXPECT_EQ(f.pgcPrinc->currentWidget(), f.stsWelcome);
    EXPECT_TRUE(f.prfWelcome->toPlainText().contains("Hello from Box Maker"));
    EXPECT_FALSE(f.Timer1->isActive());
    QTest::mouseClick(f.btnThanks, Qt::LeftButton);
    EXPECT_EQ(f.pgcPrinc->currentWidget(), f.stsMain);
    EXPECT_TRUE(f.Timer1->isActive());
}

TEST_F(BrandedWindow, DamagedProfileGivesAnEmptiedWindow) {
    writeProfile(profile(tag("Banner1", "x.bmp^http://banner/"), tag("Link1", "One^http://one/")));
    writeFile("banner1.dat", testpictures::encoded(testpictures::filled(60, 20, Qt::red), "BMP"));
    QFile file(path("dbsettings.dat"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    bytes[bytes.size() - 3] = static_cast<char>(bytes[bytes.size() - 3] ^ 0x40); // in the code
    file.seek(0);
    file.write(bytes);
    file.close();

    TfrmMain& f = open();
    EXPECT_EQ(f.windowTitle(), "Tipsmith");
    EXPECT_FALSE(f.btnNews->isVisible());
    EXPECT_EQ(f.btnMakeMoney->text(), "Make Money");
    EXPECT_FALSE(f.panBanner->isVisible());
    EXPECT_FALSE(f.panLinks->isVisible());
    EXPECT_EQ(BrandProfile.ApplicationName, "");
    EXPECT_TRUE(env.messages->shown.empty());
    EXPECT_EQ(QDir(env.folder.path()).entryList(QDir::Files),
              (QStringList{"banner1.dat", "dbsettings.dat"}));
}

TEST_F(BrandedWindow, SkinAndIconBesideTheProgram) {
    // A copy with a profile file takes them whatever became of the profile: read,
    // rejected as not authentic, or not readable at all (an error reported
    // through the general handler, after which the loading goes on).
    enum class Profile { Read, NotAuthentic, Unreadable };
    const QByteArray sheet = "QWidget#panLinks { background: rgb(1, 2, 3); }";
    writeFile("mainskin.dat", qCompress(sheet));
    writeFile("main.ico", testpictures::encoded(testpictures::filled(16, 16, Qt::magenta), "ICO"));
    for (const Profile state : {Profile::Read, Profile::NotAuthentic, Profile::Unreadable}) {
        SCOPED_TRACE(static_cast<int>(state));
        w.reset();
        restoreBuiltInLook();
        QApplication::setWindowIcon(savedIcon);
        env.messages->shown.clear();
        QFile::remove(path("dbsettings.dat"));
        switch (state) {
        case Profile::Read:
            writeProfile(profile("", ""));
            break;
        case Profile::NotAuthentic:
            writeProfile(profile("", ""));
            {
                QFile file(path("dbsettings.dat"));
                ASSERT_TRUE(file.open(QIODevice::ReadWrite));
                QByteArray bytes = file.readAll();
                bytes[bytes.size() - 3] = static_cast<char>(bytes[bytes.size() - 3] ^ 0x40);
                file.seek(0);
                file.write(bytes);
            }
            break;
        case Profile::Unreadable:
            ASSERT_TRUE(QDir(env.exeFolder()).mkdir(QStringLiteral("dbsettings.dat")));
            break;
        }
        TfrmMain& f = open();
        EXPECT_EQ(f.windowTitle(), state == Profile::Read ? "Box Maker v2.0" : "Tipsmith");
        if (state == Profile::Unreadable) {
            ASSERT_EQ(env.messages->shown.size(), 1u);
            EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
            EXPECT_TRUE(env.messages->shown[0].text.contains(QStringLiteral("dbsettings.dat")));
        } else {
            EXPECT_TRUE(env.messages->shown.empty());
        }
        EXPECT_EQ(qApp->styleSheet(), QString::fromUtf8(sheet));
        EXPECT_FALSE(f.windowIcon().isNull());
        EXPECT_TRUE(QApplication::windowIcon().availableSizes().contains(QSize(16, 16)));
        EXPECT_FALSE(QApplication::windowIcon().availableSizes().contains(QSize(128, 128)));
    }
}

TEST_F(BrandedWindow, AboutWindowWithAFullProfile) {
    writeProfile(profile("", ""));
    TfrmMain& f = open();
    // Away from the centre, so that a window placed over it would not be centred.
    f.move(0, 0);
    bool looked = false;
    env.onModal = [&](QDialog& dialog) {
        auto* about = qobject_cast<TfrmAbout*>(&dialog);
        ASSERT_NE(about, nullptr);
        looked = true;
        EXPECT_EQ(about->windowTitle(), "About Box Maker...");
        EXPECT_EQ(about->size(), QSize(368, 211));
        EXPECT_EQ(about->lblProductName->text(), "Box Maker");
        EXPECT_TRUE(about->lblProductName->font().bold());
        EXPECT_EQ(about->lblProductVersion->text(), "Product Version: 2.0");
        EXPECT_EQ(about->lblCopyright1->text(), "Copyright (c) 2001-2009 Brander Ltd");
        EXPECT_EQ(about->lblCopyright1->pos(), QPoint(9, 57));
        EXPECT_EQ(about->memAbout->toPlainText(),
                  "First line\nSecond line\nThird\nFourth\nFifth\nSixth");
        EXPECT_EQ(about->memAbout->blockCount(), 6);
        EXPECT_TRUE(about->memAbout->isReadOnly());
        EXPECT_EQ(about->editAbout->text(), "Ok");
        EXPECT_FALSE(about->windowFlags() & Qt::WindowCloseButtonHint);
        // Shown centred on the screen; the scroll bar beside the memo scrolls it.
        about->show();
        QCoreApplication::processEvents();
        const QPoint screenCentre = about->screen()->availableGeometry().center();
        EXPECT_LE((about->frameGeometry().center() - screenCentre).manhattanLength(), 1)
            << about->frameGeometry().center().x() << "," << about->frameGeometry().center().y();
        ASSERT_GT(about->sbrAbout->maximum(), 0);
        about->sbrAbout->setValue(about->sbrAbout->maximum());
        EXPECT_EQ(about->memAbout->verticalScrollBar()->value(), about->sbrAbout->maximum());
        QTest::mouseClick(about->editAbout, Qt::LeftButton);
        EXPECT_FALSE(about->isVisible());
    };
    QTest::mouseClick(f.btnAbout, Qt::LeftButton);
    EXPECT_TRUE(looked);
    QTest::mouseClick(f.btnAbout, Qt::LeftButton); // a new window each time, same texts
    EXPECT_EQ(env.modalCount, 2);
}

TEST_F(BrandedWindow, AboutWindowWithoutAProfile) {
    TfrmMain& f = open();
    env.onModal = [&](QDialog& dialog) {
        auto* about = qobject_cast<TfrmAbout*>(&dialog);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(about->windowTitle(), "About ...");
        EXPECT_EQ(about->lblProductName->text(), "");
        EXPECT_EQ(about->lblProductVersion->text(), "Product Version: 2.0");
        EXPECT_EQ(about->lblCopyright1->text(), "Copyright (c)  ");
        EXPECT_EQ(about->memAbout->toPlainText(), "");
    };
    QTest::mouseClick(f.btnAbout, Qt::LeftButton);
    EXPECT_EQ(env.modalCount, 1);
}

TEST_F(BrandedWindow, UnbrandedCopyKeepsItsOwnSkinAndIcon) {
    writeFile("mainskin.dat", qCompress("QWidget { background: red; }"));
    writeFile("main.ico", testpictures::encoded(testpictures::filled(16, 16, Qt::magenta), "ICO"));
    open();
    EXPECT_EQ(qApp->styleSheet(), savedSheet);
    EXPECT_TRUE(QApplication::windowIcon().availableSizes().contains(QSize(128, 128)));
}

TEST_F(BrandedWindow, SkinFileThatHoldsNoStyleSheetKeepsTheBuiltInOne) {
    writeProfile(profile("", ""));
    writeFile("mainskin.dat", "plain text, not compressed");
    open();
    EXPECT_EQ(qApp->styleSheet(), savedSheet);
}

TEST_F(BrandedWindow, SkinTakesTheBuiltInLookAway) {
    // The skin was designed on plain Fusion: what the built-in look gave the
    // controls (fonts, colours, margins) must not stay behind under it.
    TfrmMain& f = open();
    auto* heading = f.findChild<QLabel*>(QStringLiteral("pageHeading"));
    ASSERT_NE(heading, nullptr);
    const auto looks = [&] {
        return std::vector<bool>{heading->font().bold(), heading->contentsMargins().top() > 0,
                                 f.lblLink1URL->font().underline(),
                                 f.lblLink1URL->palette().color(QPalette::WindowText) !=
                                     qApp->palette().color(QPalette::WindowText)};
    };
    EXPECT_EQ(looks(), std::vector<bool>(4, true));
    writeFile("skin.dat", qCompress("QPushButton { color: green; }"));
    ASSERT_TRUE(applySkinFile(path("skin.dat")));
    EXPECT_EQ(looks(), std::vector<bool>(4, false));
}

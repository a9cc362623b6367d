#include "app/ErrorReporting.h"
#include "app/FMain.h"
#include "app/widgets/ClickableLabel.h"
#include "brand/BrandProfile.h"
#include "tests/app/TestEnvironment.h"
#include "util/UserError.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

namespace {

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { BrandProfile = BrandProfileRecord{}; }
    void TearDown() override {
        window.reset();
        BrandProfile = BrandProfileRecord{};
    }

    TfrmMain& open() {
        window = std::make_unique<TfrmMain>(env.make());
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    TestEnvironment env;
    std::unique_ptr<TfrmMain> window;
};

} // namespace

TEST_F(MainWindow, UnbrandedCopyShowsTheApplicationAtOnce) {
    TfrmMain& w = open();
    EXPECT_EQ(w.windowTitle(), "Tipsmith");
    // The window reads the program folder from its environment, not from a copy.
    EXPECT_EQ(w.ExeFolder, env.exeFolder());
    EXPECT_EQ(&w.ExeFolder, &w.environment().exeFolder);
    // The welcome page is gone for good: the application page is the only one.
    EXPECT_EQ(w.stsWelcome, nullptr);
    EXPECT_EQ(w.pgcPrinc->count(), 1);
    EXPECT_EQ(w.pgcPrinc->currentWidget(), w.stsMain);
    EXPECT_TRUE(w.NewsList.isEmpty());
    // Designed links, banner strip at its designed height.
    EXPECT_EQ(w.lblLink1URL->text(), "Google");
    EXPECT_EQ(w.lblLink2URL->text(), "Google");
    EXPECT_EQ(w.lblLink1URL->URL, "http://www.google.com/");
    EXPECT_TRUE(w.panLinks->isVisible());
    EXPECT_TRUE(w.panBanner->isVisible());
    EXPECT_EQ(w.panBanner->height(), 65);
    EXPECT_TRUE(w.btnNews->isVisible());
    EXPECT_EQ(w.btnMakeMoney->text(), "Make Money");
    EXPECT_EQ(w.btnNews->toolTip(), "Check News");
    EXPECT_EQ(w.btnUpdate->toolTip(), "Check Updates");
    EXPECT_EQ(w.btnHelp->toolTip(), "Help");
}

TEST_F(MainWindow, StartupTimerFiresOnceSoonAfterCreationWithoutWelcomePage) {
    window = std::make_unique<TfrmMain>(env.make());
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_EQ(window->Timer1->interval(), 100);
    QSignalSpy fired(window->Timer1, &QTimer::timeout);
    window->show();
    EXPECT_TRUE(fired.wait(2000));
    QTest::qWait(300);
    EXPECT_EQ(fired.count(), 1);
    EXPECT_FALSE(window->Timer1->isActive());
}

TEST_F(MainWindow, WelcomePageComesFirstAndHoldsTheTimerBack) {
    BrandProfile.WelcomeText = "<html><body><h1>Welcome \xC3\xA9</h1>"
                               "<a href=\"http://example.com/x\">more</a></body></html>";
    TfrmMain& w = open();
    EXPECT_EQ(w.pgcPrinc->currentWidget(), w.stsWelcome);
    EXPECT_EQ(w.pgcPrinc->indexOf(w.stsWelcome), 0);
    EXPECT_TRUE(w.prfWelcome->isReadOnly());
    EXPECT_TRUE(w.prfWelcome->toPlainText().contains(QString::fromUtf8("Welcome \xC3\xA9")));
    EXPECT_FALSE(w.Timer1->isActive());
    QTest::qWait(250);
    EXPECT_FALSE(w.Timer1->isActive());

    QSignalSpy fired(w.Timer1, &QTimer::timeout);
    QTest::mouseClick(w.btnThanks, Qt::LeftButton);
    EXPECT_EQ(w.pgcPrinc->currentWidget(), w.stsMain);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(fired.wait(2000));
}

TEST_F(MainWindow, EnterOnTheWelcomePageLeavesIt) {
    BrandProfile.WelcomeText = "<p>Hello</p>";
    TfrmMain& w = open();
    w.activateWindow();
    w.prfWelcome->setFocus();
    QTest::keyClick(w.prfWelcome, Qt::Key_Return);
    EXPECT_EQ(w.pgcPrinc->currentWidget(), w.stsMain);
    EXPECT_TRUE(w.Timer1->isActive());
}

TEST_F(MainWindow, WelcomeLinksOpenInTheBrowserOnlyAsWebOrMailAddresses) {
    BrandProfile.WelcomeText = "<a href=\"http://example.com/x\">more</a>";
    TfrmMain& w = open();
    for (const char* link : {"javascript:alert(1)", "file:///etc/passwd", "http://example.com/x"})
        emit w.prfWelcome->anchorClicked(QUrl(QString::fromLatin1(link)));
    ASSERT_EQ(env.opened.size(), 1u);
    EXPECT_EQ(env.opened[0], QUrl(QStringLiteral("http://example.com/x")));
}

TEST_F(MainWindow, WizardNavigation) {
    TfrmMain& w = open();
    EXPECT_EQ(w.wizardPage(), 1);
    EXPECT_FALSE(w.btnBack->isEnabled());
    EXPECT_TRUE(w.btnNext->isEnabled());

    const bool expectBack[] = {false, true, true, true};
    const bool expectNext[] = {true, true, true, false};
    for (int page = 2; page <= 4; ++page) {
        QTest::mouseClick(w.btnNext, Qt::LeftButton);
        EXPECT_EQ(w.wizardPage(), page);
        EXPECT_EQ(w.btnBack->isEnabled(), expectBack[page - 1]) << page;
        EXPECT_EQ(w.btnNext->isEnabled(), expectNext[page - 1]) << page;
    }
    // Pages outside 1 ... 4 change nothing.
    w.showWizardPage(5);
    EXPECT_EQ(w.wizardPage(), 4);
    for (int page = 3; page >= 1; --page) {
        QTest::mouseClick(w.btnBack, Qt::LeftButton);
        EXPECT_EQ(w.wizardPage(), page);
    }
    w.showWizardPage(0);
    EXPECT_EQ(w.wizardPage(), 1);
    EXPECT_FALSE(w.btnBack->isEnabled());
    // Moving freely does not touch the settings.
    w.setHeaderText(QStringLiteral("kept"));
    w.showWizardPage(3);
    w.showWizardPage(1);
    EXPECT_EQ(w.settings().HeaderText, "kept");
}

// The last page's script choice: classic at start, and the head lines to
// paste are those of the chosen style.
TEST_F(MainWindow, ScriptChoiceShowsItsHeadLines) {
    TfrmMain& w = open();
    w.showWizardPage(4);
    EXPECT_TRUE(w.rbtClassicScript->isVisible());
    EXPECT_TRUE(w.rbtClassicScript->isChecked());
    const QString classic = w.memHead->toPlainText();
    QTest::mouseClick(w.rbtAccessibleScript, Qt::LeftButton);
    EXPECT_EQ(w.settings().ScriptStyle, ScriptChoice::Accessible);
    EXPECT_EQ(w.memHead->toPlainText(), "<link rel=\"stylesheet\" href=\"infostyle.css\">\n"
                                        "<script src=\"info.js\" defer></script>");
    w.setScriptStyle(ScriptChoice::Classic);
    EXPECT_TRUE(w.rbtClassicScript->isChecked());
    EXPECT_EQ(w.memHead->toPlainText(), classic);
}

TEST_F(MainWindow, ToolBarLayoutAndResizing) {
    TfrmMain& w = open();
    EXPECT_EQ(w.btnLoad->geometry(), QRect(9, 6, 125, 20));
    EXPECT_EQ(w.btnSave->geometry(), QRect(141, 6, 125, 20));
    EXPECT_EQ(w.btnMakeMoney->geometry(), QRect(272, 6, 125, 20));
    EXPECT_EQ(w.btnAbout->geometry(), QRect(404, 6, 125, 20));
    EXPECT_EQ(w.btnBack->geometry(), QRect(7, 7, 113, 25));
    EXPECT_EQ(w.btnNext->geometry(), QRect(124, 7, 113, 25));
    // The bars are 860 wide inside the page frame of the 862 wide client area;
    // the picture buttons stand where they were designed.
    EXPECT_EQ(w.panTools->width(), 860);
    EXPECT_EQ(w.btnNews->geometry(), QRect(723, 1, 41, 34));
    EXPECT_EQ(w.btnUpdate->geometry(), QRect(766, 1, 41, 34));
    EXPECT_EQ(w.btnHelp->geometry(), QRect(809, 1, 41, 34));

    for (const int width : {862, 1100, 700}) {
        w.resize(width, 700);
        QTest::qWait(20);
        QCoreApplication::processEvents();
        const int right = w.panTools->width();
        // The picture buttons keep their distance from the right edge.
        EXPECT_EQ(right - w.btnHelp->geometry().right(), 860 - (809 + 41) + 1) << width;
        EXPECT_EQ(w.btnUpdate->x(), w.btnHelp->x() - 43);
        EXPECT_EQ(w.btnNews->x(), w.btnHelp->x() - 86);
        EXPECT_EQ(w.btnHelp->size(), QSize(41, 34));
        // Both banners stay centred in the strip.
        for (QWidget* banner :
             {static_cast<QWidget*>(w.imgBanner), static_cast<QWidget*>(w.gifBanner)}) {
            EXPECT_EQ(banner->x(), w.panBanner->width() / 2 - banner->width() / 2) << width;
            EXPECT_EQ(banner->y(), w.panBanner->height() / 2 - banner->height() / 2) << width;
        }
        // The second link stays at the right end.
        EXPECT_EQ(w.panLinks->width() - w.lblLink2URL->geometry().right() - 1, 13) << width;
    }
}

TEST_F(MainWindow, ClosingWithoutRequestsClosesAtOnce) {
    TfrmMain& w = open();
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
}

namespace {
// Throws from its event handler, as a handler whose file cannot be written does.
class Thrower : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw UserError("Cannot create file \"x\". Access denied");
        return QObject::event(e);
    }
};
} // namespace

TEST_F(MainWindow, ErrorsThatEscapeAnEventReachTheGeneralHandler) {
    open();
    Thrower thrower;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &event);
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
    EXPECT_EQ(env.messages->shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(env.messages->shown[0].text, "Cannot create file \"x\". Access denied");
    // The program goes on: the window still answers.
    QTest::mouseClick(window->btnNext, Qt::LeftButton);
    EXPECT_EQ(window->wizardPage(), 2);
}

TEST_F(MainWindow, ErrorsThatEscapeAHandlerReachTheGeneralHandler) {
    TfrmMain& w = open();
    QPushButton button(QStringLiteral("fails"), &w);
    QObject::connect(&button, &QPushButton::clicked, &w, errors::guarded([] {
        throw std::runtime_error("'abc' is not a valid integer value");
    }));
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(env.messages->shown.size(), 1u);
    EXPECT_EQ(env.messages->shown[0].kind, MessageKind::Error);
    EXPECT_EQ(env.messages->shown[0].text, "'abc' is not a valid integer value");
}

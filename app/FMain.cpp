#include "app/FMain.h"
#include "app/MainWindowParts.h"

#include "app/ErrorReporting.h"
#include "app/MainNetwork.h"
#include "app/StartupPhases.h"
#include "app/widgets/ClickableLabel.h"
#include "app/widgets/ColorBox.h"
#include "app/widgets/FontNameBox.h"
#include "app/widgets/NewsHint.h"
#include "app/widgets/NumberEdit.h"
#include "app/widgets/SafeHtmlView.h"
#include "brand/BrandProfileReader.h"
#include "net/HttpClient.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

// The main window: its frame, creation, showing and closing, and the wizard navigation.

using namespace mainwindow;

namespace {

QIcon drawnIcon(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return QIcon(pixmap);
}

QIcon newsIcon() {
    return drawnIcon([](QPainter& p) {
        p.setPen(QPen(QColor(0x2F, 0x4F, 0x7F), 3));
        p.setBrush(QColor(0xF4, 0xF7, 0xFB));
        p.drawRoundedRect(QRectF(7, 9, 34, 30), 3, 3);
        p.setPen(QPen(QColor(0x2F, 0x4F, 0x7F), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(13, 17, 35, 17);
        p.setPen(QPen(QColor(0x7A, 0x8C, 0xA8), 2.5, Qt::SolidLine, Qt::RoundCap));
        for (int y : {24, 29, 34})
            p.drawLine(13, y, 35, y);
    });
}

QIcon updateIcon() {
    return drawnIcon([](QPainter& p) {
        p.setPen(QPen(QColor(0x2E, 0x7D, 0x32), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(10, 10, 28, 28), 60 * 16, 270 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2E, 0x7D, 0x32));
        const QPointF head[] = {{31, 4}, {38, 16}, {25, 17}};
        p.drawPolygon(head, 3);
    });
}

// A question mark in a blue disc, drawn as strokes: a glyph would load a
// font face at this size only for the icon.
QIcon helpIcon() {
    return drawnIcon([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1E, 0x63, 0xB5));
        p.drawEllipse(QRectF(6, 6, 36, 36));
        QPainterPath hook;
        hook.moveTo(18.5, 19.5);
        hook.cubicTo(18.5, 13.5, 29.5, 12.5, 29.5, 19);
        hook.cubicTo(29.5, 23.5, 24, 24, 24, 29);
        p.setPen(QPen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(hook);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(24, 35.5), 2.8, 2.8);
    });
}

} // namespace

const QStringList& TfrmMain::installedFontNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const QString& family : QFontDatabase::families()) {
            if (QFontDatabase::isScalable(family) && !QFontDatabase::isPrivateFamily(family))
                list << family;
        }
        // The fields start at "Arial" also where it is not installed, so the
        // generated style sheet does not depend on the author's fonts.
        if (!list.contains(QStringLiteral("Arial"), Qt::CaseInsensitive))
            list << QStringLiteral("Arial");
        list.removeDuplicates();
        std::sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        });
        return list;
    }();
    return names;
}

TfrmMain::TfrmMain(AppEnvironment env, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      msgMain(*env.messages, this), m_env(std::move(env)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tipsmith"));
    buildWindow();
    httpMain = std::make_unique<HttpClient>();
    httpMain->setStallLimit(m_env.httpStallLimit);
    hintNews = new NewsHint(this);
    network = std::make_unique<MainNetwork>(
        MainNetwork::Window{*this, *btnNews, msgMain, NewsList, *httpMain, *hintNews}, m_env);
    connectHandlers();
    errors::setHandler([this](const QString& text) { msgMain.error(text); });
    startup::mark("network objects and handlers");
    FormCreate();
    startup::mark("brand profile and first page");
}

TfrmMain::~TfrmMain() {
    errors::clearHandler();
    NewsList.clear();
}

// --- building the window -------------------------------------------------

void TfrmMain::buildWindow() {
    resize(kClientWidth, kClientHeight);

    pgcPrinc = new QStackedWidget(this);
    pgcPrinc->setObjectName(QStringLiteral("pgcPrinc"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(kPageFrame, kPageFrame, kPageFrame, kPageFrame);
    outer->addWidget(pgcPrinc);

    // The welcome page is made only for a profile that has one (see FormCreate).

    // Every widget is made with its final parent: moving a finished subtree
    // under another parent would restyle all of it again.
    stsMain = new QWidget(pgcPrinc);
    stsMain->setObjectName(QStringLiteral("stsMain"));
    auto* column = new QVBoxLayout(stsMain);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildToolBar());
    startup::mark("tool bar");
    column->addWidget(buildBannerStrip());

    ntbMain = new QStackedWidget(stsMain);
    ntbMain->setObjectName(QStringLiteral("ntbMain"));
    ntbMain->addWidget(buildSettingsPage());
    startup::mark("settings page");
    ntbMain->addWidget(buildTargetPage());
    ntbMain->addWidget(buildContentPage());
    ntbMain->addWidget(buildOutputPage());
    column->addWidget(ntbMain, 1);
    column->addWidget(buildWizardBar());
    column->addWidget(buildLinksBar());
    pgcPrinc->addWidget(stsMain);
    startup::mark("other pages and bars");

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    Timer1->setSingleShot(true);
}

QWidget* TfrmMain::buildWelcomePage() {
    auto* page = new QWidget(pgcPrinc);
    page->setObjectName(QStringLiteral("stsWelcome"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The brand's text: shown, its links opened only as web or mail addresses.
    prfWelcome = new SafeHtmlView(page);
    prfWelcome->setObjectName(QStringLiteral("prfWelcome"));
    layout->addWidget(prfWelcome, 1);

    auto* bar = new QWidget(page);
    bar->setObjectName(QStringLiteral("welcomeBar"));
    bar->setFixedHeight(39);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(8, 6, 8, 6);
    barLayout->addStretch(1);
    btnThanks = new QPushButton(QStringLiteral("Thanks, just show me the main application"), bar);
    btnThanks->setObjectName(QStringLiteral("btnThanks"));
    btnThanks->setDefault(true);
    btnThanks->setAutoDefault(true);
    barLayout->addWidget(btnThanks);
    layout->addWidget(bar);

    // Enter anywhere on the welcome page presses the default button.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), page);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, btnThanks, &QPushButton::click);
    }
    connect(btnThanks, &QPushButton::clicked, this, errors::guarded([this] { btnThanksClick(); }));
    connect(prfWelcome, &QTextBrowser::anchorClicked, this,
            errors::guarded([this](const QUrl& url) { openLink(m_env.openUrl, url); }));
    return page;
}

QWidget* TfrmMain::buildToolBar() {
    panTools = new QWidget(stsMain);
    panTools->setObjectName(QStringLiteral("panTools"));
    panTools->setFixedHeight(kToolBarHeight);

    const auto textButton = [this](QPushButton*& button, const char* name, const char* caption,
                                   int left) {
        button = new QPushButton(QString::fromLatin1(caption), panTools);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(left, 6, 125, 20);
        button->setFocusPolicy(Qt::TabFocus);
    };
    textButton(btnLoad, "btnLoad", "Load Configuration", 9);
    textButton(btnSave, "btnSave", "Save Configuration", 141);
    textButton(btnMakeMoney, "btnMakeMoney", "Make Money", 272);
    textButton(btnAbout, "btnAbout", "About", 404);

    const auto pictureButton = [this](QToolButton*& button, const char* name, const char* hint,
                                      const QIcon& icon, int left) {
        button = new QToolButton(panTools);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(QString::fromLatin1(hint));
        button->setIcon(icon);
        button->setIconSize(QSize(26, 26));
        button->setAutoRaise(true);
        button->setGeometry(left, 1, 41, 34);
    };
    pictureButton(btnNews, "btnNews", "Check News", newsIcon(), kPictureButtonLefts[0]);
    pictureButton(btnUpdate, "btnUpdate", "Check Updates", updateIcon(), kPictureButtonLefts[1]);
    pictureButton(btnHelp, "btnHelp", "Help", helpIcon(), kPictureButtonLefts[2]);

    panTools->installEventFilter(this);
    return panTools;
}

QWidget* TfrmMain::buildWizardBar() {
    panWizard = new QWidget(stsMain);
    panWizard->setObjectName(QStringLiteral("panWizard"));
    panWizard->setFixedHeight(kWizardBarHeight);
    btnBack = new QPushButton(QStringLiteral("Back"), panWizard);
    btnBack->setObjectName(QStringLiteral("btnBack"));
    btnBack->setGeometry(7, 7, 113, 25);
    btnNext = new QPushButton(QStringLiteral("Next"), panWizard);
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnNext->setGeometry(124, 7, 113, 25);
    return panWizard;
}

void TfrmMain::connectHandlers() {
    using errors::guarded;
    const auto onClick = [this](QAbstractButton* button, void (TfrmMain::*handler)()) {
        connect(button, &QAbstractButton::clicked, this,
                guarded([this, handler] { (this->*handler)(); }));
    };
    onClick(btnNext, &TfrmMain::btnNextClick);
    onClick(btnBack, &TfrmMain::btnBackClick);
    onClick(btnFinish, &TfrmMain::btnFinishClick);
    onClick(btnBrowseImage, &TfrmMain::btnBrowseImageClick);
    onClick(btnSave, &TfrmMain::btnSaveClick);
    onClick(btnLoad, &TfrmMain::btnLoadClick);
    onClick(btnMakeMoney, &TfrmMain::btnMakeMoneyClick);
    onClick(btnHelp, &TfrmMain::btnHelpClick);
    onClick(btnAbout, &TfrmMain::btnAboutClick);
    onClick(btnNews, &TfrmMain::btnNewsClick);
    onClick(btnUpdate, &TfrmMain::btnUpdateClick);
    for (ClickableLabel* banner : {imgBanner, gifBanner})
        connect(banner, &ClickableLabel::clicked, this, guarded([this] { imgBannerClick(); }));
    for (ClickableLabel* link : {lblLink1URL, lblLink2URL})
        connect(link, &ClickableLabel::clicked, this,
                guarded([this, link] { lblLinkClick(link); }));
    connect(ntbMain, &QStackedWidget::currentChanged, this,
            guarded([this](int) { ntbMainPageChanged(); }));
    connect(Timer1, &QTimer::timeout, this, guarded([this] { Timer1Timer(); }));

    connect(edtBorder, &NumberEdit::valueChanged, this,
            guarded([this](int) { edtBorderChange(); }));
    // The box width is not shown in the preview, but a change runs the border rule.
    connect(edtWidth, &NumberEdit::valueChanged, this, guarded([this](int) { edtBorderChange(); }));
    connect(cbxBrdColor, &ColorBox::colorChanged, this,
            guarded([this](Color) { cbxBrdColorChange(); }));
    connect(cbxHBgColor, &ColorBox::colorChanged, this,
            guarded([this](Color) { cbxHBgColorChange(); }));
    connect(cbxBBgColor, &ColorBox::colorChanged, this,
            guarded([this](Color) { cbxBBgColorChange(); }));
    connect(cbxHColor, &ColorBox::colorChanged, this,
            guarded([this](Color) { cbxHColorChange(); }));
    connect(cbxBColor, &ColorBox::colorChanged, this,
            guarded([this](Color) { cbxBColorChange(); }));
    connect(cbxHName, &QComboBox::currentTextChanged, this,
            guarded([this](const QString&) { cbxHNameChange(); }));
    connect(cbxBName, &QComboBox::currentTextChanged, this,
            guarded([this](const QString&) { cbxBNameChange(); }));
    connect(cbxHSize, &QSpinBox::valueChanged, this, guarded([this](int) { cbxHSizeChange(); }));
    connect(cbxBSize, &QSpinBox::valueChanged, this, guarded([this](int) { cbxBSizeChange(); }));
    for (QCheckBox* box : {chkHBold, chkHUnderline, chkHItalic})
        connect(box, &QCheckBox::toggled, this, guarded([this](bool) { chkHStyleClick(); }));
    connect(chkBBold, &QCheckBox::toggled, this, guarded([this](bool) { chkBBoldClick(); }));
    for (QCheckBox* box : {chkBUnderline, chkBItalic})
        connect(box, &QCheckBox::toggled, this, guarded([this](bool) { chkBStyleClick(); }));
    connect(m_targetGroup, &QButtonGroup::buttonToggled, this,
            guarded([this](QAbstractButton*, bool checked) {
                if (checked)
                    rbtTargetClick();
            }));

    const auto customColor = [this](Color current) -> std::optional<Color> {
        const auto chosen = m_env.dialogs->chooseColor(this, ColorBox::displayColor(current));
        if (!chosen)
            return std::nullopt;
        return static_cast<Color>(chosen->red()) | (static_cast<Color>(chosen->green()) << 8) |
               (static_cast<Color>(chosen->blue()) << 16);
    };
    for (ColorBox* box : {cbxBrdColor, cbxHBgColor, cbxHColor, cbxBBgColor, cbxBColor})
        box->pickCustom = customColor;
}

// --- creation, showing, closing ------------------------------------------

void TfrmMain::FormCreate() {
    gifBanner->setGeometry(imgBanner->geometry());
    LoadBrandProfile();
    // A copy without a welcome page never needs one: the application page is page 0.
    if (!BrandProfile.WelcomeText.empty()) {
        stsWelcome = buildWelcomePage();
        pgcPrinc->insertWidget(0, stsWelcome);
    }
    if (BrandProfile.WelcomeText.empty())
        Timer1->start();
    NewsList.clear();
    panWizard->setVisible(true);
    btnBack->setEnabled(false);
    btnNext->setEnabled(true);
    showWizardPage(2);
    showWizardPage(1);
}

void TfrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmMain::FormShow() {
    startup::mark("polish and show of the controls");
    if (const QScreen* screen = this->screen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    // Every page is laid out once before the user sees the window.
    for (int i = 0; i < pgcPrinc->count(); ++i) {
        pgcPrinc->setCurrentIndex(i);
        if (QLayout* layout = pgcPrinc->currentWidget()->layout())
            layout->activate();
    }
    pgcPrinc->setCurrentIndex(0);

    if (!BrandProfile.WelcomeText.empty()) {
        pgcPrinc->setCurrentWidget(stsWelcome);
        prfWelcome->setHtml(textcodec::decodeToQString(BrandProfile.WelcomeText));
        btnThanks->setFocus();
    }
    pgcPrinc->setCurrentIndex(0);
    centreBanners();
    startup::mark("pages laid out");
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    Timer1->stop();
    // Requests still waiting end as failures; their handlers finish quietly.
    network->closing();
    QCoreApplication::processEvents();
    QWidget::closeEvent(event);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == panBanner)
            centreBanners();
        else if (watched == panTools)
            placePictureButtons();
        else if (watched == panLinks)
            placeLinkLabels();
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmMain::centreBanners() {
    for (QWidget* banner : {static_cast<QWidget*>(imgBanner), static_cast<QWidget*>(gifBanner)}) {
        banner->move(panBanner->width() / 2 - banner->width() / 2,
                     panBanner->height() / 2 - banner->height() / 2);
    }
}

void TfrmMain::placePictureButtons() {
    const int shift = panTools->width() - kDesignedBarWidth;
    btnNews->move(kPictureButtonLefts[0] + shift, 1);
    btnUpdate->move(kPictureButtonLefts[1] + shift, 1);
    btnHelp->move(kPictureButtonLefts[2] + shift, 1);
}

void TfrmMain::placeLinkLabels() {
    const int height = panLinks->height();
    lblLink1URL->adjustSize();
    lblLink1URL->move(13, (height - lblLink1URL->height()) / 2);
    lblLink2URL->adjustSize();
    lblLink2URL->move(panLinks->width() - 13 - lblLink2URL->width(),
                      (height - lblLink2URL->height()) / 2);
}

// --- wizard navigation ----------------------------------------------------

int TfrmMain::wizardPage() const {
    return ntbMain->currentIndex() + 1;
}

void TfrmMain::showWizardPage(int page) {
    if (page < 1 || page > ntbMain->count() || page == wizardPage())
        return;
    ntbMain->setCurrentIndex(page - 1);
}

void TfrmMain::ntbMainPageChanged() {
    btnBack->setEnabled(wizardPage() != 1);
    btnNext->setEnabled(wizardPage() != ntbMain->count());
}

void TfrmMain::btnNextClick() {
    showWizardPage(wizardPage() + 1);
}

void TfrmMain::btnBackClick() {
    showWizardPage(wizardPage() - 1);
}

void TfrmMain::btnThanksClick() {
    pgcPrinc->setCurrentWidget(stsMain);
    if (!BrandProfile.WelcomeText.empty())
        Timer1->start();
}

void TfrmMain::Timer1Timer() {
    Timer1->stop();
    network->startupCheck();
}

void TfrmMain::btnNewsClick() {
    network->btnNewsClick();
}

void TfrmMain::btnUpdateClick() {
    network->btnUpdateClick();
}

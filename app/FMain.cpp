#include "app/FMain.h"

#include "app/ErrorReporting.h"
#include "app/FAbout.h"
#include "app/MainNetwork.h"
#include "app/Skin.h"
#include "app/widgets/ClickableLabel.h"
#include "app/widgets/ColorBox.h"
#include "app/widgets/FontNameBox.h"
#include "app/widgets/NewsHint.h"
#include "app/widgets/NumberEdit.h"
#include "app/widgets/PreviewShape.h"
#include "brand/BrandProfile.h"
#include "brand/BrandProfileReader.h"
#include "brand/JpegDecoder.h"
#include "format/TextCodec.h"
#include "net/HttpClient.h"
#include "wizard/Configuration.h"
#include "wizard/Generator.h"
#include "wizard/OutputWriter.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

// Designed geometry of the window and its bars.
constexpr int kClientWidth = 862;
constexpr int kClientHeight = 670;
constexpr int kDesignedBarWidth = 860;
constexpr int kToolBarHeight = 43;
constexpr int kBannerHeight = 65;
constexpr int kWizardBarHeight = 37;
constexpr int kLinksBarHeight = 33;
constexpr int kPictureButtonLefts[] = {723, 766, 809};

// Designed state of the preview.
constexpr QRect kFrameGeometry(248, 284, 253, 92);
constexpr QRect kBandGeometry(249, 285, 252, 31);
constexpr int kBandHeight = 31;
constexpr int kDesignedLabelHeight = 14;

constexpr char kDesignedLinkCaption[] = "Google";
constexpr char kDesignedLinkAddress[] = "http://www.google.com/";

QString fromUtf8(const std::string& text) {
    return textcodec::fromUtf8(text);
}

// A label font's "height" is its character cell height in pixels; Qt sizes
// fonts by the em. The cell of each family is measured once, at a large size,
// and the pixel size for a cell height derived from it.
void setFontCellHeight(QLabel* label, int cellHeight) {
    static QHash<QString, qreal> cellPerPixel;
    QFont font = label->font();
    const QString key = font.family() + (font.bold() ? u'b' : u'r') + (font.italic() ? u'i' : u'n');
    auto ratio = cellPerPixel.constFind(key);
    if (ratio == cellPerPixel.cend()) {
        QFont reference = font;
        reference.setPixelSize(100);
        ratio = cellPerPixel.insert(key, QFontMetricsF(reference).height() / 100.0);
    }
    font.setPixelSize(std::max(1, qRound(cellHeight / std::max(*ratio, 0.5))));
    label->setFont(font);
    label->setProperty("cellHeight", cellHeight);
    label->adjustSize();
}

void setLabelColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

// Captions are plain text: "<head>" in a caption is shown, not taken as markup.
QLabel* plainLabel(const QString& text, QWidget* parent = nullptr) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = plainLabel(text, parent);
    label->setObjectName(QStringLiteral("pageHeading"));
    label->setWordWrap(true);
    return label;
}

QLabel* placedLabel(const QString& text, QWidget* parent, int x, int y) {
    auto* label = plainLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

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

QIcon helpIcon() {
    return drawnIcon([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1E, 0x63, 0xB5));
        p.drawEllipse(QRectF(6, 6, 36, 36));
        QFont font;
        font.setPixelSize(26);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(6, 6, 36, 36), Qt::AlignCenter, QStringLiteral("?"));
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
    FormCreate();
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
    outer->setContentsMargins(0, 0, 0, 0);
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
    column->addWidget(buildBannerStrip());

    ntbMain = new QStackedWidget(stsMain);
    ntbMain->setObjectName(QStringLiteral("ntbMain"));
    ntbMain->addWidget(buildSettingsPage());
    ntbMain->addWidget(buildTargetPage());
    ntbMain->addWidget(buildContentPage());
    ntbMain->addWidget(buildOutputPage());
    column->addWidget(ntbMain, 1);
    column->addWidget(buildWizardBar());
    column->addWidget(buildLinksBar());
    pgcPrinc->addWidget(stsMain);

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

    prfWelcome = new QTextBrowser(page);
    prfWelcome->setObjectName(QStringLiteral("prfWelcome"));
    prfWelcome->setReadOnly(true);
    prfWelcome->setOpenLinks(false);
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
            errors::guarded([this](const QUrl& url) { m_env.openUrl(url); }));
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

QWidget* TfrmMain::buildBannerStrip() {
    panBanner = new QWidget(stsMain);
    panBanner->setObjectName(QStringLiteral("panBanner"));
    panBanner->setFixedHeight(kBannerHeight);

    imgBanner = new ClickableLabel(panBanner);
    imgBanner->setObjectName(QStringLiteral("imgBanner"));
    imgBanner->setGeometry(196, 2, 468, 60);
    gifBanner = new ClickableLabel(panBanner);
    gifBanner->setObjectName(QStringLiteral("gifBanner"));
    gifBanner->setGeometry(196, 2, 120, 60);
    gifBanner->hide();

    panBanner->installEventFilter(this);
    return panBanner;
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

QWidget* TfrmMain::buildLinksBar() {
    panLinks = new QWidget(stsMain);
    panLinks->setObjectName(QStringLiteral("panLinks"));
    panLinks->setFixedHeight(kLinksBarHeight);
    const auto link = [this](ClickableLabel*& label, const char* name) {
        label = new ClickableLabel(panLinks);
        label->setObjectName(QString::fromLatin1(name));
        label->setText(QString::fromLatin1(kDesignedLinkCaption));
        label->URL = QString::fromLatin1(kDesignedLinkAddress);
        label->setCursor(Qt::PointingHandCursor);
        label->adjustSize();
    };
    link(lblLink1URL, "lblLink1URL");
    link(lblLink2URL, "lblLink2URL");
    lblLink2URL->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panLinks->installEventFilter(this);
    return panLinks;
}

QWidget* TfrmMain::buildSettingsPage() {
    // Page 1 is laid out by position: the preview's geometry is part of the design.
    auto* page = new QWidget(ntbMain);
    page->setObjectName(QStringLiteral("pageSettings"));
    auto* title = heading(QStringLiteral("Step 1: Info Box Settings"), page);
    title->setGeometry(16, 8, 820, 26);

    placedLabel(QStringLiteral("Box Border Width:"), page, 16, 46);
    edtBorder = new NumberEdit(settings_limits::kBorderMin, settings_limits::kBorderMax, 1, page);
    edtBorder->setObjectName(QStringLiteral("edtBorder"));
    edtBorder->setGeometry(136, 42, 56, 24);
    placedLabel(QStringLiteral("pixels"), page, 200, 46);

    placedLabel(QStringLiteral("Box Width:"), page, 300, 46);
    edtWidth =
        new NumberEdit(settings_limits::kBoxWidthMin, settings_limits::kBoxWidthMax, 0, page);
    edtWidth->setObjectName(QStringLiteral("edtWidth"));
    edtWidth->setGeometry(380, 42, 56, 24);
    placedLabel(QStringLiteral("pixels (0 pixels means autosize)"), page, 444, 46);

    placedLabel(QStringLiteral("Box Border Color:"), page, 16, 78);
    cbxBrdColor = new ColorBox(page);
    cbxBrdColor->setObjectName(QStringLiteral("cbxBrdColor"));
    cbxBrdColor->setGeometry(136, 74, 176, 24);

    const auto column = [&](const QString& caption, int left, const char* suffix, ColorBox*& bg,
                            ColorBox*& fore, FontNameBox*& name, QSpinBox*& size, QCheckBox*& bold,
                            QCheckBox*& underline, QCheckBox*& italic) {
        auto* group = new QGroupBox(caption, page);
        group->setGeometry(left, 108, 404, 170);
        const auto named = [suffix](QWidget* w, const char* kind, const char* role) {
            w->setObjectName(QStringLiteral("%1%2%3").arg(
                QString::fromLatin1(kind), QString::fromLatin1(suffix), QString::fromLatin1(role)));
        };
        placedLabel(QStringLiteral("Background Color:"), group, 12, 30);
        bg = new ColorBox(group);
        named(bg, "cbx", "BgColor");
        bg->setGeometry(130, 26, 176, 24);
        placedLabel(QStringLiteral("Fore Color:"), group, 12, 58);
        fore = new ColorBox(group);
        named(fore, "cbx", "Color");
        fore->setGeometry(130, 54, 176, 24);
        placedLabel(QStringLiteral("Font Name:"), group, 12, 86);
        name = new FontNameBox(QStringLiteral("Arial"), &TfrmMain::installedFontNames, group);
        named(name, "cbx", "Name");
        name->setMaxVisibleItems(20);
        name->setGeometry(130, 82, 256, 24);
        placedLabel(QStringLiteral("Font Size:"), group, 12, 114);
        size = new QSpinBox(group);
        named(size, "cbx", "Size");
        size->setRange(settings_limits::kFontSizeMin, settings_limits::kFontSizeMax);
        size->setValue(11);
        size->setGeometry(130, 110, 64, 24);
        placedLabel(QStringLiteral("Font Style:"), group, 12, 142);
        bold = new QCheckBox(QStringLiteral("Bold"), group);
        named(bold, "chk", "Bold");
        bold->setGeometry(130, 140, 70, 22);
        underline = new QCheckBox(QStringLiteral("Underline"), group);
        named(underline, "chk", "Underline");
        underline->setGeometry(200, 140, 96, 22);
        italic = new QCheckBox(QStringLiteral("Italic"), group);
        named(italic, "chk", "Italic");
        italic->setGeometry(300, 140, 80, 22);
    };
    column(QStringLiteral("Header Settings"), 16, "H", cbxHBgColor, cbxHColor, cbxHName, cbxHSize,
           chkHBold, chkHUnderline, chkHItalic);
    column(QStringLiteral("Body Settings"), 440, "B", cbxBBgColor, cbxBColor, cbxBName, cbxBSize,
           chkBBold, chkBUnderline, chkBItalic);
    cbxHBgColor->setColorValue(0x99E2FB);
    cbxBBgColor->setColorValue(0xD9FFFF);

    auto* previewCaption = placedLabel(QStringLiteral("Preview:"), page, 16, 288);
    previewCaption->setObjectName(QStringLiteral("previewCaption"));

    Shape2 = new PreviewShape(page);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Shape2->setGeometry(kFrameGeometry);
    Shape2->setFill(QColor(0xFF, 0xFF, 0xD9));
    Shape2->setOutline(Qt::black);
    Shape2->setOutlineWidth(1);
    Shape1 = new PreviewShape(page);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(kBandGeometry);
    Shape1->setFill(QColor(0xFB, 0xE2, 0x99));

    const auto previewLabel = [page](QLabel*& label, const char* name, const char* text, QPoint at,
                                     bool bold) {
        label = new QLabel(QString::fromLatin1(text), page);
        label->setObjectName(QString::fromLatin1(name));
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setAutoFillBackground(false);
        QFont font(QStringLiteral("Arial"));
        font.setBold(bold);
        label->setFont(font);
        setLabelColor(label, Qt::black);
        label->move(at);
        setFontCellHeight(label, kDesignedLabelHeight);
    };
    previewLabel(Label1, "Label1", "Header", QPoint(352, 290), false);
    previewLabel(Label2, "Label2", "Title Text (Always Bold)", QPoint(261, 322), true);
    previewLabel(Label3, "Label3", "Body Content", QPoint(261, 342), false);
    return page;
}

QWidget* TfrmMain::buildTargetPage() {
    auto* page = new QWidget(ntbMain);
    page->setObjectName(QStringLiteral("pageTarget"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 8, 16, 8);
    layout->setSpacing(6);
    layout->addWidget(
        heading(QStringLiteral("Step 2: Select the target element for your Info Box"), page));

    const auto radio = [page](QRadioButton*& button, const char* name, const char* caption) {
        button = new QRadioButton(QString::fromLatin1(caption), page);
        button->setObjectName(QString::fromLatin1(name));
        return button;
    };
    const auto field = [page](QLineEdit*& edit, const char* name) {
        edit = new QLineEdit(page);
        edit->setObjectName(QString::fromLatin1(name));
        return edit;
    };
    const auto indented = [](QLayout* inner) {
        auto* row = new QHBoxLayout;
        row->addSpacing(26);
        row->addLayout(inner, 1);
        return row;
    };

    layout->addSpacing(6);
    layout->addWidget(
        radio(rbtLink, "rbtLink", "Link anchor (This option creates the info box over a link)"));
    auto* linkGrid = new QGridLayout;
    linkGrid->addWidget(plainLabel(QStringLiteral("Link Text:"), page), 0, 0);
    linkGrid->addWidget(field(edtLinkText, "edtLinkText"), 0, 1);
    linkGrid->addWidget(plainLabel(QStringLiteral("Link URL:"), page), 1, 0);
    linkGrid->addWidget(field(edtLinkURL, "edtLinkURL"), 1, 1);
    linkGrid->setColumnMinimumWidth(0, 100);
    layout->addLayout(indented(linkGrid));

    layout->addSpacing(8);
    layout->addWidget(radio(rbtImage, "rbtImage",
                            "Image (This option creates the info box over an image. Select a "
                            "local image or enter an image url)"));
    auto* imageRow = new QGridLayout;
    imageRow->addWidget(plainLabel(QStringLiteral("Image Source:"), page), 0, 0);
    imageRow->addWidget(field(edtImage, "edtImage"), 0, 1);
    btnBrowseImage = new QPushButton(QStringLiteral("Browse"), page);
    btnBrowseImage->setObjectName(QStringLiteral("btnBrowseImage"));
    imageRow->addWidget(btnBrowseImage, 0, 2);
    imageRow->setColumnMinimumWidth(0, 100);
    layout->addLayout(indented(imageRow));

    layout->addSpacing(8);
    layout->addWidget(radio(rbtCell, "rbtCell",
                            "Table Cell (This option creates the info box over a html table "
                            "cell, for example an specific <td> tag)"));
    layout->addSpacing(8);
    layout->addWidget(radio(rbtLayer, "rbtLayer",
                            "Layer (This option creates the info box over a division layer, for "
                            "example an specific <div> tag)"));
    layout->addStretch(1);

    m_targetGroup = new QButtonGroup(page);
    m_targetGroup->addButton(rbtLink, static_cast<int>(TargetKind::Link));
    m_targetGroup->addButton(rbtImage, static_cast<int>(TargetKind::Image));
    m_targetGroup->addButton(rbtCell, static_cast<int>(TargetKind::Cell));
    m_targetGroup->addButton(rbtLayer, static_cast<int>(TargetKind::Layer));
    rbtLink->setChecked(true);
    edtImage->setEnabled(false);
    btnBrowseImage->setEnabled(false);
    return page;
}

QWidget* TfrmMain::buildContentPage() {
    auto* page = new QWidget(ntbMain);
    page->setObjectName(QStringLiteral("pageContent"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 8, 16, 12);
    layout->addWidget(heading(QStringLiteral("Step 3: Enter the content for your Info Box"), page));
    layout->addSpacing(6);

    auto* grid = new QGridLayout;
    grid->setColumnMinimumWidth(0, 100);
    grid->addWidget(plainLabel(QStringLiteral("Header Text:"), page), 0, 0);
    edtHeaderText = new QLineEdit(page);
    edtHeaderText->setObjectName(QStringLiteral("edtHeaderText"));
    grid->addWidget(edtHeaderText, 0, 1);
    grid->addWidget(plainLabel(QStringLiteral("Title Text:"), page), 1, 0);
    edtBoldText = new QLineEdit(page);
    edtBoldText->setObjectName(QStringLiteral("edtBoldText"));
    grid->addWidget(edtBoldText, 1, 1);
    auto* bodyLabel = plainLabel(QStringLiteral("Body Text:"), page);
    grid->addWidget(bodyLabel, 2, 0, Qt::AlignTop);
    memBodyText = new QPlainTextEdit(page);
    memBodyText->setObjectName(QStringLiteral("memBodyText"));
    memBodyText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memBodyText->setTabChangesFocus(true);
    grid->addWidget(memBodyText, 2, 1);
    grid->setRowStretch(2, 1);
    layout->addLayout(grid, 1);
    return page;
}

QWidget* TfrmMain::buildOutputPage() {
    auto* page = new QWidget(ntbMain);
    page->setObjectName(QStringLiteral("pageOutput"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 8, 16, 10);
    layout->setSpacing(6);
    layout->addWidget(heading(QStringLiteral("Congratulations! You are ready to use your Info Box. "
                                             "Select what you want to do with your code."),
                              page));

    rbtSaveWeb = new QRadioButton(QStringLiteral("Save as sample web page"), page);
    rbtSaveWeb->setObjectName(QStringLiteral("rbtSaveWeb"));
    layout->addWidget(rbtSaveWeb);
    auto* fileRow = new QHBoxLayout;
    fileRow->addSpacing(26);
    fileRow->addWidget(plainLabel(QStringLiteral("Output filename:"), page));
    edtFilename = new QLineEdit(QStringLiteral("infoboxsample.htm"), page);
    edtFilename->setObjectName(QStringLiteral("edtFilename"));
    edtFilename->setMaximumWidth(320);
    fileRow->addWidget(edtFilename, 1);
    fileRow->addStretch(1);
    layout->addLayout(fileRow);

    rbtClipboard = new QRadioButton(
        QStringLiteral("List code here so you can copy and paste in your html editor. "), page);
    rbtClipboard->setObjectName(QStringLiteral("rbtClipboard"));
    layout->addWidget(rbtClipboard);

    const auto codeBox = [page](QPlainTextEdit*& memo, const char* name, int lines) {
        memo = new QPlainTextEdit(page);
        memo->setObjectName(QString::fromLatin1(name));
        memo->setReadOnly(true);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        memo->setFont(mono);
        memo->setFixedHeight(QFontMetrics(mono).lineSpacing() * lines + 14 +
                             memo->horizontalScrollBar()->sizeHint().height());
        return memo;
    };
    auto* codeColumn = new QVBoxLayout;
    codeColumn->addWidget(plainLabel(
        QStringLiteral("Paste the following to your header section (in between <head>...</head>)."),
        page));
    codeColumn->addWidget(codeBox(memHead, "memHead", 2));
    codeColumn->addWidget(plainLabel(
        QStringLiteral(
            "Paste the following code where you want the target element appear on your webpage"),
        page));
    codeColumn->addWidget(codeBox(memElement, "memElement", 3));
    memElement->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memElement->setMinimumHeight(memElement->height());
    memElement->setMaximumHeight(QWIDGETSIZE_MAX);
    auto* codeRow = new QHBoxLayout;
    codeRow->addSpacing(26);
    codeRow->addLayout(codeColumn, 1);
    layout->addLayout(codeRow, 1);

    const auto& head = generator::headCodeLines();
    memHead->setPlainText(fromUtf8(head[0]) + u'\n' + fromUtf8(head[1]));

    auto* finishRow = new QHBoxLayout;
    finishRow->addStretch(1);
    btnFinish = new QPushButton(QStringLiteral("Finish"), page);
    btnFinish->setObjectName(QStringLiteral("btnFinish"));
    btnFinish->setMinimumSize(113, 28);
    finishRow->addWidget(btnFinish);
    layout->addLayout(finishRow);

    m_outputGroup = new QButtonGroup(page);
    m_outputGroup->addButton(rbtSaveWeb, static_cast<int>(OutputChoice::SamplePage));
    m_outputGroup->addButton(rbtClipboard, static_cast<int>(OutputChoice::CodeListing));
    rbtSaveWeb->setChecked(true);
    return page;
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
    ExeFolder = m_env.exeFolder;
    if (BrandProfile.WelcomeText.empty())
        Timer1->start();
    NewsList.clear();
    panWizard->setVisible(true);
    btnBack->setEnabled(false);
    btnNext->setEnabled(true);
    showWizardPage(2);
    showWizardPage(1);
}

void TfrmMain::LoadBrandProfile() {
    // An error reading the profile ends the loading there; what was set so far
    // stays set and the window still opens.
    try {
        const ProfileBytes file = readBrandProfileFile(m_env.exeFolder);
        // Without a brand profile beside the program the window keeps its
        // designed state: an unbranded copy.
        if (file.state == ProfileFile::Missing)
            return;
        const std::string_view plain(file.plain.constData(),
                                     static_cast<size_t>(file.plain.size()));
        const BrandProfileText text = parseBrandProfile(plain);
        const BrandChoice choice = chooseBrand(text, m_env.randomSeed());
        BrandProfile = choice.profile;

        setWindowTitle(brandedCaption(BrandProfile, windowTitle()));
        btnNews->setVisible(newsButtonVisible(BrandProfile));
        btnMakeMoney->setText(text.MakeMoneyButton.empty() ? QStringLiteral("Make Money")
                                                           : fromUtf8(text.MakeMoneyButton));

        const Qt::CursorShape bannerCursor =
            BrandProfile.BannerURL.empty() ? Qt::ArrowCursor : Qt::PointingHandCursor;
        imgBanner->setCursor(bannerCursor);
        gifBanner->setCursor(bannerCursor);
        showBanner(choice.bannerNumber);

        panLinks->setVisible(!BrandProfile.Link1Caption.empty());
        lblLink1URL->setText(fromUtf8(BrandProfile.Link1Caption));
        lblLink1URL->URL = fromUtf8(BrandProfile.Link1URL);
        lblLink2URL->setText(fromUtf8(BrandProfile.Link2Caption));
        lblLink2URL->URL = fromUtf8(BrandProfile.Link2URL);
        placeLinkLabels();
    } catch (...) {
        errors::reportCurrent();
    }

    // A copy with a profile file takes the skin and the icon beside the program,
    // even when the profile itself is not usable; an unbranded copy keeps its own.
    const QString skin = m_env.exeFolder + QStringLiteral("mainskin.dat");
    if (QFileInfo::exists(skin))
        applySkinFile(skin);
    const QString icon = m_env.exeFolder + QStringLiteral("main.ico");
    if (QFileInfo::exists(icon)) {
        const QIcon appIcon(icon);
        if (!appIcon.isNull()) {
            QApplication::setWindowIcon(appIcon);
            setWindowIcon(appIcon);
        }
    }
}

void TfrmMain::showBanner(int number) {
    const std::string& image = BrandProfile.BannerImage;
    const QString file = bannerFileName(m_env.exeFolder, number);
    const auto hideStrip = [this] { panBanner->hide(); };
    if (image.empty() || number <= 0 || !QFileInfo::exists(file))
        return hideStrip();

    // The picture is decoded straight from the banner file; the image name's
    // extension says how.
    const std::string name = imageFileNamePart(image);
    if (pictureDecoderFor(name) == PictureDecoder::Animated) {
        auto* movie = new QMovie(file, QByteArrayLiteral("gif"), gifBanner);
        if (!movie->isValid() || !movie->jumpToFrame(0)) {
            delete movie;
            return hideStrip();
        }
        imgBanner->hide();
        gifBanner->setMovie(movie);
        gifBanner->resize(movie->currentPixmap().size());
        gifBanner->show();
        movie->start();
        panBanner->setFixedHeight(gifBanner->height() + 10);
        return;
    }
    QFile in(file);
    QImage picture;
    if (in.open(QIODevice::ReadOnly))
        picture = decodeStillPicture(in.readAll(), name);
    if (picture.isNull())
        return hideStrip();
    gifBanner->hide();
    imgBanner->setPixmap(QPixmap::fromImage(picture));
    imgBanner->resize(picture.size());
    imgBanner->show();
    panBanner->setFixedHeight(imgBanner->height() + 10);
}

void TfrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmMain::FormShow() {
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

// --- settings --------------------------------------------------------------

namespace {

// A memo's text with CR LF between its lines. Its plain text would turn every
// no-break space into a blank, so the raw text is read and only the memo's
// own line and paragraph separators become line breaks.
QString memoText(const QPlainTextEdit& memo) {
    QString text = memo.document()->toRawText();
    for (QChar& c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
    }
    return text.replace(u'\n', QStringLiteral("\r\n"));
}

} // namespace

InfoBoxSettings TfrmMain::settings() const {
    InfoBoxSettings s;
    s.Border = edtBorder->value();
    s.BorderColor = cbxBrdColor->colorValue();
    s.BoxWidth = edtWidth->value();
    s.HBgColor = cbxHBgColor->colorValue();
    s.HColor = cbxHColor->colorValue();
    s.HName = textcodec::toUtf8(cbxHName->currentText());
    s.HSize = cbxHSize->value();
    s.HBold = chkHBold->isChecked();
    s.HUnderline = chkHUnderline->isChecked();
    s.HItalic = chkHItalic->isChecked();
    s.BBgColor = cbxBBgColor->colorValue();
    s.BColor = cbxBColor->colorValue();
    s.BName = textcodec::toUtf8(cbxBName->currentText());
    s.BSize = cbxBSize->value();
    s.BBold = chkBBold->isChecked();
    s.BUnderline = chkBUnderline->isChecked();
    s.BItalic = chkBItalic->isChecked();
    s.Target = static_cast<TargetKind>(m_targetGroup->checkedId());
    s.LinkText = textcodec::toUtf8(edtLinkText->text());
    s.LinkURL = textcodec::toUtf8(edtLinkURL->text());
    s.Image = textcodec::toUtf8(edtImage->text());
    s.HeaderText = textcodec::toUtf8(edtHeaderText->text());
    s.BoldText = textcodec::toUtf8(edtBoldText->text());
    s.BodyText = textcodec::toUtf8(memoText(*memBodyText));
    s.OutputFormat =
        rbtClipboard->isChecked() ? OutputChoice::CodeListing : OutputChoice::SamplePage;
    s.Output = textcodec::toUtf8(edtFilename->text());
    return s;
}

void TfrmMain::setBorder(int value) {
    edtBorder->setValue(value);
}
void TfrmMain::setBoxWidth(int value) {
    edtWidth->setValue(value);
}
void TfrmMain::setBorderColor(Color color) {
    cbxBrdColor->setColorValue(color);
}
void TfrmMain::setHBgColor(Color color) {
    cbxHBgColor->setColorValue(color);
}
void TfrmMain::setHColor(Color color) {
    cbxHColor->setColorValue(color);
}
void TfrmMain::setBBgColor(Color color) {
    cbxBBgColor->setColorValue(color);
}
void TfrmMain::setBColor(Color color) {
    cbxBColor->setColorValue(color);
}

namespace {
bool selectFont(FontNameBox* list, const QString& name) {
    return list->selectName(name);
}
} // namespace

bool TfrmMain::setHName(const QString& name) {
    return selectFont(cbxHName, name);
}
bool TfrmMain::setBName(const QString& name) {
    return selectFont(cbxBName, name);
}
void TfrmMain::setHSize(int size) {
    cbxHSize->setValue(size);
}
void TfrmMain::setBSize(int size) {
    cbxBSize->setValue(size);
}
void TfrmMain::setHBold(bool on) {
    chkHBold->setChecked(on);
}
void TfrmMain::setHUnderline(bool on) {
    chkHUnderline->setChecked(on);
}
void TfrmMain::setHItalic(bool on) {
    chkHItalic->setChecked(on);
}
void TfrmMain::setBBold(bool on) {
    chkBBold->setChecked(on);
}
void TfrmMain::setBUnderline(bool on) {
    chkBUnderline->setChecked(on);
}
void TfrmMain::setBItalic(bool on) {
    chkBItalic->setChecked(on);
}

void TfrmMain::setTarget(TargetKind kind) {
    if (QAbstractButton* button = m_targetGroup->button(static_cast<int>(kind))) {
        button->setChecked(true);
        rbtTargetClick();
    }
}

void TfrmMain::setLinkText(const QString& text) {
    edtLinkText->setText(text);
}
void TfrmMain::setLinkURL(const QString& text) {
    edtLinkURL->setText(text);
}
void TfrmMain::setImage(const QString& text) {
    edtImage->setText(text);
}
void TfrmMain::setHeaderText(const QString& text) {
    edtHeaderText->setText(text);
}
void TfrmMain::setBoldText(const QString& text) {
    edtBoldText->setText(text);
}

void TfrmMain::setBodyText(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    memBodyText->setPlainText(lines);
}

void TfrmMain::setOutputFormat(OutputChoice choice) {
    (choice == OutputChoice::CodeListing ? rbtClipboard : rbtSaveWeb)->setChecked(true);
}

void TfrmMain::setOutput(const QString& text) {
    edtFilename->setText(text);
}

// --- preview rules ----------------------------------------------------------

void TfrmMain::edtBorderChange() {
    const int b = edtBorder->value();
    Shape2->setOutlineWidth(b);
    const QRect frame = Shape2->geometry();
    Shape1->setGeometry(frame.left() + b, frame.top() + b, frame.width() - 2 * b, kBandHeight - b);
}

void TfrmMain::cbxBrdColorChange() {
    Shape2->setOutline(ColorBox::displayColor(cbxBrdColor->colorValue()));
}

void TfrmMain::cbxHBgColorChange() {
    Shape1->setFill(ColorBox::displayColor(cbxHBgColor->colorValue()));
}

void TfrmMain::cbxBBgColorChange() {
    Shape2->setFill(ColorBox::displayColor(cbxBBgColor->colorValue()));
}

void TfrmMain::cbxHColorChange() {
    setLabelColor(Label1, ColorBox::displayColor(cbxHColor->colorValue()));
}

void TfrmMain::cbxBColorChange() {
    const QColor color = ColorBox::displayColor(cbxBColor->colorValue());
    setLabelColor(Label2, color);
    setLabelColor(Label3, color);
}

namespace {
void setFamily(QLabel* label, const QString& family) {
    QFont font = label->font();
    font.setFamily(family);
    label->setFont(font);
    setFontCellHeight(label, label->property("cellHeight").toInt());
}

enum class Style { Bold, Underline, Italic };

void applyFontStyle(QLabel* label, Style style, bool on) {
    QFont font = label->font();
    switch (style) {
    case Style::Bold:
        font.setBold(on);
        break;
    case Style::Underline:
        font.setUnderline(on);
        break;
    case Style::Italic:
        font.setItalic(on);
        break;
    }
    label->setFont(font);
    label->adjustSize();
}
} // namespace

void TfrmMain::cbxHNameChange() {
    setFamily(Label1, cbxHName->currentText());
}

void TfrmMain::cbxBNameChange() {
    setFamily(Label2, cbxBName->currentText());
    setFamily(Label3, cbxBName->currentText());
}

void TfrmMain::cbxHSizeChange() {
    setFontCellHeight(Label1, cbxHSize->value() + 3);
}

void TfrmMain::cbxBSizeChange() {
    setFontCellHeight(Label2, cbxBSize->value() + 3);
    setFontCellHeight(Label3, cbxBSize->value() + 3);
}

void TfrmMain::chkHStyleClick() {
    // Only the style of the box that changed moves; the others stay as they are.
    QObject* box = sender();
    if (box == chkHBold)
        applyFontStyle(Label1, Style::Bold, chkHBold->isChecked());
    else if (box == chkHUnderline)
        applyFontStyle(Label1, Style::Underline, chkHUnderline->isChecked());
    else if (box == chkHItalic)
        applyFontStyle(Label1, Style::Italic, chkHItalic->isChecked());
}

void TfrmMain::chkBBoldClick() {
    // The title line is always bold; body bold applies to the body text only.
    applyFontStyle(Label3, Style::Bold, chkBBold->isChecked());
}

void TfrmMain::chkBStyleClick() {
    QObject* box = sender();
    const Style style = box == chkBUnderline ? Style::Underline : Style::Italic;
    const bool on = static_cast<QCheckBox*>(box)->isChecked();
    applyFontStyle(Label2, style, on);
    applyFontStyle(Label3, style, on);
}

void TfrmMain::rbtTargetClick() {
    const bool link = rbtLink->isChecked();
    const bool image = rbtImage->isChecked();
    edtLinkText->setEnabled(link);
    edtLinkURL->setEnabled(link);
    edtImage->setEnabled(image);
    btnBrowseImage->setEnabled(image);
}

void TfrmMain::btnBrowseImageClick() {
    const QString file =
        m_env.dialogs->openFile(this, QStringLiteral("Open file"),
                                QStringLiteral("Image files (*.gif, *.jpg)|*.gif;*.jpg"));
    if (!file.isEmpty())
        edtImage->setText(QDir::toNativeSeparators(file));
}

// --- the generator ----------------------------------------------------------

void TfrmMain::btnFinishClick() {
    if (rbtSaveWeb->isChecked()) {
        // A loaded configuration may name anything: only a file of its own in the output folder.
        if (output::checkOutputName(textcodec::toUtf8(edtFilename->text())) !=
            output::OutputNameProblem::None) {
            msgMain.information(QStringLiteral("Please provide a valid output filename."));
            return;
        }
        GenerateCode(true);
    } else if (rbtClipboard->isChecked()) {
        const std::string snippet = GenerateCode(false);
        QGuiApplication::clipboard()->setText(fromUtf8(snippet));
    }
}

std::string TfrmMain::GenerateCode(bool samplePage) {
    static const QString kUploadReminder =
        QStringLiteral("Please don't forget to also upload the info.js and infostyle.css files "
                       "located in the Output folder.");
    const QString folder =
        output::outputFolderFor(ExeFolder, output::makeStamp(m_env.now(), m_env.locale));
    const output::GenerateResult result =
        output::generateCode(settings(), folder, ExeFolder + QStringLiteral("Output"), samplePage);
    if (!result.folderCreated) {
        msgMain.error(
            QStringLiteral("Can't create the output folder! Check the output path you provided."));
        return std::string();
    }
    if (samplePage) {
        msgMain.information(QStringLiteral("You have successful saved your file as:") +
                            QStringLiteral("\n\r") + QDir::toNativeSeparators(result.samplePage) +
                            QStringLiteral("\n\r") + kUploadReminder);
    } else {
        memElement->setPlainText(fromUtf8(result.snippet));
        msgMain.information(QStringLiteral("You have successful generate your code!") +
                            QStringLiteral("\n\r") + kUploadReminder);
    }
    return result.snippet;
}

// --- configuration files ----------------------------------------------------

namespace {

const QString kSettingsFilter = QStringLiteral("Settings files (*.set)|*.set");

// Loading sets each field through its control, so every change rule runs as
// the value arrives.
class WindowTarget : public ConfigurationTarget {
public:
    explicit WindowTarget(TfrmMain& window) : w(window) {}

    void setBorder(int value) override { w.setBorder(value); }
    void setBorderColor(Color color) override { w.setBorderColor(color); }
    void setHBgColor(Color color) override { w.setHBgColor(color); }
    void setHColor(Color color) override { w.setHColor(color); }
    void setHName(const std::string& name) override { w.setHName(fromUtf8(name)); }
    void setHSize(int value) override { w.setHSize(value); }
    void setHUnderline(bool on) override { w.setHUnderline(on); }
    void setHItalic(bool on) override { w.setHItalic(on); }
    void setHBold(bool on) override { w.setHBold(on); }
    void setBBgColor(Color color) override { w.setBBgColor(color); }
    void setBColor(Color color) override { w.setBColor(color); }
    void setBName(const std::string& name) override { w.setBName(fromUtf8(name)); }
    void setBSize(int value) override { w.setBSize(value); }
    void setBUnderline(bool on) override { w.setBUnderline(on); }
    void setBItalic(bool on) override { w.setBItalic(on); }
    void setBBold(bool on) override { w.setBBold(on); }
    void setTarget(TargetKind kind) override { w.setTarget(kind); }
    void setLinkText(const std::string& text) override { w.setLinkText(fromUtf8(text)); }
    void setLinkURL(const std::string& text) override { w.setLinkURL(fromUtf8(text)); }
    void setImage(const std::string& text) override { w.setImage(fromUtf8(text)); }
    void setHeaderText(const std::string& text) override { w.setHeaderText(fromUtf8(text)); }
    void setBodyText(const std::string& text) override { w.setBodyText(fromUtf8(text)); }
    void setOutputFormat(OutputChoice choice) override { w.setOutputFormat(choice); }
    void setOutput(const std::string& text) override { w.setOutput(fromUtf8(text)); }

private:
    TfrmMain& w;
};

} // namespace

void TfrmMain::SaveConfiguration(const QString& fileName) {
    configuration::saveFile(settings(), fileName);
}

void TfrmMain::LoadConfiguration(const QString& fileName) {
    WindowTarget target(*this);
    configuration::loadFile(fileName, target);
}

void TfrmMain::btnSaveClick() {
    const QString fileName =
        m_env.dialogs->saveFile(this, QStringLiteral("Save file"), kSettingsFilter);
    if (fileName.isEmpty())
        return;
    SaveConfiguration(fileName);
    msgMain.information(QStringLiteral("Configuration saved successfully!"));
}

void TfrmMain::btnLoadClick() {
    const QString fileName =
        m_env.dialogs->openFile(this, QStringLiteral("Open file"), kSettingsFilter);
    if (fileName.isEmpty())
        return;
    LoadConfiguration(fileName);
    msgMain.information(QStringLiteral("Configuration loaded successfully!"));
}

// --- promotional actions ------------------------------------------------------

void TfrmMain::imgBannerClick() {
    if (!BrandProfile.BannerURL.empty())
        m_env.openInBrowser(BrandProfile.BannerURL);
}

void TfrmMain::btnMakeMoneyClick() {
    m_env.openInBrowser(BrandProfile.AffiliateURL);
}

void TfrmMain::btnHelpClick() {
    m_env.openInBrowser(BrandProfile.AppHelpURL);
}

void TfrmMain::lblLinkClick(ClickableLabel* label) {
    // Link labels open their address through the desktop, not the http browser lookup.
    m_env.openUrl(QUrl(label->URL));
}

void TfrmMain::btnAboutClick() {
    TfrmAbout about(BrandProfile, this);
    m_env.runModal(about);
}

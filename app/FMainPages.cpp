#include "app/FMain.h"
#include "app/MainWindowParts.h"

#include "wizard/Generator.h"

#include <QButtonGroup>
#include <QDir>
#include <QEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <functional>

// The main window: the target, content and output pages.

using namespace mainwindow;

namespace {

// Runs `first` when `page` is shown for the first time, before it is painted,
// and lays the page out again for what it changed.
void whenFirstShown(QWidget* page, std::function<void()> first) {
    struct FirstShow : QObject {
        std::function<void()> run;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Show) {
                auto* shown = static_cast<QWidget*>(watched);
                shown->removeEventFilter(this);
                run();
                if (QLayout* layout = shown->layout())
                    layout->activate();
                deleteLater();
            }
            return false;
        }
    };
    auto* filter = new FirstShow;
    filter->run = std::move(first);
    filter->setParent(page);
    page->installEventFilter(filter);
}

} // namespace

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

    const auto codeBox = [page](QPlainTextEdit*& memo, const char* name) {
        memo = new QPlainTextEdit(page);
        memo->setObjectName(QString::fromLatin1(name));
        memo->setReadOnly(true);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        return memo;
    };
    auto* codeColumn = new QVBoxLayout;
    codeColumn->addWidget(plainLabel(
        QStringLiteral("Paste the following to your header section (in between <head>...</head>)."),
        page));
    codeColumn->addWidget(codeBox(memHead, "memHead"));
    codeColumn->addWidget(plainLabel(
        QStringLiteral(
            "Paste the following code where you want the target element appear on your webpage"),
        page));
    codeColumn->addWidget(codeBox(memElement, "memElement"));
    memElement->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The memos' fixed-width font, and their heights measured in its lines,
    // are set when the page is first shown: loading that font and laying out
    // the code in it would otherwise be part of every start, for a page most
    // sessions reach last.
    whenFirstShown(page, [this] {
        const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        const auto heightFor = [&mono](QPlainTextEdit* memo, int lines) {
            memo->setFont(mono);
            return QFontMetrics(mono).lineSpacing() * lines + 14 +
                   memo->horizontalScrollBar()->sizeHint().height();
        };
        memHead->setFixedHeight(heightFor(memHead, 2));
        memElement->setMinimumHeight(heightFor(memElement, 3));
    });
    auto* codeRow = new QHBoxLayout;
    codeRow->addSpacing(26);
    codeRow->addLayout(codeColumn, 1);
    layout->addLayout(codeRow, 1);

    // Which script carries the box; the head lines to paste follow the choice.
    auto* scriptBox = new QGroupBox(QStringLiteral("Script"), page);
    scriptBox->setObjectName(QStringLiteral("grpScript"));
    auto* scriptRow = new QHBoxLayout(scriptBox);
    scriptRow->setContentsMargins(10, 6, 10, 6);
    rbtClassicScript = new QRadioButton(QStringLiteral("Classic script (mouse only)"), scriptBox);
    rbtClassicScript->setObjectName(QStringLiteral("rbtClassicScript"));
    rbtAccessibleScript = new QRadioButton(
        QStringLiteral("Accessible script (mouse, keyboard, touch, screen readers)"), scriptBox);
    rbtAccessibleScript->setObjectName(QStringLiteral("rbtAccessibleScript"));
    scriptRow->addWidget(rbtClassicScript);
    scriptRow->addWidget(rbtAccessibleScript);
    scriptRow->addStretch(1);
    layout->addWidget(scriptBox);
    const auto showHead = [this] {
        const auto& head = generator::headCodeLines(
            rbtAccessibleScript->isChecked() ? ScriptChoice::Accessible : ScriptChoice::Classic);
        memHead->setPlainText(fromUtf8(head[0]) + u'\n' + fromUtf8(head[1]));
    };
    connect(rbtAccessibleScript, &QRadioButton::toggled, this, showHead);
    rbtClassicScript->setChecked(true);
    showHead();

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

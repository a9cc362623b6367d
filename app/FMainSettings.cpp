#include "app/FMain.h"
#include "app/MainWindowParts.h"

#include "app/widgets/ColorBox.h"
#include "app/widgets/FontNameBox.h"
#include "app/widgets/NumberEdit.h"
#include "app/widgets/PreviewShape.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>

// The main window: the settings page, the settings snapshot and its setters, and the preview rules.

using namespace mainwindow;

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

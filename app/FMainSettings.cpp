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

#include <functional>
#include <string>
#include <type_traits>

// The main window: the settings page, the settings snapshot and its setters, and the preview rules.

using namespace mainwindow;

QWidget* TfrmMain::buildSettingsPage() {
    // Page 1 is laid out by position: the preview's geometry is part of the design.
    auto* page = new QWidget(ntbMain);
    page->setObjectName(QStringLiteral("pageSettings"));
    auto* title = heading(QStringLiteral("Step 1: Info Box Settings"), page);
    title->setGeometry(16, 8, 820, 26);
    // Ranges come from the settings table, start values from a fresh snapshot.
    const InfoBoxSettings start;
    const SettingField& border = settingField<&InfoBoxSettings::Border>();
    const SettingField& boxWidth = settingField<&InfoBoxSettings::BoxWidth>();
    const SettingField& hSize = settingField<&InfoBoxSettings::HSize>();
    const SettingField& bSize = settingField<&InfoBoxSettings::BSize>();

    placedLabel(QStringLiteral("Box Border Width:"), page, 16, 46);
    edtBorder = new NumberEdit(border.low, border.high, start.Border, page);
    edtBorder->setObjectName(QStringLiteral("edtBorder"));
    edtBorder->setGeometry(136, 42, 56, 24);
    placedLabel(QStringLiteral("pixels"), page, 200, 46);

    placedLabel(QStringLiteral("Box Width:"), page, 300, 46);
    edtWidth = new NumberEdit(boxWidth.low, boxWidth.high, start.BoxWidth, page);
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
    cbxHSize->setRange(hSize.low, hSize.high);
    cbxHSize->setValue(start.HSize);
    cbxBSize->setRange(bSize.low, bSize.high);
    cbxBSize->setValue(start.BSize);
    cbxHBgColor->setColorValue(start.HBgColor);
    cbxBBgColor->setColorValue(start.BBgColor);

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

// A field of the settings and the control that holds it.
struct ControlBinding {
    const SettingField* field;
    std::function<FieldValue(const TfrmMain&)> read;
    std::function<bool(TfrmMain&, const FieldValue&)> write;
};

namespace {

// A binding from a reading of the control and a setter, typed as the member:
// texts cross between the window's QString and the record's UTF-8, and a
// setter without an answer always holds what it is given.
template <auto Member, class Read, class Write> ControlBinding bind(Read read, Write write) {
    using T = settingfield::MemberType<Member>;
    ControlBinding binding{&settingField<Member>(), {}, {}};
    binding.read = [read](const TfrmMain& w) -> FieldValue {
        if constexpr (std::is_same_v<T, std::string>)
            return textcodec::toUtf8(read(w));
        else
            return toFieldValue<T>(read(w));
    };
    binding.write = [write](TfrmMain& w, const FieldValue& value) {
        const auto set = [&] {
            if constexpr (std::is_same_v<T, std::string>)
                return std::invoke(write, w, fromUtf8(std::get<std::string>(value)));
            else
                return std::invoke(write, w, fromFieldValue<T>(value));
        };
        if constexpr (std::is_void_v<decltype(set())>) {
            set();
            return true;
        } else {
            return set();
        }
    };
    return binding;
}

} // namespace

const std::vector<ControlBinding>& TfrmMain::controlBindings() {
    using S = InfoBoxSettings;
    using W = TfrmMain;
    static const std::vector<ControlBinding> list = {
        bind<&S::Border>([](const W& w) { return w.edtBorder->value(); }, &W::setBorder),
        bind<&S::BorderColor>([](const W& w) { return w.cbxBrdColor->colorValue(); },
                              &W::setBorderColor),
        bind<&S::BoxWidth>([](const W& w) { return w.edtWidth->value(); }, &W::setBoxWidth),
        bind<&S::HBgColor>([](const W& w) { return w.cbxHBgColor->colorValue(); }, &W::setHBgColor),
        bind<&S::HColor>([](const W& w) { return w.cbxHColor->colorValue(); }, &W::setHColor),
        bind<&S::HName>([](const W& w) { return w.cbxHName->currentText(); }, &W::setHName),
        bind<&S::HSize>([](const W& w) { return w.cbxHSize->value(); }, &W::setHSize),
        bind<&S::HUnderline>([](const W& w) { return w.chkHUnderline->isChecked(); },
                             &W::setHUnderline),
        bind<&S::HItalic>([](const W& w) { return w.chkHItalic->isChecked(); }, &W::setHItalic),
        bind<&S::HBold>([](const W& w) { return w.chkHBold->isChecked(); }, &W::setHBold),
        bind<&S::BBgColor>([](const W& w) { return w.cbxBBgColor->colorValue(); }, &W::setBBgColor),
        bind<&S::BColor>([](const W& w) { return w.cbxBColor->colorValue(); }, &W::setBColor),
        bind<&S::BName>([](const W& w) { return w.cbxBName->currentText(); }, &W::setBName),
        bind<&S::BSize>([](const W& w) { return w.cbxBSize->value(); }, &W::setBSize),
        bind<&S::BUnderline>([](const W& w) { return w.chkBUnderline->isChecked(); },
                             &W::setBUnderline),
        bind<&S::BItalic>([](const W& w) { return w.chkBItalic->isChecked(); }, &W::setBItalic),
        bind<&S::BBold>([](const W& w) { return w.chkBBold->isChecked(); }, &W::setBBold),
        bind<&S::Target>(
            [](const W& w) { return static_cast<TargetKind>(w.m_targetGroup->checkedId()); },
            &W::setTarget),
        bind<&S::LinkText>([](const W& w) { return w.edtLinkText->text(); }, &W::setLinkText),
        bind<&S::LinkURL>([](const W& w) { return w.edtLinkURL->text(); }, &W::setLinkURL),
        bind<&S::Image>([](const W& w) { return w.edtImage->text(); }, &W::setImage),
        bind<&S::HeaderText>([](const W& w) { return w.edtHeaderText->text(); }, &W::setHeaderText),
        bind<&S::BoldText>([](const W& w) { return w.edtBoldText->text(); }, &W::setBoldText),
        bind<&S::BodyText>([](const W& w) { return memoText(*w.memBodyText); }, &W::setBodyText),
        bind<&S::OutputFormat>(
            [](const W& w) {
                return w.rbtClipboard->isChecked() ? OutputChoice::CodeListing
                                                   : OutputChoice::SamplePage;
            },
            &W::setOutputFormat),
        bind<&S::Output>([](const W& w) { return w.edtFilename->text(); }, &W::setOutput),
        bind<&S::ScriptStyle>(
            [](const W& w) {
                return w.rbtAccessibleScript->isChecked() ? ScriptChoice::Accessible
                                                          : ScriptChoice::Classic;
            },
            &W::setScriptStyle),
    };
    return list;
}

InfoBoxSettings TfrmMain::settings() const {
    InfoBoxSettings s;
    for (const ControlBinding& binding : controlBindings())
        binding.field->put(s, binding.read(*this));
    return s;
}

bool TfrmMain::setField(const SettingField& field, const FieldValue& value) {
    for (const ControlBinding& binding : controlBindings()) {
        if (binding.field->id == field.id)
            return binding.write(*this, value);
    }
    return false;
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

void TfrmMain::setScriptStyle(ScriptChoice style) {
    (style == ScriptChoice::Accessible ? rbtAccessibleScript : rbtClassicScript)->setChecked(true);
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

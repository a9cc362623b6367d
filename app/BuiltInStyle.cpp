#include "app/BuiltInStyle.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTextBrowser>
#include <QToolButton>

namespace {

// The palette of the look: slate text, a blue accent, light grey surfaces.
const QColor kText(0x1F, 0x29, 0x37);
const QColor kDisabledText(0x9C, 0xA3, 0xAF);
const QColor kBorder(0xB8, 0xC0, 0xCC);
const QColor kAccent(0x25, 0x63, 0xEB);
const QColor kAccentDark(0x1D, 0x4E, 0xD8);
const QColor kPressed(0xDB, 0xE6, 0xFD);
const QColor kDisabledBorder(0xD6, 0xDA, 0xE1);
const QColor kDisabledFill(0xF3, 0xF4, 0xF6);
const QColor kHeadingText(0x1E, 0x3A, 0x8A);
const QColor kGroupBorder(0xD3, 0xD9, 0xE2);
const QColor kGroupFill(0xF9, 0xFA, 0xFB);
const QColor kDropDownLine(0xE1, 0xE5, 0xEB);
const QColor kArrow(0x4B, 0x55, 0x63);
const QColor kReadOnlyFill(0xF7, 0xF8, 0xFA);
const QColor kLinkText(0xDB, 0xE6, 0xFF);

// A group box's frame starts this far below its top; the title sits in the
// band above, its text this far from the left edge.
constexpr int kGroupTitleBand = 10;
constexpr int kGroupTitleLeft = 10;
constexpr int kGroupTitlePadding = 6;
// Width of a combo box's drop-down button, its separator line included.
constexpr int kDropDownWidth = 18;

// The window's bars, by object name: a fill from top to bottom and a line
// along one edge.
struct BarLook {
    const char* name;
    QColor top;
    QColor bottom;
    QColor line;
    bool lineAtTop;
};

const BarLook kBars[] = {
    {"panTools", QColor(0xFF, 0xFF, 0xFF), QColor(0xE8, 0xEB, 0xF1), QColor(0xCF, 0xD5, 0xDF),
     false},
    {"panBanner", QColor(0xEE, 0xF1, 0xF6), QColor(0xEE, 0xF1, 0xF6), QColor(0xDD, 0xE2, 0xEA),
     false},
    {"panWizard", QColor(0xE8, 0xEB, 0xF1), QColor(0xE8, 0xEB, 0xF1), QColor(0xCF, 0xD5, 0xDF),
     true},
    {"welcomeBar", QColor(0xE8, 0xEB, 0xF1), QColor(0xE8, 0xEB, 0xF1), QColor(0xCF, 0xD5, 0xDF),
     true},
    {"panLinks", QColor(0x2B, 0x3A, 0x55), QColor(0x2B, 0x3A, 0x55), QColor(), false},
};

const BarLook* barLook(const QWidget* widget) {
    if (!widget)
        return nullptr;
    const QString name = widget->objectName();
    if (name.isEmpty())
        return nullptr;
    for (const BarLook& bar : kBars) {
        if (name == QLatin1String(bar.name))
            return &bar;
    }
    return nullptr;
}

bool named(const QWidget* widget, const char* name) {
    return widget && widget->objectName() == QLatin1String(name);
}

// The blue buttons that end a step: Finish, and the welcome page's button.
bool isPrimaryButton(const QWidget* widget) {
    return qobject_cast<const QPushButton*>(widget) &&
           (named(widget, "btnFinish") || named(widget, "btnThanks"));
}

bool isLinkLabel(const QWidget* widget) {
    return qobject_cast<const QLabel*>(widget) && named(widget->parentWidget(), "panLinks");
}

// The list a combo box opens, and the frame around it.
bool isComboList(const QWidget* widget) {
    return widget->inherits("QComboBoxPrivateContainer") ||
           (widget->inherits("QComboBoxListView") && widget->parentWidget() &&
            widget->parentWidget()->inherits("QComboBoxPrivateContainer"));
}

QFont groupTitleFont(const QWidget* widget) {
    QFont font = widget ? widget->font() : QApplication::font();
    font.setBold(true);
    return font;
}

// A one pixel line on the pixel grid around a rounded rectangle.
void drawRoundedBox(QPainter* painter, const QRect& rect, int radius, const QBrush& fill,
                    const QColor& line) {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(line.isValid() ? QPen(line, 1) : QPen(Qt::NoPen));
    painter->setBrush(fill);
    painter->drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter->restore();
}

void drawSquareBox(QPainter* painter, const QRect& rect, const QBrush& fill) {
    painter->fillRect(rect, fill);
    painter->save();
    painter->setPen(kBorder);
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

QLinearGradient verticalGradient(const QRect& rect, const QColor& top, const QColor& bottom) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

void drawPushButtonPanel(QPainter* painter, const QStyleOption* option, const QWidget* widget) {
    const QRect& r = option->rect;
    const bool enabled = option->state & QStyle::State_Enabled;
    const bool pressed = option->state & (QStyle::State_Sunken | QStyle::State_On);
    const bool hovered = enabled && (option->state & QStyle::State_MouseOver);
    if (isPrimaryButton(widget)) {
        const QBrush fill = pressed ? QBrush(kAccentDark)
                            : hovered
                                ? QBrush(verticalGradient(r, QColor(0x60, 0xA5, 0xFA), kAccent))
                                : QBrush(verticalGradient(r, QColor(0x3B, 0x82, 0xF6), kAccent));
        drawRoundedBox(painter, r, 4, fill, kAccentDark);
        return;
    }
    if (!enabled) {
        drawRoundedBox(painter, r, 4, kDisabledFill, kDisabledBorder);
        return;
    }
    const QBrush fill = pressed ? QBrush(kPressed)
                        : hovered
                            ? QBrush(verticalGradient(r, Qt::white, QColor(0xE3, 0xEC, 0xFD)))
                            : QBrush(verticalGradient(r, Qt::white, QColor(0xEE, 0xF1, 0xF5)));
    const bool accented = hovered || (option->state & QStyle::State_HasFocus);
    drawRoundedBox(painter, r, 4, fill, accented ? kAccent : kBorder);
}

// Line edits, text areas and combo boxes share one frame: white, rounded,
// blue while they have the keyboard.
void drawFieldFrame(QPainter* painter, const QStyleOption* option, const QBrush& fill) {
    const bool enabled = option->state & QStyle::State_Enabled;
    const bool focused = enabled && (option->state & QStyle::State_HasFocus);
    drawRoundedBox(painter, option->rect, 3, fill, focused ? kAccent : kBorder);
}

void drawDownArrow(QPainter* painter, const QRect& button) {
    // Nine pixels wide, five rows high, each row a pixel narrower on both sides.
    const int left = button.left() + (button.width() - 9) / 2;
    const int top = button.top() + (button.height() - 6) / 2;
    for (int row = 0; row < 5; ++row)
        painter->fillRect(left + row, top + row, 9 - 2 * row, 1, kArrow);
}

void setPaletteColor(QWidget* widget, QPalette::ColorRole role, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

} // namespace

BuiltInStyle::BuiltInStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

QPalette BuiltInStyle::standardPalette() const {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0xF3, 0xF4, 0xF7));
    palette.setColor(QPalette::WindowText, kText);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, kReadOnlyFill);
    palette.setColor(QPalette::Text, kText);
    palette.setColor(QPalette::Button, QColor(0xFA, 0xFB, 0xFC));
    palette.setColor(QPalette::ButtonText, kText);
    palette.setColor(QPalette::Highlight, kAccent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xE1));
    palette.setColor(QPalette::ToolTipText, kText);
    palette.setColor(QPalette::Link, kAccentDark);
    for (const auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
        palette.setColor(QPalette::Disabled, role, kDisabledText);
    palette.setColor(QPalette::Disabled, QPalette::Base, kDisabledFill);
    return palette;
}

void BuiltInStyle::polish(QWidget* widget) {
    QProxyStyle::polish(widget);
    if (barLook(widget)) {
        widget->setAttribute(Qt::WA_StyledBackground);
    } else if (isPrimaryButton(widget)) {
        QFont font = widget->font();
        font.setBold(true);
        widget->setFont(font);
        QPalette palette = widget->palette();
        palette.setColor(QPalette::All, QPalette::ButtonText, Qt::white);
        widget->setPalette(palette);
    } else if (named(widget, "pageHeading")) {
        QFont font = widget->font();
        font.setPixelSize(15);
        font.setBold(true);
        widget->setFont(font);
        setPaletteColor(widget, QPalette::WindowText, kHeadingText);
        widget->setContentsMargins(4, 2, 0, 0);
    } else if (isLinkLabel(widget)) {
        QFont font = widget->font();
        font.setUnderline(true);
        widget->setFont(font);
        setPaletteColor(widget, QPalette::WindowText, kLinkText);
        widget->installEventFilter(this);
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget); text && text->isReadOnly()) {
        setPaletteColor(widget, QPalette::Base, kReadOnlyFill);
    } else if (widget->inherits("QTipLabel")) {
        widget->setContentsMargins(8, 6, 8, 6);
    } else if (isComboList(widget)) {
        setPaletteColor(widget, QPalette::Window, Qt::white);
    }
}

void BuiltInStyle::unpolish(QWidget* widget) {
    if (barLook(widget)) {
        widget->setAttribute(Qt::WA_StyledBackground, false);
    } else if (isPrimaryButton(widget) || named(widget, "pageHeading") || isLinkLabel(widget)) {
        widget->setFont(QFont());
        widget->setPalette(QPalette());
        widget->setContentsMargins(0, 0, 0, 0);
        widget->removeEventFilter(this);
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget); text && text->isReadOnly()) {
        widget->setPalette(QPalette());
    } else if (widget->inherits("QTipLabel")) {
        widget->setContentsMargins(0, 0, 0, 0);
    } else if (isComboList(widget)) {
        widget->setPalette(QPalette());
    }
    QProxyStyle::unpolish(widget);
}

bool BuiltInStyle::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
        if (auto* label = qobject_cast<QLabel*>(watched))
            setPaletteColor(label, QPalette::WindowText,
                            event->type() == QEvent::Enter ? QColor(Qt::white) : kLinkText);
    }
    return QProxyStyle::eventFilter(watched, event);
}

void BuiltInStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    switch (element) {
    case PE_Widget:
        if (const BarLook* bar = barLook(widget)) {
            const QRect& r = option->rect;
            painter->fillRect(r, bar->top == bar->bottom
                                     ? QBrush(bar->top)
                                     : QBrush(verticalGradient(r, bar->top, bar->bottom)));
            if (bar->line.isValid())
                painter->fillRect(r.left(), bar->lineAtTop ? r.top() : r.bottom(), r.width(), 1,
                                  bar->line);
            return;
        }
        break;
    case PE_PanelButtonCommand:
        drawPushButtonPanel(painter, option, widget);
        return;
    case PE_FrameDefaultButton:
        return;
    case PE_PanelButtonTool:
        if (qobject_cast<const QToolButton*>(widget)) {
            const bool pressed = option->state & (State_Sunken | State_On);
            drawRoundedBox(painter, option->rect, 5, pressed ? kPressed : QColor(Qt::white),
                           kBorder);
            return;
        }
        break;
    case PE_FrameFocusRect:
        // Push buttons, fields and combo boxes show the focus in their frame.
        if (qobject_cast<const QPushButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
            qobject_cast<const QComboBox*>(widget))
            return;
        break;
    case PE_PanelLineEdit:
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
            frame && frame->lineWidth > 0) {
            drawFieldFrame(painter, option, option->palette.base());
            return;
        }
        break;
    case PE_FrameLineEdit:
        drawFieldFrame(painter, option, Qt::NoBrush);
        return;
    case PE_Frame:
        if (qobject_cast<const QTextBrowser*>(widget))
            return;
        if (qobject_cast<const QPlainTextEdit*>(widget)) {
            drawFieldFrame(painter, option, Qt::NoBrush);
            return;
        }
        break;
    case PE_PanelMenu:
    case PE_FrameMenu:
        // The list a combo box opens: white, in the fields' line colour.
        if (widget && isComboList(widget)) {
            drawSquareBox(painter, option->rect, Qt::white);
            return;
        }
        break;
    case PE_PanelTipLabel:
        drawSquareBox(painter, option->rect, option->palette.toolTipBase());
        return;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void BuiltInStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    if (element == CE_ShapedFrame && qobject_cast<const QPlainTextEdit*>(widget)) {
        drawPrimitive(PE_Frame, option, painter, widget);
        return;
    }
    if (element == CE_ShapedFrame && qobject_cast<const QTextBrowser*>(widget))
        return;
    if (element == CE_ComboBoxLabel) {
        if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option)) {
            // The icon at the left of the field, the text six pixels after it.
            QRect field = subControlRect(CC_ComboBox, combo, SC_ComboBoxEditField, widget);
            painter->save();
            painter->setClipRect(field);
            if (!combo->currentIcon.isNull()) {
                const QIcon::Mode mode =
                    combo->state & State_Enabled ? QIcon::Normal : QIcon::Disabled;
                const QPixmap pixmap = combo->currentIcon.pixmap(
                    combo->iconSize, painter->device()->devicePixelRatio(), mode);
                const QRect iconRect =
                    alignedRect(combo->direction, Qt::AlignLeft | Qt::AlignVCenter,
                                QSize(combo->iconSize.width(), field.height()), field);
                drawItemPixmap(painter, iconRect, Qt::AlignCenter, pixmap);
                field.adjust(combo->iconSize.width() + 6, 0, 0, 0);
            }
            if (!combo->currentText.isEmpty() && !combo->editable)
                drawItemText(painter, field, Qt::AlignLeft | Qt::AlignVCenter, combo->palette,
                             combo->state & State_Enabled, combo->currentText, QPalette::Text);
            painter->restore();
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void BuiltInStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                      QPainter* painter, const QWidget* widget) const {
    if (control == CC_ComboBox) {
        if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option)) {
            // White in every state: a disabled combo box shows it by its grey text.
            if (combo->frame)
                drawFieldFrame(painter, option, Qt::white);
            const QRect button = subControlRect(CC_ComboBox, option, SC_ComboBoxArrow, widget);
            painter->fillRect(button.left() - 1, button.top(), 1, button.height(), kDropDownLine);
            drawDownArrow(painter, button.adjusted(1, 0, 0, 0));
            return;
        }
    }
    if (control == CC_GroupBox) {
        if (const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option)) {
            const QRect frame = subControlRect(CC_GroupBox, option, SC_GroupBoxFrame, widget);
            drawRoundedBox(painter, frame, 6, kGroupFill, kGroupBorder);
            if (!box->text.isEmpty()) {
                const QRect title = subControlRect(CC_GroupBox, option, SC_GroupBoxLabel, widget);
                // The title stands on the window's ground, cutting the frame's line.
                painter->fillRect(title.adjusted(0, 0, 0, -(title.bottom() - frame.top() - 1)),
                                  option->palette.window());
                painter->save();
                painter->setFont(groupTitleFont(widget));
                painter->setPen(kHeadingText);
                painter->drawText(title.adjusted(kGroupTitlePadding, 0, -kGroupTitlePadding, 0),
                                  Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, box->text);
                painter->restore();
            }
            return;
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect BuiltInStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                   SubControl subControl, const QWidget* widget) const {
    const QRect& r = option->rect;
    if (control == CC_ComboBox) {
        const QRect inner = r.adjusted(1, 1, -1, -1);
        switch (subControl) {
        case SC_ComboBoxFrame:
            return r;
        case SC_ComboBoxArrow:
            return {inner.right() - kDropDownWidth + 1, inner.top(), kDropDownWidth,
                    inner.height()};
        case SC_ComboBoxEditField:
            return inner.adjusted(4, 1, -4 - kDropDownWidth, -1);
        case SC_ComboBoxListBoxPopup:
            return r;
        default:
            break;
        }
    }
    if (control == CC_GroupBox) {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        const QFontMetrics metrics(groupTitleFont(widget));
        switch (subControl) {
        case SC_GroupBoxFrame:
            return r.adjusted(0, kGroupTitleBand, 0, 0);
        case SC_GroupBoxContents:
            return r.adjusted(1, kGroupTitleBand + 1, -1, -1);
        case SC_GroupBoxLabel:
            return {r.left() + kGroupTitleLeft, r.top(),
                    metrics.horizontalAdvance(box ? box->text : QString()) + 2 * kGroupTitlePadding,
                    metrics.height()};
        case SC_GroupBoxCheckBox:
            return {};
        default:
            break;
        }
    }
    return QProxyStyle::subControlRect(control, option, subControl, widget);
}

QRect BuiltInStyle::subElementRect(SubElement element, const QStyleOption* option,
                                   const QWidget* widget) const {
    if (element == SE_LineEditContents) {
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
            frame && frame->lineWidth > 0)
            return option->rect.adjusted(5, 2, -5, -2);
    }
    return QProxyStyle::subElementRect(element, option, widget);
}

int BuiltInStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const {
    if (metric == PM_DefaultFrameWidth) {
        if (qobject_cast<const QTextBrowser*>(widget))
            return 0;
        if (qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QLineEdit*>(widget))
            return 1;
    }
    if (metric == PM_ToolTipLabelFrameWidth)
        return 2;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

QSize BuiltInStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                     const QSize& size, const QWidget* widget) const {
    switch (type) {
    case CT_PushButton: {
        // Ten pixels either side of the caption, a pixel above and below, the frame.
        const int padding = isPrimaryButton(widget) ? 16 : 10;
        const int vertical = isPrimaryButton(widget) ? 3 : 1;
        return {size.width() + 2 * padding + 2, size.height() + 2 * vertical + 2};
    }
    case CT_LineEdit:
        return {size.width() + 10, size.height() + 4};
    case CT_ComboBox:
        return {size.width() + 10 + kDropDownWidth, size.height() + 4};
    default:
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }
}

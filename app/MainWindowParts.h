#pragma once

// What the main window's files share: the designed geometry and the small
// helpers for captions, label fonts and colours. Only the window's own source
// files include this.

#include "format/TextCodec.h"

#include <QFontMetricsF>
#include <QHash>
#include <QLabel>
#include <QRawFont>
#include <QRect>
#include <QString>

#include <algorithm>
#include <string>

namespace mainwindow {

// Designed geometry of the window and its bars.
inline constexpr int kClientWidth = 862;
inline constexpr int kClientHeight = 670;
inline constexpr int kDesignedBarWidth = 860;
inline constexpr int kToolBarHeight = 43;
inline constexpr int kBannerHeight = 65;
inline constexpr int kWizardBarHeight = 37;
inline constexpr int kLinksBarHeight = 33;
inline constexpr int kPictureButtonLefts[] = {723, 766, 809};
// The pages sit inside the page container's frame, one pixel on every side:
// the bars are designed 860 wide in a client area 862 wide.
inline constexpr int kPageFrame = 1;
static_assert(kClientWidth - 2 * kPageFrame == kDesignedBarWidth);

// Designed state of the preview.
inline constexpr QRect kFrameGeometry(248, 284, 253, 92);
inline constexpr QRect kBandGeometry(249, 285, 252, 31);
inline constexpr int kBandHeight = 31;
inline constexpr int kDesignedLabelHeight = 14;

inline constexpr char kDesignedLinkCaption[] = "Google";
inline constexpr char kDesignedLinkAddress[] = "http://www.google.com/";

inline QString fromUtf8(const std::string& text) {
    return textcodec::fromUtf8(text);
}

// The character cell height of a font at 100 pixels. The label's own font
// face is sized anew: a second font at that size would go through the whole
// font lookup again, which costs more than everything else here.
inline qreal cellAt100Pixels(const QFont& font) {
    QRawFont face = QRawFont::fromFont(font);
    face.setPixelSize(100);
    if (face.isValid() && face.ascent() + face.descent() > 0)
        return face.ascent() + face.descent();
    QFont reference = font;
    reference.setPixelSize(100);
    return QFontMetricsF(reference).height();
}

// A label font's "height" is its character cell height in pixels; Qt sizes
// fonts by the em. The cell of each family is measured once, at a large size,
// and the pixel size for a cell height derived from it.
inline void setFontCellHeight(QLabel* label, int cellHeight) {
    static QHash<QString, qreal> cellPerPixel;
    QFont font = label->font();
    const QString key = font.family() + (font.bold() ? u'b' : u'r') + (font.italic() ? u'i' : u'n');
    auto ratio = cellPerPixel.constFind(key);
    if (ratio == cellPerPixel.cend())
        ratio = cellPerPixel.insert(key, cellAt100Pixels(font) / 100.0);
    font.setPixelSize(std::max(1, qRound(cellHeight / std::max(*ratio, 0.5))));
    label->setFont(font);
    label->setProperty("cellHeight", cellHeight);
    label->adjustSize();
}

inline void setLabelColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

// Captions are plain text: "<head>" in a caption is shown, not taken as markup.
inline QLabel* plainLabel(const QString& text, QWidget* parent = nullptr) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

inline QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = plainLabel(text, parent);
    label->setObjectName(QStringLiteral("pageHeading"));
    label->setWordWrap(true);
    return label;
}

inline QLabel* placedLabel(const QString& text, QWidget* parent, int x, int y) {
    auto* label = plainLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

} // namespace mainwindow

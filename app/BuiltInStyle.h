#pragma once

#include <QProxyStyle>

// The program's own look, drawn over the Fusion style: rounded controls with
// a blue accent, the coloured bars of the main window, bold group titles and
// page headings. It is drawn in code rather than given as a style sheet
// because a style sheet makes Qt match rules for every control it polishes,
// which was the largest single cost of the program's start.
//
// Bars and labels are found by their object names; everything else by kind.
// A brander's skin file is still a style sheet: applying one puts plain
// Fusion back under it (see applySkinFile), as the skin was designed on.
class BuiltInStyle : public QProxyStyle {
    Q_OBJECT
public:
    BuiltInStyle();

    // The program's colours; the application is given them at start and keeps
    // them under a skin.
    QPalette standardPalette() const override;

    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                         SubControl subControl, const QWidget* widget) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

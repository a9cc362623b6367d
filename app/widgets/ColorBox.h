#pragma once

#include "wizard/InfoBoxSettings.h"

#include <QComboBox>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

// A colour list: "Custom..." first (the colour last chosen in the colour
// dialog), then the 16 standard colours, 4 extended colours and the system
// colours. A system colour's value carries 0xFF in its top byte and its index
// in the low bits (button face is 0xFF00000F).
class ColorBox : public QComboBox {
    Q_OBJECT
public:
    explicit ColorBox(QWidget* parent = nullptr);

    Color colorValue() const;
    // Selects the entry holding the colour; a colour the list does not hold
    // goes into "Custom..." and that entry is selected.
    void setColorValue(Color color);
    Color customColor() const { return m_custom; }

    // Asked when the user picks "Custom...": the chosen colour, or none when cancelled.
    std::function<std::optional<Color>(Color current)> pickCustom;

    // What a colour looks like on screen: system colours through the palette.
    static QColor displayColor(Color color);
    static bool isSystemColor(Color color) { return (color & 0xFF000000u) != 0; }
    // The entries after "Custom..." as (value, name).
    static const std::vector<std::pair<Color, QString>>& namedColors();

    // Swatches are 22 x 14 in the box and in its list. The list's view is
    // given that size when the list first opens: setting it on the box would
    // make the view, and its popup window, for every colour box at start.
    static constexpr QSize kSwatchSize{22, 14};
    void showPopup() override;

signals:
    void colorChanged(Color color);

protected:
    void initStyleOption(QStyleOptionComboBox* option) const override;

private:
    void onActivated(int index);
    void setCustom(Color color);
    Color colorAt(int index) const;

    Color m_custom = 0x000000;
    int m_lastIndex = 1;
    int m_previousIndex = 0;
    bool m_settingValue = false;
};

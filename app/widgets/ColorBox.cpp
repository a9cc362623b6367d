#include "app/widgets/ColorBox.h"

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QStyleOptionComboBox>

#include <utility>

namespace {

constexpr Color rgb(unsigned r, unsigned g, unsigned b) {
    return r | (g << 8) | (b << 16);
}
constexpr Color systemColor(unsigned index) {
    return 0xFF000000u | index;
}

// The system colours by their index, with the palette colour that stands for
// each on this desktop.
struct SystemColor {
    unsigned index;
    const char* name;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

constexpr SystemColor kSystemColors[] = {
    {0, "Scroll Bar", QPalette::Active, QPalette::Mid},
    {1, "Background", QPalette::Active, QPalette::Window},
    {2, "Active Caption", QPalette::Active, QPalette::Highlight},
    {3, "Inactive Caption", QPalette::Inactive, QPalette::Highlight},
    {4, "Menu", QPalette::Active, QPalette::Window},
    {5, "Window", QPalette::Active, QPalette::Base},
    {6, "Window Frame", QPalette::Active, QPalette::Shadow},
    {7, "Menu Text", QPalette::Active, QPalette::WindowText},
    {8, "Window Text", QPalette::Active, QPalette::Text},
    {9, "Caption Text", QPalette::Active, QPalette::HighlightedText},
    {10, "Active Border", QPalette::Active, QPalette::Mid},
    {11, "Inactive Border", QPalette::Inactive, QPalette::Mid},
    {12, "Application Workspace", QPalette::Active, QPalette::Dark},
    {13, "Highlight", QPalette::Active, QPalette::Highlight},
    {14, "Highlight Text", QPalette::Active, QPalette::HighlightedText},
    {15, "Button Face", QPalette::Active, QPalette::Button},
    {16, "Button Shadow", QPalette::Active, QPalette::Dark},
    {17, "Gray Text", QPalette::Disabled, QPalette::Text},
    {18, "Button Text", QPalette::Active, QPalette::ButtonText},
    {19, "Inactive Caption Text", QPalette::Inactive, QPalette::HighlightedText},
    {20, "Button Highlight", QPalette::Active, QPalette::Light},
    {21, "3D Dark Shadow", QPalette::Active, QPalette::Shadow},
    {22, "3D Light", QPalette::Active, QPalette::Midlight},
    {23, "Info Text", QPalette::Active, QPalette::ToolTipText},
    {24, "Info Background", QPalette::Active, QPalette::ToolTipBase},
    {26, "Hot Light", QPalette::Active, QPalette::Link},
    {27, "Gradient Active Caption", QPalette::Active, QPalette::Highlight},
    {28, "Gradient Inactive Caption", QPalette::Inactive, QPalette::Highlight},
    {29, "Menu Highlight", QPalette::Active, QPalette::Highlight},
    {30, "Menu Bar", QPalette::Active, QPalette::Window},
};

// Every list shows the same swatches: each is drawn once per run.
QIcon swatch(Color color) {
    static QHash<Color, QIcon> drawn;
    if (const auto found = drawn.constFind(color); found != drawn.cend())
        return *found;
    QPixmap pixmap(ColorBox::kSwatchSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.setBrush(ColorBox::displayColor(color));
    painter.drawRect(QRect(QPoint(0, 0), ColorBox::kSwatchSize - QSize(1, 1)));
    painter.end();
    return *drawn.insert(color, QIcon(pixmap));
}

} // namespace

const std::vector<std::pair<Color, QString>>& ColorBox::namedColors() {
    static const std::vector<std::pair<Color, QString>> colors = [] {
        std::vector<std::pair<Color, QString>> list = {
            {rgb(0x00, 0x00, 0x00), QStringLiteral("Black")},
            {rgb(0x80, 0x00, 0x00), QStringLiteral("Maroon")},
            {rgb(0x00, 0x80, 0x00), QStringLiteral("Green")},
            {rgb(0x80, 0x80, 0x00), QStringLiteral("Olive")},
            {rgb(0x00, 0x00, 0x80), QStringLiteral("Navy")},
            {rgb(0x80, 0x00, 0x80), QStringLiteral("Purple")},
            {rgb(0x00, 0x80, 0x80), QStringLiteral("Teal")},
            {rgb(0x80, 0x80, 0x80), QStringLiteral("Gray")},
            {rgb(0xC0, 0xC0, 0xC0), QStringLiteral("Silver")},
            {rgb(0xFF, 0x00, 0x00), QStringLiteral("Red")},
            {rgb(0x00, 0xFF, 0x00), QStringLiteral("Lime")},
            {rgb(0xFF, 0xFF, 0x00), QStringLiteral("Yellow")},
            {rgb(0x00, 0x00, 0xFF), QStringLiteral("Blue")},
            {rgb(0xFF, 0x00, 0xFF), QStringLiteral("Fuchsia")},
            {rgb(0x00, 0xFF, 0xFF), QStringLiteral("Aqua")},
            {rgb(0xFF, 0xFF, 0xFF), QStringLiteral("White")},
            {rgb(0xC0, 0xDC, 0xC0), QStringLiteral("Money Green")},
            {rgb(0xA6, 0xCA, 0xF0), QStringLiteral("Sky Blue")},
            {rgb(0xFF, 0xFB, 0xF0), QStringLiteral("Cream")},
            {rgb(0xA4, 0xA0, 0xA0), QStringLiteral("Medium Gray")},
        };
        for (const auto& s : kSystemColors)
            list.emplace_back(systemColor(s.index), QString::fromLatin1(s.name));
        return list;
    }();
    return colors;
}

QColor ColorBox::displayColor(Color color) {
    if (isSystemColor(color)) {
        const unsigned index = color & 0xFFu;
        const QPalette palette = QApplication::palette();
        for (const auto& s : kSystemColors) {
            if (s.index == index)
                return palette.color(s.group, s.role);
        }
        return palette.color(QPalette::Window);
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

namespace {

// The entries of a colour list read straight from the shared table: only the
// "Custom..." row is the list's own.
class ColorListModel : public QAbstractListModel {
public:
    ColorListModel(const Color& custom, QObject* parent)
        : QAbstractListModel(parent), m_custom(custom) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(ColorBox::namedColors().size()) + 1;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return QVariant();
        const int row = index.row();
        const Color value =
            row == 0 ? m_custom : ColorBox::namedColors()[static_cast<size_t>(row - 1)].first;
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return row == 0 ? QStringLiteral("Custom...")
                            : ColorBox::namedColors()[static_cast<size_t>(row - 1)].second;
        case Qt::DecorationRole:
            return swatch(value);
        case Qt::UserRole:
            return QVariant::fromValue(value);
        default:
            return QVariant();
        }
    }

    void customChanged() { emit dataChanged(index(0), index(0)); }

private:
    const Color& m_custom;
};

} // namespace

ColorBox::ColorBox(QWidget* parent) : QComboBox(parent) {
    setMaxVisibleItems(16);
    setModel(new ColorListModel(m_custom, this));
    setCurrentIndex(1);
    m_lastIndex = 1;
    connect(this, &QComboBox::activated, this, &ColorBox::onActivated);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        if (index == 0 && !m_settingValue) {
            // The user picked "Custom...": the colour dialog decides (activated follows).
            m_previousIndex = m_lastIndex;
            m_lastIndex = 0;
            return;
        }
        m_lastIndex = index;
        emit colorChanged(colorValue());
    });
}

void ColorBox::showPopup() {
    view()->setIconSize(kSwatchSize);
    QComboBox::showPopup();
}

void ColorBox::initStyleOption(QStyleOptionComboBox* option) const {
    QComboBox::initStyleOption(option);
    option->iconSize = kSwatchSize;
}

Color ColorBox::colorValue() const {
    return colorAt(currentIndex());
}

void ColorBox::setCustom(Color color) {
    m_custom = color;
    static_cast<ColorListModel*>(model())->customChanged();
}

Color ColorBox::colorAt(int index) const {
    return index <= 0 ? m_custom : namedColors()[static_cast<size_t>(index - 1)].first;
}

void ColorBox::setColorValue(Color color) {
    const auto& colors = namedColors();
    for (size_t i = 0; i < colors.size(); ++i) {
        if (colors[i].first == color) {
            setCurrentIndex(static_cast<int>(i) + 1);
            return;
        }
    }
    const bool changed = currentIndex() != 0 || m_custom != color;
    setCustom(color);
    if (currentIndex() != 0) {
        m_settingValue = true;
        setCurrentIndex(0); // emits colorChanged
        m_settingValue = false;
    } else if (changed) {
        emit colorChanged(color);
    }
}

void ColorBox::onActivated(int index) {
    if (index != 0)
        return;
    // The entry selected before "Custom...", to go back to when the dialog is cancelled.
    const int previous = std::exchange(m_previousIndex, 0);
    std::optional<Color> chosen;
    if (pickCustom)
        chosen = pickCustom(colorAt(previous));
    if (!chosen) {
        if (previous != 0)
            setCurrentIndex(previous);
        return;
    }
    setCustom(*chosen);
    emit colorChanged(*chosen);
}

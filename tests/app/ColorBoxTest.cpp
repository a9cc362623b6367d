#include "app/widgets/ColorBox.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

TEST(ColorBox, HoldsCustomThenStandardExtendedAndSystemColours) {
    ColorBox box;
    EXPECT_EQ(box.itemText(0), "Custom...");
    EXPECT_EQ(box.itemText(1), "Black");
    EXPECT_EQ(box.itemText(16), "White");
    EXPECT_EQ(box.itemText(17), "Money Green");
    EXPECT_EQ(box.itemText(20), "Medium Gray");
    const auto& named = ColorBox::namedColors();
    ASSERT_GT(named.size(), 20u);
    EXPECT_EQ(named[9].first, 0x0000FFu); // Red in the platform's layout
    EXPECT_EQ(named[16].first, 0xC0DCC0u);
    for (size_t i = 20; i < named.size(); ++i)
        EXPECT_TRUE(ColorBox::isSystemColor(named[i].first)) << named[i].second.toStdString();
    // Button face is system colour 15.
    const auto face = std::find_if(named.begin(), named.end(),
                                   [](const auto& c) { return c.second == "Button Face"; });
    ASSERT_NE(face, named.end());
    EXPECT_EQ(face->first, 0xFF00000Fu);
}

TEST(ColorBox, UnknownColoursGoIntoCustom) {
    ColorBox box;
    QSignalSpy changed(&box, &ColorBox::colorChanged);
    box.setColorValue(0x123456);
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_EQ(box.colorValue(), 0x123456u);
    EXPECT_EQ(changed.count(), 1);
    box.setColorValue(0x00FFFF); // yellow is listed
    EXPECT_EQ(box.currentText(), "Yellow");
    EXPECT_EQ(box.customColor(), 0x123456u); // custom keeps the last custom colour
    box.setColorValue(0xFF00000F);
    EXPECT_EQ(box.currentText(), "Button Face");
    EXPECT_EQ(changed.count(), 3);
}

TEST(ColorBox, PickingCustomAsksForAColour) {
    ColorBox box;
    box.setColorValue(0x0000FF);
    std::vector<Color> asked;
    std::optional<Color> answer = 0x332211;
    box.pickCustom = [&](Color current) {
        asked.push_back(current);
        return answer;
    };
    QSignalSpy changed(&box, &ColorBox::colorChanged);
    box.show();
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_Home); // the user moves to "Custom..."
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], 0x0000FFu);
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_EQ(box.colorValue(), 0x332211u);
    ASSERT_GE(changed.count(), 1);
    EXPECT_EQ(changed.last().at(0).value<Color>(), 0x332211u);

    // Cancelling goes back to the colour selected before.
    QTest::keyClick(&box, Qt::Key_End);
    const Color last = box.colorValue();
    answer.reset();
    QTest::keyClick(&box, Qt::Key_Home);
    EXPECT_EQ(box.colorValue(), last);
    EXPECT_NE(box.currentIndex(), 0);
}

TEST(ColorBox, DisplayColours) {
    EXPECT_EQ(ColorBox::displayColor(0x99E2FB), QColor(0xFB, 0xE2, 0x99));
    EXPECT_EQ(ColorBox::displayColor(0xFF00000F), QApplication::palette().color(QPalette::Button));
}

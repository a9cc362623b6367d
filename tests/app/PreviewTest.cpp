#include "app/FMain.h"
#include "app/widgets/ColorBox.h"
#include "app/widgets/FontNameBox.h"
#include "app/widgets/NumberEdit.h"
#include "app/widgets/PreviewShape.h"
#include "tests/app/ShownMainWindow.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

namespace {

using Preview = ShownMainWindow;

QColor fontColor(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

// The pixel size that gives a label's font the cell height asked for: the
// family's cell is measured on a font of 100 pixels.
int designedPixelSize(const QLabel* label, int cellHeight) {
    QFont reference = label->font();
    reference.setPixelSize(100);
    const qreal cellPerPixel = QFontMetricsF(reference).height() / 100.0;
    return std::max(1, qRound(cellHeight / std::max(cellPerPixel, 0.5)));
}

} // namespace

TEST_F(Preview, StartsInItsDesignedState) {
    EXPECT_EQ(w->Shape2->geometry(), QRect(248, 284, 253, 92));
    EXPECT_EQ(w->Shape1->geometry(), QRect(249, 285, 252, 31));
    EXPECT_EQ(w->Shape2->outlineWidth(), 1);
    EXPECT_EQ(w->Shape2->fill(), QColor(0xFF, 0xFF, 0xD9));
    EXPECT_EQ(w->Shape1->fill(), QColor(0xFB, 0xE2, 0x99));
    EXPECT_EQ(w->Label1->pos(), QPoint(352, 290));
    EXPECT_EQ(w->Label2->pos(), QPoint(261, 322));
    EXPECT_EQ(w->Label3->pos(), QPoint(261, 342));
    EXPECT_EQ(w->Label1->text(), "Header");
    EXPECT_EQ(w->Label2->text(), "Title Text (Always Bold)");
    EXPECT_EQ(w->Label3->text(), "Body Content");
    EXPECT_FALSE(w->Label1->font().bold());
    EXPECT_TRUE(w->Label2->font().bold());
    EXPECT_EQ(w->Label1->property("cellHeight").toInt(), 14);
    for (const QLabel* label : {w->Label1, w->Label2, w->Label3})
        EXPECT_EQ(label->font().pixelSize(), designedPixelSize(label, 14));
}

TEST_F(Preview, StartValuesOfEverySetting) {
    EXPECT_EQ(w->settings(), InfoBoxSettings{});
    EXPECT_EQ(w->cbxHName->currentText(), "Arial");
    EXPECT_EQ(w->cbxBName->currentText(), "Arial");
    // The two start background colours are not in the list: they sit in "Custom...".
    EXPECT_EQ(w->cbxHBgColor->currentIndex(), 0);
    EXPECT_EQ(w->cbxHBgColor->currentText(), "Custom...");
    EXPECT_EQ(w->cbxBrdColor->currentText(), "Black");
    EXPECT_TRUE(w->rbtLink->isChecked());
    EXPECT_TRUE(w->rbtSaveWeb->isChecked());
    EXPECT_EQ(w->edtFilename->text(), "infoboxsample.htm");
    EXPECT_EQ(w->memHead->toPlainText(),
              "<link rel=\"stylesheet\" type=\"text/css\" href=\"infostyle.css\">\n"
              "<script language=\"JavaScript\" type=\"text/javascript\" "
              "src=\"info.js\"></script>");
    EXPECT_TRUE(w->memHead->isReadOnly());
}

TEST_F(Preview, BorderRuleInsetsTheHeaderBand) {
    w->setBorder(10);
    EXPECT_EQ(w->Shape2->outlineWidth(), 10);
    EXPECT_EQ(w->Shape1->geometry(), QRect(258, 294, 233, 21));
    w->setBorder(1);
    EXPECT_EQ(w->Shape1->geometry(), QRect(249, 285, 251, 30));
    EXPECT_EQ(w->Shape2->outlineWidth(), 1);
    EXPECT_EQ(w->Shape2->geometry(), QRect(248, 284, 253, 92));
}

TEST_F(Preview, BoxWidthOnlyRunsTheBorderRule) {
    w->setBoxWidth(300);
    EXPECT_EQ(w->Shape1->geometry(), QRect(249, 285, 251, 30));
    EXPECT_EQ(w->Shape2->geometry(), QRect(248, 284, 253, 92));
    w->setBoxWidth(500);
    EXPECT_EQ(w->Shape1->geometry(), QRect(249, 285, 251, 30));
    EXPECT_EQ(w->settings().BoxWidth, 500);
}

TEST_F(Preview, WholeNumberFieldsCorrectWhatIsTyped) {
    NumberEdit* border = w->edtBorder;
    border->selectAll();
    QTest::keyClicks(border, "25");
    EXPECT_EQ(border->text(), "10");
    EXPECT_EQ(w->settings().Border, 10);
    EXPECT_EQ(w->Shape1->geometry(), QRect(258, 294, 233, 21));

    // Empty and a lone minus keep the last valid value.
    border->selectAll();
    QTest::keyClick(border, Qt::Key_Backspace);
    EXPECT_EQ(border->text(), "");
    EXPECT_EQ(w->settings().Border, 10);
    QTest::keyClicks(border, "-");
    EXPECT_EQ(w->settings().Border, 10);
    QTest::keyClicks(border, "3");
    EXPECT_EQ(border->text(), "1");
    EXPECT_EQ(w->settings().Border, 1);

    // Letters do not enter.
    w->edtWidth->selectAll();
    QTest::keyClicks(w->edtWidth, "4x5");
    EXPECT_EQ(w->edtWidth->text(), "45");
    QTest::keyClicks(w->edtWidth, "0");
    EXPECT_EQ(w->edtWidth->text(), "450");
    QTest::keyClicks(w->edtWidth, "0");
    EXPECT_EQ(w->edtWidth->text(), "800");
    w->edtWidth->selectAll();
    QTest::keyClicks(w->edtWidth, "99999999999999999999");
    EXPECT_EQ(w->settings().BoxWidth, 800);

    // Values set from outside are brought into range too.
    w->setBorder(-4);
    EXPECT_EQ(w->settings().Border, 1);
    w->setHSize(5);
    EXPECT_EQ(w->settings().HSize, 9);
    w->setBSize(31);
    EXPECT_EQ(w->settings().BSize, 30);
}

TEST_F(Preview, ColoursFollowTheLists) {
    w->setBorderColor(0x0000FF);
    EXPECT_EQ(w->Shape2->outline(), QColor(Qt::red));
    EXPECT_EQ(w->cbxBrdColor->currentText(), "Red");
    w->setHBgColor(0x800000);
    EXPECT_EQ(w->Shape1->fill(), QColor(0, 0, 0x80));
    w->setBBgColor(0x123456);
    EXPECT_EQ(w->Shape2->fill(), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(w->cbxBBgColor->currentText(), "Custom...");
    w->setHColor(0x00FF00);
    EXPECT_EQ(fontColor(w->Label1), QColor(Qt::green));
    EXPECT_EQ(fontColor(w->Label2), QColor(Qt::black));
    w->setBColor(0xFFFFFF);
    EXPECT_EQ(fontColor(w->Label2), QColor(Qt::white));
    EXPECT_EQ(fontColor(w->Label3), QColor(Qt::white));
    EXPECT_EQ(w->settings().BColor, 0xFFFFFFu);

    // An opened list shows its swatches at their size in the box, 22 x 14.
    for (ColorBox* box :
         {w->cbxBrdColor, w->cbxHBgColor, w->cbxHColor, w->cbxBBgColor, w->cbxBColor}) {
        box->showPopup();
        EXPECT_TRUE(box->view()->isVisible());
        EXPECT_EQ(box->view()->iconSize(), QSize(22, 14));
        box->hidePopup();
    }
}

TEST_F(Preview, FontNamesAndSizes) {
    const QStringList& fonts = TfrmMain::installedFontNames();
    ASSERT_FALSE(fonts.isEmpty());
    EXPECT_TRUE(std::is_sorted(fonts.begin(), fonts.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    }));
    const QString other = fonts.first() == "Arial" ? fonts.last() : fonts.first();
    ASSERT_TRUE(w->setHName(other.toUpper()));
    EXPECT_EQ(w->cbxHName->currentText(), other);
    EXPECT_EQ(w->Label1->font().family(), other);
    EXPECT_EQ(w->Label2->font().family(), "Arial");
    EXPECT_FALSE(w->setBName(QStringLiteral("No Such Font Anywhere")));
    EXPECT_EQ(w->cbxBName->currentText(), "Arial");
    ASSERT_TRUE(w->setBName(other));
    EXPECT_EQ(w->Label2->font().family(), other);
    EXPECT_EQ(w->Label3->font().family(), other);

    // Every installed family gets the pixel size that makes the cell height,
    // plain for the header and bold for the title.
    for (const QString& family : fonts) {
        ASSERT_TRUE(w->cbxHName->selectName(family));
        ASSERT_TRUE(w->cbxBName->selectName(family));
        EXPECT_EQ(w->Label1->font().pixelSize(), designedPixelSize(w->Label1, 14))
            << family.toStdString();
        EXPECT_EQ(w->Label2->font().pixelSize(), designedPixelSize(w->Label2, 14))
            << family.toStdString();
    }
    ASSERT_TRUE(w->cbxHName->selectName(other));
    ASSERT_TRUE(w->cbxBName->selectName(other));

    w->setHSize(20);
    EXPECT_EQ(w->Label1->property("cellHeight").toInt(), 23);
    w->setBSize(9);
    EXPECT_EQ(w->Label2->property("cellHeight").toInt(), 12);
    EXPECT_EQ(w->Label3->property("cellHeight").toInt(), 12);
    // The labels keep their corner and grow with their font.
    const int before = w->Label1->height();
    w->setHSize(30);
    EXPECT_GT(w->Label1->height(), before);
    EXPECT_EQ(w->Label1->pos(), QPoint(352, 290));
}

TEST_F(Preview, HeaderStylesAddAndRemoveOneAtATime) {
    QTest::mouseClick(w->chkHBold, Qt::LeftButton);
    QTest::mouseClick(w->chkHUnderline, Qt::LeftButton);
    QTest::mouseClick(w->chkHItalic, Qt::LeftButton);
    QFont font = w->Label1->font();
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.underline());
    EXPECT_TRUE(font.italic());
    QTest::mouseClick(w->chkHItalic, Qt::LeftButton);
    font = w->Label1->font();
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.underline());
    EXPECT_FALSE(font.italic());
    EXPECT_FALSE(w->Label3->font().bold());
}

TEST_F(Preview, BodyBoldLeavesTheTitleBold) {
    QTest::mouseClick(w->chkBBold, Qt::LeftButton);
    EXPECT_TRUE(w->Label3->font().bold());
    EXPECT_TRUE(w->Label2->font().bold());
    QTest::mouseClick(w->chkBBold, Qt::LeftButton);
    EXPECT_FALSE(w->Label3->font().bold());
    EXPECT_TRUE(w->Label2->font().bold());

    QTest::mouseClick(w->chkBUnderline, Qt::LeftButton);
    QTest::mouseClick(w->chkBItalic, Qt::LeftButton);
    EXPECT_TRUE(w->Label2->font().underline());
    EXPECT_TRUE(w->Label3->font().italic());
    EXPECT_TRUE(w->Label2->font().bold());
    EXPECT_FALSE(w->Label1->font().underline());
    const InfoBoxSettings s = w->settings();
    EXPECT_TRUE(s.BUnderline);
    EXPECT_TRUE(s.BItalic);
    EXPECT_FALSE(s.BBold);
}

TEST_F(Preview, TargetEnablingKeepsTexts) {
    w->showWizardPage(2);
    EXPECT_TRUE(w->edtLinkText->isEnabled());
    EXPECT_FALSE(w->edtImage->isEnabled());
    EXPECT_FALSE(w->btnBrowseImage->isEnabled());
    w->edtLinkText->setText(QStringLiteral("text"));
    w->edtLinkURL->setText(QStringLiteral("http://x/"));

    QTest::mouseClick(w->rbtImage, Qt::LeftButton);
    EXPECT_TRUE(w->rbtImage->isChecked());
    EXPECT_FALSE(w->rbtLink->isChecked());
    EXPECT_FALSE(w->edtLinkText->isEnabled());
    EXPECT_FALSE(w->edtLinkURL->isEnabled());
    EXPECT_TRUE(w->edtImage->isEnabled());
    EXPECT_TRUE(w->btnBrowseImage->isEnabled());
    EXPECT_EQ(w->edtLinkText->text(), "text");
    EXPECT_EQ(w->settings().Target, TargetKind::Image);

    w->setTarget(TargetKind::Layer);
    EXPECT_FALSE(w->edtImage->isEnabled());
    EXPECT_FALSE(w->edtLinkText->isEnabled());
    EXPECT_EQ(w->settings().Target, TargetKind::Layer);
    w->setTarget(TargetKind::Cell);
    EXPECT_TRUE(w->rbtCell->isChecked());
    EXPECT_EQ(w->settings().Target, TargetKind::Cell);
    w->setTarget(TargetKind::Link);
    EXPECT_TRUE(w->edtLinkURL->isEnabled());
}

TEST_F(Preview, BrowseFillsTheImageFieldOrChangesNothing) {
    w->setTarget(TargetKind::Image);
    w->showWizardPage(2);
    env.dialogs->files.push_back(QStringLiteral("/pictures/tip.gif"));
    QTest::mouseClick(w->btnBrowseImage, Qt::LeftButton);
    EXPECT_EQ(w->edtImage->text(), QDir::toNativeSeparators("/pictures/tip.gif"));
    ASSERT_EQ(env.dialogs->asked.size(), 1u);
    EXPECT_EQ(env.dialogs->asked[0].kind, "open");
    EXPECT_EQ(env.dialogs->asked[0].title, "Open file");
    EXPECT_EQ(env.dialogs->asked[0].filter, "Image files (*.gif, *.jpg)|*.gif;*.jpg");
    QTest::mouseClick(w->btnBrowseImage, Qt::LeftButton); // cancelled
    EXPECT_EQ(w->edtImage->text(), QDir::toNativeSeparators("/pictures/tip.gif"));
}

TEST_F(Preview, BodyTextUsesCrLfBetweenLines) {
    w->setBodyText(QStringLiteral("one\r\ntwo\nthree"));
    EXPECT_EQ(w->memBodyText->blockCount(), 3);
    EXPECT_EQ(w->settings().BodyText, "one\r\ntwo\r\nthree");
}

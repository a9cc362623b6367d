// Save Configuration then Load Configuration in the main window, for random
// settings typed into its controls: every saved field comes back through the
// controls as the file format defines (see the configuration property tests
// of the wizard layer), and BoxWidth and BoldText keep what they held.

#include "app/FMain.h"
#include "brand/BrandProfile.h"
#include "tests/app/TestEnvironment.h"
#include "wizard/ColorText.h"

#include "tests/wizard/PropertySupport.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kCases = 25;

// The fields in which two settings differ, with both values.
std::string differingFields(const InfoBoxSettings& actual, const InfoBoxSettings& expected) {
    std::string out;
    const auto compare = [&](const char* name, const auto& a, const auto& e) {
        if (!(a == e))
            out += std::string(name) + ": " + ::testing::PrintToString(a) + " instead of " +
                   ::testing::PrintToString(e) + "\n";
    };
#define TIPSMITH_COMPARE(field) compare(#field, actual.field, expected.field)
    TIPSMITH_COMPARE(Border);
    TIPSMITH_COMPARE(BorderColor);
    TIPSMITH_COMPARE(BoxWidth);
    TIPSMITH_COMPARE(HBgColor);
    TIPSMITH_COMPARE(HColor);
    TIPSMITH_COMPARE(HName);
    TIPSMITH_COMPARE(HSize);
    TIPSMITH_COMPARE(HBold);
    TIPSMITH_COMPARE(HUnderline);
    TIPSMITH_COMPARE(HItalic);
    TIPSMITH_COMPARE(BBgColor);
    TIPSMITH_COMPARE(BColor);
    TIPSMITH_COMPARE(BName);
    TIPSMITH_COMPARE(BSize);
    TIPSMITH_COMPARE(BBold);
    TIPSMITH_COMPARE(BUnderline);
    TIPSMITH_COMPARE(BItalic);
    TIPSMITH_COMPARE(Target);
    TIPSMITH_COMPARE(LinkText);
    TIPSMITH_COMPARE(LinkURL);
    TIPSMITH_COMPARE(Image);
    TIPSMITH_COMPARE(HeaderText);
    TIPSMITH_COMPARE(BoldText);
    TIPSMITH_COMPARE(BodyText);
    TIPSMITH_COMPARE(OutputFormat);
    TIPSMITH_COMPARE(Output);
#undef TIPSMITH_COMPARE
    return out;
}

class ConfigurationPropertyWindow : public ::testing::Test {
protected:
    void SetUp() override {
        BrandProfile = BrandProfileRecord{};
        w = std::make_unique<TfrmMain>(env.make());
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }

    // Types the settings into the window's controls. Font names come from
    // the fonts the window lists; the window's own texts are line-based, so
    // the single-line fields get texts without line breaks.
    void typeIn(const InfoBoxSettings& s) {
        w->setBorder(s.Border);
        w->setBorderColor(s.BorderColor);
        w->setBoxWidth(s.BoxWidth);
        w->setHBgColor(s.HBgColor);
        w->setHColor(s.HColor);
        ASSERT_TRUE(w->setHName(QString::fromStdString(s.HName)));
        w->setHSize(s.HSize);
        w->setHBold(s.HBold);
        w->setHUnderline(s.HUnderline);
        w->setHItalic(s.HItalic);
        w->setBBgColor(s.BBgColor);
        w->setBColor(s.BColor);
        ASSERT_TRUE(w->setBName(QString::fromStdString(s.BName)));
        w->setBSize(s.BSize);
        w->setBBold(s.BBold);
        w->setBUnderline(s.BUnderline);
        w->setBItalic(s.BItalic);
        w->setTarget(s.Target);
        w->setLinkText(QString::fromStdString(s.LinkText));
        w->setLinkURL(QString::fromStdString(s.LinkURL));
        w->setImage(QString::fromStdString(s.Image));
        w->setHeaderText(QString::fromStdString(s.HeaderText));
        w->setBoldText(QString::fromStdString(s.BoldText));
        w->setBodyText(QString::fromStdString(s.BodyText));
        w->setOutputFormat(s.OutputFormat);
        w->setOutput(QString::fromStdString(s.Output));
    }

    InfoBoxSettings randomSettings(property::Random& random) {
        const QStringList& fonts = TfrmMain::installedFontNames();
        const auto oneLine = [&](int pieces) {
            std::string text;
            do
                text = random.text(pieces);
            while (text.find_first_of("\r\n") != std::string::npos);
            return text;
        };
        InfoBoxSettings s = random.settings();
        s.HName = fonts.at(random.between(0, fonts.size() - 1)).toStdString();
        s.BName = fonts.at(random.between(0, fonts.size() - 1)).toStdString();
        s.LinkText = oneLine(20);
        s.LinkURL = oneLine(20);
        s.Image = oneLine(20);
        s.HeaderText = oneLine(20);
        s.BoldText = oneLine(20);
        s.Output = oneLine(8);
        // Qt's UTF-8 decoding drops a byte-order mark at the very start of a
        // text; the window's texts then begin without it.
        for (std::string* text : {&s.LinkText, &s.LinkURL, &s.Image, &s.HeaderText, &s.BoldText,
                                  &s.BodyText, &s.Output})
            while (text->starts_with("\xEF\xBB\xBF"))
                text->erase(0, 3);
        return s;
    }

    TestEnvironment env;
    std::unique_ptr<TfrmMain> w;
};

} // namespace

TEST_F(ConfigurationPropertyWindow, SaveThenLoadThroughTheControlsGivesTheSavedFieldsBack) {
    ASSERT_FALSE(TfrmMain::installedFontNames().isEmpty());
    property::Random random(property::kSeed + 10);
    const QString file = env.folder.filePath(QStringLiteral("random.set"));
    for (int i = 0; i < kCases; ++i) {
        SCOPED_TRACE("seed " + std::to_string(property::kSeed + 10) + ", case " +
                     std::to_string(i));
        const InfoBoxSettings typed = randomSettings(random);
        typeIn(typed);
        const InfoBoxSettings saved = w->settings();
        // The controls hold what was typed; in the body every line break is CR LF,
        // a line separator included.
        InfoBoxSettings held = typed;
        std::string body = typed.BodyText;
        for (size_t at; (at = body.find("\u2028")) != std::string::npos;)
            body.replace(at, 3, "\n");
        held.BodyText = property::lineBreaksAsCrLf(body);
        ASSERT_EQ(differingFields(saved, held), "");

        env.messages->shown.clear();
        env.dialogs->files.push_back(file);
        QTest::mouseClick(w->btnSave, Qt::LeftButton);
        ASSERT_EQ(env.messages->shown.size(), 1u);

        // Everything else in the window changes before loading.
        const InfoBoxSettings other = randomSettings(random);
        typeIn(other);
        env.dialogs->files.push_back(file);
        QTest::mouseClick(w->btnLoad, Qt::LeftButton);
        ASSERT_EQ(env.messages->shown.size(), 2u);
        EXPECT_EQ(env.messages->shown[1].text, "Configuration loaded successfully!");

        InfoBoxSettings expected = saved;
        expected.BoxWidth = other.BoxWidth;
        expected.BoldText = other.BoldText;
        for (Color InfoBoxSettings::*c :
             {&InfoBoxSettings::BorderColor, &InfoBoxSettings::HBgColor, &InfoBoxSettings::HColor,
              &InfoBoxSettings::BBgColor, &InfoBoxSettings::BColor})
            expected.*c = saved.*c & 0xFFFFFF;
        expected.BodyText = property::lineBreaksAsCrLf(StripTrailingLineBreak(saved.BodyText));
        EXPECT_EQ(differingFields(w->settings(), expected), "");
        if (::testing::Test::HasFailure())
            return;
    }
}

// The body text memo keeps a no-break space as typed: it is not a blank in the
// generated page nor in the saved file.
TEST_F(ConfigurationPropertyWindow, TheBodyKeepsNoBreakSpaces) {
    const QString body = QStringLiteral("5\u00A0\u20AC\r\nnext\u00A0line");
    w->setBodyText(body);
    EXPECT_EQ(w->settings().BodyText, body.toStdString());
    // A line the author broke inside a paragraph is a line break.
    w->setBodyText(QStringLiteral("one\u2028two"));
    EXPECT_EQ(w->settings().BodyText, "one\r\ntwo");
}

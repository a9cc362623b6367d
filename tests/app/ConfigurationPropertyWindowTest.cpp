// Save Configuration then Load Configuration in the main window, for random
// settings typed into its controls: every saved field comes back through the
// controls as the file format defines (see the configuration property tests
// of the wizard layer), and BoxWidth and BoldText keep what they held.

#include "app/FMain.h"
#include "tests/app/ShownMainWindow.h"

#include "tests/wizard/PropertySupport.h"
#include "tests/wizard/SettingsSupport.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kCases = 25;

using settingstest::differingFields;

class ConfigurationPropertyWindow : public ShownMainWindow {
protected:
    // Types the settings into the window's controls, each of which must hold
    // what it is given.
    void typeIn(const InfoBoxSettings& s) {
        for (const SettingField& field : kSettingFields)
            ASSERT_TRUE(w->setField(field, field.get(s))) << field.key;
    }

    // Font names come from the fonts the window lists; the window's own texts
    // are line-based, so the single-line fields get texts without line breaks.
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
        for (const SettingField& field : kSettingFields) {
            std::string text;
            switch (field.kind) {
            case FieldKind::FontName:
                field.put(s, fonts.at(random.between(0, fonts.size() - 1)).toStdString());
                continue;
            case FieldKind::Text:
                text = oneLine(20);
                break;
            case FieldKind::Lines:
                text = std::get<std::string>(field.get(s));
                break;
            default:
                continue;
            }
            // Qt's UTF-8 decoding drops a byte-order mark at the very start of a
            // text; the window's texts then begin without it.
            while (text.starts_with("\xEF\xBB\xBF"))
                text.erase(0, 3);
            field.put(s, text);
        }
        return s;
    }
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

        const InfoBoxSettings expected = settingstest::afterSaveAndLoad(saved, other);
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

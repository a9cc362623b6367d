// Configuration files saved and loaded again, for random settings.
//
// Every saved field comes back, with these exceptions that the tagged text
// format has by its nature (each tested below in the way the format defines):
// - a value is written raw, so a text holding its own closing tag (in any
//   letter case) is cut there when read;
// - the file is read as lines and rejoined with CR LF, so every line break
//   comes back as CR LF, a lone CR or LF included;
// - one CR LF at the end of the body text is not saved;
// - a NUL byte ends the file: the text holding it loses its closing tag and
//   reads as empty, and every later key reads as missing;
// - colours are saved as #RRGGBB, so a system colour (top byte set) comes back
//   as its low 24 bits.
// Numbers are brought into the fields' ranges when read, and an empty font
// name keeps the font in place; BoxWidth and BoldText are not saved at all.

#include "wizard/Configuration.h"

#include "format/TaggedText.h"
#include "format/TextCodec.h"
#include "tests/wizard/PropertySupport.h"
#include "util/UserError.h"
#include "wizard/ColorText.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <variant>
#include <vector>

using namespace configuration;

namespace {

constexpr int kCases = 300;

// The saved fields that hold texts.
const std::vector<const SettingField*>& textFields() {
    static const std::vector<const SettingField*> fields = [] {
        std::vector<const SettingField*> out;
        for (const SettingField& field : kSettingFields) {
            if (field.saved && std::holds_alternative<std::string>(field.get(InfoBoxSettings{})))
                out.push_back(&field);
        }
        return out;
    }();
    return fields;
}

std::string textOf(const InfoBoxSettings& s, const SettingField& field) {
    return std::get<std::string>(field.get(s));
}

bool holdsOwnClosingTag(std::string_view text, std::string_view key) {
    return taggedtext::findCaseBlind(text, taggedtext::closingTag(key)) != std::string_view::npos;
}

// Random settings whose texts hold no closing tag of their own key.
InfoBoxSettings roundTrippable(property::Random& random) {
    for (;;) {
        InfoBoxSettings s = random.settings();
        bool clean = true;
        for (const SettingField* f : textFields())
            clean = clean && !holdsOwnClosingTag(textOf(s, *f), f->key);
        if (clean)
            return s;
    }
}

InfoBoxSettings loadOver(std::string_view bytes, InfoBoxSettings start) {
    SettingsTarget target(start);
    load(bytes, target);
    return start;
}

} // namespace

TEST(ConfigurationProperty, SaveThenLoadGivesEverySavedFieldBack) {
    property::Random random;
    for (int i = 0; i < kCases; ++i) {
        SCOPED_TRACE("seed " + std::to_string(property::kSeed) + ", case " + std::to_string(i));
        const InfoBoxSettings saved = roundTrippable(random);
        const InfoBoxSettings before = random.settings();
        const std::string bytes = toBytes(saved);

        // Written as UTF-8 whatever the texts hold, so it is never read as Windows-1252.
        ASSERT_TRUE(textcodec::isValidUtf8(bytes));

        InfoBoxSettings loaded;
        ASSERT_NO_THROW(loaded = loadOver(bytes, before));
        EXPECT_EQ(loaded, settingstest::afterSaveAndLoad(saved, before));
        if (::testing::Test::HasFailure())
            return;
    }
}

TEST(ConfigurationProperty, ThroughFilesOnDisk) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("random.set"));
    property::Random random(property::kSeed + 1);
    for (int i = 0; i < 30; ++i) {
        SCOPED_TRACE("seed " + std::to_string(property::kSeed + 1) + ", case " + std::to_string(i));
        const InfoBoxSettings saved = roundTrippable(random);
        const InfoBoxSettings before = random.settings();
        ASSERT_NO_THROW(saveFile(saved, path));
        InfoBoxSettings loaded = before;
        SettingsTarget target(loaded);
        ASSERT_TRUE(loadFile(path, target));
        EXPECT_EQ(loaded, settingstest::afterSaveAndLoad(saved, before));
    }
}

TEST(ConfigurationProperty, ATextHoldingItsOwnClosingTagIsCutThere) {
    property::Random random(property::kSeed + 2);
    for (int i = 0; i < kCases; ++i) {
        SCOPED_TRACE("seed " + std::to_string(property::kSeed + 2) + ", case " + std::to_string(i));
        InfoBoxSettings saved = roundTrippable(random);
        const InfoBoxSettings before = random.settings();
        const SettingField& f = *random.pick(textFields());
        // The closing tag in a random letter case, with text on both sides.
        std::string tag = taggedtext::closingTag(f.key);
        for (char& c : tag)
            if (random.chance(2))
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string prefix;
        do
            prefix = random.text(8);
        while (holdsOwnClosingTag(prefix, f.key));
        f.put(saved, prefix + tag + random.text(8));

        InfoBoxSettings expected = settingstest::afterSaveAndLoad(saved, before);
        // The value ends at the tag; the text behind it is lost, every other key reads as saved.
        f.put(expected, property::lineBreaksAsCrLf(prefix));
        // An empty font name keeps the font in place.
        if (f.kind == FieldKind::FontName && prefix.empty())
            f.put(expected, f.get(before));
        EXPECT_EQ(loadOver(toBytes(saved), before), expected) << f.key;
        if (::testing::Test::HasFailure())
            return;
    }
}

TEST(ConfigurationProperty, LineBreaksOfEveryFormComeBackAsCrLf) {
    struct Row {
        std::string InfoBoxSettings::*field;
        std::string saved, loaded;
    };
    const Row rows[] = {
        {&InfoBoxSettings::HeaderText, "a\rb\nc\r\nd\n\re\r\r\nf",
         "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n\r\nf"},
        {&InfoBoxSettings::LinkText, "\n", "\r\n"},
        {&InfoBoxSettings::Output, "x\r", "x\r\n"},
        // Only the one CR LF at the end of the body is not saved.
        {&InfoBoxSettings::BodyText, "one\r\ntwo\r\n", "one\r\ntwo"},
        // A body ending in a lone line feed keeps it, as CR LF.
        {&InfoBoxSettings::BodyText, "one\n", "one\r\n"},
    };
    for (const Row& row : rows) {
        InfoBoxSettings s;
        s.*row.field = row.saved;
        EXPECT_EQ(loadOver(toBytes(s), InfoBoxSettings{}).*row.field, row.loaded)
            << "row " << &row - rows;
    }
}

TEST(ConfigurationProperty, SystemColoursComeBackAsTheirLow24Bits) {
    property::Random random(property::kSeed + 3);
    for (int i = 0; i < 100; ++i) {
        InfoBoxSettings s;
        const Color system = (random.bits() | 0x01000000u);
        for (const SettingField& field : kSettingFields) {
            if (field.kind == FieldKind::Color)
                field.put(s, system);
        }
        const InfoBoxSettings loaded = loadOver(toBytes(s), InfoBoxSettings{});
        for (const SettingField& field : kSettingFields) {
            if (field.kind == FieldKind::Color) {
                EXPECT_EQ(std::get<Color>(field.get(loaded)), system & 0xFFFFFF)
                    << field.key << " " << std::hex << system;
            }
        }
    }
}

// A NUL byte ends the text of the file. The value holding it has no closing
// tag any more and reads as empty, and so does everything after it: texts
// read as empty, the output choice stays, and a number after it is missing,
// which ends the loading with the conversion error.
TEST(ConfigurationProperty, ANulByteEndsTheFileWhereItStands) {
    InfoBoxSettings before;
    before.OutputFormat = OutputChoice::CodeListing;
    before.Target = TargetKind::Cell;
    InfoBoxSettings s;
    s.Target = TargetKind::Layer;
    s.LinkText = "before";
    s.LinkURL = std::string("half\0way", 8);
    s.Image = "img.gif";
    s.HeaderText = "head";
    s.BodyText = "body";
    s.OutputFormat = OutputChoice::SamplePage;
    s.Output = "page.htm";
    const InfoBoxSettings loaded = loadOver(toBytes(s), before);
    EXPECT_EQ(loaded.Target, TargetKind::Layer);
    EXPECT_EQ(loaded.LinkText, "before");
    EXPECT_EQ(loaded.LinkURL, "");
    EXPECT_EQ(loaded.Image, "");
    EXPECT_EQ(loaded.HeaderText, "");
    EXPECT_EQ(loaded.BodyText, "");
    EXPECT_EQ(loaded.OutputFormat, OutputChoice::CodeListing);
    EXPECT_EQ(loaded.Output, "");

    // In a font name the NUL hides the size that follows it.
    InfoBoxSettings font;
    font.HName = std::string("Ari\0al", 6);
    font.Border = 4;
    InfoBoxSettings target = before;
    SettingsTarget into(target);
    try {
        load(toBytes(font), into);
        ADD_FAILURE() << "no error";
    } catch (const UserError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
    // The keys before the error are applied; the empty name kept the font.
    EXPECT_EQ(target.Border, 4);
    EXPECT_EQ(target.HName, before.HName);
}

TEST(ConfigurationProperty, NumbersOutsideTheFieldsRangesAreBroughtIntoThem) {
    property::Random random(property::kSeed + 4);
    for (int i = 0; i < 100; ++i) {
        InfoBoxSettings s;
        for (const SettingField& field : kSettingFields) {
            if (field.kind == FieldKind::Number)
                field.put(s, random.chance(2) ? static_cast<int>(random.bits())
                                              : random.between(-1000, 1000));
        }
        const InfoBoxSettings loaded = loadOver(toBytes(s), InfoBoxSettings{});
        for (const SettingField& field : kSettingFields) {
            if (field.kind != FieldKind::Number || !field.saved)
                continue;
            const int written = std::get<int>(field.get(s));
            EXPECT_EQ(std::get<int>(field.get(loaded)), std::clamp(written, field.low, field.high))
                << field.key << " " << written;
        }
    }
}

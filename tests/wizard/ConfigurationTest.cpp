#include "wizard/Configuration.h"

#include "format/TaggedText.h"
#include "format/TextCodec.h"
#include "tests/wizard/SettingsSupport.h"
#include "tests/wizard/TestData.h"
#include "util/UserError.h"
#include "wizard/ColorText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cctype>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace configuration;
using settingstest::everyFieldChanged;
using namespace std::string_literals;

namespace {

std::string readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll().toStdString();
}

// Records every value handed over, in order, as "Key=value".
class RecordingTarget : public ConfigurationTarget {
public:
    std::vector<std::string> calls;

    void set(const SettingField& field, const FieldValue& value) override {
        calls.push_back(std::string(field.key) + "=" + settingstest::shown(value));
    }
};

InfoBoxSettings loaded(std::string_view bytes, InfoBoxSettings start = {}) {
    SettingsTarget target(start);
    load(bytes, target);
    return start;
}

std::string withLine(std::string bytes, std::string_view key, std::string_view value) {
    std::vector<std::string> lines = taggedtext::splitLines(bytes);
    SetTagLine(lines, key, value);
    return taggedtext::joinLines(lines);
}

std::string errorOf(std::string_view bytes, ConfigurationTarget& target) {
    try {
        load(bytes, target);
    } catch (const UserError& e) {
        return e.what();
    }
    return "<no error>";
}

} // namespace

// Two rows of one member would read two keys into one field and leave
// another field unread.
TEST(SettingsTable, EveryMemberHasOneRow) {
    for (size_t i = 0; i < std::size(kSettingFields); ++i) {
        for (size_t j = i + 1; j < std::size(kSettingFields); ++j)
            EXPECT_NE(kSettingFields[i].id, kSettingFields[j].id)
                << kSettingFields[i].key << " and " << kSettingFields[j].key;
    }
    EXPECT_EQ(settingField<&InfoBoxSettings::Output>().key, "Output");
}

TEST(ConfigurationSave, StartSettingsByteForByte) {
    EXPECT_EQ(toBytes(InfoBoxSettings{}), readTestData("start-settings.set"));
}

TEST(ConfigurationSave, LeavesOutBoxWidthAndBoldText) {
    InfoBoxSettings s;
    s.BoxWidth = 321;
    s.BoldText = "Title";
    EXPECT_EQ(toBytes(s), toBytes(InfoBoxSettings{}));
}

TEST(ConfigurationSave, BodyTextLosesOneTrailingLineBreak) {
    InfoBoxSettings s;
    s.BodyText = "one\r\ntwo\r\n\r\n";
    EXPECT_EQ(lines(s)[21], "<%%BodyText%%>one\r\ntwo\r\n<%%/BodyText%%>");
    EXPECT_EQ(loaded(toBytes(s)).BodyText, "one\r\ntwo\r\n");
}

TEST(ConfigurationRoundTrip, EveryFieldComesBack) {
    const InfoBoxSettings saved = everyFieldChanged();
    // A saved field left at its start value would come back however it was read.
    for (const SettingField& field : kSettingFields) {
        if (field.saved) {
            EXPECT_NE(field.get(saved), field.get(InfoBoxSettings{})) << field.key;
        }
    }
    InfoBoxSettings before;
    before.BoxWidth = 640;
    before.BoldText = "kept";

    InfoBoxSettings expected = saved;
    expected.BoxWidth = 640;
    expected.BoldText = "kept";
    EXPECT_EQ(loaded(toBytes(saved), before), expected);

    // The other output choice and target kinds come back too.
    for (const auto kind : {TargetKind::Link, TargetKind::Image, TargetKind::Cell}) {
        InfoBoxSettings s = saved;
        s.Target = kind;
        s.OutputFormat = OutputChoice::SamplePage;
        EXPECT_EQ(loaded(toBytes(s), before).Target, kind);
        EXPECT_EQ(loaded(toBytes(s), before).OutputFormat, OutputChoice::SamplePage);
    }
}

TEST(ConfigurationRoundTrip, ThroughAFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    // Paths as the system writes them (backslashes on Windows), and a name no
    // 8-bit code page holds.
    for (const char16_t* name :
         {u"box.set", u"sub/box.set", u"\u042F\u0449\u0438\u043A-\u7BB1-\u03B5.set"}) {
        const QString path = QDir::toNativeSeparators(dir.filePath(QString::fromUtf16(name)));
        SCOPED_TRACE(path.toStdString());
        saveFile(everyFieldChanged(), path);
        EXPECT_EQ(readFile(path), toBytes(everyFieldChanged()));

        InfoBoxSettings s;
        SettingsTarget target(s);
        EXPECT_TRUE(loadFile(path, target));
        EXPECT_EQ(s, everyFieldChanged());
    }
}

TEST(ConfigurationLoad, HandsOverEveryKeyInFileOrder) {
    RecordingTarget target;
    load(readTestData("start-settings.set"), target);
    const std::vector<std::string> expected = {"Border=1",         "BorderColor=#000000",
                                               "HBgColor=#FBE299", "HColor=#000000",
                                               "HName=Arial",      "HSize=11",
                                               "HUnderline=off",   "HItalic=off",
                                               "HBold=off",        "BBgColor=#FFFFD9",
                                               "BColor=#000000",   "BName=Arial",
                                               "BSize=11",         "BUnderline=off",
                                               "BItalic=off",      "BBold=off",
                                               "Target=1",         "LinkText=",
                                               "LinkURL=",         "Image=",
                                               "HeaderText=",      "BodyText=",
                                               "OutputFormat=1",   "Output=infoboxsample.htm",
                                               "ScriptStyle=1"};
    EXPECT_EQ(target.calls, expected);
}

TEST(ConfigurationLoad, FileWithoutTagsFailsAtOnceAndChangesNothing) {
    RecordingTarget target;
    EXPECT_EQ(errorOf("Just some text\r\nof a letter.\r\n", target),
              "'' is not a valid integer value");
    EXPECT_TRUE(target.calls.empty());
}

TEST(ConfigurationLoad, ConversionErrorStopsAtItsKeyAndKeepsTheKeysBefore) {
    struct Case {
        std::string key, value, error;
        size_t applied; // keys handed over before the failing one
    };
    const Case cases[] = {
        {"Border", "thick", "'thick' is not a valid integer value", 0},
        {"BorderColor", "#GG0000", "'$000000GG' is not a valid integer value", 1},
        {"HSize", "12 ", "'12 ' is not a valid integer value", 5},
        {"HUnderline", "yes", "'yes' is not a valid boolean value", 6},
        {"HBold", "", "'' is not a valid boolean value", 8},
        {"BBgColor", "#FFFFZZ", "'$00ZZFFFF' is not a valid integer value", 9},
        {"BSize", "", "'' is not a valid integer value", 12},
        {"BBold", "1.0", "'1.0' is not a valid boolean value", 15},
    };
    const std::string good = toBytes(everyFieldChanged());
    for (const auto& c : cases) {
        RecordingTarget target;
        EXPECT_EQ(errorOf(withLine(good, c.key, c.value), target), c.error) << c.key;
        EXPECT_EQ(target.calls.size(), c.applied) << c.key;
    }

    // Through a snapshot: what came before the error stays applied.
    InfoBoxSettings s;
    SettingsTarget target(s);
    EXPECT_THROW(load(withLine(good, "HSize", "big"), target), UserError);
    EXPECT_EQ(s.Border, 7);
    EXPECT_EQ(s.HName, "Times New Roman");
    EXPECT_EQ(s.HSize, 11);
    EXPECT_EQ(s.BName, "Arial");
}

TEST(ConfigurationLoad, KeyMovedBeforeAnEarlierKeyReadsAsMissing) {
    std::vector<std::string> l = lines(everyFieldChanged());
    std::swap(l[0], l[1]); // BorderColor before Border
    const InfoBoxSettings s = loaded(taggedtext::joinLines(l));
    EXPECT_EQ(s.Border, 7);
    EXPECT_EQ(s.BorderColor, 0u); // missing colour: black
    EXPECT_EQ(s.HBgColor, 0x800000u);

    // Texts moved forward read as empty; the rest is still found.
    l = lines(everyFieldChanged());
    std::swap(l[17], l[18]); // LinkURL before LinkText
    const InfoBoxSettings t = loaded(taggedtext::joinLines(l));
    EXPECT_EQ(t.LinkText, "Click <b>here</b>");
    EXPECT_EQ(t.LinkURL, "");
    EXPECT_EQ(t.Image, "/home/author/pics/tip.gif");
}

TEST(ConfigurationLoad, MissingKeysAfterTheNumbers) {
    // Only what a number or a flag needs: colours black, fonts kept, choices unchanged, texts
    // empty.
    std::string bytes;
    for (const auto* key : {"Border", "HSize", "HUnderline", "HItalic", "HBold", "BSize",
                            "BUnderline", "BItalic", "BBold"})
        bytes += MakeTagLine(key, "0") + "\r\n";
    InfoBoxSettings before = everyFieldChanged();
    const InfoBoxSettings s = loaded(bytes, before);
    EXPECT_EQ(s.Border, 1);
    EXPECT_EQ(s.BorderColor, 0u);
    EXPECT_EQ(s.HBgColor, 0u);
    EXPECT_EQ(s.HName, "Times New Roman");
    EXPECT_EQ(s.BName, "Courier New");
    EXPECT_EQ(s.HSize, 9);
    EXPECT_FALSE(s.HBold);
    EXPECT_EQ(s.Target, TargetKind::Layer);
    EXPECT_EQ(s.OutputFormat, OutputChoice::CodeListing);
    EXPECT_EQ(s.LinkText, "");
    EXPECT_EQ(s.BodyText, "");
    EXPECT_EQ(s.Output, "");
}

TEST(ConfigurationLoad, NumbersAreBroughtIntoTheFieldsRanges) {
    const std::string start = readTestData("start-settings.set");
    struct Case {
        const char* key;
        const char* value;
        int InfoBoxSettings::*field;
        int expected;
    };
    const Case cases[] = {
        {"Border", "25", &InfoBoxSettings::Border, 10},
        {"Border", "0", &InfoBoxSettings::Border, 1},
        {"Border", "-2147483648", &InfoBoxSettings::Border, 1},
        {"HSize", "5", &InfoBoxSettings::HSize, 9},
        {"HSize", "$1E", &InfoBoxSettings::HSize, 30},
        {"BSize", "31", &InfoBoxSettings::BSize, 30},
        {"BSize", "  +20", &InfoBoxSettings::BSize, 20},
    };
    for (const auto& c : cases)
        EXPECT_EQ(loaded(withLine(start, c.key, c.value)).*c.field, c.expected)
            << c.key << "=" << c.value;

    // The window's own target receives the number as read and clamps it itself.
    RecordingTarget target;
    load(withLine(start, "Border", "25"), target);
    EXPECT_EQ(target.calls[0], "Border=25");
}

TEST(ConfigurationLoad, FlagsAsNumbersOrWords) {
    const std::string start = readTestData("start-settings.set");
    struct Case {
        const char* value;
        bool on;
    };
    const Case cases[] = {{"-1", true},     {"1", true},    {"2", true},    {"0", false},
                          {"True", true},   {"TRUE", true}, {"true", true}, {"False", false},
                          {"fAlSe", false}, {" 0", false},  {"$10", true}};
    for (const auto& c : cases) {
        InfoBoxSettings before;
        before.HItalic = !c.on;
        before.BUnderline = !c.on;
        const InfoBoxSettings s =
            loaded(withLine(withLine(start, "HItalic", c.value), "BUnderline", c.value), before);
        EXPECT_EQ(s.HItalic, c.on) << c.value;
        EXPECT_EQ(s.BUnderline, c.on) << c.value;
    }
    for (const auto* bad : {"Yes", "T", "Truee", " True", "True ", "on"}) {
        EXPECT_THROW(parseFlag(bad), UserError) << bad;
    }
}

TEST(ConfigurationLoad, TargetAndOutputChoiceOnlyForTheirValues) {
    const std::string start = readTestData("start-settings.set");
    InfoBoxSettings before;
    before.Target = TargetKind::Cell;
    before.OutputFormat = OutputChoice::CodeListing;

    EXPECT_EQ(loaded(withLine(start, "Target", "2"), before).Target, TargetKind::Image);
    EXPECT_EQ(loaded(withLine(start, "Target", "4"), before).Target, TargetKind::Layer);
    EXPECT_EQ(loaded(withLine(start, "OutputFormat", "1"), before).OutputFormat,
              OutputChoice::SamplePage);
    EXPECT_EQ(loaded(withLine(start, "OutputFormat", "2"), {}).OutputFormat,
              OutputChoice::CodeListing);
    for (const auto* other : {"", "0", "5", "01", " 2", "2 ", "$2", "Image"}) {
        const InfoBoxSettings s =
            loaded(withLine(withLine(start, "Target", other), "OutputFormat", other), before);
        EXPECT_EQ(s.Target, TargetKind::Cell) << other;
        EXPECT_EQ(s.OutputFormat, OutputChoice::CodeListing) << other;
    }
}

// The script style is a choice read as a number, with classic for files
// without its key (every file written before the choice existed).
TEST(ConfigurationLoad, ScriptStyleReadAsANumberAndClassicWhenMissing) {
    const SettingField fields[] = {
        settingField<&InfoBoxSettings::Border>(),
        settingField<&InfoBoxSettings::ScriptStyle>(),
    };
    const std::string border = MakeTagLine("Border", "2") + "\r\n";
    const auto style = [](std::string_view value) {
        return MakeTagLine("ScriptStyle", value) + "\r\n";
    };
    struct Case {
        std::string file;
        std::vector<std::string> calls;
        std::string error;
    };
    const Case cases[] = {
        {border + style("2"), {"Border=2", "ScriptStyle=2"}, ""},
        {border + style(" +$2"), {"Border=2", "ScriptStyle=2"}, ""},
        // Numbers outside the choice leave it as it is.
        {border + style("0"), {"Border=2"}, ""},
        {border + style("3"), {"Border=2"}, ""},
        // A file without the key, or with it before a key read earlier, is
        // classic; an empty value is no number.
        {border, {"Border=2", "ScriptStyle=1"}, ""},
        {style("2") + border, {"Border=2", "ScriptStyle=1"}, ""},
        {border + style(""), {"Border=2"}, "'' is not a valid integer value"},
        {border + style("Accessible"), {"Border=2"}, "'Accessible' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        RecordingTarget recorded;
        std::string error;
        try {
            load(c.file, recorded, fields);
        } catch (const UserError& e) {
            error = e.what();
        }
        EXPECT_EQ(recorded.calls, c.calls) << c.file;
        EXPECT_EQ(error, c.error) << c.file;
    }
}

TEST(ConfigurationLoad, CapitalisedTagsLoadLikeTheTablesLetterCase) {
    // Every tag in capitals, the values as they were.
    std::vector<std::string> l = lines(everyFieldChanged());
    for (size_t i = 0; i < l.size(); ++i) {
        const std::string key(keys()[i]);
        std::string upperKey = key;
        for (char& c : upperKey)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const size_t open = l[i].find('>') + 1;
        const size_t close = l[i].rfind("<%%/");
        l[i] =
            "<%%" + upperKey + "%%>" + l[i].substr(open, close - open) + "<%%/" + upperKey + "%%>";
    }
    EXPECT_EQ(loaded(taggedtext::joinLines(l)), everyFieldChanged());
}

TEST(ConfigurationLoad, FontNamesAsWrittenAndEmptyKeepsThePrevious) {
    const std::string start = readTestData("start-settings.set");
    EXPECT_EQ(loaded(withLine(start, "HName", "comic sans ms")).HName, "comic sans ms");
    InfoBoxSettings before;
    before.BName = "Verdana";
    EXPECT_EQ(loaded(withLine(start, "BName", ""), before).BName, "Verdana");
}

TEST(ConfigurationLoad, FileOfAnEarlierCopyInWindows1252) {
    const std::string bytes = readTestData("earlier-copy-1252.set");
    ASSERT_FALSE(textcodec::isValidUtf8(bytes));
    const InfoBoxSettings s = loaded(bytes);
    EXPECT_EQ(s.Border, 3);
    EXPECT_EQ(s.BorderColor, 0x0000FFu);
    EXPECT_EQ(s.HColor, 0x800000u);
    EXPECT_EQ(s.HName, "Tahoma");
    EXPECT_EQ(s.HSize, 14);
    EXPECT_FALSE(s.HUnderline);
    EXPECT_TRUE(s.HItalic);
    EXPECT_TRUE(s.HBold);
    EXPECT_EQ(s.BName, "Verdana");
    EXPECT_EQ(s.LinkText, "Caf\xC3\xA9 cr\xC3\xA8me");
    EXPECT_EQ(s.LinkURL, "http://example.com/caf\xC3\xA9");
    // Curly quotes, u umlaut and the euro sign of the code page.
    EXPECT_EQ(s.HeaderText, "\xE2\x80\x9CMen\xC3\xBC\xE2\x80\x9D \xE2\x82\xAC 5");
    EXPECT_EQ(s.BodyText, "Zeile eins\r\nZeile zwei \xC3\xBC");
    EXPECT_EQ(s.OutputFormat, OutputChoice::CodeListing);
    EXPECT_EQ(s.Output, "seite.htm");

    // Saved again it is UTF-8 and loads the same.
    const std::string resaved = toBytes(s);
    EXPECT_TRUE(textcodec::isValidUtf8(resaved));
    EXPECT_EQ(loaded(resaved), s);
}

TEST(ConfigurationLoad, BytesBehindANulByteAreIgnored) {
    // The Windows-1252 byte behind the NUL must not turn the UTF-8 before it into mojibake.
    std::string bytes = withLine(readTestData("start-settings.set"), "Output", "caf\xC3\xA9.htm");
    bytes += "\0<%%Output%%>\xE9<%%/Output%%>\r\n"s;
    EXPECT_EQ(loaded(bytes).Output, "caf\xC3\xA9.htm");
}

TEST(ConfigurationLoad, MultiLineValuesWithLoneLineFeeds) {
    std::string bytes = readTestData("start-settings.set");
    bytes = withLine(bytes, "BodyText", "a\nb\rc");
    EXPECT_EQ(loaded(bytes).BodyText, "a\r\nb\r\nc");
}

TEST(ConfigurationFile, MissingFileChangesNothing) {
    QTemporaryDir dir;
    RecordingTarget target;
    EXPECT_FALSE(loadFile(dir.filePath(QStringLiteral("nothing.set")), target));
    EXPECT_TRUE(target.calls.empty());
}

TEST(ConfigurationFile, UnreadableFileIsAnError) {
    QTemporaryDir dir;
    RecordingTarget target;
    try {
        static_cast<void>(loadFile(dir.path(), target)); // a folder exists but is no file
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"", 0), 0u) << e.what();
    }
    EXPECT_TRUE(target.calls.empty());
}

TEST(ConfigurationFile, SaveIntoAMissingFolderFailsAndCreatesNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no/such/folder/box.set"));
    try {
        saveFile(InfoBoxSettings{}, path);
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"", 0), 0u) << e.what();
    }
    EXPECT_FALSE(QFile::exists(path));
}

#ifdef Q_OS_UNIX // the save is cut short by a file size limit in a forked child
TEST(ConfigurationFile, InterruptedSaveLeavesTheOldFileIntact) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("box.set"));
    saveFile(InfoBoxSettings{}, path);
    const std::string old = readFile(path);

    InfoBoxSettings big = everyFieldChanged();
    big.BodyText = std::string(200000, 'x');

    // The save runs in a child whose file size limit cuts the write short, the
    // way a full disk would.
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            saveFile(big, path);
        } catch (const UserError&) {
            _exit(3);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3) << "the failed save was not reported";

    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("box.set")});

    // Without the limit the same save replaces the file whole.
    saveFile(big, path);
    EXPECT_EQ(readFile(path), toBytes(big));
}
#endif

TEST(NumberReading, WhatReadsAndWhatFails) {
    struct Case {
        const char* text;
        int value;
    };
    const Case good[] = {
        {"0", 0},
        {"42", 42},
        {"   42", 42},
        {"+42", 42},
        {"-42", -42},
        {"007", 7},
        {"$1F", 31},
        {"$1f", 31},
        {"0x1F", 31},
        {"0X10", 16},
        {"-$10", -16},
        {"+0x7FFFFFFF", 2147483647},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-0x80000000", -2147483647 - 1},
        {"$0000000000000001", 1},
    };
    for (const auto& c : good)
        EXPECT_EQ(parseInteger(c.text), c.value) << c.text;

    for (const auto* bad :
         {"",      " ",          "-",           "+",         "$",
          "0x",    "42 ",        "4 2",         "\t42",      "1.5",
          "1e3",   "--1",        "+-1",         "0x-1",      "$ 1",
          "x10",   "2147483648", "-2147483649", "$80000000", "99999999999999999999999",
          "0b101", "12abc"}) {
        try {
            parseInteger(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const UserError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

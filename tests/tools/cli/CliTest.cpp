#include "tests/support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

ToolRun runCli(const QStringList& args, const QString& workDir) {
    return runTool(QStringLiteral(TIPSMITH_CLI), args, workDir);
}

QString data(const char* name) {
    return QStringLiteral(CLI_TEST_DATA "/") + QString::fromUtf8(name);
}

std::string readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing " + path.toStdString() + ">";
    return file.readAll().toStdString();
}

void writeFile(const QString& path, const std::string& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// A path as the program names it in its messages.
std::string native(const char* path) {
    return QDir::toNativeSeparators(QString::fromUtf8(path)).toStdString();
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

// An error is one line on standard error, and nothing on standard output.
void expectOneLineError(const ToolRun& run, int exitCode, const std::string& text) {
    EXPECT_EQ(run.exitCode, exitCode) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "tipsmith-cli: " + text + "\n");
}

// A configuration file: the start settings with some keys replaced, or added
// at the end when the file has none.
std::string settingsWith(std::initializer_list<std::pair<std::string, std::string>> values) {
    std::string text = readFile(data("start.set"));
    for (const auto& [key, value] : values) {
        const std::string open = "<%%" + key + "%%>", close = "<%%/" + key + "%%>";
        if (text.find(open) == std::string::npos)
            text += open + close + "\r\n";
        const size_t from = text.find(open) + open.size();
        text.replace(from, text.find(close) - from, value);
    }
    return text;
}

class Cli : public testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
};

} // namespace

TEST_F(Cli, StartSettingsIntoANewNestedFolder) {
    const ToolRun run = runCli(
        {QStringLiteral("generate"), data("start.set"), QStringLiteral("out/a/b")}, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "<a href=\"\" onMouseOver=\"infobox('','','');\" onMouseOut=\"exit();\"></a>\n");
    const QString out = path("out/a/b");
    EXPECT_EQ(filesIn(out), (QStringList{"info.js", "infoboxsample.htm", "infostyle.css"}));
    // The same bytes the window's generator is checked against.
    EXPECT_EQ(readFile(out + "/info.js"), readFile(QStringLiteral(GENERATED_DATA "/info.js")));
    EXPECT_EQ(readFile(out + "/infostyle.css"),
              readFile(QStringLiteral(GENERATED_DATA "/infostyle-start.css")));
    EXPECT_EQ(readFile(out + "/infoboxsample.htm"),
              readFile(data("expected-start/infoboxsample.htm")));
}

TEST_F(Cli, StyledSettingsWithWidthAndTitleListTheCode) {
    const ToolRun run =
        runCli({QStringLiteral("generate"), data("styled.set"), path("out"),
                QStringLiteral("--box-width"), QStringLiteral("250"), QStringLiteral("--title"),
                QStringLiteral(u"Tipp f\u00FCr <i>Sie</i>")},
               dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, readFile(data("expected-styled/stdout.txt")));
    // The code listing writes no sample page; fonts are taken as written, installed or not.
    EXPECT_EQ(filesIn(path("out")), (QStringList{"info.js", "infostyle.css"}));
    EXPECT_EQ(readFile(path("out/infostyle.css")), readFile(data("expected-styled/infostyle.css")));
    EXPECT_EQ(readFile(path("out/info.js")), readFile(QStringLiteral(GENERATED_DATA "/info.js")));
}

TEST_F(Cli, BoxWidthIsBroughtIntoRangeAndOptionsMayStandAnywhere) {
    struct Case {
        QStringList args;
        const char* widthLine;
    };
    const Case cases[] = {
        {{"--box-width", "5000"}, "width: 800px;"},
        {{"--box-width=-7"}, "width: auto;"},
        {{"--box-width", "$40"}, "width: 64px;"},
        {{}, "width: auto;"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString out = path("w") + QString::number(++n);
        const ToolRun run = runCli(
            QStringList{"generate"} + c.args + QStringList{data("start.set"), out}, dir.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(readFile(out + "/infostyle.css").find(std::string("\r\n") + c.widthLine + "\r\n"),
                  std::string::npos)
            << c.args.join(' ').toStdString();
    }
}

TEST_F(Cli, LocalPictureIsCopiedIntoTheOutputFolder) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("pics"));
    writeFile(path("pics/tip.gif"), "GIF89a picture bytes");
    writeFile(path("image.set"), settingsWith({{"Target", "2"}, {"Image", "pics/tip.gif"}}));

    const ToolRun run = runCli({"generate", "image.set", "out"}, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind("<img src=\"file://pics/tip.gif\" border=0 onMouseOver=", 0), 0u)
        << run.out;
    EXPECT_EQ(readFile(path("out/tip.gif")), "GIF89a picture bytes");
    EXPECT_EQ(readFile(path("pics/tip.gif")), "GIF89a picture bytes");

    // --script overrides the file's style; the accessible page names the copy.
    writeFile(path("image.set"),
              settingsWith({{"Target", "2"}, {"Image", "pics/tip.gif"}, {"ScriptStyle", "2"}}));
    for (const auto& [style, start] :
         {std::pair{"classic", "<img src=\"file://pics/tip.gif\" "},
          std::pair{"accessible", "<img src=\"tip.gif\" alt=\"tip\" "}}) {
        const ToolRun styled = runCli(
            {"generate", "image.set", QString("out-") + style, "--script", style}, dir.path());
        ASSERT_EQ(styled.exitCode, 0) << styled.err;
        EXPECT_EQ(styled.out.rfind(start, 0), 0u) << styled.out;
    }
}

TEST_F(Cli, SettingsOfAnEarlierCopyInWindows1252) {
    writeFile(path("old.set"), settingsWith({{"LinkText", "Caf\xE9"}, {"Output", "s\xE9ite.htm"}}));
    const ToolRun run = runCli({"generate", "old.set", "out"}, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(
        run.out,
        "<a href=\"\" onMouseOver=\"infobox('','','');\" onMouseOut=\"exit();\">Caf&#233;</a>\n");
    EXPECT_TRUE(QFile::exists(path("out") + QStringLiteral(u"/s\u00E9ite.htm")));
}

TEST_F(Cli, ConversionErrorWritesNothing) {
    const struct {
        const char* name;
        std::string settings;
        const char* error;
    } cases[] = {
        {"letter.set", "Dear reader,\r\nthis file has no tags.\r\n",
         "'' is not a valid integer value"},
        {"flag.set", settingsWith({{"HBold", "maybe"}}), "'maybe' is not a valid boolean value"},
        {"colour.set", settingsWith({{"BColor", "#00GG00"}}),
         "'$0000GG00' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(path(c.name), c.settings);
        expectOneLineError(runCli({"generate", c.name, "out"}, dir.path()), 1, c.error);
    }
    EXPECT_FALSE(QFileInfo::exists(path("out")));
}

TEST_F(Cli, UnreadableSettingsFile) {
    const ToolRun missing = runCli({"generate", "nothing.set", "out"}, dir.path());
    expectOneLineError(missing, 1, "Cannot open file \"nothing.set\". No such file.");

    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.set"));
    const ToolRun folder = runCli({"generate", "folder.set", "out"}, dir.path());
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_EQ(folder.err.rfind("tipsmith-cli: Cannot open file \"folder.set\".", 0), 0u)
        << folder.err;
    EXPECT_EQ(std::count(folder.err.begin(), folder.err.end(), '\n'), 1);

    EXPECT_FALSE(QFileInfo::exists(path("out")));
}

TEST_F(Cli, OutputFolderOrFileThatCannotBeWritten) {
    writeFile(path("plain-file"), "x");
    expectOneLineError(runCli({"generate", data("start.set"), "plain-file/out"}, dir.path()), 1,
                       "Can't create the output folder \"" + native("plain-file/out") + "\".");

    // A folder standing where the style sheet goes.
    ASSERT_TRUE(QDir(dir.path()).mkpath("out/infostyle.css"));
    const ToolRun run = runCli({"generate", data("start.set"), "out"}, dir.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("tipsmith-cli: Cannot create file \"", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("infostyle.css"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
}

TEST_F(Cli, SamplePageNameMustBeAFileNameInOutdir) {
    writeFile(path("blank.set"), settingsWith({{"Output", "  \t "}}));
    expectOneLineError(runCli({"generate", "blank.set", "out"}, dir.path()), 1,
                       "Please provide a valid output filename.");

    writeFile(path("escape.set"), settingsWith({{"Output", "../escaped.htm"}}));
    expectOneLineError(runCli({"generate", "escape.set", "out"}, dir.path()), 1,
                       "The sample page name \"../escaped.htm\" names a folder; only a file name "
                       "is allowed.");
    EXPECT_FALSE(QFileInfo::exists(path("out")));
    EXPECT_FALSE(QFileInfo::exists(path("escaped.htm")));

    for (const char* name : {"Info.JS", "page\r\n.htm", "tab\there.htm"}) {
        writeFile(path("refused.set"), settingsWith({{"Output", name}}));
        expectOneLineError(runCli({"generate", "refused.set", "out"}, dir.path()), 1,
                           "Please provide a valid output filename.");
    }
    EXPECT_FALSE(QFileInfo::exists(path("out")));

    // A name the system refuses is found before anything is written.
    writeFile(path("long.set"), settingsWith({{"Output", std::string(5000, 'x') + ".htm"}}));
    const ToolRun run = runCli({"generate", "long.set", "out/new"}, dir.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("tipsmith-cli: Cannot create file \"" + native("out/new/xxx"), 0), 0u)
        << run.err;
    EXPECT_FALSE(QFileInfo::exists(path("out")));

    // A NUL ends the settings' text: what is wrong is the NUL, not the empty name it leaves.
    // (Not "nul.set": NUL is a device on Windows, whatever the extension.)
    writeFile(path("nul-byte.set"), settingsWith({{"HeaderText", std::string("Tip\0s", 5)}}));
    expectOneLineError(
        runCli({"generate", "nul-byte.set", "out"}, dir.path()), 1,
        "The settings file \"nul-byte.set\" holds a NUL byte in HeaderText, where its "
        "text ends: that key and the keys after it cannot be read.");
    writeFile(path("nul-early.set"), std::string("\0", 1) + settingsWith({}));
    expectOneLineError(runCli({"generate", "nul-early.set", "out"}, dir.path()), 1,
                       "The settings file \"nul-early.set\" holds a NUL byte before Border, "
                       "where its text ends: that key and the keys after it cannot be read.");
    // Behind the last key it costs nothing.
    writeFile(path("nul-last.set"), settingsWith({}) + std::string("\0", 1));
    EXPECT_EQ(runCli({"generate", "nul-last.set", "out"}, dir.path()).exitCode, 0);

    // With the code listing the name is not used, so it does not matter.
    writeFile(path("listing.set"), settingsWith({{"Output", ""}, {"OutputFormat", "2"}}));
    EXPECT_EQ(runCli({"generate", "listing.set", "out"}, dir.path()).exitCode, 0);
}

TEST_F(Cli, WrongCommandLines) {
    const QString s = data("start.set");
    const struct {
        QStringList args;
        const char* error;
    } cases[] = {
        {{}, "no command given (see --help)"},
        {{"make", s, "out"}, "unknown command 'make' (see --help)"},
        {{"generate", s}, "generate takes SETTINGS.set and OUTDIR (see --help)"},
        {{"generate", s, "out", "more"}, "generate takes SETTINGS.set and OUTDIR (see --help)"},
        {{"generate", s, "out", "--width", "5"}, "unknown option '--width'"},
        {{"generate", s, "out", "-v"}, "unknown option '-v'"},
        {{"generate", s, "out", "--title"}, "option '--title' needs a value"},
        {{"generate", s, "out", "--box-width", "wide"},
         "--box-width: 'wide' is not a valid integer value"},
        {{"generate", s, "out", "--box-width", "12 "},
         "--box-width: '12 ' is not a valid integer value"},
        {{"generate", s, "out", "--script", "Accessible"},
         "--script: unknown style 'Accessible' (classic or accessible)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        expectOneLineError(runCli(c.args, dir.path()), 2, c.error);
    }
    EXPECT_FALSE(QFileInfo::exists(path("out")));
}

TEST_F(Cli, HelpPrintsTheUsage) {
    for (const QStringList& args :
         {QStringList{"--help"}, QStringList{"-h"}, QStringList{"generate", "--help"}}) {
        const ToolRun run = runCli(args, dir.path());
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out.rfind("Usage: tipsmith-cli generate SETTINGS.set OUTDIR [--box-width N] "
                                "[--title TEXT]\n",
                                0),
                  0u)
            << run.out;
    }
    // After "--" and as an option's value, "--help" is an ordinary argument.
    const ToolRun run =
        runCli({"generate", data("start.set"), "out", "--title", "--help"}, dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("infobox('','--help','')"), std::string::npos) << run.out;
}

#ifdef Q_OS_LINUX
TEST(CliBinary, LinksNeitherQtGuiNorWidgets) {
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), QStringLiteral(TIPSMITH_CLI)});
    if (!readelf.waitForFinished(30000) || readelf.exitCode() != 0)
        GTEST_SKIP() << "readelf is not available";
    const std::string needed = readelf.readAllStandardOutput().toStdString();
    EXPECT_NE(needed.find("libQt6Core"), std::string::npos) << needed;
    EXPECT_EQ(needed.find("libQt6Gui"), std::string::npos) << needed;
    EXPECT_EQ(needed.find("libQt6Widgets"), std::string::npos) << needed;
}
#endif

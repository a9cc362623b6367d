// tipsmith-cli: builds an Info Box from a saved configuration, for build scripts.
//
//     tipsmith-cli generate SETTINGS.set OUTDIR [--box-width N] [--title TEXT]
//                  [--script classic|accessible]
//
// The settings go through the same reader as Load Configuration and the files
// through the same generator as Finish, so a build reproduces what the window
// would write.

#include "format/TextCodec.h"
#include "util/UserError.h"
#include "wizard/Configuration.h"
#include "wizard/OutputWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <optional>
#include <string>

namespace {

constexpr int kExitFailed = 1; // the settings or the output failed
constexpr int kExitUsage = 2;  // the command line is wrong

const char kUsage[] =
    "Usage: tipsmith-cli generate SETTINGS.set OUTDIR [--box-width N] [--title TEXT]\n"
    "                    [--script classic|accessible]\n"
    "\n"
    "Builds an Info Box from a configuration file saved by Tipsmith, without a window.\n"
    "Writes infostyle.css, info.js and, when the settings ask for a sample page, that\n"
    "page into OUTDIR (created when missing), copies a local picture of an image\n"
    "target beside them, and prints the element's HTML on standard output.\n"
    "\n"
    "Options:\n"
    "  --box-width N   box width in pixels, 0 (fit the content) to 800; default 0\n"
    "  --title TEXT    the bold title line of the box; default empty\n"
    "  --script STYLE  classic (mouse only) or accessible (mouse, keyboard, touch,\n"
    "                  screen readers); default the settings file's choice\n"
    "  -h, --help      show this help\n"
    "\n"
    "Font names are used as written in SETTINGS.set; an empty name means Arial.\n"
    "Exit status: 0 done, 1 the settings or the output failed, 2 wrong command line.\n";

struct Failure {
    int code;
    std::string message;
};

struct Command {
    QString settingsFile;
    QString outputFolder;
    std::optional<int> boxWidth;
    std::optional<std::string> title;
    std::optional<ScriptChoice> script;
    bool help = false;
};

// Reads the arguments after "generate". Options may stand anywhere; "--"
// ends them, so a path that begins with "-" can still be given.
Command parseGenerate(const QStringList& args) {
    Command command;
    QStringList positional;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString arg = args[i];
        if (optionsEnded || !arg.startsWith(u'-') || arg == u"-") {
            positional << arg;
            continue;
        }
        if (arg == u"--") {
            optionsEnded = true;
            continue;
        }
        if (arg == u"--help" || arg == u"-h") {
            command.help = true;
            return command;
        }
        QString name = arg;
        std::optional<QString> value;
        if (const qsizetype eq = arg.indexOf(u'='); arg.startsWith(u"--") && eq > 0) {
            name = arg.left(eq);
            value = arg.mid(eq + 1);
        }
        if (name != u"--box-width" && name != u"--title" && name != u"--script")
            throw Failure{kExitUsage, "unknown option '" + textcodec::toUtf8(name) + "'"};
        if (!value) {
            if (i + 1 >= args.size())
                throw Failure{kExitUsage, "option '" + textcodec::toUtf8(name) + "' needs a value"};
            value = args[++i];
        }
        if (name == u"--title") {
            command.title = textcodec::toUtf8(*value);
        } else if (name == u"--script") {
            if (*value == u"classic")
                command.script = ScriptChoice::Classic;
            else if (*value == u"accessible")
                command.script = ScriptChoice::Accessible;
            else
                throw Failure{kExitUsage, "--script: unknown style '" + textcodec::toUtf8(*value) +
                                              "' (classic or accessible)"};
        } else {
            try {
                // The same number reader as the configuration file's.
                command.boxWidth = configuration::parseInteger(textcodec::toUtf8(*value));
            } catch (const UserError& e) {
                throw Failure{kExitUsage, "--box-width: " + std::string(e.what())};
            }
        }
    }
    if (positional.size() != 2)
        throw Failure{kExitUsage, "generate takes SETTINGS.set and OUTDIR (see --help)"};
    command.settingsFile = positional[0];
    command.outputFolder = positional[1];
    return command;
}

std::string native(const QString& path) {
    return textcodec::toUtf8(QDir::toNativeSeparators(path));
}

// Remembers where a NUL byte cut the settings short, which the program reads
// as the end of the file.
class CliTarget : public SettingsTarget {
public:
    using SettingsTarget::SettingsTarget;
    void textEndedAt(const SettingField& field, bool insideValue) override {
        m_cut = std::string(insideValue ? "in " : "before ") + std::string(field.key);
    }
    // The failure for a file cut short, if it was.
    void failIfCut(const QString& file) const {
        if (m_cut)
            throw Failure{kExitFailed, "The settings file \"" + native(file) +
                                           "\" holds a NUL byte " + *m_cut +
                                           ", where its text ends: that key and the keys "
                                           "after it cannot be read."};
    }

private:
    std::optional<std::string> m_cut;
};

std::string generate(const Command& command) {
    InfoBoxSettings settings;
    CliTarget target(settings);
    bool found = false;
    try {
        found = configuration::loadFile(command.settingsFile, target);
    } catch (const UserError&) {
        // A value cut short by a NUL may not convert; the NUL is what is wrong.
        target.failIfCut(command.settingsFile);
        throw;
    }
    if (!found)
        throw Failure{kExitFailed,
                      "Cannot open file \"" + native(command.settingsFile) + "\". No such file."};
    target.failIfCut(command.settingsFile);

    // Brought into its range the way a loaded number is.
    if (command.boxWidth)
        target.set(settingField<&InfoBoxSettings::BoxWidth>(), *command.boxWidth);
    if (command.title)
        settings.BoldText = *command.title;
    if (command.script)
        settings.ScriptStyle = *command.script;

    const bool samplePage = settings.OutputFormat == OutputChoice::SamplePage;
    if (samplePage) {
        switch (output::checkOutputName(settings.Output)) {
        case output::OutputNameProblem::None:
            break;
        case output::OutputNameProblem::FolderPart:
            throw Failure{kExitFailed, "The sample page name \"" + settings.Output +
                                           "\" names a folder; only a file name is allowed."};
        case output::OutputNameProblem::Blank:
        case output::OutputNameProblem::Control:
        case output::OutputNameProblem::GeneratedFile:
            throw Failure{kExitFailed, "Please provide a valid output filename."};
        }
    }

    const output::GenerateResult result =
        output::generateCode(settings, command.outputFolder, command.outputFolder, samplePage);
    if (!result.folderCreated)
        throw Failure{kExitFailed,
                      "Can't create the output folder \"" + native(command.outputFolder) + "\"."};
    return result.snippet;
}

int fail(int code, const std::string& message) {
    std::fprintf(stderr, "tipsmith-cli: %s\n", message.c_str());
    return code;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

#ifdef Q_OS_WIN
    // The snippet ends in a bare LF on every platform.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const auto usage = [] {
        std::fputs(kUsage, stdout);
        return std::fflush(stdout) == 0 ? 0 : kExitFailed;
    };
    if (!args.isEmpty() && (args.first() == u"--help" || args.first() == u"-h"))
        return usage();
    if (args.isEmpty())
        return fail(kExitUsage, "no command given (see --help)");
    if (args.first() != u"generate")
        return fail(kExitUsage,
                    "unknown command '" + textcodec::toUtf8(args.first()) + "' (see --help)");
    args.removeFirst();

    try {
        const Command command = parseGenerate(args);
        if (command.help)
            return usage();
        const std::string snippet = generate(command);
        const std::string line = snippet + "\n";
        if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() ||
            std::fflush(stdout) != 0)
            return fail(kExitFailed, "cannot write the snippet to standard output");
        return 0;
    } catch (const Failure& f) {
        return fail(f.code, f.message);
    } catch (const UserError& e) {
        return fail(kExitFailed, e.what());
    }
}

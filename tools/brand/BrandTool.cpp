#include "tools/brand/BrandTool.h"

#include "brand/BrandProfileCheck.h"
#include "util/ProgramFiles.h"
#include "util/ProtectedFile.h"
#include "util/SaveFile.h"
#include "util/UserError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace {

constexpr size_t MaxPassPhrase = 128;

QString fileName(const std::string& argument) {
    return QFile::decodeName(QByteArray::fromStdString(argument));
}

std::string absolute(const QString& name) {
    return QFileInfo(name).absoluteFilePath().toStdString();
}

// pack PLAIN CONTAINER: the container is written beside its final name and
// renamed over it once complete.
int pack(const BrandArguments& arguments, std::ostream&, std::ostream&) {
    EncryptProtectedFile(fileName(arguments.positional[0]), fileName(arguments.positional[1]),
                         arguments.passPhrase);
    return BrandExitOk;
}

// unpack CONTAINER PLAIN: the plain file appears only when the pass phrase
// and the authentication code both check out; until then it is a temporary
// file that is thrown away on failure.
int unpack(const BrandArguments& arguments, std::ostream&, std::ostream& err) {
    const QString containerName = fileName(arguments.positional[0]);
    const QString plainName = fileName(arguments.positional[1]);
    QFile container(containerName);
    if (!container.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw UserError("Cannot open file \"" + absolute(containerName) + "\". " +
                        container.errorString().toStdString());
    std::error_code same;
    if (std::filesystem::equivalent(arguments.positional[0], arguments.positional[1], same))
        throw UserError("Cannot create file \"" + absolute(plainName) +
                        "\". It is the file being read.");
    QSaveFile plain(plainName);
    if (!plain.open(QIODevice::WriteOnly))
        throw UserError("Cannot create file \"" + absolute(plainName) + "\". " +
                        plain.errorString().toStdString());
    switch (decryptProtectedDevice(container, &plain, arguments.passPhrase)) {
    case ProtectedFileResult::Ok: {
        QString reason;
        if (!commitSaveFile(plain, reason))
            throw UserError("Cannot write file \"" + absolute(plainName) + "\". " +
                            reason.toStdString());
        return BrandExitOk;
    }
    case ProtectedFileResult::WrongPassPhrase:
        err << "wrong pass phrase, or not a protected file\n";
        return BrandExitFailed;
    case ProtectedFileResult::Damaged:
        err << "the file is damaged: its authentication code does not match\n";
        return BrandExitFailed;
    }
    return BrandExitFailed;
}

QByteArray readWhole(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError("Cannot open file \"" + absolute(name) + "\". " +
                        file.errorString().toStdString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw UserError("Cannot read file \"" + absolute(name) + "\". " +
                        file.errorString().toStdString());
    return bytes;
}

void printValue(std::ostream& out, const std::string& key, const std::string& value) {
    out << key << ":";
    if (value.find('\n') == std::string::npos) {
        out << " " << value << "\n";
        return;
    }
    // A value of several lines: each on its own line, indented.
    size_t from = 0;
    while (from <= value.size()) {
        size_t end = value.find("\r\n", from);
        if (end == std::string::npos)
            end = value.size();
        out << "\n    " << value.substr(from, end - from);
        from = end + 2;
    }
    out << "\n";
}

// check PROFILE: every value as the program will read it, then every problem
// that loses data without a word. Banner pictures are looked for beside the
// profile text, where they will lie beside the program.
int check(const BrandArguments& arguments, std::ostream& out, std::ostream&) {
    const QString name = fileName(arguments.positional[0]);
    const QByteArray bytes = readWhole(name);
    const QString folder = QFileInfo(name).absolutePath() + u'/';
    const BrandProfileReport report = checkBrandProfile(
        std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), folder);
    for (const auto& [key, value] : report.values)
        printValue(out, key, value);
    out << "\nThe news button " << (report.newsButton ? "shows." : "is hidden.") << "\n";
    if (report.problems.empty()) {
        out << "No problems: nothing is lost.\n";
        return BrandExitOk;
    }
    out << report.problems.size() << (report.problems.size() == 1 ? " problem:" : " problems:")
        << "\n";
    for (const auto& problem : report.problems)
        out << "  - " << problem << "\n";
    return BrandExitFailed;
}

// skin STYLE MAINSKIN: a style sheet packed the way the program unpacks it.
int skin(const BrandArguments& arguments, std::ostream&, std::ostream&) {
    const QByteArray sheet = readWhole(fileName(arguments.positional[0]));
    const QString targetName = fileName(arguments.positional[1]);
    QSaveFile target(targetName);
    const QByteArray packed = qCompress(sheet, 9);
    QString reason;
    bool written = target.open(QIODevice::WriteOnly) && target.write(packed) == packed.size();
    if (!written)
        reason = target.errorString();
    else
        written = commitSaveFile(target, reason);
    if (!written)
        throw UserError("Cannot create file \"" + absolute(targetName) + "\". " +
                        reason.toStdString());
    return BrandExitOk;
}

const std::vector<BrandCommand> commands = {
    {"pack", "PLAIN CONTAINER [--passphrase TEXT]",
     "encrypt the file PLAIN into the protected file CONTAINER", 2, pack},
    {"unpack", "CONTAINER PLAIN [--passphrase TEXT]",
     "decrypt the protected file CONTAINER into PLAIN, only if it opens intact", 2, unpack},
    {"check", "PROFILE",
     "show how the program reads the plain profile text PROFILE and what it loses", 1, check},
    {"skin", "STYLE MAINSKIN", "pack the style sheet STYLE into the skin file MAINSKIN", 2, skin},
};

void printHelp(std::ostream& out) {
    out << "Usage: tipsmith-brand COMMAND ARGUMENTS\n\n"
           "Makes and inspects the protected files of a branded copy, such as the\n"
           "brand profile "
        << BrandProfileFileName << ".\n\nCommands:\n";
    for (const auto& c : commands)
        out << "  " << c.name << " " << c.usage << "\n      " << c.summary << "\n";
    out << "\nOptions:\n"
           "  --passphrase TEXT  the pass phrase (at most 128 bytes); without it the\n"
           "                     program's own, which every copy uses for its profile\n"
           "  --help             this text\n\n"
           "Exit status: 0 done, 1 a file could not be used or did not open, or check\n"
           "found a problem, 2 usage.\n";
}

int usageError(std::ostream& err, const std::string& message) {
    err << "tipsmith-brand: " << message << "\n"
        << "Try 'tipsmith-brand --help'.\n";
    return BrandExitUsage;
}

} // namespace

const std::vector<BrandCommand>& brandCommands() {
    return commands;
}

int runBrandTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.empty())
        return usageError(err, "no command given");
    for (const auto& a : arguments) {
        if (a == "--help" || a == "-h") {
            printHelp(out);
            return BrandExitOk;
        }
    }
    const BrandCommand* command = nullptr;
    for (const auto& c : commands)
        if (arguments[0] == c.name)
            command = &c;
    if (!command)
        return usageError(err, "unknown command '" + arguments[0] + "'");

    BrandArguments parsed;
    parsed.passPhrase = std::string(ProtectedFilePassPhrase);
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--passphrase") {
            if (i + 1 == arguments.size())
                return usageError(err, "--passphrase needs a value");
            parsed.passPhrase = arguments[++i];
        } else if (a.rfind("--passphrase=", 0) == 0) {
            parsed.passPhrase = a.substr(13);
        } else if (a.size() > 1 && a[0] == '-' && a != "--") {
            return usageError(err, "unknown option '" + a + "'");
        } else if (a != "--") {
            parsed.positional.push_back(a);
        }
    }
    if (parsed.positional.size() != command->positionalCount)
        return usageError(err, std::string("usage: tipsmith-brand ") + command->name + " " +
                                   command->usage);
    if (parsed.passPhrase.size() > MaxPassPhrase)
        return usageError(err, "the pass phrase is longer than 128 bytes");

    try {
        return command->run(parsed, out, err);
    } catch (const UserError& error) {
        err << error.what() << "\n";
        return BrandExitFailed;
    }
}

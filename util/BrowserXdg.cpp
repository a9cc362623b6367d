// The web browser on the free desktops: the default application for http
// addresses as the XDG MIME associations and desktop entries name it,
// started as a detached process.

#include "format/TextCodec.h"
#include "util/Utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace {

// The XDG base directories. Unset or empty variables take their documented
// defaults; relative entries are invalid and ignored.
QString xdgHome(const char* variable, const QString& fallbackUnderHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return QDir::homePath() + fallbackUnderHome;
}

QStringList xdgDirs(const char* variable, const QString& fallback) {
    QString value = qEnvironmentVariable(variable);
    if (value.isEmpty())
        value = fallback;
    QStringList dirs;
    for (const QString& dir : value.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            dirs << dir;
    }
    return dirs;
}

QStringList applicationDirs() {
    QStringList dirs{xdgHome("XDG_DATA_HOME", QStringLiteral("/.local/share"))};
    dirs << xdgDirs("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    for (QString& dir : dirs)
        dir += QStringLiteral("/applications");
    return dirs;
}

struct MimeAppsFile {
    QString path;
    bool desktopSpecific;
};

// Every mimeapps.list in precedence order: at each level the files of the
// current desktops (in the order XDG_CURRENT_DESKTOP names them) come before
// the general one.
std::vector<MimeAppsFile> mimeAppsFiles() {
    QStringList desktops;
    for (const QString& name :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        QString lowered = name;
        for (QChar& c : lowered) {
            if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                c = QChar(c.unicode() - 'A' + 'a');
        }
        desktops << lowered;
    }
    QStringList levels{xdgHome("XDG_CONFIG_HOME", QStringLiteral("/.config"))};
    levels << xdgDirs("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    levels << applicationDirs();

    std::vector<MimeAppsFile> files;
    for (const QString& level : levels) {
        for (const QString& desktop : desktops)
            files.push_back(
                {level + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list"), true});
        files.push_back({level + QStringLiteral("/mimeapps.list"), false});
    }
    return files;
}

// One group of a key file (mimeapps.list or a desktop entry) as key and value
// pairs, keys in the order they appear.
using KeyFileGroup = std::vector<std::pair<QString, QString>>;

std::vector<std::pair<QString, KeyFileGroup>> readKeyFile(const QString& path) {
    std::vector<std::pair<QString, KeyFileGroup>> groups;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return groups;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& raw : lines) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            groups.emplace_back(line.mid(1, line.size() - 2), KeyFileGroup());
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || groups.empty())
            continue;
        groups.back().second.emplace_back(line.left(equals).trimmed(),
                                          line.mid(equals + 1).trimmed());
    }
    return groups;
}

// The first value of `key` in the first group named `group`.
std::optional<QString> keyFileValue(const std::vector<std::pair<QString, KeyFileGroup>>& groups,
                                    const QString& group, const QString& key,
                                    Qt::CaseSensitivity keyCase = Qt::CaseSensitive) {
    for (const auto& [name, entries] : groups) {
        if (name != group)
            continue;
        for (const auto& [entryKey, value] : entries) {
            if (entryKey.compare(key, keyCase) == 0)
                return value;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

QStringList splitList(const std::optional<QString>& value) {
    if (!value)
        return {};
    QStringList items;
    for (const QString& item : value->split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = item.trimmed();
        if (!trimmed.isEmpty())
            items << trimmed;
    }
    return items;
}

// The file of a desktop file ID inside one applications folder. The ID of a
// file in a subfolder joins the folders with "-" ("kde4-browser.desktop" may
// be kde4/browser.desktop), so each subfolder whose name starts the ID is
// tried in turn.
QString desktopFileIn(const QString& dir, const QString& id) {
    const QString direct = dir + QLatin1Char('/') + id;
    if (QFileInfo(direct).isFile())
        return direct;
    const QStringList subdirs = QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& sub : subdirs) {
        if (id.size() > sub.size() + 1 && id.startsWith(sub) &&
            id[sub.size()] == QLatin1Char('-')) {
            const QString found =
                desktopFileIn(dir + QLatin1Char('/') + sub, id.mid(sub.size() + 1));
            if (!found.isEmpty())
                return found;
        }
    }
    return {};
}

// The value of a desktop entry string with its escapes (\s \n \t \r \\) resolved.
QString unescapeDesktopString(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            out += c;
            out += next;
            break;
        }
    }
    return out;
}

// The program of an Exec line: its first argument, quotes and the escapes of
// quoted arguments resolved, "%%" read as "%". Empty when the line names none.
QString execProgram(const QString& exec) {
    const QString line = unescapeDesktopString(exec);
    QString program;
    qsizetype i = 0;
    while (i < line.size() && (line[i] == QLatin1Char(' ') || line[i] == QLatin1Char('\t')))
        ++i;
    bool quoted = false;
    for (; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < line.size() &&
                       QStringLiteral("\"`$\\").contains(line[i + 1])) {
                program += line[++i];
            } else {
                program += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            break;
        } else if (c == QLatin1Char('%')) {
            // A field code cannot be the program; "%%" is a literal percent sign.
            if (i + 1 < line.size() && line[i + 1] == QLatin1Char('%')) {
                program += c;
                ++i;
            } else {
                return {};
            }
        } else {
            program += c;
        }
    }
    return quoted ? QString() : program;
}

struct DesktopEntry {
    QString program;
    QStringList mimeTypes;
};

// The desktop entry of `id` as the applications folders provide it: the file
// in the folder of highest precedence counts, and when it is hidden (deleted
// by the user) or names no program there is no usable entry.
std::optional<DesktopEntry> loadDesktopEntry(const QString& id) {
    if (!id.endsWith(QStringLiteral(".desktop")) || id.contains(QLatin1Char('/')))
        return std::nullopt;
    for (const QString& dir : applicationDirs()) {
        const QString path = desktopFileIn(dir, id);
        if (path.isEmpty())
            continue;
        const auto groups = readKeyFile(path);
        const QString group = QStringLiteral("Desktop Entry");
        if (keyFileValue(groups, group, QStringLiteral("Hidden")).value_or(QString()) ==
            QStringLiteral("true"))
            return std::nullopt;
        const QString type =
            keyFileValue(groups, group, QStringLiteral("Type")).value_or(QString());
        if (!type.isEmpty() && type != QStringLiteral("Application"))
            return std::nullopt;
        DesktopEntry entry;
        entry.program =
            execProgram(keyFileValue(groups, group, QStringLiteral("Exec")).value_or(QString()));
        if (entry.program.isEmpty())
            return std::nullopt;
        entry.mimeTypes = splitList(keyFileValue(groups, group, QStringLiteral("MimeType")));
        return entry;
    }
    return std::nullopt;
}

// Desktop entries that announce `mimeType` themselves, the folders in
// precedence order and each folder's IDs sorted; an ID seen in an earlier
// folder hides the same ID further down.
std::optional<DesktopEntry> firstEntryAnnouncing(const QString& mimeType,
                                                 const QSet<QString>& removed) {
    QSet<QString> seen;
    for (const QString& dir : applicationDirs()) {
        QStringList ids;
        const QString prefix = dir + QLatin1Char('/');
        std::vector<QString> pending{dir};
        while (!pending.empty()) {
            const QString current = pending.back();
            pending.pop_back();
            const QFileInfoList infos = QDir(current).entryInfoList(
                QStringList{QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable);
            for (const QFileInfo& info : infos)
                ids << info.filePath()
                           .mid(prefix.size())
                           .replace(QLatin1Char('/'), QLatin1Char('-'));
            for (const QFileInfo& sub :
                 QDir(current).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks))
                pending.push_back(sub.filePath());
        }
        ids.sort();
        for (const QString& id : ids) {
            if (seen.contains(id))
                continue;
            seen.insert(id);
            if (removed.contains(id))
                continue;
            auto entry = loadDesktopEntry(id);
            if (entry && entry->mimeTypes.contains(mimeType, Qt::CaseInsensitive))
                return entry;
        }
    }
    return std::nullopt;
}

std::optional<DesktopEntry> defaultEntryFor(const QString& mimeType) {
    const std::vector<MimeAppsFile> files = mimeAppsFiles();
    const QString defaults = QStringLiteral("Default Applications");

    // The first installed default of the highest level that names any.
    for (const MimeAppsFile& file : files) {
        const auto groups = readKeyFile(file.path);
        for (const QString& id :
             splitList(keyFileValue(groups, defaults, mimeType, Qt::CaseInsensitive))) {
            if (auto entry = loadDesktopEntry(id))
                return entry;
        }
    }

    // No default: the most preferred association. Added associations in
    // precedence order, each level's removals hiding what lower levels add,
    // then the entries that announce the type themselves. Only the general
    // files may add or remove associations.
    QSet<QString> removed;
    for (const MimeAppsFile& file : files) {
        if (file.desktopSpecific)
            continue;
        const auto groups = readKeyFile(file.path);
        for (const QString& id : splitList(keyFileValue(
                 groups, QStringLiteral("Added Associations"), mimeType, Qt::CaseInsensitive))) {
            if (removed.contains(id))
                continue;
            if (auto entry = loadDesktopEntry(id))
                return entry;
        }
        for (const QString& id : splitList(keyFileValue(
                 groups, QStringLiteral("Removed Associations"), mimeType, Qt::CaseInsensitive)))
            removed.insert(id);
    }
    return firstEntryAnnouncing(mimeType, removed);
}

bool startDetached(const std::string& program, const std::string& address) {
    return QProcess::startDetached(QString::fromUtf8(program),
                                   QStringList{textcodec::decodeToQString(address)});
}

} // namespace

std::string registeredHttpBrowser() {
    const auto entry = defaultEntryFor(QStringLiteral("x-scheme-handler/http"));
    return entry ? entry->program.toStdString() : std::string();
}

bool OpenInBrowser(std::string_view address) {
    return OpenInBrowser(address, startDetached);
}

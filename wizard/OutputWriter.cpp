#include "wizard/OutputWriter.h"

#include "format/TextCodec.h"
#include "util/SaveFile.h"
#include "util/UserError.h"
#include "wizard/Generator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <memory>
#include <vector>

namespace output {

namespace {

// The locale's long time format names the time zone ("t"); a folder name has no use for it.
QString withoutTimeZone(QString format) {
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        out += c;
    }
    return out.trimmed();
}

} // namespace

QString makeStamp(const QDateTime& when, const QString& dateFormat, const QString& timeFormat,
                  const QLocale& locale) {
    QString text = locale.toString(when.date(), dateFormat);
    if (when.time() != QTime(0, 0))
        text += u' ' + locale.toString(when.time(), timeFormat);
    QString stamp;
    stamp.reserve(text.size());
    for (const QChar c : text) {
        // Any kind of blank counts: locales put narrow no-break spaces before AM/PM.
        stamp += (c == u':' || c == u'/' || c.isSpace()) ? QChar(u'_') : c;
    }
    return stamp;
}

QString makeStamp(const QDateTime& when, const QLocale& locale) {
    return makeStamp(when, locale.dateFormat(QLocale::ShortFormat),
                     withoutTimeZone(locale.timeFormat(QLocale::LongFormat)), locale);
}

OutputNameProblem checkOutputName(const std::string& name) {
    if (std::all_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) <= ' '; }))
        return OutputNameProblem::Blank;
    if (name == "." || name == "..")
        return OutputNameProblem::FolderPart;
#ifdef Q_OS_WIN
    if (name.find_first_of("/\\:") != std::string::npos)
        return OutputNameProblem::FolderPart;
#else
    if (name.find('/') != std::string::npos)
        return OutputNameProblem::FolderPart;
#endif
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < ' ' || c == '\x7F'; }))
        return OutputNameProblem::Control;
    const QString file = textcodec::fromUtf8(name);
    if (sameFileName(file, QString::fromLatin1(ScriptFileName)) ||
        sameFileName(file, QString::fromLatin1(StyleSheetFileName)))
        return OutputNameProblem::GeneratedFile;
    return OutputNameProblem::None;
}

bool sameFileName(const QString& a, const QString& b) {
    // Windows drops trailing dots and blanks from a file name.
    const auto significant = [](QString name) {
        while (name.endsWith(u'.') || name.endsWith(u' '))
            name.chop(1);
        return name;
    };
    return significant(a).compare(significant(b), Qt::CaseInsensitive) == 0;
}

QString outputFolderFor(const QString& exeFolder, const QString& stamp) {
    return exeFolder + QStringLiteral("Output/Info_") + stamp;
}

bool isLocalPictureFile(const std::string& image) {
    if (image.empty())
        return false;
    return QFileInfo(textcodec::fromUtf8(image)).isFile();
}

namespace {

// The name of the picture's copy: its own name, unless the copy goes into the
// output folder itself and would replace one of the files written there; it
// is then "picture-" + its name (with a number when even that is taken).
QString pictureCopyName(const QString& source, const QStringList& generated) {
    const QString own = QFileInfo(source).fileName();
    const auto taken = [&](const QString& name) {
        return std::any_of(generated.begin(), generated.end(),
                           [&](const QString& file) { return sameFileName(name, file); });
    };
    QString name = own;
    for (int n = 1; taken(name); ++n)
        name = (n == 1 ? QStringLiteral("picture-") : QStringLiteral("picture%1-").arg(n)) + own;
    return name;
}

// Copies the author's picture beside the output under `name`, replacing a
// copy of that name; false when no copy could be made, and the snippet then
// points at the original. The copy is written beside its final name and
// renamed over it when whole, so a copy that fails (a full disk) leaves an
// earlier copy as it was.
bool copyPicture(const QString& source, const QString& pictureFolder, const QString& name) {
    QDir().mkpath(pictureFolder);
    const QString target = pictureFolder + u'/' + name;
    const QFileInfo sourceInfo(source), targetInfo(target);
    // Copying a picture onto itself would first empty it.
    if (targetInfo.exists() && sourceInfo.canonicalFilePath() == targetInfo.canonicalFilePath())
        return true;
    QFile in(source);
    QSaveFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    for (;;) {
        const QByteArray piece = in.read(1 << 16);
        if (piece.isEmpty()) {
            if (in.error() != QFileDevice::NoError)
                return false;
            break;
        }
        if (out.write(piece) != piece.size())
            return false;
    }
    QString reason;
    return commitSaveFile(out, reason);
}

} // namespace

namespace {

// The files of one run, replaced together. Each is created before any is
// written, so a name the system refuses (too long, say) fails before anything
// is written; all are synced before the first is renamed into place, so a
// full disk fails before any earlier file is replaced.
class OutputFiles {
public:
    void open(const QString& path) {
        auto file = std::make_unique<QSaveFile>(path);
        if (!file->open(QIODevice::WriteOnly))
            throw cannotCreateFile(path, file->errorString());
        m_files.push_back(std::move(file));
    }
    void write(size_t index, const std::string& bytes) {
        QSaveFile& file = *m_files.at(index);
        if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()))
            throw cannotCreateFile(file.fileName(), file.errorString());
    }
    void drop(size_t index) { m_files.erase(m_files.begin() + static_cast<ptrdiff_t>(index)); }
    void commit() {
        QString reason;
        for (const auto& file : m_files) {
            if (!syncSaveFile(*file, reason))
                throw cannotCreateFile(file->fileName(), reason);
        }
        for (const auto& file : m_files) {
            if (!renameSaveFile(*file, reason))
                throw cannotCreateFile(file->fileName(), reason);
        }
    }

private:
    std::vector<std::unique_ptr<QSaveFile>> m_files;
};

// Removes what a run created when it ends without success: the folder it made
// and a picture copy that had no earlier file.
class Undo {
public:
    ~Undo() {
        if (m_done)
            return;
        if (!m_picture.isEmpty())
            QFile::remove(m_picture);
        if (!m_folder.isEmpty())
            QDir(m_folder).removeRecursively();
    }
    void folder(const QString& path) { m_folder = path; }
    void picture(const QString& path) { m_picture = path; }
    void done() { m_done = true; }

private:
    QString m_folder;
    QString m_picture;
    bool m_done = false;
};

} // namespace

GenerateResult generateCode(const InfoBoxSettings& settings, const QString& folder,
                            const QString& pictureFolder, bool samplePage) {
    const ScriptChoice style = settings.ScriptStyle;
    // The accessible page refers to the copy by its bare file name.
    const QString copyFolder = style == ScriptChoice::Accessible ? folder : pictureFolder;
    GenerateResult result;
    result.folder = folder;
    const OutputNameProblem nameProblem =
        samplePage ? checkOutputName(settings.Output) : OutputNameProblem::None;
    if (nameProblem == OutputNameProblem::FolderPart ||
        nameProblem == OutputNameProblem::GeneratedFile ||
        nameProblem == OutputNameProblem::Control)
        throw UserError("The sample page name \"" + settings.Output +
                        "\" is not a file name of its own in the output folder.");
    Undo undo;
    if (!QFileInfo(folder).isDir()) {
        // The outermost folder this run creates goes again when it fails.
        QString outermost = QFileInfo(folder).absoluteFilePath();
        for (QFileInfo up(outermost); !up.exists() && !up.isRoot(); up.setFile(up.absolutePath()))
            outermost = up.absoluteFilePath();
        QDir().mkpath(folder);
        if (!QFileInfo(folder).isDir())
            return result;
        undo.folder(outermost);
    }
    result.folderCreated = true;
    // The name is used exactly as typed, blanks included.
    if (samplePage)
        result.samplePage = folder + u'/' + textcodec::fromUtf8(settings.Output);

    OutputFiles files;
    files.open(folder + u'/' + QString::fromLatin1(StyleSheetFileName));
    files.open(folder + u'/' + QString::fromLatin1(ScriptFileName));
    if (samplePage)
        files.open(result.samplePage);

    generator::PictureReference picture;
    picture.localFile = settings.Target == TargetKind::Image && isLocalPictureFile(settings.Image);
    if (picture.localFile) {
        QStringList generated;
        const auto where = [](const QString& path) {
            return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        };
        if (where(copyFolder) == where(folder)) {
            generated << QString::fromLatin1(StyleSheetFileName)
                      << QString::fromLatin1(ScriptFileName);
            if (samplePage)
                generated << textcodec::fromUtf8(settings.Output);
        }
        const QString source = textcodec::fromUtf8(settings.Image);
        const QString name = pictureCopyName(source, generated);
        const QString copy = copyFolder + u'/' + name;
        const bool earlierCopy = QFileInfo::exists(copy);
        if (copyPicture(source, copyFolder, name)) {
            result.pictureCopy = name;
            picture.copyName = name.toStdString();
            if (!earlierCopy)
                undo.picture(copy);
        }
    }
    result.snippet = generator::elementSnippet(settings, picture);

    files.write(0, generator::joinLines(generator::styleSheetLines(settings)));
    files.write(1, generator::joinLines(generator::scriptLines(style)));
    if (samplePage && !result.snippet.empty())
        files.write(2, generator::joinLines(generator::samplePageLines(result.snippet, style)));
    else if (samplePage)
        files.drop(2); // no element, no page
    files.commit();
    undo.done();
    return result;
}

} // namespace output

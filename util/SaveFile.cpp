#include "util/SaveFile.h"

#include "format/TextCodec.h"
#include "util/UserError.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_WIN
// Windows refuses to replace a file that another program holds open without
// letting it be deleted (an editor, a virus scanner, the search indexer). Most
// let go within moments, so the save waits for that a little; a file held
// for longer fails the save, and the earlier one stays.
void waitUntilReplaceable(const QString& path) {
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    for (int attempt = 0; attempt < 30; ++attempt) {
        const HANDLE file = CreateFileW(name.c_str(), DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION)
            return;
        Sleep(100);
    }
}
#else
void waitUntilReplaceable(const QString&) {}
#endif

} // namespace

bool syncSaveFile(QSaveFile& file, QString& reason) {
    if (!file.flush()) {
        reason = file.errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    // Some file systems report a full disk only when the data is synced. One
    // that cannot sync at all (EINVAL) is no reason to fail.
    if (::fsync(file.handle()) != 0 && errno != EINVAL) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
#elif defined(Q_OS_WIN)
    // The same on Windows: the data reaches the disk before the rename.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    if (handle != INVALID_HANDLE_VALUE && !FlushFileBuffers(handle)) {
        reason = qt_error_string(static_cast<int>(GetLastError()));
        return false;
    }
#endif
    return true;
}

bool renameSaveFile(QSaveFile& file, QString& reason) {
    waitUntilReplaceable(file.fileName());
    if (!file.commit()) {
        reason = file.errorString();
        return false;
    }
    return true;
}

bool commitSaveFile(QSaveFile& file, QString& reason) {
    return syncSaveFile(file, reason) && renameSaveFile(file, reason);
}

bool canCreateFilesIn(const QString& folder) {
#ifdef Q_OS_WIN
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".write-probe-XXXXXX")));
    return probe.open();
#else
    return QFileInfo(folder).isWritable();
#endif
}

UserError cannotCreateFile(const QString& path, const QString& reason) {
    return UserError(textcodec::toUtf8(QStringLiteral("Cannot create file \"%1\". %2")
                                           .arg(QDir::toNativeSeparators(path), reason)));
}

void writeFileAtomically(const QString& path, const std::string& bytes) {
    QSaveFile file(path);
    const auto fail = [&](const QString& reason) { throw cannotCreateFile(path, reason); };
    if (!file.open(QIODevice::WriteOnly))
        fail(file.errorString());
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size()))
        fail(file.errorString());
    QString reason;
    if (!commitSaveFile(file, reason))
        fail(reason);
}

#include "util/SaveFile.h"

#include "format/TextCodec.h"
#include "util/UserError.h"

#include <QDir>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

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
#endif
    return true;
}

bool commitSaveFile(QSaveFile& file, QString& reason) {
    if (!syncSaveFile(file, reason))
        return false;
    if (!file.commit()) {
        reason = file.errorString();
        return false;
    }
    return true;
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

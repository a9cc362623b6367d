#include "SaveFile.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

bool commitSaveFile(QSaveFile& file, QString& reason) {
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
    if (!file.commit()) {
        reason = file.errorString();
        return false;
    }
    return true;
}

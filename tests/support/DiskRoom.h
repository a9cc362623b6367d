#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

// A disk with room for only so many more bytes, made one of two ways:
//
// - SmallTmpfs: a small tmpfs mounted over a folder and filled up by a filler
//   file but for the room, so writes fail with ENOSPC as on a full disk. It
//   needs the right to mount; where that is missing the test says so.
// - FileSizeLimit: this process may make no file larger than the room
//   (RLIMIT_FSIZE, with SIGXFSZ ignored so that such a write fails with EFBIG
//   instead of ending the process). It needs no rights and works everywhere.
class DiskRoom {
public:
    enum class Kind { SmallTmpfs, FileSizeLimit };

    static constexpr qint64 kTmpfsSize = 4 << 20;
    static constexpr const char* kFillerName = ".disk-filler";

    DiskRoom(Kind kind, const QString& folder) : m_kind(kind), m_folder(folder) {
        if (kind == Kind::FileSizeLimit)
            return;
        const std::string options = "size=" + std::to_string(kTmpfsSize) + ",mode=0755";
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.c_str()) != 0) {
            m_unavailable = "no tmpfs can be mounted here (" + std::string(std::strerror(errno)) +
                            "); the file-size-limit runs cover the same faults";
            return;
        }
        m_mounted = true;
    }
    ~DiskRoom() {
        lift();
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    DiskRoom(const DiskRoom&) = delete;
    DiskRoom& operator=(const DiskRoom&) = delete;

    Kind kind() const { return m_kind; }
    // Empty when the disk can be made; otherwise why not.
    const std::string& unavailable() const { return m_unavailable; }

    // From now on only `room` more bytes fit (whole pages of the tmpfs; for the
    // limit, no file may grow past `room` bytes).
    bool limit(qint64 room) {
        lift();
        if (m_kind == Kind::FileSizeLimit) {
            getrlimit(RLIMIT_FSIZE, &m_previousLimit);
            m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(room), m_previousLimit.rlim_max};
            m_limited = setrlimit(RLIMIT_FSIZE, &limit) == 0;
            return m_limited;
        }
        // Fill the tmpfs to the last page, then give `room` back.
        const QByteArray filler = QFile::encodeName(m_folder + u'/' + QLatin1String(kFillerName));
        const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return false;
        const std::vector<char> block(1 << 16, 'f');
        off_t size = 0;
        for (;;) {
            const ssize_t n = ::write(fd, block.data(), block.size());
            if (n <= 0)
                break;
            size += n;
        }
        const bool full = errno == ENOSPC;
        const off_t page = 4096;
        const off_t keep = size - (room + page - 1) / page * page;
        const bool ok = full && keep >= 0 && ::ftruncate(fd, keep) == 0;
        ::close(fd);
        m_limited = true;
        return ok;
    }

    // Room again as before.
    void lift() {
        if (!m_limited)
            return;
        m_limited = false;
        if (m_kind == Kind::FileSizeLimit) {
            setrlimit(RLIMIT_FSIZE, &m_previousLimit);
            std::signal(SIGXFSZ, m_previousHandler);
        } else {
            QFile::remove(m_folder + u'/' + QLatin1String(kFillerName));
        }
    }

private:
    Kind m_kind;
    QString m_folder;
    bool m_mounted = false;
    bool m_limited = false;
    std::string m_unavailable;
    rlimit m_previousLimit{};
    void (*m_previousHandler)(int) = SIG_DFL;
};

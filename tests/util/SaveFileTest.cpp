#include "util/SaveFile.h"
#include "util/ProtectedFile.h"
#include "util/UserError.h"

#ifdef Q_OS_UNIX
#include "tests/support/DiskRoom.h"
#endif

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <atomic>
#include <chrono>
#include <thread>

#include <windows.h>
#endif

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList filesIn(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

#ifdef Q_OS_UNIX // the full disk is a file size limit

// Content small enough to stay in Qt's write buffer reaches the disk only when
// the file is committed: a full disk then must not replace the earlier file.
TEST(CommitSaveFile, AFullDiskLeavesTheEarlierFileWholeWhateverTheSize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("kept.txt"));
    for (const qsizetype size : {1, 100, 4095, 16384, 16385, 100000}) {
        SCOPED_TRACE(size);
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly | QIODevice::Truncate));
        earlier.write("earlier content\n");
        earlier.close();

        QString reason;
        bool committed = true;
        {
            DiskRoom full(DiskRoom::Kind::FileSizeLimit, dir.path());
            ASSERT_TRUE(full.limit(0));
            QSaveFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(size, 'n'));
            committed = commitSaveFile(file, reason);
        }
        EXPECT_FALSE(committed);
        EXPECT_FALSE(reason.isEmpty());
        EXPECT_EQ(readAll(path), "earlier content\n");
        EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("kept.txt")});

        // With room it commits as usual.
        QSaveFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'n'));
        EXPECT_TRUE(commitSaveFile(file, reason)) << reason.toStdString();
        EXPECT_EQ(readAll(path), QByteArray(size, 'n'));
    }
}

TEST(CommitSaveFile, AFullDiskKeepsASmallProtectedFileAuthentic) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("dbsettings.dat"));
    writeProtectedFile(path, "<%%ApplicationName%%>Old<%%/ApplicationName%%>\r\n");
    const QByteArray earlier = readAll(path);
    for (const qint64 room : {0, 8, 30, 66}) { // the container takes 67 bytes
        SCOPED_TRACE(room);
        try {
            DiskRoom full(DiskRoom::Kind::FileSizeLimit, dir.path());
            ASSERT_TRUE(full.limit(room));
            writeProtectedFile(path, "<%%ApplicationName%%>New<%%/ApplicationName%%>\r\n");
            ADD_FAILURE() << "the failed write was not reported";
        } catch (const UserError& e) {
            EXPECT_NE(std::string(e.what()).find("dbsettings.dat"), std::string::npos) << e.what();
        }
        EXPECT_EQ(readAll(path), earlier);
        EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("dbsettings.dat")});
    }
}

#endif

TEST(WriteFileAtomically, ReplacesTheWholeFile) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/a.txt";
    writeFileAtomically(path, "a much longer first content");
    writeFileAtomically(path, "short");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "short");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1); // no temporary left
}

TEST(WriteFileAtomically, FailureCarriesTheFileName) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/taken"));
    try {
        writeFileAtomically(dir.path() + "/taken", "x");
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with(
            "Cannot create file \"" +
            QDir::toNativeSeparators(dir.path() + "/taken").toStdString() + "\". "))
            << e.what();
    }
}

#ifdef Q_OS_WIN
namespace {

// Another program's handle on a file that does not let it be deleted or
// replaced, as editors and virus scanners hold them.
class HeldOpen {
public:
    explicit HeldOpen(const QString& path)
        : m_handle(CreateFileW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()),
                               GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldOpen() { release(); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool held() const { return m_handle != INVALID_HANDLE_VALUE; }
    void release() {
        if (held())
            CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle;
};

} // namespace

TEST(WriteFileAtomically, AFileHeldOpenIsReplacedOnceLetGoElseKeptWhole) {
    for (const bool letGo : {true, false}) {
        SCOPED_TRACE(letGo ? "let go while the save waits" : "held throughout");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("held.txt"));
        writeFileAtomically(path, "earlier content\n");
        HeldOpen holder(path);
        ASSERT_TRUE(holder.held());
        std::atomic<bool> saved = false;
        std::thread releaser;
        if (letGo) {
            // Once the new content waits beside the file, the other program lets go.
            releaser = std::thread([&] {
                while (!saved && filesIn(dir).size() < 2)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                holder.release();
            });
        }
        std::string error;
        try {
            writeFileAtomically(path, "new content\n");
        } catch (const UserError& e) {
            error = e.what();
        }
        saved = true;
        if (releaser.joinable())
            releaser.join();
        holder.release();
        if (letGo) {
            EXPECT_EQ(error, "");
            EXPECT_EQ(readAll(path), "new content\n");
        } else {
            EXPECT_TRUE(error.starts_with("Cannot create file \"" +
                                          QDir::toNativeSeparators(path).toStdString() + "\". "))
                << error;
            EXPECT_EQ(readAll(path), "earlier content\n");
        }
        EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("held.txt")});
    }
}
#endif

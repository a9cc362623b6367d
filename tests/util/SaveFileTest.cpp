#include "util/SaveFile.h"
#include "util/ProtectedFile.h"
#include "util/UserError.h"

#include "tests/support/DiskRoom.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList filesIn(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

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

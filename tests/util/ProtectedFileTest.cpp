#include "util/ProtectedFile.h"
#include "tests/support/SystemText.h"
#include "util/UserError.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTemporaryDir>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

class ProtectedFileTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    static void put(const QString& name, const QByteArray& bytes) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    static QByteArray get(const QString& name) {
        QFile file(name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }
    static QByteArray pattern(int length) {
        QByteArray bytes(length, '\0');
        for (int i = 0; i < length; ++i)
            bytes[i] = char((i * 7 + i / 256) & 0xFF);
        return bytes;
    }
    // The message of the UserError that `action` throws, or "" if none.
    template <typename F> static std::string errorOf(F action) {
        try {
            action();
        } catch (const UserError& error) {
            return error.what();
        }
        return "";
    }
    static std::string quoted(const QString& name) {
        return "\"" + QFileInfo(name).absoluteFilePath().toStdString() + "\"";
    }

    QTemporaryDir m_dir;
};

// A device that accepts `room` bytes and then fails, or stores less than asked.
class FullDevice : public QIODevice {
public:
    FullDevice(qint64 room, bool shortWrites) : m_room(room), m_short(shortWrites) {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override {
        if (length <= m_room) {
            m_room -= length;
            return length;
        }
        setErrorString(QStringLiteral("No space left on device"));
        if (!m_short)
            return -1;
        const qint64 taken = m_room;
        m_room = 0;
        return taken;
    }

private:
    qint64 m_room;
    bool m_short;
};

} // namespace

TEST_F(ProtectedFileTest, RoundTripsThroughFilesOfBoundaryLengths) {
    for (int length : {0, 1, 262143, 262144, 262145}) {
        SCOPED_TRACE(length);
        const QByteArray plain = pattern(length);
        put(path("plain.txt"), plain);
        EncryptProtectedFile(path("plain.txt"), path("dbsettings.dat"));
        EXPECT_EQ(QFileInfo(path("dbsettings.dat")).size(), length + 20);
        put(path("dbsettings.sim"), "an older, longer plain copy that must be replaced");
        EXPECT_EQ(DecryptProtectedFile(path("dbsettings.dat"), path("dbsettings.sim")),
                  ProtectedFileResult::Ok);
        EXPECT_EQ(get(path("dbsettings.sim")), plain);
    }
    // Only the two files: no temporary file is left behind.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 3);
}

TEST_F(ProtectedFileTest, MissingContainerLeavesThePlainFileAlone) {
    put(path("dbsettings.sim"), "untouched");
    const QString missing = path("missing.dat");
    // Each call throws, so there is no result to look at.
    EXPECT_EQ(errorOf([&] { (void)DecryptProtectedFile(missing, path("dbsettings.sim")); }),
              "Cannot open file " + quoted(missing) + ". " +
                  openFailure(missing, QIODevice::ReadOnly));
    EXPECT_EQ(get(path("dbsettings.sim")), "untouched");
    EXPECT_EQ(errorOf([&] { (void)DecryptProtectedFile(missing, path("new.sim")); }).substr(0, 16),
              "Cannot open file");
    EXPECT_FALSE(QFile::exists(path("new.sim")));
    QByteArray plain;
    EXPECT_FALSE(errorOf([&] { (void)readProtectedFile(missing, plain); }).empty());
}

TEST_F(ProtectedFileTest, PlainFileThatCannotBeCreated) {
    put(path("plain.txt"), "abc");
    EncryptProtectedFile(path("plain.txt"), path("dbsettings.dat"));
    const QString nowhere = path("no/such/folder/dbsettings.sim");
    // The call throws, so there is no result to look at.
    EXPECT_EQ(errorOf([&] { (void)DecryptProtectedFile(path("dbsettings.dat"), nowhere); }),
              "Cannot create file " + quoted(nowhere) + ". " +
                  openFailure(nowhere, QIODevice::WriteOnly));
    EXPECT_EQ(errorOf([&] { EncryptProtectedFile(path("plain.txt"), nowhere); }).substr(0, 18),
              "Cannot create file");
}

TEST_F(ProtectedFileTest, FileIsNeverWrittenOverItself) {
    const QByteArray plain = "<%%LastNewsId%%>12<%%/LastNewsId%%>\r\n";
    put(path("plain.txt"), plain);
    EncryptProtectedFile(path("plain.txt"), path("dbsettings.dat"));
    const QByteArray container = get(path("dbsettings.dat"));
#ifdef Q_OS_WIN
    ASSERT_TRUE(CreateHardLinkW(reinterpret_cast<LPCWSTR>(path("hardlink.dat").utf16()),
                                reinterpret_cast<LPCWSTR>(path("dbsettings.dat").utf16()),
                                nullptr));
#else
    ASSERT_EQ(::link(QFile::encodeName(path("dbsettings.dat")).constData(),
                     QFile::encodeName(path("hardlink.dat")).constData()),
              0);
#endif
    for (const QString& other :
         {path("dbsettings.dat"), m_dir.path() + "/./dbsettings.dat", path("hardlink.dat")}) {
        // The call throws, so there is no result to look at.
        EXPECT_EQ(errorOf([&] { (void)DecryptProtectedFile(path("dbsettings.dat"), other); }),
                  "Cannot create file " + quoted(other) + ". It is the file being read.");
        EXPECT_EQ(
            errorOf([&] { EncryptProtectedFile(path("dbsettings.dat"), other); }).substr(0, 18),
            "Cannot create file");
    }
    EXPECT_EQ(get(path("dbsettings.dat")), container);
}

TEST_F(ProtectedFileTest, WrongPassPhraseOrForeignFileGivesAnEmptyPlainFile) {
    put(path("plain.txt"), pattern(1000));
    EncryptProtectedFile(path("plain.txt"), path("other.dat"), "a different pass phrase");
    EncryptProtectedFile(path("plain.txt"), path("same-strength.dat"), "rqtnvwhzeq");
    put(path("foreign.dat"), "<%%ApplicationName%%>Not encrypted at all<%%/ApplicationName%%>");
    put(path("tiny.dat"), "short");
    for (const char* name : {"other.dat", "foreign.dat", "tiny.dat"}) {
        put(path("dbsettings.sim"), "stale content");
        EXPECT_EQ(DecryptProtectedFile(path(name), path("dbsettings.sim")),
                  ProtectedFileResult::WrongPassPhrase)
            << name;
        EXPECT_EQ(get(path("dbsettings.sim")), "") << name;
    }
    // Another pass phrase of the same strength is caught by the verifier in
    // all but 1 of 65,536 salts; then by the code.
    EXPECT_NE(DecryptProtectedFile(path("same-strength.dat"), path("dbsettings.sim")),
              ProtectedFileResult::Ok);
    EXPECT_EQ(get(path("dbsettings.sim")), "");
    // With the right one it opens.
    EXPECT_EQ(
        DecryptProtectedFile(path("other.dat"), path("dbsettings.sim"), "a different pass phrase"),
        ProtectedFileResult::Ok);
    EXPECT_EQ(get(path("dbsettings.sim")), pattern(1000));
}

TEST_F(ProtectedFileTest, DamagedContainerGivesAnEmptyPlainFile) {
    put(path("plain.txt"), pattern(5000));
    EncryptProtectedFile(path("plain.txt"), path("dbsettings.dat"));
    const QByteArray container = get(path("dbsettings.dat"));
    for (int at : {10, 2500, int(container.size()) - 1}) {
        QByteArray damaged = container;
        damaged[at] = char(damaged[at] ^ 0x40);
        put(path("damaged.dat"), damaged);
        EXPECT_EQ(DecryptProtectedFile(path("damaged.dat"), path("out.sim")),
                  ProtectedFileResult::Damaged)
            << at;
        EXPECT_EQ(QFileInfo(path("out.sim")).size(), 0) << at;
    }
    put(path("cut.dat"), container.left(container.size() - 1));
    EXPECT_EQ(DecryptProtectedFile(path("cut.dat"), path("out.sim")), ProtectedFileResult::Damaged);
    EXPECT_EQ(QFileInfo(path("out.sim")).size(), 0);
}

TEST_F(ProtectedFileTest, FailedEncryptionKeepsTheEarlierContainer) {
    put(path("plain.txt"), "first");
    EncryptProtectedFile(path("plain.txt"), path("dbsettings.dat"));
    const QByteArray before = get(path("dbsettings.dat"));
    const QString missing = path("missing.sim");
    EXPECT_EQ(errorOf([&] { EncryptProtectedFile(missing, path("dbsettings.dat")); }),
              "Cannot open file " + quoted(missing) + ". " +
                  openFailure(missing, QIODevice::ReadOnly));
    EXPECT_EQ(get(path("dbsettings.dat")), before);
#ifdef Q_OS_UNIX // Windows has no read-only folders of this kind
    if (::geteuid() != 0) {
        // A folder that cannot take the temporary file.
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(errorOf([&] {
                      EncryptProtectedFile(path("plain.txt"), path("dbsettings.dat"));
                  }).substr(0, 18),
                  "Cannot create file");
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner);
        EXPECT_EQ(get(path("dbsettings.dat")), before);
    }
#endif
}

TEST_F(ProtectedFileTest, WriteErrorsAreReportedNotSwallowed) {
    for (bool shortWrites : {false, true}) {
        for (qint64 room : {0, 9, 10, 300}) {
            QByteArray plain = pattern(1000);
            QBuffer source(&plain);
            source.open(QIODevice::ReadOnly);
            FullDevice full(room, shortWrites);
            EXPECT_EQ(errorOf([&] { encryptProtectedDevice(source, full); }),
                      "Cannot write file \"(memory)\". No space left on device")
                << room << shortWrites;
        }
    }
}

TEST_F(ProtectedFileTest, InMemoryReadAndWriteForAllStrengths) {
    for (const std::string& pass :
         {std::string(ProtectedFilePassPhrase), std::string(40, 'b'), std::string(50, 'c')}) {
        const QByteArray plain = pattern(3000);
        writeProtectedFile(path("dbsettings.dat"), plain, pass);
        const qint64 overhead = pass.size() < 32 ? 20 : pass.size() < 48 ? 24 : 28;
        EXPECT_EQ(QFileInfo(path("dbsettings.dat")).size(), plain.size() + overhead);
        QByteArray back = "stale";
        EXPECT_EQ(readProtectedFile(path("dbsettings.dat"), back, pass), ProtectedFileResult::Ok);
        EXPECT_EQ(back, plain);
        back = "stale";
        EXPECT_EQ(readProtectedFile(path("dbsettings.dat"), back, "wrong"),
                  ProtectedFileResult::WrongPassPhrase);
        EXPECT_TRUE(back.isEmpty());
    }
    // The file form and the memory form are the same container.
    EXPECT_EQ(DecryptProtectedFile(path("dbsettings.dat"), path("plain.sim"), std::string(50, 'c')),
              ProtectedFileResult::Ok);
    EXPECT_EQ(get(path("plain.sim")), pattern(3000));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 2);
}

TEST_F(ProtectedFileTest, DeviceCheckWithoutPlainOutput) {
    writeProtectedFile(path("dbsettings.dat"), "profile");
    QFile container(path("dbsettings.dat"));
    ASSERT_TRUE(container.open(QIODevice::ReadOnly));
    EXPECT_EQ(decryptProtectedDevice(container, nullptr), ProtectedFileResult::Ok);
}

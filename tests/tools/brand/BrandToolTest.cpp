#include "tests/support/ToolRun.h"
#include "util/ProtectedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

class BrandToolTest : public ::testing::Test {
protected:
    ToolRun brand(const QStringList& args) {
        ToolRun run = runTool(QStringLiteral(TIPSMITH_BRAND), args, m_dir.path());
        run.out = withLfLineEnds(run.out); // its reports are text
        return run;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    void put(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QByteArray get(const QString& name) {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files, QDir::Name); }
    static QByteArray profile() {
        return "<%%ApplicationName%%>Brandy<%%/ApplicationName%%>\r\n"
               "<%%BrandCode%%>B-1234<%%/BrandCode%%>\r\n";
    }

    QTemporaryDir m_dir;
};

#ifdef Q_OS_UNIX // measured with fork and wait4
// Peak resident size in KiB of one run of the tool.
long peakKiB(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::string program = TIPSMITH_BRAND;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (auto& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        // Quiet: --help prints to standard output.
        if (!freopen("/dev/null", "w", stdout))
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}
#endif

} // namespace

TEST_F(BrandToolTest, PackAndUnpackTheProgramsOwnProfile) {
    put("profile.txt", profile());
    const ToolRun packed = brand({"pack", "profile.txt", "dbsettings.dat"});
    EXPECT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_EQ(packed.err, "");
    EXPECT_EQ(QFileInfo(path("dbsettings.dat")).size(), profile().size() + 20);
    // The program reads it with its own routine and pass phrase.
    QByteArray plain;
    EXPECT_EQ(readProtectedFile(path("dbsettings.dat"), plain), ProtectedFileResult::Ok);
    EXPECT_EQ(plain, profile());

    const ToolRun unpacked = brand({"unpack", "dbsettings.dat", "back.txt"});
    EXPECT_EQ(unpacked.exitCode, 0) << unpacked.err;
    EXPECT_EQ(get("back.txt"), profile());
    EXPECT_EQ(files(), QStringList({"back.txt", "dbsettings.dat", "profile.txt"}));
}

TEST_F(BrandToolTest, OtherPassPhrasesSetTheStrength) {
    put("plain.bin", QByteArray(1000, 'x'));
    const struct {
        QString pass;
        qint64 overhead;
    } cases[] = {{"short", 20}, {QString(40, 'k'), 24}, {QString(48, 'k'), 28}};
    for (const auto& c : cases) {
        EXPECT_EQ(brand({"pack", "plain.bin", "out.dat", "--passphrase", c.pass}).exitCode, 0);
        EXPECT_EQ(QFileInfo(path("out.dat")).size(), 1000 + c.overhead);
        EXPECT_EQ(brand({"unpack", "out.dat", "back.bin", "--passphrase=" + c.pass}).exitCode, 0);
        EXPECT_EQ(get("back.bin"), QByteArray(1000, 'x'));
        QFile::remove(path("back.bin"));
    }
}

TEST_F(BrandToolTest, UnpackWritesNothingUnlessTheFileOpensIntact) {
    put("profile.txt", profile());
    ASSERT_EQ(brand({"pack", "profile.txt", "dbsettings.dat", "--passphrase", "brander"}).exitCode,
              0);
    const QByteArray container = get("dbsettings.dat");

    // Wrong pass phrase (the program's own), and a file that is no container.
    put("foreign.dat", profile());
    for (const char* name : {"dbsettings.dat", "foreign.dat"}) {
        const ToolRun run = brand({"unpack", name, "plain.txt"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "wrong pass phrase, or not a protected file\n");
        EXPECT_FALSE(QFile::exists(path("plain.txt")));
    }

    // One flipped ciphertext byte, one flipped code byte, a missing last byte.
    for (int at : {12, int(container.size()) - 1, -1}) {
        QByteArray damaged = at < 0 ? container.left(container.size() - 1) : container;
        if (at >= 0)
            damaged[at] = char(damaged[at] ^ 1);
        put("damaged.dat", damaged);
        const ToolRun run =
            brand({"unpack", "damaged.dat", "plain.txt", "--passphrase", "brander"});
        EXPECT_EQ(run.exitCode, 1) << at;
        EXPECT_EQ(run.err, "the file is damaged: its authentication code does not match\n");
        EXPECT_FALSE(QFile::exists(path("plain.txt"))) << at;
    }
    // An existing file of that name is left as it was.
    put("plain.txt", "keep me");
    EXPECT_EQ(brand({"unpack", "damaged.dat", "plain.txt", "--passphrase", "brander"}).exitCode, 1);
    EXPECT_EQ(get("plain.txt"), "keep me");
    EXPECT_EQ(files(), QStringList({"damaged.dat", "dbsettings.dat", "foreign.dat", "plain.txt",
                                    "profile.txt"}));
}

TEST_F(BrandToolTest, MissingAndUnusableFiles) {
    const QString missing = QFileInfo(path("missing.dat")).absoluteFilePath();
    ToolRun run = brand({"unpack", "missing.dat", "plain.txt"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Cannot open file \"" + missing.toStdString() + "\". " +
                           openFailure(missing, QIODevice::ReadOnly) + "\n");
    EXPECT_FALSE(QFile::exists(path("plain.txt")));

    put("old.dat", "an earlier container");
    run = brand({"pack", "missing.dat", "old.dat"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.substr(0, 16), "Cannot open file");
    EXPECT_EQ(get("old.dat"), "an earlier container");

    put("profile.txt", profile());
    run = brand({"pack", "profile.txt", "no/such/folder/dbsettings.dat"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.substr(0, 18), "Cannot create file");

    // A directory is not a readable file.
    QDir(m_dir.path()).mkdir("folder");
    EXPECT_NE(brand({"pack", "folder", "x.dat"}).exitCode, 0);
    EXPECT_FALSE(QFile::exists(path("x.dat")));

    run = brand({"unpack", "old.dat", "old.dat"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("It is the file being read."), std::string::npos);
    EXPECT_EQ(get("old.dat"), "an earlier container");
}

TEST_F(BrandToolTest, CommandLineMistakes) {
    const ToolRun help = brand({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("pack PLAIN CONTAINER [--passphrase TEXT]"), std::string::npos);
    EXPECT_NE(help.out.find("unpack CONTAINER PLAIN [--passphrase TEXT]"), std::string::npos);
    EXPECT_NE(help.out.find("such as the\nbrand profile dbsettings.dat.\n"), std::string::npos)
        << help.out;
    EXPECT_EQ(brand({"unpack", "--help"}).exitCode, 0);

    put("profile.txt", profile());
    const QList<QStringList> wrong = {
        {},
        {"frobnicate", "a", "b"},
        {"pack", "profile.txt"},
        {"pack", "profile.txt", "a.dat", "b.dat"},
        {"pack", "profile.txt", "a.dat", "--passphrase"},
        {"pack", "profile.txt", "a.dat", "--verbose"},
        {"pack", "profile.txt", "a.dat", "--passphrase", QString(129, 'p')},
    };
    for (const auto& args : wrong) {
        const ToolRun run = brand(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_EQ(run.err.substr(0, 16), "tipsmith-brand: ");
    }
    EXPECT_EQ(files(), QStringList({"profile.txt"}));
    // 128 bytes is the longest pass phrase.
    EXPECT_EQ(brand({"pack", "profile.txt", "a.dat", "--passphrase", QString(128, 'p')}).exitCode,
              0);
}

#ifdef Q_OS_UNIX
TEST_F(BrandToolTest, PackKeepsOneWorkBufferWhateverTheFileSize) {
    // 64 MiB of zeros (a sparse file): a tool that held the file, or a growing
    // share of it, would need far more than the margin.
    QFile big(path("big.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(64 << 20));
    big.close();
    const long atRest = peakKiB({"--help"});
    const long packing =
        peakKiB({"pack", path("big.bin").toStdString(), path("big.dat").toStdString()});
    ASSERT_GT(atRest, 0);
    ASSERT_GT(packing, 0);
    EXPECT_LT(packing - atRest, 16 * 1024) << "at rest " << atRest << " KiB, packing " << packing;
    EXPECT_EQ(QFileInfo(path("big.dat")).size(), (64 << 20) + 20);
}
#endif

// tipsmith-brand on a full disk: every command that writes a file reports the
// failure and leaves the earlier file as it was, also when the new content is
// small enough to be written out only when the file is committed.

#include "tests/support/ToolRun.h"
#include "util/ProtectedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

namespace {

// Runs the tool with no room for any file to grow.
ToolRun brandOnAFullDisk(const QTemporaryDir& dir, const QStringList& arguments) {
    return runTool(QStringLiteral(TIPSMITH_BRAND), arguments, dir.path(), [](QProcess& tool) {
        tool.setChildProcessModifier([] {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 0;
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    });
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace

TEST(BrandToolOnAFullDisk, EveryWritingCommandFailsAndKeepsTheEarlierFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto path = [&](const char* name) { return dir.filePath(QLatin1String(name)); };
    put(path("profile.txt"), "<%%ApplicationName%%>New<%%/ApplicationName%%>\r\n");
    writeProtectedFile(path("dbsettings.dat"),
                       "<%%ApplicationName%%>Old<%%/ApplicationName%%>\r\n");
    put(path("plain.txt"), "earlier plain text\r\n");
    put(path("style.css"), "QWidget { color: red; }\n");
    put(path("mainskin.dat"), "earlier skin");
    const QByteArray container = readAll(path("dbsettings.dat"));

    struct Case {
        QStringList arguments;
        const char* written;
        QByteArray earlier;
    };
    const Case cases[] = {
        {{"pack", "profile.txt", "dbsettings.dat"}, "dbsettings.dat", container},
        {{"unpack", "dbsettings.dat", "plain.txt"}, "plain.txt", "earlier plain text\r\n"},
        {{"skin", "style.css", "mainskin.dat"}, "mainskin.dat", "earlier skin"},
    };
    const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const ToolRun run = brandOnAFullDisk(dir, c.arguments);
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE(run.err.find(QFileInfo(path(c.written)).absoluteFilePath().toStdString()),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(readAll(path(c.written)), c.earlier);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), files)
            << "nothing left behind";
    }
}

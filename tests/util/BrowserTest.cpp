#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

namespace {

// A private desktop: XDG folders and a PATH inside a temporary folder, so
// nothing installed on the machine takes part. A recording script stands in
// for the browser; it writes the variable VAR, its argument count and its
// arguments, one a line, and renames the record into place so it is never
// seen half written.
class BrowserLaunch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkpath(path("bin")) && QDir().mkpath(path("data/applications")));
        ASSERT_TRUE(QFile::link(QStringLiteral("/usr/bin/env"), path("bin/env")));
        const QByteArray recorder = "#!/bin/sh\n{ printf 'VAR=%s\\n' \"$VAR\"; printf '%s\\n' "
                                    "\"$#\" \"$@\"; } > \"" +
                                    record().toUtf8() + ".tmp\"\n/bin/mv \"" + record().toUtf8() +
                                    ".tmp\" \"" + record().toUtf8() + "\"\n";
        writeProgram("bin/web browser", recorder);
        m_recorder = recorder;
    }

    QString path(const QString& relative) const { return m_root.filePath(relative); }
    QString record() const { return path("record.txt"); }
    QByteArray browser() const { return path("bin/web browser").toUtf8(); }

    void write(const QString& relative, const QByteArray& content) const {
        QFile out(path(relative));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(out.write(content), content.size());
    }

    void writeProgram(const QString& relative, const QByteArray& content) const {
        write(relative, content);
        ASSERT_TRUE(QFile::setPermissions(path(relative),
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    // The desktop's default for http addresses, with this Exec line.
    void defaultBrowser(const QByteArray& exec) const {
        write("data/applications/web.desktop",
              "[Desktop Entry]\nType=Application\nName=Web\nExec=" + exec + "\n");
        write("mimeapps.list", "[Default Applications]\nx-scheme-handler/http=web.desktop;\n");
    }

    // The probe's two lines: the registered program, and whether anything started.
    std::string open(const std::string& address) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", path("bin"));
        env.insert("XDG_DATA_HOME", path("data"));
        env.insert("XDG_DATA_DIRS", path("none"));
        env.insert("XDG_CONFIG_HOME", m_root.path());
        env.insert("XDG_CONFIG_DIRS", path("none"));
        env.remove("XDG_CURRENT_DESKTOP");
        env.remove("VAR");
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral(TIPSMITH_BROWSER_PROBE),
                    QStringList{QString::fromStdString(address)});
        if (!probe.waitForFinished(20000) || probe.exitCode() != 0)
            return "probe failed";
        return probe.readAllStandardOutput().toStdString();
    }

    // What the recording script received, once it has run.
    std::string recorded() const {
        for (int i = 0; i < 500 && !QFileInfo::exists(record()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QFile in(record());
        return in.open(QIODevice::ReadOnly) ? in.readAll().toStdString() : "(nothing ran)";
    }

    QByteArray m_recorder;

private:
    QTemporaryDir m_root;
};

// Blanks, quotes, a dollar and a percent escape must reach the browser as they are.
const std::string kAddress = "http://example.test/a b?q='c';d\"e\"&v=$HOME%20\xC3\xA9";

TEST_F(BrowserLaunch, TheDefaultGetsItsWholeExecLineWithTheAddress) {
    struct Case {
        QByteArray exec;
        std::string program;
        std::string received;
    };
    const QByteArray quoted = "\"" + browser() + "\"";
    const Case cases[] = {
        // A snap: the program starts behind env and a variable.
        {"env VAR=1 " + quoted + " %u", "env", "VAR=1\n1\n" + kAddress + "\n"},
        {quoted + " --new-window %U", browser().toStdString(),
         "VAR=\n2\n--new-window\n" + kAddress + "\n"},
        // A flatpak: the markers around the address are flatpak's own arguments.
        {quoted + " run --file-forwarding org.example.Web @@u %u @@", browser().toStdString(),
         "VAR=\n6\nrun\n--file-forwarding\norg.example.Web\n@@u\n" + kAddress + "\n@@\n"},
    };
    for (const Case& c : cases) {
        QFile::remove(record());
        defaultBrowser(c.exec);
        EXPECT_EQ(open(kAddress), c.program + "\nstarted\n") << c.exec.constData();
        EXPECT_EQ(recorded(), c.received) << c.exec.constData();
    }
}

TEST_F(BrowserLaunch, WithoutAHandlerXdgOpenIsAskedAndOnlyNothingStartedIsFalse) {
    // A default whose program is not installed is no handler.
    defaultBrowser(path("bin/not-installed").toUtf8() + " %u");
    EXPECT_EQ(open(kAddress), "\nnot started\n");
    EXPECT_FALSE(QFileInfo::exists(record()));

    writeProgram("bin/xdg-open", m_recorder);
    EXPECT_EQ(open(kAddress), "\nstarted\n");
    EXPECT_EQ(recorded(), "VAR=\n1\n" + kAddress + "\n");
}

} // namespace

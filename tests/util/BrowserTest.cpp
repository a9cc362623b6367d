#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Blanks, quotes, a dollar and a percent escape must reach the browser as they are.
const std::string kAddress = "http://example.test/a b?q='c';d\"e\"&v=$HOME%20\xC3\xA9";

// A private desktop: XDG folders and a PATH inside a temporary folder, so
// nothing installed on the machine takes part. Recording scripts stand in for
// the browser: each writes the variable VAR, its argument count and its
// arguments, one a line, and renames the record into place whole.
class BrowserLaunch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(path("bin")) && QDir().mkpath(path("data/applications")));
        ASSERT_TRUE(QFile::link("/usr/bin/env", path("bin/env")));
        writeRecorder("bin/web browser");
    }

    QString path(const QString& relative) const { return m_root.filePath(relative); }

    void write(const QString& relative, const QByteArray& content) const {
        QFile out(path(relative));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(content) == content.size());
    }

    void writeRecorder(const QString& relative) const {
        const QByteArray record = path("record").toUtf8();
        write(relative,
              "#!/bin/sh\n{ printf 'VAR=%s\\n' \"$VAR\"; printf '%s\\n' \"$#\" \"$@\"; } >" +
                  record + ".tmp\n/bin/mv " + record + ".tmp " + record + "\n");
        ASSERT_TRUE(QFile::setPermissions(path(relative), QFile::ReadOwner | QFile::ExeOwner));
    }

    // The desktop's default for http addresses, with this Exec line.
    void defaultBrowser(const QByteArray& exec) const {
        write("data/applications/web.desktop",
              "[Desktop Entry]\nType=Application\nName=Web\nExec=" + exec + "\n");
        write("mimeapps.list", "[Default Applications]\nx-scheme-handler/http=web.desktop;\n");
    }

    // What the probe printed: the registered program, and whether anything started.
    std::string open(const std::string& address = kAddress) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", path("bin"));
        env.insert("XDG_DATA_HOME", path("data"));
        env.insert("XDG_DATA_DIRS", path("none"));
        env.insert("XDG_CONFIG_HOME", m_root.path());
        env.insert("XDG_CONFIG_DIRS", path("none"));
        env.remove("VAR");
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.start(TIPSMITH_BROWSER_PROBE, {QString::fromStdString(address)});
        if (!probe.waitForFinished(20000) || probe.exitCode() != 0)
            return "probe failed";
        return probe.readAllStandardOutput().toStdString();
    }

    // What a recording script received, once one has run; kNothing when none
    // ran within `wait` milliseconds.
    std::string recorded(int wait = 10000) const {
        QFile in(path("record"));
        const bool ran = QTest::qWaitFor([&] { return in.exists(); }, wait);
        return ran && in.open(QIODevice::ReadOnly) ? in.readAll().toStdString() : kNothing;
    }
    static constexpr char kNothing[] = "(nothing ran)";

private:
    QTemporaryDir m_root;
};

TEST_F(BrowserLaunch, TheDefaultGetsItsWholeExecLineAndOtherwiseXdgOpen) {
    struct Case {
        QByteArray exec;
        std::string printed;  // the registered program and whether anything started
        std::string received; // by the recording script
    };
    const QByteArray browser = "\"" + path("bin/web browser").toUtf8() + "\"";
    const std::string program = path("bin/web browser").toStdString();
    const Case cases[] = {
        // A snap: the program starts behind env and a variable.
        {"env VAR=1 " + browser + " %u", "env\nstarted\n", "VAR=1\n1\n" + kAddress + "\n"},
        {browser + " --new-window %U", program + "\nstarted\n",
         "VAR=\n2\n--new-window\n" + kAddress + "\n"},
        // A flatpak: the markers around the address are flatpak's own arguments.
        {browser + " run --file-forwarding org.example.Web @@u %u @@", program + "\nstarted\n",
         "VAR=\n6\nrun\n--file-forwarding\norg.example.Web\n@@u\n" + kAddress + "\n@@\n"},
        // A default whose program is not installed is no handler, and there is no xdg-open.
        {"not-installed %u", "\nnot started\n", kNothing},
    };
    for (const Case& c : cases) {
        QFile::remove(path("record"));
        defaultBrowser(c.exec);
        EXPECT_EQ(open(), c.printed) << c.exec.constData();
        EXPECT_EQ(recorded(c.received == kNothing ? 0 : 10000), c.received) << c.exec.constData();
    }

    writeRecorder("bin/xdg-open");
    EXPECT_EQ(open(), "\nstarted\n");
    EXPECT_EQ(recorded(), "VAR=\n1\n" + kAddress + "\n");

    // An option is read as the web address it would name; another scheme starts nothing.
    QFile::remove(path("record"));
    EXPECT_EQ(open("--help"), "\nstarted\n");
    EXPECT_EQ(recorded(), "VAR=\n1\nhttp://--help\n");
    QFile::remove(path("record"));
    EXPECT_EQ(open("javascript:alert(1)"), "\nnot started\n");
    EXPECT_EQ(recorded(0), kNothing);
}

} // namespace

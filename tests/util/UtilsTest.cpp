#include "util/Utils.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

namespace {

using Pieces = std::vector<std::string>;

TEST(SplitByChar, CutsAtEveryDelimiter) {
    struct Case {
        std::string text;
        Pieces pieces;
    };
    const Case cases[] = {
        {"a^b", {"a", "b"}},
        {"a^^b", {"a", "", "b"}},
        {"^a", {"", "a"}},
        {"a^", {"a"}},
        {"^", {""}},
        {"^^", {"", ""}},
        {"", {}},
        {"no delimiter", {"no delimiter"}},
        {"img.gif^http://x.test/?a=1^extra", {"img.gif", "http://x.test/?a=1", "extra"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitByChar('^', c.text), c.pieces) << "text: " << c.text;
}

TEST(SplitByChar, ClearsTheListFirst) {
    Pieces list{"old", "entries"};
    SplitByChar('^', "x^y", list);
    EXPECT_EQ(list, (Pieces{"x", "y"}));
    SplitByChar('^', "", list);
    EXPECT_TRUE(list.empty());
}

TEST(SplitByChar, SplitsAtHighBytes) {
    // The news list reply separates its entries with the byte 0xAF.
    const std::string reply = "1^One^2024\xAF"
                              "2^Two\xE9^2025\xAF";
    EXPECT_EQ(SplitByChar('\xAF', reply), (Pieces{"1^One^2024", "2^Two\xE9^2025"}));
}

TEST(DecodeDollarEscapes, DecodesEscapes) {
    struct Case {
        std::string text;
        std::string decoded;
    };
    const Case cases[] = {
        {"A$20B", "A B"},
        {"$41$42", "AB"},
        {"$4a", "J"},
        {"$4A", "J"},
        {"x$4", std::string("x\x04", 2)},
        {"$00", std::string(1, '\0')},
        {"$ff$FF", "\xFF\xFF"},
        {"a$4ab", "aJb"}, // two digits are taken whenever two follow
        {"$24$24", "$$"},
        {"plain text, no escapes", "plain text, no escapes"},
        {"caf\xE9", "caf\xE9"},
        // Bytes with the high bit set around escapes, across eight-byte words.
        {"\xA4\xE9\xFF\x80\x7F\x01 caf\xE9$20\xA4\xA4\xA4\xA4\xA4\xA4\xA4\xA4$41\xA4",
         "\xA4\xE9\xFF\x80\x7F\x01 caf\xE9 \xA4\xA4\xA4\xA4\xA4\xA4\xA4\xA4"
         "A\xA4"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeDollarEscapes(c.text), c.decoded) << "text: " << c.text;
}

TEST(DecodeDollarEscapes, MalformedEscapeEmptiesTheWholeResult) {
    const std::string malformed[] = {
        "ab$", "ab$4g", "$", "$g1", "$ 1", "$-1", "$+1", "$$41", "good$41 then bad $zz", "$4 ",
    };
    for (const std::string& text : malformed)
        EXPECT_EQ(DecodeDollarEscapes(text), "") << "text: " << text;
}

// Escapes at every offset of texts of many lengths, so each escape meets the
// end of the text at every distance. The input sits in a buffer of its exact
// size so that a read past its end shows up under the address sanitizer.
TEST(DecodeDollarEscapes, HandlesEscapesAtEveryDistanceFromTheEnd) {
    const auto decode = [](const std::string& text) {
        std::unique_ptr<char[]> exact(new char[text.size()]);
        std::memcpy(exact.get(), text.data(), text.size());
        return DecodeDollarEscapes(std::string_view(exact.get(), text.size()));
    };
    for (size_t before = 0; before < 20; ++before) {
        const std::string lead(before, 'a');
        for (size_t after = 0; after < 12; ++after) {
            const std::string tail(after, 'z');
            EXPECT_EQ(decode(lead + "$4A" + tail), lead + "J" + tail) << before << ' ' << after;
            EXPECT_EQ(decode(lead + "$4g" + tail), "") << before << ' ' << after;
            EXPECT_EQ(decode(lead + "$" + tail + "$"), "") << before << ' ' << after;
        }
        EXPECT_EQ(decode(lead + "$"), "") << before;
        EXPECT_EQ(decode(lead + "$4"), lead + "\x04") << before;
        EXPECT_EQ(decode(lead + "$g"), "") << before;
        EXPECT_EQ(decode(lead + "$41$4"), lead + "A\x04") << before;
    }
}

TEST(BrowserPathFromCommand, KeepsTheExecutableOnly) {
    struct Case {
        std::string command;
        std::string path;
    };
    const Case cases[] = {
        {R"("C:\Program Files\Web Browser\BROWSER.EXE" -nohome "%1")",
         R"(c:\program files\web browser\browser.exe)"},
        {R"(C:\APPS\VIEWER.EXE %1)", R"(c:\apps\viewer.exe)"},
        {R"("c:\tools\browser" "%1")", ".exe"},
        {"", ".exe"},
        // Only the first ".exe" counts.
        {R"(c:\a.exe.d\b.exe)", R"(c:\a.exe)"},
        // Letters outside ASCII are left as they are, so UTF-8 paths survive.
        {"\"C:\\\xC3\x9C"
         "BER\\NAV.EXE\"",
         "c:\\\xC3\x9C"
         "ber\\nav.exe"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(browserPathFromCommand(c.command), c.path) << "command: " << c.command;
}

// A private set of XDG folders: every variable the lookup reads points into a
// temporary folder, so nothing installed on the machine takes part.
class BrowserLookup : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        for (const char* name : kVariables)
            m_saved.emplace_back(name, qgetenv(name), qEnvironmentVariableIsSet(name));
        qputenv("XDG_CONFIG_HOME", path("config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", (path("etc1") + ":" + path("etc2")).toUtf8());
        qputenv("XDG_DATA_HOME", path("home").toUtf8());
        qputenv("XDG_DATA_DIRS", (path("share1") + ":" + path("share2")).toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP");
    }

    void TearDown() override {
        for (const auto& [name, value, wasSet] : m_saved) {
            if (wasSet)
                qputenv(name, value);
            else
                qunsetenv(name);
        }
    }

    QString path(const QString& relative) const { return m_root.filePath(relative); }

    void write(const QString& relative, const QByteArray& content) const {
        const QString file = path(relative);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(out.write(content), content.size());
    }

    // A desktop entry in the applications folder under `dataDir` whose program is `program`.
    void entry(const QString& dataDir, const QString& id, const QByteArray& program,
               const QByteArray& extra = {}) const {
        write(dataDir + "/applications/" + id,
              "[Desktop Entry]\nType=Application\nName=Browser\nExec=" + program +
                  " --new-window %u\n" + extra);
    }

    void defaults(const QString& file, const QByteArray& ids) const {
        write(file, "[Default Applications]\nx-scheme-handler/http=" + ids + "\n");
    }

private:
    static constexpr const char* kVariables[] = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS",
                                                 "XDG_DATA_HOME", "XDG_DATA_DIRS",
                                                 "XDG_CURRENT_DESKTOP"};
    QTemporaryDir m_root;
    std::vector<std::tuple<const char*, QByteArray, bool>> m_saved;
};

TEST_F(BrowserLookup, NoneRegisteredGivesFalseAndStartsNothing) {
    entry("share1", "other.desktop", "/opt/other"); // installed, but nobody names it for http
    EXPECT_EQ(registeredHttpBrowser(), "");
    bool started = false;
    EXPECT_FALSE(OpenInBrowser("http://example.test/", [&](const std::string&, const std::string&) {
        started = true;
        return true;
    }));
    EXPECT_FALSE(started);
}

TEST_F(BrowserLookup, StartsTheDefaultWithTheAddressAsItsOnlyArgument) {
    entry("share1", "web.desktop", "/opt/web/browser");
    defaults("config/mimeapps.list", "web.desktop;");
    std::vector<std::pair<std::string, std::string>> calls;
    const std::string address = "http://example.test/a b?x=1&y=\"2\";$HOME\xE9";
    EXPECT_TRUE(OpenInBrowser(address, [&](const std::string& program, const std::string& arg) {
        calls.emplace_back(program, arg);
        return true;
    }));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, "/opt/web/browser");
    EXPECT_EQ(calls[0].second, address);

    // A browser that cannot be started is not reported as opened.
    EXPECT_FALSE(
        OpenInBrowser(address, [](const std::string&, const std::string&) { return false; }));
}

TEST_F(BrowserLookup, DefaultsFollowTheLevelsInPrecedenceOrder) {
    for (const char* name : {"user", "sys1", "sys2", "local", "dist1", "dist2", "gnome"})
        entry("share2", QString(name) + ".desktop", QByteArray("/bin/") + name);

    defaults("share2/applications/mimeapps.list", "dist2.desktop");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/dist2");
    defaults("share1/applications/mimeapps.list", "dist1.desktop");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/dist1");
    defaults("home/applications/mimeapps.list", "local.desktop");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/local");
    defaults("etc2/mimeapps.list", "sys2.desktop");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/sys2");
    defaults("etc1/mimeapps.list", "sys1.desktop");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/sys1");
    defaults("config/mimeapps.list", "user.desktop");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/user");

    // A desktop's own file beats the general one of the same level only while
    // that desktop is current; the names are matched in lower case.
    defaults("config/gnome-mimeapps.list", "gnome.desktop");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/user");
    qputenv("XDG_CURRENT_DESKTOP", "X-Cinnamon:GNOME");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/gnome");
    defaults("config/x-cinnamon-mimeapps.list", "sys2.desktop");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/sys2");
}

TEST_F(BrowserLookup, SkipsDefaultsThatAreNotInstalled) {
    entry("share1", "second.desktop", "/bin/second");
    entry("share1", "lower.desktop", "/bin/lower");
    entry("share1", "noexec.desktop", "%u");
    // Hidden in the user's folder: deleted for the user, though installed below.
    entry("share1", "hidden.desktop", "/bin/hidden");
    entry("home", "hidden.desktop", "/bin/hidden", "Hidden=true\n");

    defaults("config/mimeapps.list", "missing.desktop;hidden.desktop;noexec.desktop;");
    defaults("share1/applications/mimeapps.list", "lower.desktop");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/lower");

    defaults("config/mimeapps.list", "missing.desktop;hidden.desktop;second.desktop;");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/second");
}

TEST_F(BrowserLookup, EntryOfHigherPrecedenceFolderWins) {
    entry("share2", "web.desktop", "/bin/system-copy");
    defaults("config/mimeapps.list", "web.desktop");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/system-copy");
    entry("home", "web.desktop", "/bin/user-copy");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/user-copy");
}

TEST_F(BrowserLookup, FindsEntriesInSubfolders) {
    entry("share1", "vendor/suite/web.desktop", "/bin/vendor-web");
    defaults("config/mimeapps.list", "vendor-suite-web.desktop");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/vendor-web");
}

TEST_F(BrowserLookup, FallsBackToAssociationsWhenNoDefaultIsSet) {
    for (const char* name : {"added1", "added2", "announced", "removed"})
        entry("share1", QString(name) + ".desktop", QByteArray("/bin/") + name);
    write("share1/applications/announcing.desktop",
          "[Desktop Entry]\nType=Application\nExec=/bin/announcing %U\n"
          "MimeType=text/html;x-scheme-handler/http;\n");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/announcing");

    // A removal hides the association from the levels below it.
    write("etc1/mimeapps.list",
          "[Removed Associations]\nx-scheme-handler/http=announcing.desktop\n");
    EXPECT_EQ(registeredHttpBrowser(), "");

    write("share1/applications/mimeapps.list",
          "[Added Associations]\nx-scheme-handler/http=removed.desktop;added2.desktop\n");
    write("etc2/mimeapps.list", "[Removed Associations]\nx-scheme-handler/http=removed.desktop;\n");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/added2");

    write("config/mimeapps.list", "[Added Associations]\nx-scheme-handler/http=added1.desktop;\n");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/added1");

    // Desktop-specific files set defaults only.
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    write("config/kde-mimeapps.list",
          "[Added Associations]\nx-scheme-handler/http=announced.desktop;\n");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/added1");

    // Any default outranks every association.
    defaults("share2/applications/mimeapps.list", "announced.desktop");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/announced");
}

TEST_F(BrowserLookup, ReadsTheProgramOfTheExecLine) {
    struct Case {
        QByteArray exec;
        std::string program;
    };
    const Case cases[] = {
        {"/usr/bin/web %U", "/usr/bin/web"},
        {"  web-browser --private-window %u", "web-browser"},
        {R"("/opt/My Browser/run" --flag %u)", "/opt/My Browser/run"},
        {R"("/opt/My\sBrowser/run" %u)", "/opt/My Browser/run"},
        {R"(/opt/My\sBrowser/run %u)", "/opt/My"}, // an escaped blank still separates arguments
        {R"("/opt/a \"quoted\" \$dir/run" %u)", R"(/opt/a "quoted" $dir/run)"},
        {"/opt/100%%/run %u", "/opt/100%/run"},
        {"%u", ""},
        {R"("/opt/unterminated %u)", ""},
    };
    defaults("config/mimeapps.list", "web.desktop");
    for (const Case& c : cases) {
        write("home/applications/web.desktop",
              "[Desktop Entry]\nType=Application\nExec=" + c.exec + "\nName=Web\n");
        EXPECT_EQ(registeredHttpBrowser(), c.program) << "Exec=" << c.exec.constData();
    }

    // Exec is read from the [Desktop Entry] group only.
    write("home/applications/web.desktop",
          "[Desktop Action new]\nExec=/bin/action\n"
          "[Desktop Entry]\nType=Application\nExec=/bin/main %u\n");
    EXPECT_EQ(registeredHttpBrowser(), "/bin/main");
    write("home/applications/web.desktop", "[Desktop Entry]\nType=Link\nURL=http://x.test/\n");
    EXPECT_EQ(registeredHttpBrowser(), "");
}

bool waitForFile(const QString& file) {
    for (int i = 0; i < 500 && !QFileInfo::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return QFileInfo::exists(file);
}

TEST_F(BrowserLookup, StartsTheRealProgram) {
    // The fake browser writes its argument count and arguments, one a line,
    // and renames the file into place so it is never seen half written.
    const QString script = path("bin/fake browser");
    const QString record = path("bin/args.txt");
    write("bin/fake browser", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"" + record.toUtf8() +
                                  ".tmp\"\nmv \"" + record.toUtf8() + ".tmp\" \"" +
                                  record.toUtf8() + "\"\n");
    ASSERT_TRUE(
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    entry("share1", "fake.desktop", "\"" + script.toUtf8() + "\"");
    defaults("config/mimeapps.list", "fake.desktop;");

    const std::string address = "http://example.test/path?q=a b&r='c';d";
    ASSERT_TRUE(OpenInBrowser(address));
    ASSERT_TRUE(waitForFile(record));
    QFile in(record);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll().toStdString(), "1\n" + address + "\n");
}

TEST_F(BrowserLookup, ReportsAProgramThatCannotStart) {
    entry("share1", "gone.desktop", path("bin/no-such-program").toUtf8());
    defaults("config/mimeapps.list", "gone.desktop");
    EXPECT_FALSE(OpenInBrowser("http://example.test/"));
}

} // namespace

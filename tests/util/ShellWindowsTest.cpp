// The browser the registry names and programs started through the shell, with
// a program that records its arguments standing in for the browser.
#include "util/ProgramStart.h"
#include "util/UserError.h"
#include "util/Utils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

namespace {

// Sets the default value of a key under HKEY_CLASSES_ROOT for one test and
// puts back what was there.
class ClassesValue {
public:
    explicit ClassesValue(const wchar_t* key) : m_key(key) {
        HKEY handle = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
            return;
        DWORD size = 0;
        if (RegQueryValueExW(handle, nullptr, nullptr, &m_type, nullptr, &size) == ERROR_SUCCESS) {
            m_earlier.resize(size);
            m_had = RegQueryValueExW(handle, nullptr, nullptr, &m_type, m_earlier.data(), &size) ==
                    ERROR_SUCCESS;
        }
        RegCloseKey(handle);
    }
    ~ClassesValue() {
        if (m_had)
            set(m_type, m_earlier.data(), static_cast<DWORD>(m_earlier.size()));
        else
            RegDeleteKeyW(HKEY_CLASSES_ROOT, m_key);
    }
    ClassesValue(const ClassesValue&) = delete;
    ClassesValue& operator=(const ClassesValue&) = delete;

    bool set(const QString& text) {
        return set(REG_SZ, reinterpret_cast<const BYTE*>(text.utf16()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    bool set(DWORD type, const BYTE* data, DWORD size) {
        HKEY handle = nullptr;
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, m_key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &handle, nullptr) != ERROR_SUCCESS)
            return false;
        const bool done = RegSetValueExW(handle, nullptr, 0, type, data, size) == ERROR_SUCCESS;
        RegCloseKey(handle);
        return done;
    }

private:
    const wchar_t* m_key;
    bool m_had = false;
    DWORD m_type = REG_SZ;
    std::vector<BYTE> m_earlier;
};

const wchar_t* const HttpCommand = L"http\\shell\\open\\command";

class Shell : public ::testing::Test {
protected:
    // The recording program under `name` in the test's folder.
    QString recorder(const QString& name) {
        const QString path = QDir::toNativeSeparators(m_dir.filePath(name));
        EXPECT_TRUE(QFile::copy(QStringLiteral(TIPSMITH_RECORD_ARGUMENTS), path));
        return path;
    }
    // The lines the recorder at `path` received; it runs on its own, so this
    // waits for its file (a minute at most, far beyond any start).
    static QStringList recorded(const QString& path) {
        QFile file(path + QStringLiteral(".args"));
        for (int i = 0; i < 600 && !file.exists(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!file.open(QIODevice::ReadOnly))
            return {QStringLiteral("<nothing recorded>")};
        QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        lines.removeLast();
        return lines;
    }

    QTemporaryDir m_dir;
    ClassesValue m_http{HttpCommand};
};

} // namespace

TEST_F(Shell, TheRegisteredBrowserGetsExactlyTheAddress) {
    const QString browser = recorder(QStringLiteral("BROWSER.EXE"));
    // Written in capitals, with a switch and a placeholder that are dropped.
    ASSERT_TRUE(m_http.set(u'"' + browser.toUpper() + QStringLiteral("\" -osint -url \"%1\"")));
    const std::string address = "http://example.org/hours.htm?day=1&open=yes#top";
    EXPECT_TRUE(OpenInBrowser(address));
    EXPECT_EQ(recorded(browser.toLower()), QStringList{QString::fromStdString(address)});
}

TEST_F(Shell, ABrowserCommandOfAnotherTypeIsTheRegistrysError) {
    const DWORD number = 1;
    ASSERT_TRUE(m_http.set(REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number)));
    try {
        (void)OpenInBrowser("http://example.org/");
        FAIL() << "no error";
    } catch (const UserError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for ''");
    }
}

TEST_F(Shell, AnAddressOpensInTheHandlerOfItsScheme) {
    const QString handler = recorder(QStringLiteral("handler.exe"));
    ASSERT_TRUE(m_http.set(u'"' + handler + QStringLiteral("\" \"%1\"")));
    const QString address = QStringLiteral("http://example.org/a?b=1&c=2");
    EXPECT_TRUE(shellOpen(address));
    EXPECT_EQ(recorded(handler), QStringList{address});
}

TEST_F(Shell, AProgramGetsItsArgumentsAsGiven) {
    const QStringList arguments = {QStringLiteral("http://127.0.0.1:8780/liveupdate/tipsmith/"),
                                   QStringLiteral("2.0"),
                                   QStringLiteral("A"),
                                   QStringLiteral("two words"),
                                   QString(),
                                   QStringLiteral("say \"hi\""),
                                   QStringLiteral("C:\\a folder\\"),
                                   QStringLiteral("back\\\\slashes\\\"quote")};
    const QString program = recorder(QStringLiteral("Updater.exe"));
    EXPECT_TRUE(startDetachedProgram(program, arguments));
    EXPECT_EQ(recorded(program), arguments);
}

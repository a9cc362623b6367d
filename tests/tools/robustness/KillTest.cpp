// Save Configuration and SaveLastNewsId killed at random points: a child
// process saves numbered versions in a loop and is killed with SIGKILL at a
// random point of its first four saves, 50 times for each. The file must then hold the last version
// whose save completed or the one in progress, whole, and the profile must
// still be authentic.

#include "net/NewsProtocol.h"
#include "tests/tools/robustness/SaveVersions.h"
#include "util/ProtectedFile.h"
#include "wizard/Configuration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kKills = 50;
constexpr std::uint32_t kSeed = 20240612;

// The save loop as a child process with its standard output on a pipe.
class SaveLoop {
public:
    SaveLoop(const char* mode, const QString& file) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        const std::string program = TIPSMITH_SAVE_LOOP;
        const std::string path = QFile::encodeName(file).toStdString();
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(mode),
                        const_cast<char*>(path.c_str()), nullptr};
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_out = fds[0];
    }
    ~SaveLoop() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            close(m_out);
    }

    bool started() const { return m_pid > 0; }

    // Reads until the child has said `line` (or has ended).
    bool waitFor(const std::string& line) {
        while (m_text.find(line + "\n") == std::string::npos) {
            if (!readSome())
                return false;
        }
        return true;
    }

    // Kills the child; true when it was the kill that ended it.
    bool killNow() {
        kill(m_pid, SIGKILL);
        int status = 0;
        const bool waited = waitpid(m_pid, &status, 0) == m_pid;
        m_pid = -1;
        while (readSome()) {
        }
        return waited && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

    // The number of the last save the child reported as complete, 0 for none.
    int lastCompleted() const {
        int last = 0;
        size_t from = 0;
        for (size_t end; (end = m_text.find('\n', from)) != std::string::npos; from = end + 1) {
            const std::string line = m_text.substr(from, end - from);
            if (line != "ready")
                last = std::stoi(line);
        }
        return last;
    }

private:
    bool readSome() {
        char buffer[4096];
        const ssize_t n = read(m_out, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        m_text.append(buffer, static_cast<size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_text;
};

std::optional<int> number(const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(text);
}

// A kill leaves what the program wrote in the page cache whatever the disk,
// so a memory file system serves as well and spares the disk's syncs.
QString scratchFolder() {
    const QString memory = QStringLiteral("/dev/shm");
    const QString base =
        QFileInfo(memory).isDir() && QFileInfo(memory).isWritable() ? memory : QDir::tempPath();
    return base + QStringLiteral("/tipsmith-kill-XXXXXX");
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Files other than the one saved that a killed save leaves behind.
QStringList litter(const QTemporaryDir& dir, const QString& keep) {
    QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    names.removeAll(keep);
    return names;
}

struct KillSummary {
    int old = 0;        // the file held the last completed save
    int inProgress = 0; // it held the save that was under way
    int maxCompleted = 0;
    int killedAfterASave = 0;
    int leftTemporaryFiles = 0; // kills after which a temporary file stayed beside it
};

// Kills the loop 50 times at random points: after it has reported a random
// number of completed saves (none to three), plus a random part of one save.
// The kill points follow what the loop reports, not the clock, so a busy
// machine changes how often a kill lands inside a save but never what a kill
// tests. Before each run what the last kill left beside the file is removed
// and `reset` puts version 0 in place; `versionIn` names the version the file
// holds now, or nothing when it holds none whole.
KillSummary killRepeatedly(const char* mode, const QTemporaryDir& dir, const QString& file,
                           const std::function<void()>& reset,
                           const std::function<std::optional<int>()>& versionIn) {
    KillSummary summary;
    const QString name = QFileInfo(file).fileName();
    const auto fresh = [&] {
        for (const QString& other : litter(dir, name))
            QFile::remove(dir.filePath(other));
        reset();
    };
    // About how long one save takes, so the offset spreads over a whole save.
    fresh();
    std::chrono::microseconds perSave{20000};
    {
        SaveLoop loop(mode, file);
        EXPECT_TRUE(loop.started());
        EXPECT_TRUE(loop.waitFor("ready"));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(loop.waitFor("3"));
        perSave = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - start) /
                  3;
    }

    std::mt19937 random(kSeed);
    std::uniform_int_distribution<int> savesBefore(0, 3);
    std::uniform_int_distribution<long> offset(0, std::max<long>(1, perSave.count()));
    for (int kill = 0; kill < kKills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill) + " of " + mode);
        fresh();
        const int after = savesBefore(random);
        SaveLoop loop(mode, file);
        EXPECT_TRUE(loop.started());
        EXPECT_TRUE(loop.waitFor(after == 0 ? "ready" : std::to_string(after)));
        std::this_thread::sleep_for(std::chrono::microseconds(offset(random)));
        EXPECT_TRUE(loop.killNow()) << "the loop ended before it was killed";
        const int completed = loop.lastCompleted();
        EXPECT_GE(completed, after) << "the loop reported fewer saves than were waited for";

        const std::optional<int> held = versionIn();
        if (!held) {
            ADD_FAILURE() << "after " << completed << " completed saves the file is not whole";
            return summary;
        }
        EXPECT_TRUE(*held == completed || *held == completed + 1)
            << "the file holds version " << *held << " after " << completed << " completed saves";
        summary.old += *held == completed;
        summary.inProgress += *held == completed + 1;
        summary.maxCompleted = std::max(summary.maxCompleted, completed);
        summary.killedAfterASave += completed > 0;
        summary.leftTemporaryFiles += !litter(dir, name).isEmpty();
    }
    return summary;
}

void report(const char* what, const KillSummary& s) {
    std::cout << what << ": " << kKills << " kills; the file held the last completed save " << s.old
              << " times and the save in progress " << s.inProgress << " times; up to "
              << s.maxCompleted << " saves completed before a kill, at least one before "
              << s.killedAfterASave << " kills; " << s.leftTemporaryFiles
              << " kills left a temporary file beside it\n";
}

} // namespace

TEST(KilledWhileSaving, TheConfigurationIsTheOldOrTheNewOneWhole) {
    QTemporaryDir dir(scratchFolder());
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("box.set"));
    const auto reset = [&] { configuration::saveFile(save_versions::configuration(0), file); };
    const auto versionIn = [&]() -> std::optional<int> {
        const QByteArray bytes = readAll(file);
        InfoBoxSettings loaded;
        SettingsTarget target(loaded);
        try {
            configuration::load(std::string_view(bytes.constData(), bytes.size()), target);
        } catch (...) {
            return std::nullopt;
        }
        const std::string prefix = "version ";
        if (!loaded.HeaderText.starts_with(prefix))
            return std::nullopt;
        const std::optional<int> version = number(loaded.HeaderText.substr(prefix.size()));
        if (!version)
            return std::nullopt;
        // Whole: byte for byte the file that version writes, and its fields read back.
        if (bytes.toStdString() != configuration::toBytes(save_versions::configuration(*version)) ||
            loaded != save_versions::configuration(*version))
            return std::nullopt;
        return version;
    };
    report("Save Configuration", killRepeatedly("config", dir, file, reset, versionIn));
}

TEST(KilledWhileSaving, TheProfileIsTheOldOrTheNewOneWholeAndAuthentic) {
    QTemporaryDir dir(scratchFolder());
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("dbsettings.dat"));
    const auto reset = [&] {
        writeProtectedFile(file, QByteArray::fromStdString(save_versions::profile(0)));
    };
    const auto versionIn = [&]() -> std::optional<int> {
        QByteArray plain;
        if (readProtectedFile(file, plain) != ProtectedFileResult::Ok)
            return std::nullopt;
        const std::optional<int> version = number(news::LoadLastNewsId(file));
        if (!version || plain.toStdString() != save_versions::profile(*version))
            return std::nullopt;
        return version;
    };
    report("SaveLastNewsId", killRepeatedly("newsid", dir, file, reset, versionIn));
}

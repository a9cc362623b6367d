#pragma once

#include "app/AppEnvironment.h"
#include "app/MessageService.h"
#include "util/ProgramStart.h"

#include <QColor>
#include <QDateTime>
#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Records every message and answers it from a queue (OK when the queue is empty).
class RecordingPresenter : public MessagePresenter {
public:
    struct Shown {
        MessageKind kind;
        MessageButtons buttons;
        QString text;
    };

    MessageAnswer present(QWidget*, MessageKind kind, MessageButtons buttons,
                          const QString& text) override {
        shown.push_back({kind, buttons, text});
        if (onShow)
            onShow();
        if (answers.empty())
            return MessageAnswer::Ok;
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void setNextAnswer(MessageAnswer answer) { answers.push_back(answer); }

    std::vector<Shown> shown;
    std::deque<MessageAnswer> answers;
    // Runs while a message is "on screen" (e.g. to look at the clipboard then).
    std::function<void()> onShow;
};

// Answers file and colour dialogs from queues; an empty queue cancels.
class ScriptedDialogs : public Dialogs {
public:
    struct Asked {
        QString kind;
        QString title;
        QString filter;
    };

    QString openFile(QWidget*, const QString& title, const QString& filter) override {
        asked.push_back({QStringLiteral("open"), title, filter});
        return next(files);
    }
    QString saveFile(QWidget*, const QString& title, const QString& filter) override {
        asked.push_back({QStringLiteral("save"), title, filter});
        return next(files);
    }
    std::optional<QColor> chooseColor(QWidget*, const QColor& initial) override {
        asked.push_back({QStringLiteral("color"), initial.name(), QString()});
        if (colors.empty())
            return std::nullopt;
        const auto color = colors.front();
        colors.pop_front();
        return color;
    }

    std::deque<QString> files;
    std::deque<std::optional<QColor>> colors;
    std::vector<Asked> asked;

private:
    static QString next(std::deque<QString>& queue) {
        if (queue.empty())
            return QString();
        QString value = queue.front();
        queue.pop_front();
        return value;
    }
};

// A temporary ExeFolder, a fixed clock (25 December 2008, 14:30:05) and recorders.
struct TestEnvironment {
    QTemporaryDir folder;
    std::shared_ptr<RecordingPresenter> messages = std::make_shared<RecordingPresenter>();
    std::shared_ptr<ScriptedDialogs> dialogs = std::make_shared<ScriptedDialogs>();
    std::vector<QUrl> opened;              // through the desktop's "open"
    std::vector<std::string> browsed;      // through the registered web browser
    int modalCount = 0;                    // windows shown modally
    std::function<void(QDialog&)> onModal; // looks at such a window while it is "open"
    QDateTime now{QDate(2008, 12, 25), QTime(14, 30, 5)};
    std::uint32_t seed = 12345;
    // No update server unless a test names one: the check then finds nothing at once.
    QString updateBaseAddress;
    std::chrono::milliseconds stallLimit{5000};
    std::chrono::milliseconds startupRequestLimit{5000};
    // Programs the window started (the updater), and whether to really start them.
    std::vector<QStringList> started;
    bool startForReal = false;
    // Set to act as an installed copy, whose own folder cannot be written.
    std::optional<AppEnvironment::UserFolders> userFolders;

    QString exeFolder() const { return folder.path() + u'/'; }

    AppEnvironment make() {
        AppEnvironment env;
        env.exeFolder = exeFolder();
        env.now = [this] { return now; };
        env.locale = QLocale(QLocale::English, QLocale::UnitedStates);
        env.messages = messages;
        env.dialogs = dialogs;
        env.openUrl = [this](const QUrl& url) {
            opened.push_back(url);
            return true;
        };
        env.openInBrowser = [this](const std::string& address) {
            browsed.push_back(address);
            return true;
        };
        env.runModal = [this](QDialog& dialog) {
            ++modalCount;
            if (onModal)
                onModal(dialog);
            return 0;
        };
        env.randomSeed = [this] { return seed; };
        env.updateBaseAddress = updateBaseAddress;
        env.httpStallLimit = stallLimit;
        env.startupRequestLimit = startupRequestLimit;
        env.userFolders = userFolders;
        env.startProgram = [this](const QString& program, const QStringList& arguments) {
            started.push_back(QStringList{program} + arguments);
            return !startForReal || startDetachedProgram(program, arguments);
        };
        return env;
    }
};

#pragma once

#include <QColor>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class MessagePresenter;
class QDialog;
class QWidget;

// File and colour dialogs, behind an interface so tests can answer them.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // An existing file chosen by the user, or an empty text when cancelled.
    virtual QString openFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    // A file name to write, or an empty text when cancelled.
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) = 0;
};

class SystemDialogs : public Dialogs {
public:
    QString openFile(QWidget* parent, const QString& title, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& filter) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
};

// Everything the windows need from outside the program. The program fills it
// with the real things; tests fill it with a temporary folder, a fixed clock
// and recorders.
struct AppEnvironment {
    // Folder of the running executable, with a trailing separator.
    QString exeFolder;
    std::function<QDateTime()> now;
    // The locale whose date and time formats stamp the output folders.
    QLocale locale;
    std::shared_ptr<MessagePresenter> messages;
    std::shared_ptr<Dialogs> dialogs;
    // Opens an address in the desktop's handler for it (link labels, links in the welcome page).
    std::function<bool(const QUrl&)> openUrl;
    // Starts the web browser registered for http with the address (banners,
    // Make Money, Help); false when none is registered.
    std::function<bool(const std::string& address)> openInBrowser;
    // Shows a window modally (the About window) and returns its result.
    std::function<int(QDialog&)> runModal;
    // Seeds the random choices of a run (welcome page, banner, links).
    std::function<std::uint32_t()> randomSeed;
    // The update server's folder, ending in "/".
    QString updateBaseAddress;
    // An HTTP request that receives nothing for this long fails.
    std::chrono::milliseconds httpStallLimit{30000};
    // The start-up check's silent requests end after this long at the latest,
    // however steadily their replies arrive; a request the user started has
    // only the stall limit, since the user can close the window.
    std::chrono::milliseconds startupRequestLimit{60000};
    // Starts a program with its arguments without waiting for it (the updater).
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;

    // The folders an installed copy writes to, as it cannot write beside its
    // executable; each with a trailing separator. A brand profile, banners,
    // skin and icon are still read beside the executable.
    struct UserFolders {
        QString documents; // "<documents>/Tipsmith/", holds the Output folder
        QString cache;     // the downloaded update file
        QString data;      // the id of the news item read last
    };
    // Unset while the executable's folder can be written (a portable copy, the
    // build tree): every file is then written beside the executable.
    std::optional<UserFolders> userFolders;

    // The folder holding "Output", where each Finish writes a folder.
    QString outputBase() const { return userFolders ? userFolders->documents : exeFolder; }
    // The folder the update file is downloaded to.
    QString updateFolder() const { return userFolders ? userFolders->cache : exeFolder; }

    // The environment of the running program.
    static AppEnvironment system();
};

// Opens a link of a text from outside the program (a welcome page, a news
// item, a brand's link label) through `open`, the address as browsableAddress
// gives it; a refused or empty address opens nothing. False when nothing was
// opened.
bool openLink(const std::function<bool(const QUrl&)>& open, const QString& address);
bool openLink(const std::function<bool(const QUrl&)>& open, const QUrl& link);

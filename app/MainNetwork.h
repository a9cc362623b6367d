#pragma once

#include "app/AppEnvironment.h"
#include "app/MessageService.h"

#include <QString>
#include <QStringList>

#include <string>

class HttpClient;
class NewsHint;
class QWidget;

// The main window's network services: the news button, the news requests and
// the remembered last item, the update check, and the start-up check that
// runs once the window is ready. The window owns the HTTP client, the balloon
// and the news list; this object uses them on its behalf.
class MainNetwork {
public:
    struct Window {
        QWidget& form;    // closed to let the updater work
        QWidget& btnNews; // where the balloon points
        MessageService& msgMain;
        QStringList& NewsList;
        HttpClient& httpMain;
        NewsHint& hintNews;
    };

    MainNetwork(Window window, const AppEnvironment& env);

    // --- handlers ------------------------------------------------------------
    // Lists the news and opens the news window, or says there is none. A
    // second click while the list is on its way does nothing.
    void btnNewsClick();
    // The update check with an answer in every case.
    void btnUpdateClick() { CheckForUpdate(false); }
    // The start-up check: silently asks for the newest item, points the
    // balloon at the news button when it is newer than the one read last, and
    // then runs the silent update check.
    void startupCheck();
    // The window closes: every waiting request is aborted, and the handlers
    // still running afterwards neither start requests nor show messages.
    void closing();

    // --- operations ----------------------------------------------------------
    [[nodiscard]] bool GetNewsList(const std::string& publisherId, const std::string& branderCode,
                                   const std::string& tierCode, const std::string& newsTarget,
                                   QStringList& list);
    [[nodiscard]] bool GetLastNews(const std::string& publisherId, const std::string& branderCode,
                                   const std::string& tierCode, const std::string& newsTarget,
                                   QString& latestId, QString& latestTitle, bool silent);
    QString LoadLastNewsId();
    void SaveLastNewsId(const QString& newsId);
    // One check at a time: a second one while the first waits does nothing.
    void CheckForUpdate(bool silent);
    // Downloads at most the update file's size limit; a silent download ends
    // after the start-up request limit.
    [[nodiscard]] bool DownloadToFile(const QString& address, const QString& fileName,
                                      bool silent = false);
    void ShowNewsHint(const QString& text);

    // A news entry as received, each field decoded on its own (UTF-8 when
    // valid, else Windows-1252), joined again by "^".
    static QString decodeEntry(std::string_view entry);

    QString profileFile() const;
    // The protected file that keeps the id of the item read last.
    QString newsIdFile() const;

private:
    void warn(std::string_view message);

    Window m_window;
    const AppEnvironment& m_env;
    bool m_closed = false;
    bool m_listing = false;
    bool m_checkingUpdate = false;
};

#pragma once

#include "app/MessageService.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>
#include <string>

class HttpClient;
class QPushButton;
class QSplitter;
class QTextBrowser;
class QTreeWidget;

// The news window: the news items of the brander's tier in a list, and the
// full text of the one selected. Selecting an item fetches its text, shows it
// and remembers the item as read. Built for one modal showing.
class TfrmNews : public QDialog {
    Q_OBJECT
public:
    // What the window uses of the main window.
    struct Services {
        HttpClient& httpMain;
        MessageService& msgMain;
        std::function<void(const QString& newsId)> SaveLastNewsId;
        std::function<bool(const QUrl&)> openUrl; // links inside a news text
    };

    TfrmNews(const QStringList& newsList, Services services, QWidget* parent = nullptr);
    ~TfrmNews() override;

    // The details request: true for a successful reply, `details` then the
    // decoded text. Warns about a failed one in the main window's message box.
    [[nodiscard]] bool GetNewsDetails(const std::string& publisherId,
                                      const std::string& branderCode, const std::string& tierCode,
                                      const std::string& newsTarget, const QString& newsId,
                                      QString& details);

    // Shows an item's text: as HTML, or as plain text (cut when very long)
    // when its markup would hold the window for long.
    void showDetails(const QString& details);

    // True while an item's text is on its way; the list then keeps its selection.
    bool busy() const { return m_busy; }

    // The id an item was listed with.
    static QString itemId(const QTreeWidget& list, int row);

    QWidget* panList = nullptr;
    QTreeWidget* lvwItems = nullptr;
    QSplitter* splNews = nullptr;
    QTextBrowser* prfEditorNews = nullptr;
    QWidget* panButtons = nullptr;
    QPushButton* btnExit = nullptr;

    // Closing while an item's text is on its way waits for the request to end.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    bool lvwItemsChanging() const { return m_busy; }
    void lvwItemsChange();
    void btnExitClick();

    QStringList m_newsList;
    Services m_services;
    bool m_busy = false;
    bool m_shown = false;
    std::optional<int> m_closeWhenIdle;
};

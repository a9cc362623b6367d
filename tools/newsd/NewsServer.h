#pragma once

#include "tools/newsd/HttpServer.h"

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// The reference news and update server. It serves from one folder:
//
//   ROOT/news/PUBLISHER/TIER-CODE/ID.news   one news item of a product
//   ROOT/liveupdate/...                      files for GET, such as
//                                            liveupdate/tipsmith/mainappupdate.inf
//
// PUBLISHER is the publisher id (memusername), TIER the tier code (prodtype:
// BM, BP, BG) and CODE the brander code (prodcode), so a Gold brander ACME of
// publisher 1001 keeps its items in news/1001/BG-ACME/. ID is the item's id,
// a decimal number; a larger one is a newer item. An item file starts with
// "Title:" and "Date:" lines, then an empty line, then the item's full text
// (HTML). The lists give the newest item first.
class NewsServer {
public:
    struct Reply {
        int status = 200;
        QByteArray contentType = "text/html";
        QByteArray body;
        // When set, the body is what is left of this open device: an update
        // file, or a large item escaped a piece at a time as it is sent.
        std::shared_ptr<QIODevice> file;
        QByteArray note; // what the log says about it
    };

    struct Item {
        std::int32_t id = 0;
        QByteArray title;
        QByteArray date;
        QString file;
    };

    // `newsBase` is the path the two scripts sit under; it gets a leading and
    // a final "/" when it lacks them.
    NewsServer(QString root, QByteArray newsBase);

    Reply handle(const HttpRequest& request) const;

    const QString& root() const { return m_root; }
    const QByteArray& newsBase() const { return m_newsBase; }

    // The items in a product folder, newest first. Files whose name is not a
    // number followed by ".news" are not items.
    static std::vector<Item> items(const QString& productFolder);
    // An item file's title, date and text.
    struct ItemFile {
        QByteArray title;
        QByteArray date;
        QByteArray text;
    };
    static ItemFile parseItemFile(const QByteArray& bytes);

    // A title or date made safe for the reply grammar: "^" and every character
    // holding the byte 0xAF (in UTF-8 "¯", "ï" and others) become "?".
    static QByteArray fieldText(const QByteArray& text, bool* changed = nullptr);
    // "$" and two hexadecimal digits for every byte but letters, digits and
    // plain punctuation, so the text survives trimming and the separators.
    static QByteArray dollarEscape(QByteArrayView text);
    // The size of dollarEscape(text).
    static qint64 dollarEscapedSize(QByteArrayView text);

private:
    Reply news(const HttpRequest& request, bool details) const;
    Reply updateFile(const HttpRequest& request) const;

    QString m_root;
    QByteArray m_newsBase;
};

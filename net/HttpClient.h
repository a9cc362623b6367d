#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QIODevice;
class QNetworkReply;
class QNetworkRequest;

// One field of a multipart/form-data form: a name and a text value, bytes as
// they are sent.
struct FormField {
    std::string name;
    std::string value;
};

// What one request may take beyond the client's stall limit. A request that
// passes a bound fails at once, the way an unreachable server fails it.
struct RequestLimits {
    // The most body bytes taken; a reply announcing more fails before its
    // body is read. Zero: no bound.
    qint64 maxBodyBytes = 0;
    // The longest the whole request may take, however steadily its reply
    // arrives. Zero: no bound.
    std::chrono::milliseconds overall{0};
};

// While a request waits, the window's event loop keeps running: the windows
// repaint, the user can click and other handlers (even other requests) run in
// the middle of the wait. Each wait is a local event loop of its own; a
// request started during another's wait nests inside it, and the outer one
// returns once the inner one has ended.
class AntiFreeze {
public:
    // Runs the event loop until `reply` has finished. Returns at once when it
    // has finished already, or when the application is quitting (the reply may
    // then still run; the caller aborts it).
    void waitFor(QNetworkReply& reply);

    // How many waits are in progress now (nested ones counted).
    int depth() const { return m_depth; }

private:
    int m_depth = 0;
};

// The program's one HTTP client. Every request blocks its caller while the
// event loop keeps running (AntiFreeze), and ends either with the whole body
// or with a failure: no connection, an HTTP status outside 200-299 after
// following redirects, a body cut short, the client disconnected, nothing
// received for the stall limit, a bound of its RequestLimits passed, or (for
// a download) the body not written. The memory a request holds is bounded
// by what it keeps: the client reads the reply in pieces of at most
// ReadBufferBytes.
// Fixed settings: Accept "text/html, */*", the old browser User-Agent that
// news servers expect, redirects followed (never from https to http),
// cookies kept for the run, no proxy. The client outlives every request made
// through it: it belongs to the main window, which goes only after the event
// loop has ended.
class HttpClient {
public:
    static constexpr std::chrono::milliseconds DefaultStallLimit{30000};
    static constexpr qint64 ReadBufferBytes = 256 * 1024;

    HttpClient();
    ~HttpClient();

    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // A request that receives nothing for this long fails. A reply that keeps
    // arriving has no limit.
    void setStallLimit(std::chrono::milliseconds limit) { m_stallLimit = limit; }
    std::chrono::milliseconds stallLimit() const { return m_stallLimit; }

    // POSTs the fields, in order, as multipart/form-data. Every part carries
    // only its Content-Disposition header. The body, or nothing on failure.
    [[nodiscard]] std::optional<QByteArray> postForm(const QString& address,
                                                     const std::vector<FormField>& fields,
                                                     const RequestLimits& limits = {});

    // GETs the address, writing the body into `sink` as it arrives. True when
    // the whole body arrived and was written.
    [[nodiscard]] bool get(const QString& address, QIODevice& sink,
                           const RequestLimits& limits = {});

    // Aborts every request that waits; each of them ends as a failure.
    // Requests started afterwards run normally.
    void disconnect();

    // Requests waiting now.
    int waiting() const { return static_cast<int>(m_waiting.size()); }

    AntiFreeze antiFreeze;

    // The multipart/form-data body of the fields between `boundary` lines.
    static QByteArray formBody(const std::vector<FormField>& fields, const QByteArray& boundary);
    // A boundary that occurs in none of the values.
    static QByteArray makeBoundary(const std::vector<FormField>& fields);

private:
    QNetworkRequest makeRequest(const QString& address) const;
    // Waits for the reply and hands every arriving piece of a successful
    // status to `consume`, which returns false to abandon the request.
    [[nodiscard]] bool finish(QNetworkReply* reply, const RequestLimits& limits,
                              const std::function<bool(const QByteArray&)>& consume);

    QNetworkAccessManager m_manager;
    std::chrono::milliseconds m_stallLimit = DefaultStallLimit;
    std::vector<QNetworkReply*> m_waiting;
};

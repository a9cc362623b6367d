#include "net/HttpClient.h"

#include <QEventLoop>
#include <QIODevice>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

// News servers were written for one old browser and some still look at these.
constexpr char kAccept[] = "text/html, */*";
constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)";

// The length the reply announces, or -1 when it announces none. A
// compressed body's announced length counts compressed bytes, so it says
// nothing about what will arrive.
qint64 announcedLength(const QNetworkReply& reply) {
    if (!reply.rawHeader("Content-Encoding").isEmpty())
        return -1;
    bool known = false;
    const qint64 length = reply.header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    return known ? length : -1;
}

bool successStatus(const QNetworkReply& reply) {
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.isValid() ? status.toInt() : 0;
    return code >= 200 && code <= 299;
}

} // namespace

void AntiFreeze::waitFor(QNetworkReply& reply) {
    if (reply.isFinished())
        return;
    QEventLoop loop;
    QObject::connect(&reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    ++m_depth;
    loop.exec();
    --m_depth;
}

HttpClient::HttpClient() {
    m_manager.setProxy(QNetworkProxy::NoProxy);
    m_manager.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

HttpClient::~HttpClient() {
    disconnect();
}

QNetworkRequest HttpClient::makeRequest(const QString& address) const {
    QNetworkRequest request{QUrl(address, QUrl::TolerantMode)};
    request.setRawHeader("Accept", kAccept);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    return request;
}

QByteArray HttpClient::makeBoundary(const std::vector<FormField>& fields) {
    for (;;) {
        QByteArray boundary = "----TipsmithFormBoundary";
        QRandomGenerator* random = QRandomGenerator::global();
        for (int i = 0; i < 16; ++i)
            boundary += "0123456789abcdefghijklmnopqrstuvwxyz"[random->bounded(36)];
        const bool clash = std::any_of(fields.begin(), fields.end(), [&](const FormField& field) {
            return field.value.find(boundary.toStdString()) != std::string::npos;
        });
        if (!clash)
            return boundary;
    }
}

QByteArray HttpClient::formBody(const std::vector<FormField>& fields, const QByteArray& boundary) {
    QByteArray body;
    for (const FormField& field : fields) {
        body += "--" + boundary + "\r\n";
        body += "Content-Disposition: form-data; name=\"";
        body += QByteArray::fromStdString(field.name);
        body += "\"\r\n\r\n";
        body += QByteArray::fromStdString(field.value);
        body += "\r\n";
    }
    body += "--" + boundary + "--\r\n";
    return body;
}

std::optional<QByteArray> HttpClient::postForm(const QString& address,
                                               const std::vector<FormField>& fields,
                                               const RequestLimits& limits) {
    const QByteArray boundary = makeBoundary(fields);
    QNetworkRequest request = makeRequest(address);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArray("multipart/form-data; boundary=") + boundary);
    QByteArray body;
    QNetworkReply* reply = m_manager.post(request, formBody(fields, boundary));
    const bool ok = finish(reply, limits, [&body](const QByteArray& piece) {
        body += piece;
        return true;
    });
    if (!ok)
        return std::nullopt;
    return body;
}

bool HttpClient::get(const QString& address, QIODevice& sink, const RequestLimits& limits) {
    QNetworkRequest request = makeRequest(address);
    // A request without a body of its own still names one, as the old client did.
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("text/html"));
    QNetworkReply* reply = m_manager.get(request);
    return finish(reply, limits,
                  [&sink](const QByteArray& piece) { return sink.write(piece) == piece.size(); });
}

bool HttpClient::finish(QNetworkReply* reply, const RequestLimits& limits,
                        const std::function<bool(const QByteArray&)>& consume) {
    bool abandoned = false;
    qint64 received = 0;
    const auto abandon = [&] {
        if (!reply->isFinished()) {
            abandoned = true;
            reply->abort();
        }
    };
    const auto tooLong = [&](qint64 length) {
        return limits.maxBodyBytes > 0 && length > limits.maxBodyBytes;
    };
    // Qt otherwise buffers as much as the server sends before the next read.
    reply->setReadBufferSize(ReadBufferBytes);
    // Takes what has arrived. The body of an error page (a 404, a 500) is
    // not handed on: only a successful reply's body reaches the caller.
    const auto take = [&] {
        if (!reply->isOpen()) // aborted
            return;
        const QByteArray piece = reply->readAll();
        received += piece.size();
        if (abandoned || piece.isEmpty())
            return;
        if (tooLong(received)) {
            abandon();
            return;
        }
        if (!successStatus(*reply))
            return;
        if (!consume(piece)) {
            abandoned = true;
            reply->abort();
        }
    };

    QTimer stall;
    stall.setSingleShot(true);
    stall.setInterval(m_stallLimit);
    QObject::connect(&stall, &QTimer::timeout, reply, abandon);
    QTimer overall;
    overall.setSingleShot(true);
    QObject::connect(&overall, &QTimer::timeout, reply, abandon);
    const auto progress = [&stall] { stall.start(); };
    QObject::connect(reply, &QNetworkReply::uploadProgress, &stall, progress);
    QObject::connect(reply, &QNetworkReply::downloadProgress, &stall, progress);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &stall, [&] {
        stall.start();
        if (tooLong(announcedLength(*reply)))
            abandon();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &stall, [&] {
        stall.start();
        take();
    });
    QObject::connect(reply, &QNetworkReply::finished, &stall, &QTimer::stop);

    m_waiting.push_back(reply);
    stall.start();
    if (limits.overall.count() > 0)
        overall.start(limits.overall);
    antiFreeze.waitFor(*reply);
    // The wait also ends when the application quits; the request ends there too.
    abandon();
    m_waiting.erase(std::find(m_waiting.begin(), m_waiting.end(), reply));
    stall.stop();
    overall.stop();

    if (!abandoned)
        take();
    const qint64 promised = announcedLength(*reply);
    const bool ok = !abandoned && reply->error() == QNetworkReply::NoError &&
                    successStatus(*reply) && !(promised >= 0 && received < promised);
    // Not inside any of the reply's signals here: every handler that ran
    // during the wait has returned.
    delete reply;
    return ok;
}

void HttpClient::disconnect() {
    // Aborting finishes a reply at once and tells its wait to end; the waits
    // themselves return (and leave the list) only after this handler has.
    const std::vector<QNetworkReply*> waiting = m_waiting;
    for (QNetworkReply* reply : waiting)
        reply->abort();
}

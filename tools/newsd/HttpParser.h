#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>

#include <utility>
#include <vector>

using HttpHeaders = std::vector<std::pair<QByteArray, QByteArray>>;

// One request as it arrived.
struct HttpRequest {
    QByteArray method;
    QByteArray target;   // as sent: path and query
    QByteArray path;     // the target before any "?", not decoded
    QByteArray version;  // "HTTP/1.1"
    HttpHeaders headers; // in order, names as sent
    QByteArray body;
    QHostAddress peer;

    // The first header of that name (letter case ignored), empty when absent.
    QByteArray header(const QByteArray& name) const;
};

// Where the request at the start of a connection stands after the bytes
// that have arrived.
struct HttpParse {
    enum class State { NeedMore, Complete, Refused };

    static constexpr qsizetype MaxHeaderBytes = 64 * 1024;
    static constexpr qsizetype MaxBodyBytes = 8 * 1024 * 1024;

    State state = State::NeedMore;
    int status = 0; // when refused: 400, 411, 413, 431 or 503
    QByteArray why; // when refused: what was wrong, for the log
    // Once the head has arrived, the request without its body; the body is
    // bytes [headBytes, headBytes + bodyBytes) of what was read.
    HttpRequest request;
    qsizetype headBytes = 0; // request line, header lines and empty line; 0 until all arrived
    qsizetype bodyBytes = 0; // as Content-Length announced it
    qsizetype scanned = 0;   // no end of the head starts before this
};

// Reads the request at the start of `bytes`. Lines end in CR LF or in LF
// alone; anything a proxy in front could read differently (white space
// before a colon, a folded line, a lone CR, two lengths, a length beside
// Transfer-Encoding) is refused with 400 rather than guessed at.
//
// `room` is what the request may hold in memory: the bytes that have come,
// or once the head has come, the head and the body it announces. Past it
// the request is refused with 503.
//
// `earlier` is the answer for a shorter front of the same bytes, so that a
// client sending a byte at a time does not make the head be searched again
// from its start for every byte. The answer depends on the bytes alone, not
// on how they were cut.
HttpParse parseHttpRequest(QByteArrayView bytes, qsizetype room, HttpParse earlier = {});

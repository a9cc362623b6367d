#pragma once

#include "tools/newsd/HttpServer.h"

#include <QByteArray>

#include <optional>
#include <vector>

// One field of a submitted form, with the headers its part carried.
struct FormPart {
    QByteArray name;
    QByteArray value;
    HttpHeaders headers; // multipart only; names as sent
};

// The boundary named by a multipart Content-Type, quoted or not; empty when
// there is none.
QByteArray multipartBoundary(const QByteArray& contentType);

// The fields of a multipart/form-data body, in order; nothing when the body
// does not follow the format (no closing delimiter, a part without a name).
[[nodiscard]] std::optional<std::vector<FormPart>> parseMultipartForm(const QByteArray& body,
                                                                      const QByteArray& boundary);

// The fields of a request body: multipart/form-data or
// application/x-www-form-urlencoded; nothing for another kind or a broken body.
[[nodiscard]] std::optional<std::vector<FormPart>> parseForm(const HttpRequest& request);

// The value of the first field of that name; nothing when absent.
std::optional<QByteArray> formValue(const std::vector<FormPart>& form, const QByteArray& name);

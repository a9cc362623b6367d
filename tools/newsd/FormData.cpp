#include "tools/newsd/FormData.h"

#include <QUrl>

namespace {

// The parameters after the first ";" of a header value: name=value or
// name="value" (a backslash quotes the next character inside quotes).
std::optional<QByteArray> headerParameter(const QByteArray& value, const QByteArray& wanted) {
    qsizetype i = value.indexOf(';');
    while (i >= 0 && i < value.size()) {
        ++i;
        while (i < value.size() && (value[i] == ' ' || value[i] == '\t'))
            ++i;
        const qsizetype equals = value.indexOf('=', i);
        if (equals < 0)
            return std::nullopt;
        const QByteArray name = value.mid(i, equals - i).trimmed().toLower();
        i = equals + 1;
        QByteArray parameter;
        if (i < value.size() && value[i] == '"') {
            for (++i; i < value.size() && value[i] != '"'; ++i) {
                if (value[i] == '\\' && i + 1 < value.size())
                    ++i;
                parameter += value[i];
            }
            i = value.indexOf(';', i);
        } else {
            const qsizetype end = value.indexOf(';', i);
            parameter = value.mid(i, end < 0 ? -1 : end - i).trimmed();
            i = end;
        }
        if (name == wanted)
            return parameter;
    }
    return std::nullopt;
}

[[nodiscard]] std::optional<std::vector<FormPart>> parseUrlEncoded(const QByteArray& body) {
    std::vector<FormPart> form;
    if (body.isEmpty())
        return form;
    for (const QByteArray& pair : body.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        QByteArray name = equals < 0 ? pair : pair.left(equals);
        QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
        name.replace('+', ' ');
        value.replace('+', ' ');
        form.push_back(
            {QByteArray::fromPercentEncoding(name), QByteArray::fromPercentEncoding(value), {}});
    }
    return form;
}

} // namespace

QByteArray multipartBoundary(const QByteArray& contentType) {
    return headerParameter(contentType, "boundary").value_or(QByteArray());
}

std::optional<std::vector<FormPart>> parseMultipartForm(const QByteArray& body,
                                                        const QByteArray& boundary) {
    if (boundary.isEmpty())
        return std::nullopt;
    const QByteArray delimiter = "--" + boundary;
    // The first delimiter starts the body or a line after a preamble.
    qsizetype at = 0;
    if (!body.startsWith(delimiter)) {
        at = body.indexOf("\r\n" + delimiter);
        if (at < 0)
            return std::nullopt;
        at += 2;
    }
    std::vector<FormPart> form;
    for (;;) {
        qsizetype i = at + delimiter.size();
        if (body.mid(i, 2) == "--")
            return form;
        // Blanks may follow a delimiter before its line break.
        while (i < body.size() && (body[i] == ' ' || body[i] == '\t'))
            ++i;
        if (body.mid(i, 2) != "\r\n")
            return std::nullopt;
        i += 2;
        const qsizetype headersEnd = body.indexOf("\r\n\r\n", i - 2);
        if (headersEnd < 0)
            return std::nullopt;
        FormPart part;
        if (headersEnd > i - 2) {
            for (const QByteArray& line : body.mid(i, headersEnd - i).split('\n')) {
                const QByteArray trimmed = line.trimmed();
                const qsizetype colon = trimmed.indexOf(':');
                if (colon <= 0)
                    return std::nullopt;
                part.headers.emplace_back(trimmed.left(colon).trimmed(),
                                          trimmed.mid(colon + 1).trimmed());
            }
        }
        const qsizetype valueStart = headersEnd + 4;
        const qsizetype next = body.indexOf("\r\n" + delimiter, valueStart);
        if (next < 0)
            return std::nullopt;
        part.value = body.mid(valueStart, next - valueStart);
        for (const auto& [name, value] : part.headers) {
            if (name.toLower() == "content-disposition")
                part.name = headerParameter(value, "name").value_or(QByteArray());
        }
        if (part.name.isEmpty())
            return std::nullopt;
        form.push_back(std::move(part));
        at = next + 2;
    }
}

std::optional<std::vector<FormPart>> parseForm(const HttpRequest& request) {
    const QByteArray type = request.header("Content-Type");
    const qsizetype parameters = type.indexOf(';');
    const QByteArray kind = (parameters < 0 ? type : type.left(parameters)).trimmed().toLower();
    if (kind == "multipart/form-data")
        return parseMultipartForm(request.body, multipartBoundary(type));
    if (kind == "application/x-www-form-urlencoded")
        return parseUrlEncoded(request.body);
    return std::nullopt;
}

std::optional<QByteArray> formValue(const std::vector<FormPart>& form, const QByteArray& name) {
    for (const FormPart& part : form) {
        if (part.name == name)
            return part.value;
    }
    return std::nullopt;
}

#pragma once

#include <QFile>
#include <QIODevice>
#include <QString>

#include <string>

// The system's reason why `path` cannot be opened in `mode`, as Qt words it
// in the errors the program reports: the words differ between systems.
inline std::string openFailure(const QString& path, QIODevice::OpenMode mode) {
    QFile file(path);
    return file.open(mode) ? std::string("<it opened>") : file.errorString().toStdString();
}

// Text a program printed, with the CR LF line ends of Windows consoles as LF.
inline std::string withLfLineEnds(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.erase(at, 1);
    return text;
}

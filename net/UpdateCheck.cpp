#include "net/UpdateCheck.h"

#include "format/IniFile.h"
#include "format/TextCodec.h"
#include "net/HttpClient.h"
#include "util/AppVersion.h"
#include "util/UserError.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#ifndef TIPSMITH_UPDATE_HOST
#error "TIPSMITH_UPDATE_HOST names the update server's host (host or host:port)"
#endif

namespace update {

namespace {

std::string_view trimmedBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// A decimal number: an optional sign, digits with at most one ".", at least
// one digit, and an optional exponent. No "inf", "nan" or hexadecimal forms.
bool decimalNumber(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && digit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && digit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        size_t exponentDigits = 0;
        while (i < text.size() && digit(text[i]))
            ++i, ++exponentDigits;
        if (exponentDigits == 0)
            return false;
    }
    return i == text.size();
}

[[nodiscard]] std::optional<double> decimalValue(std::string_view text) {
    text = trimmedBlanks(text);
    if (!decimalNumber(text))
        return std::nullopt;
    if (text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::string newUpdateQuestion(std::string_view version) {
    return "There is a new update: (version " + std::string(version) +
           ") available for your application!. Do you want download this update now?";
}

std::string packageManagerMessage(std::string_view version) {
    return "Version " + std::string(version) +
           " of this application is available. It is installed through your system's package "
           "manager.";
}

QString UpdateBaseAddress() {
    return QStringLiteral("http://" TIPSMITH_UPDATE_HOST "/liveupdate/tipsmith/");
}

QString updaterFileName() {
#ifdef Q_OS_WIN
    return QStringLiteral("Updater.exe");
#else
    return QStringLiteral("Updater");
#endif
}

QStringList updaterArguments(const QString& baseAddress) {
    return {baseAddress, textcodec::fromUtf8(AppVersion), QStringLiteral("A")};
}

float versionNumber(std::string_view version) {
    const std::optional<double> value = decimalValue(version);
    if (!value || std::fabs(*value) > std::numeric_limits<float>::max())
        return 0;
    return static_cast<float>(*value);
}

bool isNewer(std::string_view version) {
    const double own = decimalValue(AppVersion).value_or(0);
    return own < static_cast<double>(versionNumber(version));
}

std::string versionOf(std::string_view infoFileText) {
    return iniValue(infoFileText, InfoSection, InfoKey);
}

bool DownloadToFile(HttpClient& http, const QString& address, const QString& fileName,
                    const RequestLimits& limits) {
    QFile::remove(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw UserError("Cannot create file \"" + textcodec::toUtf8(fileName) + "\". " +
                        textcodec::toUtf8(file.errorString()));
    QCoreApplication::processEvents();
    bool ok = http.get(address, file, limits);
    if (ok) {
        ok = file.flush();
        file.close();
        ok = ok && file.error() == QFileDevice::NoError;
    }
    if (!ok) {
        file.close();
        QFile::remove(fileName);
    }
    return ok;
}

} // namespace update

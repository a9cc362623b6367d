// Programs and addresses started through the Windows shell.

#include "util/ProgramStart.h"

#include <QDir>

#include <windows.h>

#include <shellapi.h>

namespace {

bool shellExecute(const QString& file, const QString& parameters) {
    const auto outcome = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"open", reinterpret_cast<LPCWSTR>(file.utf16()),
        parameters.isEmpty() ? nullptr : reinterpret_cast<LPCWSTR>(parameters.utf16()), nullptr,
        SW_SHOWNORMAL));
    return outcome > 32;
}

// The C runtime's rule: an argument with a blank, a tab or a quote, or an
// empty one, is quoted; inside, a quote is escaped by a backslash, and the
// backslashes before a quote (and before the closing quote) are doubled.
QString quoted(const QString& argument) {
    if (!argument.isEmpty() && !argument.contains(u' ') && !argument.contains(u'\t') &&
        !argument.contains(u'"'))
        return argument;
    QString out = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"')
            backslashes = backslashes * 2 + 1;
        out += QString(backslashes, u'\\') + c;
        backslashes = 0;
    }
    return out + QString(backslashes * 2, u'\\') + u'"';
}

} // namespace

QString windowsCommandLine(const QStringList& arguments) {
    QStringList parts;
    for (const QString& argument : arguments)
        parts << quoted(argument);
    return parts.join(u' ');
}

bool startDetachedProgram(const QString& program, const QStringList& arguments) {
    return shellExecute(QDir::toNativeSeparators(program), windowsCommandLine(arguments));
}

bool shellOpen(const QString& address) {
    return shellExecute(address, QString());
}

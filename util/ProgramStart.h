#pragma once

#include <QString>
#include <QStringList>

// Starts `program` with `arguments` without waiting for it; false when it
// could not be started. On Windows through the shell's "open" verb, so that a
// program whose manifest asks for administrator rights (an updater replacing
// files under Program Files) brings up the elevation prompt instead of failing
// to start; elsewhere as a detached process.
[[nodiscard]] bool startDetachedProgram(const QString& program, const QStringList& arguments);

#ifdef Q_OS_WIN
// Opens `address` with the shell's "open" verb: the handler the user chose for
// its scheme (http, mailto) or its file type.
[[nodiscard]] bool shellOpen(const QString& address);

// The command line that Windows programs split back into `arguments`.
QString windowsCommandLine(const QStringList& arguments);
#endif

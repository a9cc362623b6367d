#include "util/ProgramStart.h"

#include <QProcess>

bool startDetachedProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

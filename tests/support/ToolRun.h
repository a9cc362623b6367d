#pragma once

#include "tests/support/SystemText.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

// What a companion program (tipsmith-brand, tipsmith-cli) did when a test ran
// it: its exit code and everything it printed.
struct ToolRun {
    int exitCode = -1; // -1 when it did not end normally within two minutes
    std::string out;   // as written
    std::string err;   // with LF line ends; when it did not end normally, why
};

// Runs `program` with `arguments` in `workDir` and waits for it to end.
// `prepare`, when given, sets the process up further before it starts (a
// child-process hook, say).
inline ToolRun runTool(const QString& program, const QStringList& arguments, const QString& workDir,
                       const std::function<void(QProcess&)>& prepare = {}) {
    QProcess process;
    process.setWorkingDirectory(workDir);
    if (prepare)
        prepare(process);
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        // Why, for the failure message.
        run.err = "<" + process.errorString().toStdString() + ">";
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = withLfLineEnds(process.readAllStandardError().toStdString());
    return run;
}

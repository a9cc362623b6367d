#include "app/ErrorReporting.h"
#include "app/FMain.h"
#include "app/Skin.h"
#include "util/AppVersion.h"

#include <QEvent>
#include <QTimer>

#ifdef Q_OS_WIN
#include "util/ProgramStart.h"

#include <QDesktopServices>
#include <QStringList>
#include <QUrl>
#endif

#include <cstdio>

namespace {

// With TIPSMITH_QUIT_WHEN_SHOWN set (the package check does so), the program
// prints the main window's title once the window system has shown the window
// and it has been painted, and quits: proof that an installed copy finds its
// libraries and builds its window.
class QuitWhenPainted : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            std::printf("shown: %s\n", qPrintable(static_cast<QWidget*>(watched)->windowTitle()));
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }
};

#ifdef Q_OS_WIN
// Addresses of link labels and of the welcome page open with the shell's
// "open" verb, as Windows programs open them; Qt would ask the shell for the
// default verb instead and start mailto addresses by a command of its own.
class ShellOpener : public QObject {
    Q_OBJECT
public:
    explicit ShellOpener(QObject* parent) : QObject(parent) {
        for (const QString& scheme : schemes())
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~ShellOpener() override {
        for (const QString& scheme : schemes())
            QDesktopServices::unsetUrlHandler(scheme);
    }
    static QStringList schemes() {
        return {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mailto")};
    }
    Q_INVOKABLE void open(const QUrl& url) { (void)shellOpen(url.toString(QUrl::FullyEncoded)); }
};
#endif

} // namespace

int main(int argc, char** argv) {
    TipsmithApplication app(argc, argv);
    TipsmithApplication::setApplicationName(QStringLiteral("Tipsmith"));
    TipsmithApplication::setApplicationVersion(QString::fromUtf8(AppVersion));
    applyBuiltInSkin(app);
#ifdef Q_OS_WIN
    new ShellOpener(&app);
#endif

    TfrmMain frmMain(AppEnvironment::system());
    if (qEnvironmentVariableIsSet("TIPSMITH_QUIT_WHEN_SHOWN"))
        frmMain.installEventFilter(new QuitWhenPainted(&frmMain));
    frmMain.show();
    frmMain.openArguments(TipsmithApplication::arguments());
    return TipsmithApplication::exec();
}

#ifdef Q_OS_WIN
#include "main.moc"
#endif

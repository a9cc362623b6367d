#include "app/ErrorReporting.h"
#include "app/FMain.h"
#include "app/Skin.h"
#include "util/AppVersion.h"

#include <QEvent>
#include <QTimer>

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

} // namespace

int main(int argc, char** argv) {
    TipsmithApplication app(argc, argv);
    TipsmithApplication::setApplicationName(QStringLiteral("Tipsmith"));
    TipsmithApplication::setApplicationVersion(QString::fromUtf8(AppVersion));
    applyBuiltInSkin(app);

    TfrmMain frmMain(AppEnvironment::system());
    if (qEnvironmentVariableIsSet("TIPSMITH_QUIT_WHEN_SHOWN"))
        frmMain.installEventFilter(new QuitWhenPainted(&frmMain));
    frmMain.show();
    frmMain.openArguments(TipsmithApplication::arguments());
    return TipsmithApplication::exec();
}

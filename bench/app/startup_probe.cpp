// Starts the program exactly as its entry does, then prints the monotonic time
// at which the main window has been shown and painted, and the number of
// controls it holds, and quits.
#include "app/ErrorReporting.h"
#include "app/FMain.h"
#include "app/Skin.h"
#include "bench/app/ProbeClock.h"

#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    TipsmithApplication app(argc, argv);
    applyBuiltInSkin(app);
    TfrmMain frmMain(AppEnvironment::system());
    frmMain.show();
    QTimer::singleShot(0, [&] {
        frmMain.repaint();
        const long long shownAt = monotonicNanoseconds();
        std::printf("%lld %lld\n", shownAt,
                    static_cast<long long>(frmMain.findChildren<QWidget*>().size()));
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return TipsmithApplication::exec();
}

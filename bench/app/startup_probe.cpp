// Starts the program exactly as its entry does, then prints the monotonic time
// at which the main window has been shown and painted, and the number of
// controls it holds, followed by the end of each step of the start, and quits.
#include "app/ErrorReporting.h"
#include "app/FMain.h"
#include "app/Skin.h"
#include "app/StartupPhases.h"
#include "bench/app/ProbeWindow.h"

#include <algorithm>

int main(int argc, char** argv) {
    startup::setRecorder(recordPhase);
    startup::mark("libraries and process start");
    TipsmithApplication app(argc, argv);
    startup::mark("application object");
    applyBuiltInSkin(app);
    TfrmMain frmMain(AppEnvironment::system());
    frmMain.show();
    startup::mark("show");
    whenFirstPainted(frmMain, [&](std::int64_t shownAt) {
        // The controls of the window itself: a popup, such as the list of a
        // combo box, is a window of its own.
        const auto widgets = frmMain.findChildren<QWidget*>();
        printProbeResult(shownAt, std::count_if(widgets.begin(), widgets.end(), [&](QWidget* w) {
                             return w->window() == &frmMain;
                         }));
        QCoreApplication::quit();
    });
    return TipsmithApplication::exec();
}

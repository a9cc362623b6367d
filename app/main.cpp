#include "app/ErrorReporting.h"
#include "app/FMain.h"
#include "app/Skin.h"

int main(int argc, char** argv) {
    TipsmithApplication app(argc, argv);
    TipsmithApplication::setApplicationName(QStringLiteral("Tipsmith"));
    TipsmithApplication::setApplicationVersion(QStringLiteral("2.0"));
    applyBuiltInSkin(app);

    TfrmMain frmMain(AppEnvironment::system());
    frmMain.show();
    return TipsmithApplication::exec();
}

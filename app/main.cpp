#include "app/ErrorReporting.h"
#include "app/FMain.h"
#include "app/Skin.h"
#include "util/AppVersion.h"

int main(int argc, char** argv) {
    TipsmithApplication app(argc, argv);
    TipsmithApplication::setApplicationName(QStringLiteral("Tipsmith"));
    TipsmithApplication::setApplicationVersion(QString::fromUtf8(AppVersion));
    applyBuiltInSkin(app);

    TfrmMain frmMain(AppEnvironment::system());
    frmMain.show();
    frmMain.openArguments(TipsmithApplication::arguments());
    return TipsmithApplication::exec();
}

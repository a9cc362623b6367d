// The baseline: a bare Qt Widgets window holding a given number of plain
// controls of the kinds the main window uses, in the default style.
#include "bench/app/ProbeWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <cstdlib>

int main(int argc, char** argv) {
    recordPhase("libraries and process start");
    QApplication app(argc, argv);
    recordPhase("application object");
    const int controls = argc > 1 ? std::atoi(argv[1]) : 150;
    QWidget window;
    window.resize(862, 670);
    auto* grid = new QGridLayout(&window);
    for (int i = 0; i < controls; ++i) {
        QWidget* control = nullptr;
        switch (i % 5) {
        case 0:
            control = new QLabel(QStringLiteral("Label %1").arg(i));
            break;
        case 1:
            control = new QPushButton(QStringLiteral("Button %1").arg(i));
            break;
        case 2:
            control = new QLineEdit(QStringLiteral("%1").arg(i));
            break;
        case 3: {
            auto* combo = new QComboBox;
            combo->addItems({QStringLiteral("one"), QStringLiteral("two")});
            control = combo;
            break;
        }
        default:
            control = new QCheckBox(QStringLiteral("Check %1").arg(i));
        }
        grid->addWidget(control, i / 10, i % 10);
    }
    recordPhase("controls");
    window.show();
    recordPhase("show");
    whenFirstPainted(window, [&](std::int64_t shownAt) {
        printProbeResult(shownAt, controls);
        QCoreApplication::quit();
    });
    return QApplication::exec();
}

#pragma once

#include "bench/app/ProbeClock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>

// Calls `shown` with the time at which `window`, just shown, has been painted
// for the first time. A shown window is painted when the window system first
// exposes it, in the handling of that event; until then a repaint paints
// nothing, so the probe waits for the exposure itself. Records the steps
// "events before the first paint" (up to the start of the window's first
// paint event) and "first paint".
inline void whenFirstPainted(QWidget& window, std::function<void(std::int64_t)> shown) {
    struct PaintStart : QObject {
        bool seen = false;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint && !seen) {
                seen = true;
                recordPhase("events before the first paint");
            }
            return false;
        }
    };
    auto* start = new PaintStart;
    start->setParent(&window);
    window.installEventFilter(start);
    QTimer::singleShot(0, &window, [&window, start, shown = std::move(shown)] {
        while (!window.windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (!start->seen)
            window.repaint();
        const std::int64_t shownAt = monotonicNanoseconds();
        recordPhase("first paint");
        shown(shownAt);
    });
}

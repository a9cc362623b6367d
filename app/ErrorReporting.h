#pragma once

#include <QApplication>
#include <QString>

#include <concepts>
#include <exception>
#include <functional>
#include <utility>

// The general error handler. An error that escapes a user action (a file that
// cannot be written, a value that does not convert) ends that action and is
// shown as an error message; the program keeps running and what was done
// before the error stays done.
namespace errors {

using Handler = std::function<void(const QString& text)>;

// The main window installs the handler that shows the text through its message box.
void setHandler(Handler handler);
void clearHandler();

// The text shown for an exception.
QString describe(std::exception_ptr error);

// Shows the current exception through the installed handler.
void reportCurrent();

// Wraps a handler so that what it throws ends there and is reported. Qt's
// widget code is built without exception support, so an exception must not
// unwind through it: handlers connected to widget signals go through this
// one wrapper instead of each catching on its own.
template <class F> struct Guarded {
    F f;
    // Constrained so Qt can tell how many of a signal's arguments the handler takes.
    template <class... Args>
    requires std::invocable<const F&, Args...>
    void operator()(Args&&... args) const {
        try {
            f(std::forward<Args>(args)...);
        } catch (...) {
            reportCurrent();
        }
    }
};

template <class F> Guarded<F> guarded(F f) {
    return Guarded<F>{std::move(f)};
}

} // namespace errors

// The application object: reports any exception that escapes an event handler
// instead of ending the program.
class TipsmithApplication : public QApplication {
public:
    TipsmithApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

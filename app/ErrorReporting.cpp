#include "app/ErrorReporting.h"

#include "format/TextCodec.h"
#include "util/UserError.h"

#include <QDebug>

#include <new>

namespace errors {

namespace {
Handler& installed() {
    static Handler handler;
    return handler;
}
} // namespace

void setHandler(Handler handler) {
    installed() = std::move(handler);
}

void clearHandler() {
    installed() = nullptr;
}

QString describe(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const UserError& e) {
        return textcodec::fromUtf8(e.what());
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Out of memory.");
    } catch (const std::exception& e) {
        return textcodec::decodeToQString(std::string_view(e.what()));
    } catch (...) {
        return QStringLiteral("An unexpected error occurred.");
    }
}

void reportCurrent() {
    const QString text = describe(std::current_exception());
    if (installed()) {
        // A failure while showing the error must not take the program down with it.
        try {
            installed()(text);
            return;
        } catch (...) {
        }
    }
    qWarning().noquote() << text;
}

} // namespace errors

bool TipsmithApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        errors::reportCurrent();
        return false;
    }
}

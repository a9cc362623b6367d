// The web browser on the free desktops, found and started by GIO: it reads the
// desktop's MIME associations, expands every field code of the entry's Exec
// line (so "env VAR=1 browser %u" and a flatpak's "@@u %u @@" keep their
// words) and starts D-Bus activated applications the way the desktop does.
//
// GIO and the libraries it needs are loaded when a browser is first asked
// for, not at start: most sessions never open one, and linking them costs
// every start. Without GIO the desktop's xdg-open still opens addresses.

// GLib names a structure member "signals", which Qt's headers define as a
// keyword: GIO comes first. Its header gives the functions' types only.
#include <gio/gio.h>

#include "format/TextCodec.h"
#include "util/Utils.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <dlfcn.h>

#include <memory>

namespace {

// The few GIO and GObject functions used, looked up in the loaded library.
struct Gio {
    decltype(&g_app_info_get_default_for_uri_scheme) defaultForUriScheme = nullptr;
    decltype(&g_app_info_launch_uris) launchUris = nullptr;
    decltype(&g_app_info_get_commandline) commandLine = nullptr;
    decltype(&g_object_unref) unref = nullptr;
};

template <typename Function> bool lookUp(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// GIO's functions, or null when the library cannot be loaded. The library
// stays loaded: GIO keeps state of its own once used.
const Gio* gio() {
    static const Gio* const loaded = []() -> const Gio* {
        void* library = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return nullptr;
        static Gio functions;
        if (lookUp(library, "g_app_info_get_default_for_uri_scheme",
                   functions.defaultForUriScheme) &&
            lookUp(library, "g_app_info_launch_uris", functions.launchUris) &&
            lookUp(library, "g_app_info_get_commandline", functions.commandLine) &&
            lookUp(library, "g_object_unref", functions.unref))
            return &functions;
        return nullptr;
    }();
    return loaded;
}

struct GObjectUnref {
    void operator()(gpointer object) const { gio()->unref(object); }
};
using AppInfoPtr = std::unique_ptr<GAppInfo, GObjectUnref>;

AppInfoPtr defaultHttpApplication() {
    const Gio* functions = gio();
    return AppInfoPtr(functions ? functions->defaultForUriScheme("http") : nullptr);
}

bool launchWithGio(const QByteArray& address) {
    const AppInfoPtr app = defaultHttpApplication();
    if (!app)
        return false;
    GList uris{};
    uris.data = const_cast<char*>(address.constData());
    GError* error = nullptr;
    const bool started = gio()->launchUris(app.get(), &uris, nullptr, &error);
    if (error)
        g_error_free(error);
    return started;
}

} // namespace

std::string registeredHttpBrowser() {
    const AppInfoPtr app = defaultHttpApplication();
    const char* line = app ? gio()->commandLine(app.get()) : nullptr;
    // GIO's own executable is the line's first word with its quotes kept: the
    // line is split as GIO splits it to launch.
    gchar** words = nullptr;
    if (!line || !g_shell_parse_argv(line, nullptr, &words, nullptr))
        return {};
    std::string program = words[0];
    g_strfreev(words);
    return program;
}

bool OpenInBrowser(std::string_view address) {
    const std::optional<std::string> browsable = browsableAddress(address);
    if (!browsable)
        return false;
    // Addresses are UTF-8 for GIO; one that is not is read as Windows-1252,
    // as the program reads its other texts.
    const QString text = textcodec::decodeToQString(*browsable);
    if (launchWithGio(text.toUtf8()))
        return true;
    // No handler, or one that could not be started: xdg-open asks the
    // desktop's own opener (kde-open, exo-open, ...), which may know another.
    return QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{text});
}

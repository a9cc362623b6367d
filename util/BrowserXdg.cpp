// The web browser on the free desktops, found and started by GIO: it reads the
// desktop's MIME associations, expands every field code of the entry's Exec
// line (so "env VAR=1 browser %u" and a flatpak's "@@u %u @@" keep their
// words) and starts D-Bus activated applications the way the desktop does.

// GLib names a structure member "signals", which Qt's headers define as a
// keyword: GIO comes first.
#include <gio/gio.h>

#include "format/TextCodec.h"
#include "util/Utils.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using AppInfoPtr = std::unique_ptr<GAppInfo, GObjectUnref>;

AppInfoPtr defaultHttpApplication() {
    return AppInfoPtr(g_app_info_get_default_for_uri_scheme("http"));
}

bool launchWithGio(const QByteArray& address) {
    const AppInfoPtr app = defaultHttpApplication();
    if (!app)
        return false;
    GList uris{};
    uris.data = const_cast<char*>(address.constData());
    GError* error = nullptr;
    const bool started = g_app_info_launch_uris(app.get(), &uris, nullptr, &error);
    if (error)
        g_error_free(error);
    return started;
}

} // namespace

std::string registeredHttpBrowser() {
    const AppInfoPtr app = defaultHttpApplication();
    const char* line = app ? g_app_info_get_commandline(app.get()) : nullptr;
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
    // Addresses are UTF-8 for GIO; one that is not is read as Windows-1252,
    // as the program reads its other texts.
    const QString text = textcodec::decodeToQString(address);
    if (launchWithGio(text.toUtf8()))
        return true;
    // No handler, or one that could not be started: xdg-open asks the
    // desktop's own opener (kde-open, exo-open, ...), which may know another.
    return QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{text});
}

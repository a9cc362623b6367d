#include "app/AppEnvironment.h"

#include "app/MessageService.h"
#include "net/UpdateCheck.h"
#include "util/ProgramStart.h"
#include "util/SaveFile.h"
#include "util/Utils.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QStandardPaths>

namespace {

// Dialog filters are written "Description|pattern;pattern"; Qt wants "Description (pattern
// pattern)".
QString qtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
        if (!description.contains(u'('))
            description += QStringLiteral(" (%1)").arg(patterns);
        else
            description =
                QStringLiteral("%1 (%2)").arg(description.section(u'(', 0, 0).trimmed(), patterns);
        entries << description;
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace

QString SystemDialogs::openFile(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), qtFilter(filter));
}

QString SystemDialogs::saveFile(QWidget* parent, const QString& title, const QString& filter) {
    QFileDialog dialog(parent, title, QString(), qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name typed without an extension gets the filter's (".set").
    const QString pattern = filter.section(u'|', 1, 1).section(u';', 0, 0);
    if (pattern.startsWith(QStringLiteral("*.")))
        dialog.setDefaultSuffix(pattern.mid(2));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

std::optional<QColor> SystemDialogs::chooseColor(QWidget* parent, const QColor& initial) {
    const QColor color = QColorDialog::getColor(initial, parent);
    if (!color.isValid())
        return std::nullopt;
    return color;
}

bool openLink(const std::function<bool(const QUrl&)>& open, const QString& address) {
    const std::optional<std::string> browsable = browsableAddress(address.toStdString());
    if (!open || !browsable || browsable->empty())
        return false;
    return open(QUrl(QString::fromStdString(*browsable)));
}

bool openLink(const std::function<bool(const QUrl&)>& open, const QUrl& link) {
    // An address QUrl could not read is empty here, and opens nothing.
    return openLink(open, link.toString(QUrl::FullyEncoded));
}

AppEnvironment AppEnvironment::system() {
    AppEnvironment env;
    env.exeFolder = QCoreApplication::applicationDirPath() + u'/';
    env.now = [] { return QDateTime::currentDateTime(); };
    env.locale = QLocale::system();
    env.messages = std::make_shared<ModalMessagePresenter>();
    env.dialogs = std::make_shared<SystemDialogs>();
    env.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    env.openInBrowser = [](const std::string& address) { return OpenInBrowser(address); };
    env.runModal = [](QDialog& dialog) { return dialog.exec(); };
    env.randomSeed = [] { return static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch()); };
    env.updateBaseAddress = update::UpdateBaseAddress();
    env.startProgram = startDetachedProgram;
    // Installed, the executable's folder is /usr/bin or under Program Files.
    if (!canCreateFilesIn(env.exeFolder)) {
        const auto folder = [](QStandardPaths::StandardLocation location) {
            return QStandardPaths::writableLocation(location) + u'/';
        };
        env.userFolders = UserFolders{
            folder(QStandardPaths::DocumentsLocation) + QStringLiteral("Tipsmith/"),
            folder(QStandardPaths::CacheLocation), folder(QStandardPaths::AppDataLocation)};
    }
    return env;
}

#include "app/MainNetwork.h"

#include "app/ErrorReporting.h"
#include "app/FNews.h"
#include "app/widgets/NewsHint.h"
#include "brand/BrandProfile.h"
#include "format/TextCodec.h"
#include "net/HttpClient.h"
#include "net/NewsProtocol.h"
#include "net/UpdateCheck.h"
#include "util/ProtectedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <utility>

namespace {

constexpr char kNoNewsMessage[] = "There's no news for this application!";
constexpr char kHintHeading[] = "You've Got A Message!";

// Sets a flag for the length of a scope; false when it was set already.
class Once {
public:
    explicit Once(bool& flag) : m_flag(flag), m_entered(!flag) { m_flag = true; }
    ~Once() {
        if (m_entered)
            m_flag = false;
    }
    Once(const Once&) = delete;
    Once& operator=(const Once&) = delete;
    bool entered() const { return m_entered; }

private:
    bool& m_flag;
    bool m_entered;
};

} // namespace

MainNetwork::MainNetwork(Window window, const AppEnvironment& env) : m_window(window), m_env(env) {}

QString MainNetwork::profileFile() const {
    return m_env.exeFolder + QStringLiteral("dbsettings.dat");
}

QString MainNetwork::decodeEntry(std::string_view entry) {
    QStringList fields;
    size_t from = 0;
    for (;;) {
        const size_t end = entry.find(news::FieldSeparator, from);
        fields << textcodec::decodeToQString(entry.substr(from, end - from));
        if (end == std::string_view::npos)
            break;
        from = end + 1;
    }
    return fields.join(u'^');
}

void MainNetwork::warn(std::string_view message) {
    if (!m_closed)
        m_window.msgMain.show(MessageKind::Warning, MessageButtons::Ok,
                              textcodec::fromUtf8(message));
}

bool MainNetwork::GetNewsList(const std::string& publisherId, const std::string& branderCode,
                              const std::string& tierCode, const std::string& newsTarget,
                              QStringList& list) {
    if (m_closed)
        return false;
    std::vector<std::string> entries;
    const bool ok =
        news::GetNewsList(m_window.httpMain, BrandProfile, publisherId, branderCode, tierCode,
                          newsTarget, entries, [this](std::string_view message) { warn(message); });
    for (const std::string& entry : entries)
        list << decodeEntry(entry);
    return ok;
}

bool MainNetwork::GetLastNews(const std::string& publisherId, const std::string& branderCode,
                              const std::string& tierCode, const std::string& newsTarget,
                              QString& latestId, QString& latestTitle, bool silent) {
    latestId.clear();
    if (m_closed)
        return false;
    std::string id;
    std::string title = textcodec::toUtf8(latestTitle);
    news::Warn warning;
    if (!silent)
        warning = [this](std::string_view message) { warn(message); };
    const bool ok = news::GetLastNews(
        m_window.httpMain, BrandProfile, publisherId, branderCode, tierCode, newsTarget, id, title,
        warning, silent ? m_env.startupRequestLimit : std::chrono::milliseconds::zero());
    latestId = textcodec::decodeToQString(id);
    latestTitle = textcodec::decodeToQString(title); // unchanged when no item came
    return ok;
}

QString MainNetwork::newsIdFile() const {
    // An installed copy cannot write the profile beside its executable: it
    // keeps the id in a protected file of the user's own.
    return m_env.userFolders ? m_env.userFolders->data + QStringLiteral("lastnews.dat")
                             : profileFile();
}

QString MainNetwork::LoadLastNewsId() {
    // Until the user has read an item, the id a brander shipped in the profile counts.
    QString file = newsIdFile();
    if (!QFileInfo::exists(file))
        file = profileFile();
    return textcodec::decodeToQString(news::LoadLastNewsId(file));
}

void MainNetwork::SaveLastNewsId(const QString& newsId) {
    const QString file = newsIdFile();
    // The user's file starts empty; the profile beside the program is never made here.
    if (m_env.userFolders && !QFileInfo::exists(file)) {
        QDir().mkpath(m_env.userFolders->data);
        writeProtectedFile(file, QByteArray());
    }
    news::SaveLastNewsId(file, textcodec::toUtf8(newsId));
}

void MainNetwork::btnNewsClick() {
    const Once listing(m_listing);
    if (!listing.entered())
        return;
    m_window.NewsList.clear();
    bool ok = false;
    if (const auto tier = news::tierOf(BrandProfile))
        ok = GetNewsList(tier->publisherId, BrandProfile.BranderCode, tier->code,
                         std::string(news::NewsTarget), m_window.NewsList);
    if (m_closed)
        return;
    if (ok && !m_window.NewsList.isEmpty()) {
        TfrmNews form(m_window.NewsList,
                      TfrmNews::Services{m_window.httpMain, m_window.msgMain,
                                         [this](const QString& id) { SaveLastNewsId(id); },
                                         m_env.openUrl},
                      &m_window.form);
        m_env.runModal(form);
        return;
    }
    m_window.msgMain.show(MessageKind::Information, MessageButtons::Ok,
                          QString::fromLatin1(kNoNewsMessage));
}

void MainNetwork::startupCheck() {
    bool found = false;
    QString latestId;
    QString latestTitle;
    if (const auto tier = news::tierOf(BrandProfile))
        found = GetLastNews(tier->publisherId, BrandProfile.BranderCode, tier->code,
                            std::string(news::NewsTarget), latestId, latestTitle, true);
    if (m_closed)
        return;
    if (found) {
        // A profile that cannot be read is reported; the update check still runs.
        try {
            const QString stored = LoadLastNewsId();
            if (news::idValue(textcodec::toUtf8(latestId)) >
                news::idValue(textcodec::toUtf8(stored)))
                ShowNewsHint(QString::fromLatin1(kHintHeading) + QStringLiteral("\r\n") +
                             latestTitle);
        } catch (...) {
            errors::reportCurrent();
        }
    }
    CheckForUpdate(true);
}

bool MainNetwork::DownloadToFile(const QString& address, const QString& fileName, bool silent) {
    return update::DownloadToFile(
        m_window.httpMain, address, fileName,
        RequestLimits{update::MaxInfoFileBytes,
                      silent ? m_env.startupRequestLimit : std::chrono::milliseconds::zero()});
}

void MainNetwork::CheckForUpdate(bool silent) {
    const Once checking(m_checkingUpdate);
    if (!checking.entered() || m_closed)
        return;
    // The user's cache folder may not exist yet; a failure shows when the file is created.
    QDir().mkpath(m_env.updateFolder());
    const QString local = m_env.updateFolder() + QString::fromLatin1(update::InfoFileName);
    const QString remote = m_env.updateBaseAddress + QString::fromLatin1(update::InfoFileName);

    if (DownloadToFile(remote, local, silent) && QFileInfo::exists(local)) {
        QFile file(local);
        const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const std::string version = update::versionOf(text.toStdString());
        if (update::isNewer(version)) {
            MessageService& msg = m_window.msgMain;
            if (msg.show(MessageKind::Information, MessageButtons::OkCancel,
                         textcodec::decodeToQString(update::newUpdateQuestion(version))) !=
                MessageAnswer::Ok)
                return;
            const QString updater = m_env.exeFolder + update::updaterFileName();
            if (!QFileInfo::exists(updater)) {
                // A copy the package manager installed has no updater of its own.
                if (m_env.userFolders)
                    msg.show(MessageKind::Information, MessageButtons::Ok,
                             textcodec::decodeToQString(update::packageManagerMessage(version)));
                else
                    msg.show(MessageKind::Warning, MessageButtons::Ok,
                             textcodec::fromUtf8(update::UpdaterMissingMessage));
                return;
            }
            if (msg.show(MessageKind::Information, MessageButtons::OkCancel,
                         textcodec::fromUtf8(update::CloseToUpdateQuestion)) ==
                MessageAnswer::Cancel)
                return;
            // Whether the updater really started or not, the program closes.
            if (m_env.startProgram)
                m_env.startProgram(updater, update::updaterArguments(m_env.updateBaseAddress));
            m_window.form.close();
            return;
        }
    }
    if (!silent && !m_closed)
        m_window.msgMain.show(MessageKind::Information, MessageButtons::Ok,
                              textcodec::fromUtf8(update::NoUpdateMessage));
}

void MainNetwork::ShowNewsHint(const QString& text) {
    const QWidget& button = m_window.btnNews;
    const QPoint centre(button.width() / 2, button.height() / 2);
    m_window.hintNews.showAt(text, button.mapToGlobal(centre));
}

void MainNetwork::closing() {
    m_closed = true;
    m_window.hintNews.hide();
    m_window.httpMain.disconnect();
    m_window.httpMain.disconnect();
}

#pragma once

#include "app/FMain.h"
#include "brand/BrandProfile.h"
#include "net/NewsProtocol.h"
#include "tests/app/TestEnvironment.h"
#include "tests/net/support/ScriptedServer.h"
#include "tools/newsd/FormData.h"
#include "util/ProtectedFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTest>
#include <QTimer>

#include <functional>
#include <map>
#include <optional>
#include <string>

// A main window whose brand profile points at a news server on 127.0.0.1 and
// whose update server is the same one.
class NetworkWindow : public ::testing::Test {
protected:
    static constexpr char kListPath[] = "/news/getlastnews.php";
    static constexpr char kDetailsPath[] = "/news/getnewsdetails.php";
    static constexpr char kUpdatePath[] = "/liveupdate/tipsmith/mainappupdate.inf";

    void SetUp() override {
        BrandProfile = BrandProfileRecord{};
        env.updateBaseAddress = server.url(QStringLiteral("/liveupdate/tipsmith/"));
    }
    void TearDown() override {
        window.reset();
        BrandProfile = BrandProfileRecord{};
    }

    static std::string tag(const std::string& key, const std::string& value) {
        return "<%%" + key + "%%>" + value + "<%%/" + key + "%%>\r\n";
    }
    QString exeFile(const char* name) const { return env.exeFolder() + QString::fromLatin1(name); }

    // The brand profile of a brander of `type` whose Gold and Master news
    // server is `newsBase`, with a stored LastNewsId when given.
    void writeProfile(const std::string& type = "Gold",
                      const std::optional<std::string>& lastNewsId = std::nullopt,
                      std::optional<std::string> newsBase = std::nullopt) {
        const std::string base =
            newsBase.value_or(server.url(QStringLiteral("/news")).toStdString());
        std::string text = tag("ApplicationName", "Box Maker") + tag("BranderCode", "ACME") +
                           tag("BranderType", type) + tag("AffiliateURL", "") +
                           tag("AffiliateTYPE", "") + tag("AffiliateID", "") +
                           tag("MasterNewsBaseURL", base) + tag("PlatinumNewsBaseURL", "") +
                           tag("GoldNewsBaseURL", base) + tag("MasterPublID", "M-7") +
                           tag("PlatinumPublID", "") + tag("GoldPublID", "G-1");
        if (lastNewsId)
            text += tag("LastNewsId", *lastNewsId);
        writeProtectedFile(exeFile("dbsettings.dat"), QByteArray::fromStdString(text));
    }
    QString storedNewsId() const {
        return QString::fromStdString(news::LoadLastNewsId(exeFile("dbsettings.dat")));
    }

    // The list and latest replies of the news server, chosen by conttype.
    void serveNews(QByteArray list, ScriptedServer::Script latest) {
        server.on(kListPath, [list = std::move(list),
                              latest = std::move(latest)](const ScriptedServer::Exchange& e) {
            const auto form = parseForm(e->request()).value_or(std::vector<FormPart>{});
            if (formValue(form, "conttype") == "lastcode")
                latest(e);
            else
                e->respond(200, list);
        });
    }
    void serveNews(QByteArray list, QByteArray latest) {
        serveNews(std::move(list), ScriptedServer::reply(std::move(latest)));
    }
    // Details replies by news id; an unknown id gets INVALIDNEWS.
    void serveDetails(std::map<QByteArray, ScriptedServer::Script> byId) {
        server.on(kDetailsPath, [byId = std::move(byId)](const ScriptedServer::Exchange& e) {
            const auto form = parseForm(e->request()).value_or(std::vector<FormPart>{});
            const auto script = byId.find(formValue(form, "newsid").value_or(QByteArray()));
            if (script == byId.end())
                e->respond(200, "INVALIDNEWS");
            else
                script->second(e);
        });
    }
    void serveUpdate(const QByteArray& version) {
        server.on(kUpdatePath, ScriptedServer::reply("[APPLICATION]\r\nName=Tipsmith\r\nVersion=" +
                                                     version + "\r\n"));
    }

    // The window, its start-up timer stopped unless the test is about it.
    TfrmMain& open(bool startupCheck = false) {
        window = std::make_unique<TfrmMain>(env.make());
        if (!startupCheck)
            window->Timer1->stop();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }
    // Waits until a request for `path` arrived `count` times (the event loop runs meanwhile).
    bool waitForRequests(const QByteArray& path, int count = 1, int milliseconds = 5000) {
        return QTest::qWaitFor([&] { return requestsTo(path) >= count; }, milliseconds);
    }
    int requestsTo(const QByteArray& path) const {
        int count = 0;
        for (const HttpRequest& request : server.requests())
            count += request.path == path ? 1 : 0;
        return count;
    }
    // Runs `action` from the event loop as soon as `ready` holds, at the
    // latest before the test ends.
    void when(std::function<bool()> ready, std::function<void()> action) {
        auto* poll = new QTimer(&m_pollers);
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout,
                         [poll, ready = std::move(ready), action = std::move(action)] {
                             if (!ready())
                                 return;
                             poll->stop();
                             poll->deleteLater();
                             action();
                         });
        poll->start();
    }

    QStringList messages() const {
        QStringList texts;
        for (const auto& shown : env.messages->shown)
            texts << shown.text;
        return texts;
    }

    TestEnvironment env;
    ScriptedServer server;
    std::unique_ptr<TfrmMain> window;

private:
    QObject m_pollers; // goes first, with whatever still polls
};

#include "PanelClient.h"
#include "appearance/ChatStyles.h"
#include "chat/ChatOptions.h"
#include "chatserver/BanList.h"
#include "chatserver/ChatRoom.h"
#include "panel/PanelApi.h"
#include "panel/PanelFrontEnd.h"
#include "panel/PanelPassword.h"
#include "panel/PanelServer.h"
#include "settings/SettingsKeys.h"
#include "support/HostFixture.h"
#include "tournament/TournamentSettings.h"

#include <QJsonArray>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString Password = u"pw"_s;

// An open room with a panel and one logged-in panel client listening to the event stream.
struct ApiRig
{
    ApiRig()
    {
        opened = openPatiently(host);
        api = std::make_unique<PanelApi>(*host.core);
        PanelServer::Config config;
        config.loginDelayMs = 10;
        server = std::make_unique<PanelServer>(*api, PanelPassword::hash(Password, 1000), config);
        server->listen(nullptr);
        client = std::make_unique<PanelClient>(server->serverPort());
        token = client->login(Password);
        events = std::make_unique<PanelEventStream>(server->serverPort(), token);
        streaming = events->waitForMessages(1);
    }

    bool ready() const { return opened && !token.isEmpty() && streaming; }

    PanelReply op(const QByteArray &name, const QJsonObject &args = {}) const
    {
        return client->post("/api/" + name, args, token);
    }
    QJsonObject state() const { return client->get("/api/state", token).json(); }

    // The first event of that type from index on; an empty object when none came in time.
    QJsonObject waitForEvent(
        const QString &type, const std::function<bool(const QJsonObject &)> &match = {})
    {
        QJsonObject found;
        waitUntil(
            [&] {
                for (const QByteArray &message : std::as_const(events->messages)) {
                    const QJsonObject e = QJsonDocument::fromJson(message).object();
                    if (e.value(u"type"_s).toString() == type && (!match || match(e))) {
                        found = e;
                        return true;
                    }
                }
                return false;
            },
            5000);
        return found;
    }

    HostFixture host;
    bool opened = false;
    bool streaming = false;
    std::unique_ptr<PanelApi> api;
    std::unique_ptr<PanelServer> server;
    std::unique_ptr<PanelClient> client;
    QByteArray token;
    std::unique_ptr<PanelEventStream> events;
};

QJsonArray players(const QJsonObject &state)
{
    return state.value(u"players"_s).toArray();
}

} // namespace

class TestPanelApi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stateShowsTheOpenRoom();
    void sayAndCommandsReachTheRoomAndTheStream();
    void whisperKickBanAndUnban();
    void settingsChangeByValueNameAndAllRow();
    void badArgumentsAreRefusedPlainly();
    void withoutARoomHostingNeedsNamesAndNothingIsSaid();
    void passwordSetByAnotherRunEndsEverySession();
};

void TestPanelApi::stateShowsTheOpenRoom()
{
    ApiRig rig;
    QVERIFY(rig.ready());
    const QJsonObject state = rig.state();
    QCOMPARE(state.value(u"hosting"_s).toObject().value(u"state"_s).toString(), u"open"_s);
    QCOMPARE(state.value(u"status"_s).toArray().size(), 7);
    QCOMPARE(players(state).size(), 1); // the operator's own row
    QCOMPARE(players(state).at(0).toObject().value(u"name"_s).toString(), u"Ann"_s);
    const QJsonObject settings = state.value(u"settings"_s).toObject();
    QCOMPARE(settings.value(u"rounds"_s).toArray().size(), 9);
    QCOMPARE(settings.value(u"rules"_s).toArray().size(), 5);
    QCOMPARE(settings.value(u"details"_s).toArray().size(), 3);
    QVERIFY(!settings.value(u"courseChoices"_s).toArray().isEmpty());
    QCOMPARE(state.value(u"pages"_s).toArray().size(), 8);
    // Lines shown earlier are in the state, so a panel that comes later still sees them.
    QVERIFY(state.value(u"transcript"_s).toArray().isEmpty());
    QCOMPARE(rig.op("say", {{u"line"_s, u"hi"_s}}).status, 200);
    const QJsonArray lines = rig.state().value(u"transcript"_s).toArray();
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.last().toObject().value(u"body"_s).toString(), u"hi"_s);
}

void TestPanelApi::sayAndCommandsReachTheRoomAndTheStream()
{
    ApiRig rig;
    QVERIFY(rig.ready());
    const auto player = rig.host.join(2, u"<img src=x>&amp;"_s);
    QVERIFY(player);
    const QJsonObject joined = rig.waitForEvent(u"players"_s,
        [](const QJsonObject &e) { return e.value(u"players"_s).toArray().size() == 2; });
    const QJsonObject row = joined.value(u"players"_s).toArray().at(1).toObject();
    // Names travel as they stand; the page inserts them as text.
    QCOMPARE(row.value(u"name"_s).toString(), u"<img src=x>&amp;"_s);
    QCOMPARE(row.value(u"address"_s).toString(), u"127.0.0.2"_s);

    QCOMPARE(rig.op("say", {{u"line"_s, u"Welcome all"_s}}).status, 200);
    QVERIFY(waitUntil([&] { return player->chatTexts().join(u'|').contains(u"Welcome all"_s); }));
    const QJsonObject line = rig.waitForEvent(u"line"_s, [](const QJsonObject &e) {
        return e.value(u"line"_s).toObject().value(u"body"_s).toString() == u"Welcome all"_s;
    });
    QCOMPARE(line.value(u"line"_s).toObject().value(u"kind"_s).toString(), u"c"_s);
    QVERIFY(
        line.value(u"line"_s).toObject().value(u"bodyStyle"_s).toObject().contains(u"colour"_s));

    // "+" commands are answered to the operator only, as in the window.
    const qsizetype before = player->chatTexts().size();
    QCOMPARE(rig.op("say", {{u"line"_s, u"+rules"_s}}).status, 200);
    QVERIFY(rig.waitForEvent(u"line"_s,
                   [](const QJsonObject &e) {
                       return e.value(u"line"_s).toObject().value(u"kind"_s).toString() == u"b"_s;
                   })
                .contains(u"line"_s));
    QVERIFY(player->staysQuiet(200));
    QCOMPARE(player->chatTexts().size(), before);

    QCOMPARE(rig.op("mute").json().value(u"muted"_s).toBool(), true);
    QCOMPARE(rig.state().value(u"hosting"_s).toObject().value(u"muted"_s).toBool(), true);
    // Every page hears of the mute, so each one's Mute button can show it.
    QVERIFY(rig.waitForEvent(u"hosting"_s,
                   [](const QJsonObject &e) {
                       return e.value(u"hosting"_s).toObject().value(u"muted"_s).toBool();
                   })
                .contains(u"hosting"_s));
    QCOMPARE(rig.op("mute").json().value(u"muted"_s).toBool(), false);
    QCOMPARE(rig.op("announce", {{u"item"_s, u"rules"_s}}).status, 200);
    QCOMPARE(rig.op("announce", {{u"item"_s, u"weather"_s}}).status, 400);
    QCOMPARE(rig.op("clear").status, 200);
    QVERIFY(rig.waitForEvent(u"cleared"_s).contains(u"type"_s));
    QVERIFY(rig.state().value(u"transcript"_s).toArray().isEmpty());
}

void TestPanelApi::whisperKickBanAndUnban()
{
    ApiRig rig;
    QVERIFY(rig.ready());
    const auto bob = rig.host.join(2, u"Bob"_s);
    const auto cat = rig.host.join(3, u"Cat"_s);
    QVERIFY(bob && cat);
    QTRY_COMPARE_WITH_TIMEOUT(players(rig.state()).size(), 3, 5000);
    const quint16 bobId = quint16(players(rig.state()).at(1).toObject().value(u"id"_s).toInt());
    const quint16 catId = quint16(players(rig.state()).at(2).toObject().value(u"id"_s).toInt());

    QCOMPARE(rig.op("whisper", {{u"id"_s, bobId}, {u"line"_s, u"psst"_s}}).status, 200);
    QVERIFY(waitUntil([&] { return bob->chatTexts().join(u'|').contains(u"psst"_s); }));
    QCOMPARE(rig.op("whisper", {{u"id"_s, 999}, {u"line"_s, u"psst"_s}}).status, 400);

    QCOMPARE(rig.op("kick", {{u"id"_s, bobId}}).status, 200);
    QVERIFY(bob->waitForClose());
    QCOMPARE(rig.op("kick", {{u"id"_s, bobId}}).status, 400);

    QCOMPARE(rig.op("ban", {{u"id"_s, catId}}).status, 200);
    QVERIFY(cat->waitForClose());
    const QJsonObject bans = rig.waitForEvent(
        u"bans"_s, [](const QJsonObject &e) { return !e.value(u"bans"_s).toArray().isEmpty(); });
    QCOMPARE(bans.value(u"bans"_s).toArray().at(0).toObject().value(u"address"_s).toString(),
        u"127.0.0.3"_s);
    QCOMPARE(rig.op("unban", {{u"address"_s, u"127.0.0.9"_s}}).status, 400);
    QCOMPARE(rig.op("unban", {{u"address"_s, u"127.0.0.3"_s}}).status, 200);
    QVERIFY(rig.host.core->parts().room.banList().rows().isEmpty());
    rig.host.core->parts().room.banList().add({u"X"_s, u"127.0.0.7"_s, u"now"_s, {}, {}, {}});
    rig.host.core->parts().room.banList().add({u"Y"_s, u"127.0.0.8"_s, u"now"_s, {}, {}, {}});
    QCOMPARE(rig.op("unban", {{u"rows"_s, QJsonArray{1}}}).status, 200);
    QCOMPARE(rig.host.core->parts().room.banList().rows().size(), 1);
    QCOMPARE(rig.op("unban-all").status, 200);
    QVERIFY(rig.host.core->parts().room.banList().rows().isEmpty());

    // Closing through the panel, as the window's button does.
    QCOMPARE(rig.op("close").status, 200);
    QTRY_COMPARE_WITH_TIMEOUT(rig.host.core->hosting(), HostCore::Hosting::Idle, 5000);
    QCOMPARE(rig.op("close").status, 409);
    QVERIFY(players(rig.state()).isEmpty());
}

void TestPanelApi::settingsChangeByValueNameAndAllRow()
{
    ApiRig rig;
    QVERIFY(rig.ready());
    QCOMPARE(
        rig.op("set", {{u"name"_s, u"cRules 1"_s}, {u"value"_s, u"No mulligans"_s}}).status, 200);
    QCOMPARE(rig.host.core->tournament().rule(0), u"No mulligans"_s);
    const QJsonObject changed = rig.waitForEvent(u"settings"_s);
    QCOMPARE(changed.value(u"settings"_s)
                 .toObject()
                 .value(u"rules"_s)
                 .toArray()
                 .at(0)
                 .toObject()
                 .value(u"value"_s)
                 .toString(),
        u"No mulligans"_s);
    QCOMPARE(rig.op("set", {{u"name"_s, u"cOptions 0"_s}, {u"value"_s, u"1"_s}}).status, 200);
    QVERIFY(rig.host.core->options().option(0));
    QCOMPARE(rig.op("set", {{u"name"_s, u"cType"_s}, {u"value"_s, u"Nonsense"_s}}).status, 400);
    QCOMPARE(rig.op("set", {{u"name"_s, u"noSuch"_s}, {u"value"_s, u"1"_s}}).status, 400);

    const QString course = rig.state()
                               .value(u"settings"_s)
                               .toObject()
                               .value(u"courseChoices"_s)
                               .toArray()
                               .at(1)
                               .toString();
    QCOMPARE(
        rig.op("round", {{u"row"_s, 8}, {u"column"_s, u"course"_s}, {u"value"_s, course}}).status,
        200);
    for (int row = 0; row < 8; ++row)
        QCOMPARE(rig.host.core->tournament().course(row), course);
    QCOMPARE(
        rig.op("round", {{u"row"_s, 9}, {u"column"_s, u"course"_s}, {u"value"_s, course}}).status,
        400);
    QCOMPARE(rig.op("round", {{u"row"_s, 0}, {u"column"_s, u"course"_s}, {u"value"_s, u"Moon"_s}})
                 .status,
        400);
    // A font sample, as the window's picker chooses it; the stream shows it to every panel.
    const QJsonObject font{{u"slot"_s, 1}, {u"font"_s, u"DejaVu Serif"_s}, {u"size"_s, 11.5},
        {u"bold"_s, true}, {u"italic"_s, false}};
    QCOMPARE(rig.op("font", font).status, 200);
    QCOMPARE(rig.host.core->styles().font(1), (ChatFont{u"DejaVu Serif"_s, true, false, 11.5F}));
    const QJsonObject shown = rig.waitForEvent(u"settings"_s, [](const QJsonObject &e) {
        return e.value(u"settings"_s).toObject().value(u"fonts"_s).toArray().at(1).toObject()
            == QJsonObject{{u"slot"_s, 1}, {u"caption"_s, ChatStyles::fontCaption(1)},
                {u"font"_s, u"DejaVu Serif"_s}, {u"size"_s, 11.5}, {u"bold"_s, true},
                {u"italic"_s, false}};
    });
    QVERIFY(!shown.isEmpty());
    QCOMPARE(rig.op("font", {{u"slot"_s, 5}, {u"font"_s, u"Arial"_s}}).status, 400);
    QCOMPARE(rig.op("font", {{u"slot"_s, 0}, {u"size"_s, -3}}).status, 400);
    QCOMPARE(rig.op("font", {{u"slot"_s, 0}, {u"font"_s, QString(65, u'x')}}).status, 400);

    // Without a jump number the page cannot be named; the operator is told why.
    QCOMPARE(rig.op("page", {{u"index"_s, 2}}).status, 400);
    QCOMPARE(rig.op("set", {{u"name"_s, u"tDetails 1"_s}, {u"value"_s, u"1234"_s}}).status, 200);
    const PanelReply page = rig.op("page", {{u"index"_s, 2}});
    QCOMPARE(page.status, 200);
    QVERIFY(page.json().value(u"url"_s).toString().startsWith(u"http"_s));
}

void TestPanelApi::badArgumentsAreRefusedPlainly()
{
    ApiRig rig;
    QVERIFY(rig.ready());
    QCOMPARE(rig.op("say", {}).status, 400);
    QCOMPARE(rig.op("say", {{u"line"_s, 5}}).status, 400);
    QCOMPARE(rig.op("say", {{u"line"_s, QString(81, u'a')}}).status, 400);
    QCOMPARE(rig.op("say", {{u"line"_s, u"two\nlines"_s}}).status, 400);
    QCOMPARE(rig.op("kick", {{u"id"_s, 1.5}}).status, 400);
    QCOMPARE(rig.op("kick", {{u"id"_s, u"2"_s}}).status, 400);
    QCOMPARE(rig.op("host").status, 409);
    const PanelReply notJson = rig.client->raw("POST /api/say HTTP/1.1\r\nHost: "
        + rig.client->hostHeader() + "\r\nOrigin: " + rig.client->origin()
        + "\r\nContent-Type: application/json\r\nCookie: vornic_session=" + rig.token
        + "\r\nContent-Length: 5\r\n\r\n[1,2]");
    QCOMPARE(notJson.status, 400);
    QVERIFY(notJson.json().contains(u"error"_s));
}

void TestPanelApi::withoutARoomHostingNeedsNamesAndNothingIsSaid()
{
    HostFixture host;
    HostCore::Timing timing;
    timing.addChatTimeoutMs = 5000; // a busy machine must not fail the start
    host.core->setTiming(timing);
    QVERIFY(host.core->start());
    PanelApi api(*host.core);
    QStringList events;
    connect(
        &api, &PanelApi::event, this, [&](const QByteArray &e) { events << QString::fromUtf8(e); });
    const QJsonObject idle = api.state();
    QCOMPARE(idle.value(u"summary"_s).toString(), u"No room open"_s);
    QCOMPARE(idle.value(u"hosting"_s).toObject().value(u"canSend"_s), QJsonValue(false));

    // The refusal is the answer itself; no message box goes to the other panels.
    const PanelApi::Result refused = api.run(u"host"_s, {});
    QCOMPARE(refused.status, 400);
    QCOMPARE(
        refused.body.value(u"error"_s).toString(), u"Please Enter a Player Name and a Room Name"_s);
    QCOMPARE(host.core->hosting(), HostCore::Hosting::Idle);
    QVERIFY(host.messages.isEmpty());
    for (const char *operation : {"say", "whisper"}) {
        const PanelApi::Result said
            = api.run(QString::fromLatin1(operation), {{u"line"_s, u"hi"_s}, {u"id"_s, 1}});
        QCOMPARE(said.status, 409);
        QCOMPARE(said.body.value(u"error"_s).toString(), u"No room is open"_s);
    }
    QVERIFY(!events.join(u'\n').contains(u"\"line\""_s));

    host.core->parts().identity.setOperatorName(u"Ann"_s);
    host.core->parts().identity.setRoomName(u"Golf"_s);
    QCOMPARE(api.run(u"host"_s, {}).status, 200);
    QVERIFY(waitUntil([&] { return host.core->canSend(); }, 8000));
    QCOMPARE(api.state().value(u"hosting"_s).toObject().value(u"canSend"_s), QJsonValue(true));
    QVERIFY(waitUntil(
        [&] { return events.join(u'\n').contains(u"Room open on Glenmora Net"_s); }, 5000));
}

void TestPanelApi::passwordSetByAnotherRunEndsEverySession()
{
    HostFixture host;
    QVERIFY(host.core->start());
    PanelPassword::store(host.core->parts().store, PanelPassword::hash(Password, 1000));
    QString error;
    const auto panel
        = PanelFrontEnd::start(*host.core, {PanelSettings::Endpoint{}, {}, {}}, &error);
    QVERIFY2(panel, qPrintable(error));
    const PanelClient client(panel->port());
    const QByteArray token = client.login(Password);
    QVERIFY(!token.isEmpty());
    QCOMPARE(client.get("/api/state", token).status, 200);

    // What `--set-panel-password --settings FILE` does from another process.
    {
        SettingsStore other(host.core->store().filePath());
        PanelPassword::store(other, PanelPassword::hash(u"new one"_s, 1000));
    }
    QTRY_COMPARE_WITH_TIMEOUT(client.get("/api/state", token).status, 401, 10000);
    QVERIFY(client.login(Password).isEmpty());
    QVERIFY(!client.login(u"new one"_s).isEmpty());
    // A later save of this run keeps the new password.
    host.core->parts().store.writeRegValue(SettingsKeys::Root, u"cWelcomeMsg"_s, u"Hello"_s);
    const SettingsStore reread(host.core->store().filePath());
    QVERIFY(PanelPassword::verify(u"new one"_s, PanelPassword::storedRecord(reread)));
}

QTEST_GUILESS_MAIN(TestPanelApi)
#include "tst_PanelApi.moc"

#include "host/HostCore.h"
#include "support/HostFixture.h"

#include "chatserver/ChatPackets.h"
#include "support/GameClient.h"
#include "support/TestWait.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool hasOpcode(const GameClient &client, quint8 opcode)
{
    return client.opcodes().contains(opcode);
}

// The whisper flag and target of the last chat line the client received.
std::optional<ChatPacket::ChatLineFields> lastChatLine(const GameClient &client)
{
    for (qsizetype i = client.packets().size() - 1; i >= 0; --i) {
        const QByteArray &packet = client.packets().at(i);
        if (quint8(packet.at(0)) == ChatPacket::ChatLine)
            return ChatPacket::readChatLine(packet);
    }
    return std::nullopt;
}

} // namespace

// The operations and read models front ends use, against a room with real game clients.
class TestHostFace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void playersSharingANameAreToldApartById();
    void readModelsFollowTheRoomAndSignal();
    void muteSignalsOnlyWhenItChanges();
    void bansByIdAddressAndRow();
};

void TestHostFace::playersSharingANameAreToldApartById()
{
    HostFixture host;
    QVERIFY(openPatiently(host));
    HostCore &core = *host.core;
    auto first = host.join(2, u"Twin"_s);
    auto second = host.join(3, u"Twin"_s);
    QVERIFY(first && second);
    QVERIFY(waitUntil([&] { return core.playerRows().size() == 3; }));
    QCOMPARE(core.playerRows().at(2).id, second->ownId());

    // A whisper to the second Twin reaches the second Twin alone.
    QVERIFY(core.whisper(second->ownId(), u"psst"_s));
    QVERIFY(waitUntil([&] { return second->chatTexts().contains(u"psst"_s); }));
    QVERIFY(first->staysQuiet(150));
    QVERIFY(!first->chatTexts().contains(u"psst"_s));
    const auto whisper = lastChatLine(*second);
    QVERIFY(whisper);
    QVERIFY(whisper->whisper);
    QCOMPARE(whisper->targetId, second->ownId());
    QCOMPARE(host.lines.last(), u"<To> Twin: psst"_s);

    // An ID nobody holds, and the operator's own, are refused and send nothing.
    const qsizetype shown = host.lines.size();
    QVERIFY(!core.whisper(999, u"lost"_s));
    QVERIFY(!core.whisper(0, u"lost"_s));
    QVERIFY(!core.kick(999));
    QVERIFY(!core.kick(0));
    QVERIFY(first->staysQuiet(150));
    QCOMPARE(host.lines.size(), shown);
    QVERIFY(!hasOpcode(*first, ChatPacket::Kick) && !hasOpcode(*second, ChatPacket::Kick));

    // A ban of the second Twin bans and kicks the second Twin, not the first.
    QSignalSpy bans(&core, &HostCore::bansChanged);
    QVERIFY(core.ban(second->ownId()));
    QVERIFY(!second->waitForOpcode(ChatPacket::Kick).isEmpty());
    QVERIFY(first->staysQuiet(150));
    QVERIFY(!hasOpcode(*first, ChatPacket::Kick));
    QCOMPARE(bans.count(), 1);
    QCOMPARE(core.banRows().size(), 1);
    QCOMPARE(core.banRows().at(0).playerName, u"Twin"_s);
    QCOMPARE(core.banRows().at(0).address, second->address());
    QVERIFY(!core.banRows().at(0).expires.isValid());
}

void TestHostFace::readModelsFollowTheRoomAndSignal()
{
    HostFixture host;
    QVERIFY(host.core->start());
    HostCore &core = *host.core;
    QSignalSpy players(&core, &HostCore::playersChanged);
    QSignalSpy monitor(&core, &HostCore::ipMonitorChanged);
    QSignalSpy status(&core, &HostCore::statusChanged);
    QVERIFY(core.playerRows().isEmpty());
    QCOMPARE(core.statusCaptions().size(), 7);

    core.parts().identity.setOperatorName(u"Ann"_s);
    core.parts().identity.setRoomName(u"Golf"_s);
    core.clickHostButton();
    QVERIFY(waitUntil([&] { return core.hosting() == HostCore::Hosting::Open; }, 8000));
    // The operator's row appears with the open room, and its change is signalled.
    QVERIFY(players.count() >= 1);
    QCOMPARE(core.playerRows().size(), 1);
    QCOMPARE(core.playerRows().at(0).name, u"Ann"_s);
    QCOMPARE(core.playerRows().at(0).id, quint16(0));
    QVERIFY(core.playerRows().at(0).address.isEmpty());

    players.clear();
    auto bob = host.join(2, u"Bob"_s);
    QVERIFY(bob);
    QVERIFY(waitUntil([&] { return core.playerRows().size() == 2; }));
    QVERIFY(players.count() >= 1);
    const PlayerRow row = core.playerRows().at(1);
    QCOMPARE(row.name, u"Bob"_s);
    QCOMPARE(row.id, bob->ownId());
    QCOMPARE(row.address, u"127.0.0.2"_s);
    QVERIFY(row.socket >= 1);
    QVERIFY(monitor.count() >= 1);
    QCOMPARE(core.ipMonitorRows().size(), 1);
    QCOMPARE(core.ipMonitorRows().at(0).id, bob->ownId());
    QCOMPARE(core.ipMonitorRows().at(0).socket, row.socket);
    QVERIFY(waitUntil([&] { return status.count() > 0; }, 3000));

    // Say and clear reach the transcript's signals.
    QSignalSpy added(&core, &HostCore::transcriptLineAdded);
    QSignalSpy cleared(&core, &HostCore::transcriptCleared);
    core.say(u"hello"_s);
    core.say(QString()); // an empty line is not handled
    QCOMPARE(added.count(), 1);
    const auto line = added.at(0).at(0).value<TranscriptLine>();
    QCOMPARE(line.prefix + line.body, u"Ann: hello"_s);
    QCOMPARE(line.kind, LineKind::Chat);
    QVERIFY(waitUntil([&] { return bob->chatTexts().contains(u"hello"_s); }));
    core.clearTranscript();
    QCOMPARE(cleared.count(), 1);

    // Closing empties the list at once, before the room is idle again.
    players.clear();
    core.clickHostButton();
    QVERIFY(players.count() >= 1);
    QVERIFY(core.playerRows().isEmpty());
    QVERIFY(core.ipMonitorRows().isEmpty());
}

void TestHostFace::muteSignalsOnlyWhenItChanges()
{
    HostFixture host;
    QVERIFY(openPatiently(host));
    HostCore &core = *host.core;
    QSignalSpy muted(&core, &HostCore::mutedChanged);

    // Nobody to tell: the mute stays off and nothing is signalled.
    QVERIFY(!core.toggleMute());
    QCOMPARE(muted.count(), 0);

    auto bob = host.join(2, u"Bob"_s);
    QVERIFY(bob);
    QVERIFY(core.toggleMute());
    QVERIFY(core.isMuted());
    QCOMPARE(muted.count(), 1);
    QCOMPARE(muted.at(0).at(0).toBool(), true);

    // The last player leaves: the room stays muted and cannot be unmuted until someone is back.
    bob->disconnectFromHost();
    QVERIFY(waitUntil([&] { return core.playerRows().size() == 1; }));
    QVERIFY(core.toggleMute());
    QCOMPARE(muted.count(), 1);

    auto cat = host.join(3, u"Cat"_s);
    QVERIFY(cat);
    QVERIFY(!core.toggleMute());
    QCOMPARE(muted.count(), 2);
    QCOMPARE(muted.at(1).at(0).toBool(), false);
}

void TestHostFace::bansByIdAddressAndRow()
{
    HostFixture host;
    QVERIFY(openPatiently(host));
    HostCore &core = *host.core;
    auto bob = host.join(2, u"Bob"_s);
    QVERIFY(bob);

    QVERIFY(!core.kick(quint16(bob->ownId() + 1)));
    QVERIFY(!core.ban(quint16(bob->ownId() + 1)));
    QVERIFY(!core.whisper(quint16(bob->ownId() + 1), u"x"_s));
    QVERIFY(core.banRows().isEmpty());

    BanTerms terms;
    terms.duration = std::chrono::hours(1);
    terms.reason = u"spam"_s;
    const QDateTime before = QDateTime::currentDateTimeUtc();
    QVERIFY(core.ban(bob->ownId(), terms));
    QVERIFY(!bob->waitForOpcode(ChatPacket::Kick).isEmpty());
    QCOMPARE(core.banRows().size(), 1);
    const BanRow made = core.banRows().at(0);
    QCOMPARE(made.address, u"127.0.0.2"_s);
    QCOMPARE(made.reason, u"spam"_s);
    QVERIFY(made.expires >= before.addSecs(3600));
    QVERIFY(made.expires <= QDateTime::currentDateTimeUtc().addSecs(3600));

    // Addresses and ranges nobody is on; anything else is refused and changes nothing.
    QVERIFY(!HostCore::isBanTarget(u"not an address"_s));
    QVERIFY(!core.banAddress(u"not an address"_s));
    QVERIFY(!core.banAddress(QString()));
    QCOMPARE(core.banRows().size(), 1);
    QVERIFY(HostCore::isBanTarget(u"203.0.113.0/24"_s));
    QVERIFY(core.banAddress(u"203.0.113.0/24"_s));
    QVERIFY(core.banAddress(u"198.51.100.7"_s));
    QCOMPARE(core.banRows().size(), 3);

    QVERIFY(!core.unban(u"10.9.9.9"_s));
    core.unbanRows({7, 0, -1}); // unknown rows are passed over
    QCOMPARE(core.banRows().size(), 2);
    QCOMPARE(core.banRows().at(0).address, u"203.0.113.0/24"_s);
    QVERIFY(core.unban(u"203.0.113.0/24"_s));
    QCOMPARE(core.banRows().size(), 1);
    core.unbanAll();
    QVERIFY(core.banRows().isEmpty());
    core.unbanAll(); // on an empty list: nothing happens
    QVERIFY(core.banRows().isEmpty());
}

QTEST_GUILESS_MAIN(TestHostFace)
#include "tst_HostFace.moc"

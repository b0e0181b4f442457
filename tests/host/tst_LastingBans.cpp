#include "support/HostFixture.h"

#include "chatserver/BanList.h"
#include "chatserver/ChatRoom.h"
#include "settings/SettingsStore.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Whether a client from 127.0.0.<hostByte> gets a seat in the host's room.
bool admits(HostFixture &host, int hostByte)
{
    GameClient client(hostByte);
    if (!client.connectTo(host.chatPort()))
        return false;
    client.sendJoin(u"Visitor"_s);
    return !client.waitForOpcode(ChatPacket::RoomSetup, 2000).isEmpty();
}

QByteArray settingsText(const HostFixture &host)
{
    QFile file(host.dir.filePath(u"settings.ini"_s));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestLastingBans : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void banSurvivesARestart()
    {
        QByteArray stored;
        {
            HostFixture first;
            QVERIFY(openPatiently(first));
            auto bob = first.join(2, u"Bob"_s);
            QVERIFY(bob);
            BanList::Terms terms;
            terms.duration = std::chrono::hours(2);
            terms.reason = u"flood | 100%7C spam"_s;
            QVERIFY(first.core->parts().room.banPlayer(bob->ownId(), terms));
            QVERIFY(!bob->waitForOpcode(ChatPacket::Kick).isEmpty());
            QVERIFY(first.core->parts().room.banList().ban(u"Old"_s, u"127.0.0.7"_s));
            stored = settingsText(first);
            QVERIFY(stored.contains("[SOFTWARE\\TavixChat\\Bans]"));
        }

        HostFixture second({}, true, withSettingsFile(stored));
        QVERIFY(openPatiently(second));
        const QList<BanList::Row> rows = second.core->parts().room.banList().rows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).playerName, u"Bob"_s);
        QCOMPARE(rows.at(0).address, u"127.0.0.2"_s);
        QCOMPARE(rows.at(0).reason, u"flood | 100%7C spam"_s);
        QVERIFY(rows.at(0).expires.isValid());
        QVERIFY(!rows.at(0).timeBanned.isEmpty());
        QCOMPARE(rows.at(0).made.secsTo(rows.at(0).expires), 2 * 3600);
        QVERIFY(!rows.at(1).expires.isValid());
        QVERIFY(second.messages.isEmpty());

        QVERIFY(!admits(second, 2));
        QVERIFY(!admits(second, 7));
        QVERIFY(admits(second, 3));

        // Removing a ban is stored too.
        QVERIFY(second.core->parts().room.banList().removeAddress(u"127.0.0.2"_s));
        QVERIFY(!settingsText(second).contains("127.0.0.2"));
        QVERIFY(admits(second, 2));
    }

    void timedBanEndsByItself()
    {
        HostFixture host;
        QVERIFY(openPatiently(host));
        BanList &bans = host.core->parts().room.banList();
        BanList::Terms terms;
        terms.duration = std::chrono::seconds(1);
        QVERIFY(bans.ban(u"Quick"_s, u"127.0.0.4"_s, terms));
        QVERIFY(bans.ban(u"Stays"_s, u"127.0.0.5"_s));
        QVERIFY(!admits(host, 4));

        QVERIFY(waitUntil([&] { return bans.rows().size() == 1; }, 5000));
        QCOMPARE(bans.rows().at(0).playerName, u"Stays"_s);
        QVERIFY(host.lines.contains(u"System: Ban Expired: Quick (127.0.0.4)"_s));
        QVERIFY(!settingsText(host).contains("127.0.0.4"));
        QVERIFY(admits(host, 4));
        QVERIFY(!admits(host, 5));
    }

    void rangeBanRefusesInsideAndAdmitsOutside()
    {
        HostFixture host;
        QVERIFY(openPatiently(host));
        // Host bits are dropped: the range is the /30 that holds .2.
        QVERIFY(host.core->parts().room.banList().ban(QString(), u"127.0.0.2/30"_s));
        QCOMPARE(host.core->parts().room.banList().rows().at(0).address, u"127.0.0.0/30"_s);
        QVERIFY(!admits(host, 2));
        QVERIFY(!admits(host, 3));
        QVERIFY(admits(host, 9));
        QVERIFY(admits(host, 4));
    }

    void damagedEntryIsSkippedAndReported()
    {
        HostFixture host({}, true,
            withSettingsFile("[SOFTWARE\\TavixChat\\Bans]\r\n"
                             "Ban 1=127.0.0.2|2026-01-01T10:00:00Z||Bob|\r\n"
                             "Ban 2=this is not a ban\r\n"
                             "Ban 3=127.0.0.300|2026-01-01T10:00:00Z||Bad|\r\n"
                             "Ban 4=127.0.0.6|2026-01-01T10:00:00Z|next week|Eve|\r\n"
                             "Ban 10=127.0.0.8/31|2026-01-01T10:00:00Z||Ranged|why not\r\n"));
        QVERIFY(openPatiently(host));
        const QList<BanList::Row> rows = host.core->parts().room.banList().rows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).playerName, u"Bob"_s);
        QCOMPARE(rows.at(1).address, u"127.0.0.8/31"_s);
        QCOMPARE(host.messages.size(), 1);
        QCOMPARE(host.messages.at(0),
            u"Stored bans that cannot be read were skipped: Ban 2, Ban 3, Ban 4"_s);
        QVERIFY(!admits(host, 2));
        QVERIFY(!admits(host, 9));
        QVERIFY(admits(host, 6));

        // A change rewrites the list but keeps the unreadable entries for mending by hand.
        QVERIFY(host.core->parts().room.banList().ban(u"New"_s, u"127.0.0.12"_s));
        const QByteArray text = settingsText(host);
        QVERIFY(text.contains("this is not a ban"));
        QVERIFY(text.contains("127.0.0.300"));
        QVERIFY(text.contains("|next week|Eve|"));
        QVERIFY(text.contains("127.0.0.12"));
    }
};

QTEST_GUILESS_MAIN(TestLastingBans)
#include "tst_LastingBans.moc"

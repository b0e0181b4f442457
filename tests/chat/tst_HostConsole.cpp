#include "support/BotRoom.h"

#include "chatserver/ChatPackets.h"
#include "support/TestWait.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestHostConsole : public LadderRoomSuite
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(openLadderRoom());
        m_room->options.setOption(ChatOptions::DisplaySystemMessages, true);
        m_room->options.setOption(ChatOptions::EchoBotCommands, true);
    }
    void cleanup() { m_room.reset(); }

    void commandsAreAnsweredToTheOperatorOnly_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("+RULES") << u"+RULES"_s << QStringList{u"BOT: |Rule #1: No mulligans|b"_s};
        // The operator's order tests details before pairings.
        QTest::newRow("details before pairings")
            << u"!pairings !details"_s << QStringList{u"BOT: |Ladder: Singles Ladder|b"_s};
        QTest::newRow("+whois ann")
            << u"+whois ann"_s << QStringList{u"BOT: |Ann is IP: 127.0.0.2   ID: 1   Sock: 1|b"_s};
        QTest::newRow("+whois blank") << u"+whois "_s << QStringList();
        QTest::newRow("+whois alone") << u"!whois"_s << QStringList();
        QTest::newRow("+rank two blanks") << u"+rank  "_s << QStringList();
    }
    void commandsAreAnsweredToTheOperatorOnly()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, shown);
        m_room->services.console.handleHostInput(line);
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->takeShown(), shown);
        QCOMPARE(m_room->received(m_ann), QList<QByteArray>());
        QCOMPARE(m_room->received(m_bob), QList<QByteArray>());
        QVERIFY(!m_room->services.ranks.fetcher().isBusy());
    }

    void rankAsksForTheOperatorOrTheName_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("askedFor");
        QTest::newRow("alone") << u"+rank"_s << u"Host"_s;
        QTest::newRow("a name") << u"!RANK Ann"_s << u"Ann"_s;
    }
    void rankAsksForTheOperatorOrTheName()
    {
        QFETCH(QString, line);
        QFETCH(QString, askedFor);
        m_room->league.setResponse(u"/perl/find.cgi"_s, {200, "UNRANKED"});
        m_room->services.console.handleHostInput(line);
        const QString answer = u"BOT: |"_s + askedFor + u" is Unranked on Singles Ladder|b"_s;
        QStringList shown;
        QVERIFY(waitUntil([&] { return !(shown += m_room->takeShown()).isEmpty(); },
            BotRoom::RankTimeoutMs + 2000));
        QCOMPARE(shown, QStringList{answer});
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->received(m_ann), QList<QByteArray>());
    }

    void chatGoesToEveryPlayer_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << u"welcome"_s;
        QTest::newRow("whois not at the start") << u"hello +whois Bob"_s;
        QTest::newRow("unknown command") << u"+foo"_s;
    }
    void chatGoesToEveryPlayer()
    {
        QFETCH(QString, line);
        // The operator is never muted.
        m_room->state.chatMuted = true;
        m_room->services.console.handleHostInput(line);
        QVERIFY(m_room->settle());
        const QList<QByteArray> expected = {ChatPacket::chatLine(line)};
        QCOMPARE(m_room->received(m_ann), expected);
        QCOMPARE(m_room->received(m_bob), expected);
        QCOMPARE(m_room->takeShown(), QStringList{u"Host: |"_s + line + u"|c"_s});
    }

    void whisperReachesOnlyItsTarget()
    {
        const Seat zed = m_room->seat(u"Zed"_s, 4, 300);
        QVERIFY(zed.client);
        QVERIFY(m_room->services.console.whisperTo(300, u"psst"_s));
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->received(m_ann), QList<QByteArray>());
        QCOMPARE(m_room->received(m_bob), QList<QByteArray>());
        const QList<QByteArray> got = m_room->received(zed);
        QCOMPARE(got.size(), 1);
        QCOMPARE(got.first(), ChatPacket::chatLine(u"psst", true, 300));
        QCOMPARE(quint8(got.first().at(4)), quint8(1));
        QCOMPARE(quint8(got.first().at(12)), quint8(44));
        QCOMPARE(quint8(got.first().at(13)), quint8(1));
        QCOMPARE(m_room->takeShown(), QStringList{u"<To> Zed: |psst|wt"_s});

        QVERIFY(!m_room->services.console.whisperTo(77, u"psst"_s));
        // A whispered command is still a command.
        QVERIFY(m_room->services.console.whisperTo(300, u"+rules"_s));
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->received(zed), QList<QByteArray>());
        QCOMPARE(m_room->takeShown(), QStringList{u"BOT: |Rule #1: No mulligans|b"_s});
    }

    void whisperToOnePlayer_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("target"); // empty: nobody to whisper to
        QTest::newRow("the operator") << 0 << QString();
        QTest::newRow("nobody seated") << 999 << QString();
        QTest::newRow("Ann") << 1 << u"Ann"_s;
    }
    void whisperToOnePlayer()
    {
        QFETCH(int, id);
        QFETCH(QString, target);
        QCOMPARE(m_room->services.console.whisperTo(quint16(id), u"hi"_s), !target.isEmpty());
        QVERIFY(m_room->settle());
        const bool toAnn = target == u"Ann";
        QCOMPARE(m_room->texts(m_ann), toAnn ? QStringList{u"hi"_s} : QStringList());
        QCOMPARE(m_room->texts(m_bob), QStringList());
        QCOMPARE(m_room->takeShown(), toAnn ? QStringList{u"<To> Ann: |hi|wt"_s} : QStringList());
    }

    void emptyLinesDoNothing()
    {
        m_room->services.console.handleHostInput(QString());
        QVERIFY(m_room->services.console.whisperTo(m_bob.id, QString()));
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->received(m_ann), QList<QByteArray>());
        QCOMPARE(m_room->received(m_bob), QList<QByteArray>());
        QCOMPARE(m_room->takeShown(), QStringList());
    }

    void muteTogglesAndTellsEverybody()
    {
        QVERIFY(m_room->services.console.toggleMute());
        QVERIFY(m_room->state.chatMuted);
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->texts(m_ann), QStringList{u"** Chat Muted by Host **"_s});
        QCOMPARE(m_room->texts(m_bob), QStringList{u"** Chat Muted by Host **"_s});
        QCOMPARE(m_room->takeShown(), QStringList{u"Server: |** Chat Muted by Host **|s"_s});

        QVERIFY(!m_room->services.console.toggleMute());
        QVERIFY(!m_room->services.console.isMuted());
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->texts(m_bob), QStringList{u"** Chat Mute Removed By Host **"_s});
        QCOMPARE(m_room->takeShown(), QStringList{u"Server: |** Chat Mute Removed By Host **|s"_s});
    }

    void muteWithNobodySeatedChangesNothing_data()
    {
        QTest::addColumn<bool>("muted");
        QTest::newRow("unmuted") << false;
        QTest::newRow("muted") << true;
    }
    void muteWithNobodySeatedChangesNothing()
    {
        QFETCH(bool, muted);
        m_room->players.clearPlayers();
        m_room->state.chatMuted = muted;
        QCOMPARE(m_room->services.console.toggleMute(), muted);
        QCOMPARE(m_room->services.console.isMuted(), muted);
        QCOMPARE(m_room->queue.size(), 0);
        QCOMPARE(m_room->takeShown(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestHostConsole)
#include "tst_HostConsole.moc"

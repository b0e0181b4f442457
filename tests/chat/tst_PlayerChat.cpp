#include "support/BotRoom.h"

#include "chat/ProgramCredits.h"
#include "chatserver/ChatPackets.h"
#include "support/TestWait.h"
#include "text/AnsiText.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString RankPath = u"/perl/find.cgi"_s;
const QString Muted = u"** Chat is Muted **"_s;

} // namespace

class TestPlayerChat : public LadderRoomSuite
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(openLadderRoom()); }
    void cleanup() { m_room.reset(); }

    void commandsAreAnsweredToTheSenderAlone_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("answer");
        const QStringList rules = {u"Rule #1: No mulligans"_s};
        const QStringList details = {u"Ladder: Singles Ladder"_s};
        const QStringList pairings = {u"Current Pairings"_s, u"No Pairings Available"_s};
        const QString invalid = u"Invalid +whois Request"_s;
        QTest::newRow("+rules") << u"+rules"_s << rules;
        QTest::newRow("!RULES") << u"!RULES"_s << rules;
        QTest::newRow("+rules please") << u"+rules please"_s << rules;
        QTest::newRow("details before rules") << u"+rules +details"_s << details;
        QTest::newRow("pairings before details") << u"!details !pairings"_s << pairings;
        QTest::newRow("word anywhere") << u"+x!courses"_s << QStringList();
        QTest::newRow("+version") << u"+version"_s
                                  << QStringList{u"Vornic Host Version: 1.4"_s,
                                         ProgramCredits::authorsLine(),
                                         ProgramCredits::supportLine()};
        QTest::newRow("+whois alone") << u"+whois"_s << QStringList{invalid};
        QTest::newRow("+whois blank") << u"!whois "_s << QStringList{invalid};
        QTest::newRow("+whois bob")
            << u"+whois bob"_s << QStringList{u"Bob is IP: 127.0.0.3   ID: 2   Sock: 2"_s};
        QTest::newRow("+whois host")
            << u"+WHOIS HOST"_s << QStringList{u"Host is IP: Host   ID: 0   Sock: Host"_s};
        QTest::newRow("+whois nobody") << u"+whois Zed"_s << QStringList();
        // Players' whois counts wherever it stands: the name is the line less 7 characters.
        QTest::newRow("whois mid-line") << u"hello +whois Bob"_s << QStringList();
        QTest::newRow("whois mid-line short") << u"a!whois"_s << QStringList{invalid};
    }
    void commandsAreAnsweredToTheSenderAlone()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, answer);
        QVERIFY(m_room->say(m_ann, line));
        QCOMPARE(m_room->texts(m_ann), answer);
        QCOMPARE(m_room->received(m_bob), QList<QByteArray>());
        QCOMPARE(m_room->takeShown(), QStringList());
    }

    void chatIsShownAndForwardedUnchanged_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << u"hello all"_s;
        QTest::newRow("command not at the start") << u"hello +rules"_s;
        QTest::newRow("unknown command") << u"+foo"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("Windows-1252") << u"caf\u00e9 \u20ac5"_s;
    }
    void chatIsShownAndForwardedUnchanged()
    {
        QFETCH(QString, line);
        m_room->options.setLogOption(ChatOptions::EnableLogging, true);
        m_room->options.setLogOption(ChatOptions::LogChat, true);
        QVERIFY(m_room->say(m_ann, line));
        QCOMPARE(
            m_room->received(m_bob), QList<QByteArray>{ChatPacket::clientChatLine(m_ann.id, line)});
        QCOMPARE(m_room->received(m_ann), QList<QByteArray>());
        QCOMPARE(m_room->takeShown(), QStringList{u"Ann: |"_s + line + u"|c"_s});
        const QByteArray record = "  Chat  Ann: " + AnsiText::encode(line) + "\r\n";
        QVERIFY(m_room->logged().endsWith(record));
    }

    void rankRequests_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("askedFor"); // empty: nothing is asked
        QTest::newRow("alone") << u"+rank"_s << u"Ann"_s;
        QTest::newRow("one blank") << u"!rank "_s << u"Ann"_s;
        QTest::newRow("a name") << u"+rank Bob"_s << u"Bob"_s;
        QTest::newRow("+ranking") << u"+ranking"_s << u"ng"_s;
        QTest::newRow("two blanks") << u"+rank  "_s << QString();
    }
    void rankRequests()
    {
        QFETCH(QString, line);
        QFETCH(QString, askedFor);
        m_room->league.setResponse(RankPath, {200, "UNRANKED"});
        QVERIFY(m_room->say(m_ann, line));
        if (askedFor.isEmpty()) {
            QVERIFY(!m_room->services.ranks.fetcher().isBusy());
            QVERIFY(m_ann.client->staysQuiet());
            QCOMPARE(m_room->league.requestLines(), QStringList());
            return;
        }
        QVERIFY(m_ann.client->waitForPackets(1, BotRoom::RankTimeoutMs + 2000));
        QCOMPARE(
            m_ann.client->chatTexts(), QStringList{askedFor + u" is Unranked on Singles Ladder"_s});
        QCOMPARE(m_room->league.requestLines(),
            QStringList{u"GET "_s + RankPath + u"?path=singles&genre=sp&svr=cgi1&name="_s + askedFor
                + u" HTTP/1.1"_s});
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->received(m_bob), QList<QByteArray>());
    }

    void muteRefusesChatButNotCommands()
    {
        m_room->state.chatMuted = true;
        QVERIFY(m_room->say(m_ann, u"+rules"_s));
        QCOMPARE(m_room->texts(m_ann), QStringList{u"Rule #1: No mulligans"_s});
        QCOMPARE(m_room->texts(m_bob), QStringList());

        QVERIFY(m_room->say(m_ann, u"!whois ann"_s));
        QCOMPARE(m_room->texts(m_ann), QStringList{u"Ann is IP: 127.0.0.2   ID: 1   Sock: 1"_s});

        QVERIFY(m_room->say(m_ann, u"hello"_s));
        QCOMPARE(m_room->texts(m_ann), QStringList{Muted});
        QCOMPARE(m_room->texts(m_bob), QStringList{Muted});

        QVERIFY(m_room->say(m_ann, u"psst"_s, true, m_bob.id));
        QCOMPARE(m_room->texts(m_ann), QStringList{Muted});
        QCOMPARE(m_room->texts(m_bob), QStringList{Muted});
        QCOMPARE(m_room->takeShown(), QStringList());

        // Judged by the flag at the time the line arrives.
        m_room->state.chatMuted = false;
        QVERIFY(m_room->say(m_ann, u"hello"_s));
        QCOMPARE(m_room->texts(m_bob), QStringList{u"hello"_s});
    }

    void whispers()
    {
        const Seat cid = m_room->seat(u"Cid"_s, 4);
        QVERIFY(cid.client);

        QVERIFY(m_room->say(m_ann, u"to Bob"_s, true, m_bob.id));
        QCOMPARE(m_room->received(m_bob),
            QList<QByteArray>{ChatPacket::clientChatLine(m_ann.id, u"to Bob"_s, true, m_bob.id)});
        QCOMPARE(m_room->received(m_ann), QList<QByteArray>());
        QCOMPARE(m_room->received(cid), QList<QByteArray>());
        QCOMPARE(m_room->takeShown(), QStringList());

        QVERIFY(m_room->say(m_ann, u"to host"_s, true, 0));
        QCOMPARE(m_room->received(m_bob), QList<QByteArray>());
        QCOMPARE(m_room->received(cid), QList<QByteArray>());
        QCOMPARE(m_room->takeShown(), QStringList{u"<From> Ann: |to host|wf"_s});

        // Nobody holds that ID (any more): the whisper goes nowhere.
        QVERIFY(m_room->say(m_ann, u"to nobody"_s, true, 99));
        QCOMPARE(m_room->received(m_bob), QList<QByteArray>());
        QCOMPARE(m_room->received(cid), QList<QByteArray>());
        QCOMPARE(m_room->takeShown(), QStringList());
    }

    void echoShowsRepliesAsTheOperatorsChat()
    {
        m_room->options.setOption(ChatOptions::EchoBotCommands, true);
        m_room->options.setLogOption(ChatOptions::EnableLogging, true);
        m_room->options.setLogOption(ChatOptions::LogChat, true);
        QVERIFY(m_room->say(m_ann, u"+rules"_s));
        QCOMPARE(m_room->texts(m_ann), QStringList{u"Rule #1: No mulligans"_s});
        QCOMPARE(m_room->takeShown(), QStringList{u"Host: |Rule #1: No mulligans|c"_s});
        QVERIFY(m_room->logged().endsWith("  Chat  Host: Rule #1: No mulligans\r\n"));

        m_room->options.setOption(ChatOptions::EchoBotCommands, false);
        QVERIFY(m_room->say(m_ann, u"+rules"_s));
        QCOMPARE(m_room->takeShown(), QStringList());
    }

    void linesThatCannotBeTrustedAreDropped_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QByteArray tooShort(16, '\0');
        tooShort[0] = char(ChatPacket::ChatLine);
        tooShort[1] = 7;
        ChatPacket::writeId(tooShort, 2, 16);
        ChatPacket::writeId(tooShort, 8, 1);
        QTest::newRow("shorter than a line") << tooShort;
        QTest::newRow("another player's ID") << ChatPacket::clientChatLine(2, u"I am Bob"_s);
        QTest::newRow("the host's ID") << ChatPacket::clientChatLine(0, u"+rules"_s);
        QTest::newRow("an unseated ID") << ChatPacket::clientChatLine(40000, u"hi"_s);
    }
    void linesThatCannotBeTrustedAreDropped()
    {
        QFETCH(QByteArray, packet);
        m_room->services.playerChat.handlePlayerChat(packet, m_ann.socket);
        QVERIFY(m_room->settle());
        QCOMPARE(m_room->received(m_ann), QList<QByteArray>());
        QCOMPARE(m_room->received(m_bob), QList<QByteArray>());
        QCOMPARE(m_room->takeShown(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestPlayerChat)
#include "tst_PlayerChat.moc"

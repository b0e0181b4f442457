#include "PacketDescriber.h"
#include "chatserver/ChatPackets.h"
#include "chatserver/PlayerTable.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

PlayerTable room(int players)
{
    static const QStringList names = {u"Ann"_s, u"Bob"_s, u"Cat"_s};
    PlayerTable table;
    table.setHostName(u"Host"_s);
    for (int id = 1; id <= players; ++id)
        table.add(id <= names.size() ? names[id - 1] : u"P%1"_s.arg(id), quint16(id), id);
    return table;
}

QByteArray chatFrom(quint16 sender, const QString &text, bool whisper = false, quint16 to = 0)
{
    QByteArray packet = ChatPacket::chatLine(text, whisper, to);
    ChatPacket::writeId(packet, 8, sender);
    return packet;
}

QByteArray nameRequest(std::initializer_list<quint16> ids, int size = 80)
{
    QByteArray packet(size, '\0');
    packet[0] = char(ChatPacket::NameRequest);
    int k = 1;
    for (const quint16 id : ids)
        ChatPacket::writeId(packet, 4 * k++ + 4, id);
    return packet;
}

} // namespace

class TestPacketDescriber : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every packet kind in both directions; `learned` packets arrive first and teach names.
    void describe_data()
    {
        QTest::addColumn<QList<QByteArray>>("learned");
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<QString>("line");

        const QByteArray setup = ChatPacket::roomSetup(room(3), 3);
        ChatPacket::NameRequestFields request;
        request.ids = {3, 7, 2};

        QTest::newRow("room full")
            << QList<QByteArray>{} << ChatPacket::roomFull() << u"RoomFull"_s;
        QTest::newRow("greeting, locked")
            << QList<QByteArray>{} << ChatPacket::initiateConnection(true, u"Glen Room"_s)
            << u"InitiateConnection locked room=\"Glen Room\""_s;
        QTest::newRow("greeting, full room name")
            << QList<QByteArray>{} << ChatPacket::initiateConnection(false, u"r"_s.repeated(60))
            << u"InitiateConnection open room=\""_s + u"r"_s.repeated(60) + u'"';
        QTest::newRow("room setup: own slot is empty")
            << QList<QByteArray>{} << setup
            << u"RoomSetup you=3 players=3 [0 Host] [1 Ann] [2 Bob] [3]"_s;
        QTest::newRow("room setup beyond the named positions")
            << QList<QByteArray>{ChatPacket::addPlayer(11, u"Late"_s)}
            << ChatPacket::roomSetup(room(11), 11)
            << u"RoomSetup you=11 players=11 [0 Host] [1 Ann] [2 Bob] [3 Cat] [4 P4] [5 P5] "
               "[6 P6] [7 P7] [8 P8] [9 P9] [10] [11 Late]"_s;
        QTest::newRow("join refused")
            << QList<QByteArray>{} << ChatPacket::joinRefused() << u"JoinRefused"_s;
        QTest::newRow("kick") << QList<QByteArray>{} << ChatPacket::kick() << u"Kick"_s;
        QTest::newRow("add player")
            << QList<QByteArray>{} << ChatPacket::addPlayer(4, u"Bob"_s) << u"AddPlayer 4 Bob"_s;
        QTest::newRow("remove a known player")
            << QList<QByteArray>{ChatPacket::addPlayer(4, u"Bob"_s)} << ChatPacket::removePlayer(4)
            << u"RemovePlayer 4 Bob"_s;
        QTest::newRow("remove an unknown player")
            << QList<QByteArray>{} << ChatPacket::removePlayer(9) << u"RemovePlayer 9"_s;
        QTest::newRow("host line before names are known")
            << QList<QByteArray>{} << ChatPacket::chatLine(u"Welcome!"_s)
            << u"ChatLine from 0: Welcome!"_s;
        QTest::newRow("host line")
            << QList<QByteArray>{setup} << ChatPacket::chatLine(u"Welcome!"_s)
            << u"ChatLine from Host: Welcome!"_s;
        QTest::newRow("whisper between players")
            << QList<QByteArray>{setup} << chatFrom(1, u"psst"_s, true, 2)
            << u"ChatLine whisper from Ann to Bob: psst"_s;
        QTest::newRow("control characters cannot reach the terminal")
            << QList<QByteArray>{} << chatFrom(5, u"\x1b[2Jgone\r\nforged"_s)
            << u"ChatLine from 5: ?[2Jgone??forged"_s;
        QTest::newRow("name reply teaches names")
            << QList<QByteArray>{ChatPacket::nameReply(request, room(3))} << chatFrom(3, u"hi"_s)
            << u"ChatLine from Cat: hi"_s;
        QTest::newRow("name reply")
            << QList<QByteArray>{} << ChatPacket::nameReply(request, room(3))
            << u"NameReply [3 Cat] [2 Bob]"_s;
        QTest::newRow("name reply, nobody found")
            << QList<QByteArray>{} << ChatPacket::nameReply(request, room(0))
            << u"NameReply (none)"_s;
        QTest::newRow("name request")
            << QList<QByteArray>{} << nameRequest({3, 0, 7}) << u"NameRequest 3 7"_s;
        QTest::newRow("name request of the wrong size")
            << QList<QByteArray>{} << nameRequest({3}, 79)
            << u"NameRequest (wrong size: 79 bytes)"_s;
        QTest::newRow("unknown opcode")
            << QList<QByteArray>{} << QByteArray::fromHex("42070800ffffffff")
            << u"Unknown opcode 0x42, 8 bytes: 42 07 08 00 ff ff ff ff"_s;
        QTest::newRow("short room setup")
            << QList<QByteArray>{} << setup.first(100) << u"RoomSetup (short: 100 bytes)"_s;
        QTest::newRow("short add player")
            << QList<QByteArray>{} << ChatPacket::addPlayer(4, u"Bob"_s).first(10)
            << u"AddPlayer (short: 10 bytes)"_s;
        QTest::newRow("short chat line")
            << QList<QByteArray>{} << QByteArray::fromHex("dd070c0000000000") + "abcd"
            << u"ChatLine (short: 12 bytes)"_s;
    }
    void describe()
    {
        QFETCH(QList<QByteArray>, learned);
        QFETCH(QByteArray, packet);
        PacketDescriber describer;
        for (const QByteArray &earlier : std::as_const(learned))
            describer.learn(earlier);
        describer.learn(packet);
        QTEST(describer.describe(packet), "line");
    }

    void joinRequestHidesThePassword()
    {
        QByteArray packet(32, '\0');
        packet[0] = char(ChatPacket::JoinRequest);
        packet.replace(8, 3, "Ann");
        PacketDescriber describer;
        QCOMPARE(describer.describe(QByteArray(packet + '\0')), u"JoinRequest name=\"Ann\""_s);
        QCOMPARE(describer.describe(QByteArray(packet + "secret" + '\0')),
            u"JoinRequest name=\"Ann\" with password"_s);
    }

    // A room setup that claims more players than its ID slots can hold lists only what fits.
    void roomSetupCountBeyondItsSlots()
    {
        QByteArray setup = ChatPacket::roomSetup(room(3), 3);
        setup[8] = char(200);
        PacketDescriber describer;
        describer.learn(setup);
        const QString line = describer.describe(setup);
        QVERIFY(line.startsWith(u"RoomSetup you=3 players=200 [0 Host]"_s));
        QCOMPARE(line.count(u'['), ChatPacket::RoomSetupMaxListed + 1);
    }

    // A name slot filled to the brim is not read on into the next slot.
    void fullNameSlotsStayInTheirSlot()
    {
        PlayerTable table;
        table.setHostName(u"H"_s.repeated(24));
        table.add(u"A"_s.repeated(24), 1, 1);
        table.add(u"B"_s, 2, 2);
        PacketDescriber describer;
        describer.learn(ChatPacket::roomSetup(table, 2));
        QCOMPARE(describer.nameOf(0), u"H"_s.repeated(24));
        QCOMPARE(describer.nameOf(1), u"A"_s.repeated(24));
    }
};

QTEST_GUILESS_MAIN(TestPacketDescriber)
#include "tst_PacketDescriber.moc"

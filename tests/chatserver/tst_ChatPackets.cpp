#include "chatserver/ChatPackets.h"
#include "chatserver/PlayerTable.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// A zero-filled packet with a header, written independently of the code under test.
QByteArray expectedPacket(int size, quint8 opcode)
{
    QByteArray packet(size, '\0');
    packet[0] = char(opcode);
    packet[1] = 7;
    packet[2] = char(size & 0xFF);
    packet[3] = char(size >> 8);
    packet.replace(4, 4, hex("ffffffff"));
    return packet;
}

void put(QByteArray &packet, int offset, const QByteArray &bytes)
{
    packet.replace(offset, bytes.size(), bytes);
}

QByteArray nameRequest(const QList<QByteArray> &slots, int size = 80)
{
    QByteArray packet(size, '\0');
    packet[0] = char(ChatPacket::NameRequest);
    packet[2] = char(size);
    for (int k = 0; k < slots.size(); ++k)
        put(packet, 4 * (k + 1) + 4, slots.at(k));
    return packet;
}

} // namespace

class TestChatPackets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void idsAreLittleEndian_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("host") << 0 << hex("0000");
        QTest::newRow("255") << 255 << hex("ff00");
        QTest::newRow("256") << 256 << hex("0001");
        QTest::newRow("32768") << 32768 << hex("0080");
        QTest::newRow("65535") << 65535 << hex("ffff");
    }
    void idsAreLittleEndian()
    {
        QFETCH(int, id);
        QFETCH(QByteArray, bytes);
        QByteArray buffer(4, '\0');
        ChatPacket::writeId(buffer, 1, quint16(id));
        QCOMPARE(buffer, '\0' + bytes + '\0');
        QCOMPARE(ChatPacket::readId(buffer, 1), quint16(id));
    }

    void readsStopAtTheEndOfThePacket()
    {
        QCOMPARE(ChatPacket::readId(hex("05"), 0), quint16(5));
        QCOMPARE(ChatPacket::readId(hex("05"), 3), quint16(0));
        QCOMPARE(ChatPacket::readZeroEnded("ab", 2), QString());
        QCOMPARE(ChatPacket::readZeroEnded("ab", 7), QString());
        QCOMPARE(ChatPacket::readZeroEnded(QByteArray("a\0b", 3), 0), u"a"_s);
    }

    void slotsAreCutToTheirWidth()
    {
        QByteArray buffer(8, 'x');
        ChatPacket::writeSlot(buffer, 2, 4, u"\u00e9\u20acabcdef");
        QCOMPARE(buffer,
            QByteArray("xx\xe9\x80"
                       "abxx"));
    }

    void headerOnlyPackets_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("RoomFull") << ChatPacket::roomFull() << hex("d2070800ffffffff");
        QTest::newRow("JoinRefused") << ChatPacket::joinRefused() << hex("d7070800ffffffff");
        QTest::newRow("Kick") << ChatPacket::kick() << hex("d9070800ffffffff");
        QTest::newRow("RemovePlayer")
            << ChatPacket::removePlayer(0x0102) << hex("ea070c00ffffffff0201 0000");
    }
    void headerOnlyPackets()
    {
        QFETCH(QByteArray, packet);
        QFETCH(QByteArray, expected);
        QCOMPARE(packet, expected);
    }

    void addPlayerCutsTheNameToItsSlot()
    {
        QByteArray expected = expectedPacket(32, 233);
        put(expected, 8, hex("2c01"));
        put(expected, 12, "ABCDEFGHIJKLMNOPQRST");
        QCOMPARE(ChatPacket::addPlayer(300, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"), expected);

        expected = expectedPacket(32, 233);
        put(expected, 8, hex("0100"));
        put(expected, 12, "Bo");
        QCOMPARE(ChatPacket::addPlayer(1, u"Bo"), expected);
    }

    void initiateConnection_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("roomName");
        QTest::addColumn<QByteArray>("slot");
        const QString sixty = QString(59, u'r') + u'Z';
        QTest::newRow("open") << false << u"Golf Night"_s << QByteArray("Golf Night");
        QTest::newRow("locked, 60 characters fill the slot") << true << sixty << sixty.toLatin1();
        QTest::newRow("61 characters are cut") << false << sixty + u'!' << sixty.toLatin1();
    }
    void initiateConnection()
    {
        QFETCH(bool, locked);
        QFETCH(QString, roomName);
        QFETCH(QByteArray, slot);
        QByteArray expected = expectedPacket(68, locked ? 211 : 212);
        put(expected, 8, slot);
        QCOMPARE(ChatPacket::initiateConnection(locked, roomName), expected);
    }

    void chatLine_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("abc") << ChatPacket::chatLine(u"abc")
                             << hex("dd071400000000000000000000000000616263 00");
        QTest::newRow("whisper to 258") << ChatPacket::chatLine(u"hi", true, 258)
                                        << hex("dd071300010000000000000002010000 6869 00");
        QTest::newRow("target ignored without whisper")
            << ChatPacket::chatLine(u"", false, 9) << hex("dd071100000000000000000000000000 00");
        QTest::newRow("windows-1252") << ChatPacket::chatLine(u"\u20ac\u00e9")
                                      << hex("dd071300000000000000000000000000 80e9 00");
    }
    void chatLine()
    {
        QFETCH(QByteArray, packet);
        QFETCH(QByteArray, expected);
        QCOMPARE(packet, expected);
    }

    void longTextIsSplitIntoLines_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("pieces");
        QTest::newRow("empty") << 0 << QList<int>{0};
        QTest::newRow("238 fit one line") << 238 << QList<int>{238};
        QTest::newRow("239") << 239 << QList<int>{238, 1};
        QTest::newRow("600") << 600 << QList<int>{238, 238, 124};
    }
    void longTextIsSplitIntoLines()
    {
        QFETCH(int, length);
        QFETCH(QList<int>, pieces);
        QString text;
        for (int i = 0; i < length; ++i)
            text.append(QChar(u'a' + i % 26));
        const QList<QByteArray> lines = ChatPacket::chatLines(text, true, 4);
        QCOMPARE(lines.size(), pieces.size());
        QString joined;
        for (int i = 0; i < lines.size(); ++i) {
            QCOMPARE(lines.at(i).size(), pieces.at(i) + 17);
            QCOMPARE(quint8(lines.at(i).at(2)), quint8(pieces.at(i) + 17));
            QCOMPARE(lines.at(i).at(3), '\0');
            const auto fields = ChatPacket::readChatLine(lines.at(i));
            QVERIFY(fields && fields->whisper && fields->targetId == 4);
            joined += fields->text;
        }
        QCOMPARE(joined, text);
    }

    void roomSetupForTheFirstPlayer()
    {
        PlayerTable table;
        table.setHostName(u"Host"_s);
        table.add(u"First"_s, 1, 1);
        QByteArray expected = expectedPacket(512, 214);
        expected[8] = 1;
        put(expected, 12, hex("0100"));
        put(expected, 16, hex("00000000 01000000"));
        put(expected, 272, "Host");
        QCOMPARE(ChatPacket::roomSetup(table, 1), expected);
    }

    void roomSetupWithTwelvePlayers()
    {
        PlayerTable table;
        table.setHostName(u"Host"_s);
        for (int p = 1; p <= 12; ++p)
            table.add(u"P%1"_s.arg(p), quint16(100 + p), p);
        const QByteArray packet = ChatPacket::roomSetup(table, 105);

        QByteArray expected = expectedPacket(512, 214);
        expected[8] = 12;
        put(expected, 12, hex("6900"));
        for (int p = 1; p <= 12; ++p)
            expected[16 + 4 * p] = char(100 + p);
        put(expected, 272, "Host");
        for (int p = 1; p <= 9; ++p) {
            if (p != 5)
                put(expected, 272 + 24 * p, u"P%1"_s.arg(p).toLatin1());
        }
        QCOMPARE(packet, expected);
    }

    void roomSetupNeverOverrunsItsNameSlots()
    {
        // One connection joining over and over can make the table longer than the ID area.
        PlayerTable table;
        table.setHostName(QString(30, u'H'));
        for (int p = 1; p <= 200; ++p)
            table.add(QString(30, u'N'), quint16(p), 1);
        const QByteArray packet = ChatPacket::roomSetup(table, 200);
        QCOMPARE(packet.size(), 512);
        QCOMPARE(quint8(packet.at(8)), quint8(ChatPacket::RoomSetupMaxListed));
        QCOMPARE(ChatPacket::readId(packet, 16 + 4 * 63), quint16(63));
        QCOMPARE(packet.mid(272, 25), QByteArray(24, 'H') + 'N');
        QCOMPARE(packet.mid(272 + 24 * 9, 24), QByteArray(24, 'N'));
        QCOMPARE(packet.mid(272 + 24 * 10), QByteArray(512 - 272 - 240, '\0'));
    }

    void joinRequest_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QByteArray full(40, '\0');
        full[0] = char(213);
        put(full, 8, "Ann");
        put(full, 32, "Secret");
        QTest::newRow("name and password") << full << u"Ann"_s << u"Secret"_s;
        QByteArray twenty(20, '\0');
        twenty[0] = char(213);
        put(twenty, 8, "abcdefghijkl");
        QTest::newRow("20 bytes, no terminator") << twenty << u"abcdefghijkl"_s << QString();
        QByteArray runOn(36, '\0');
        put(runOn, 8, QByteArray(26, 'n'));
        QTest::newRow("name runs into the password area") << runOn << QString(26, u'n') << u"nn"_s;
        QTest::newRow("empty name") << QByteArray(9, '\0') << QString() << QString();
        QTest::newRow("header only") << QByteArray(8, '\0') << QString() << QString();
    }
    void joinRequest()
    {
        QFETCH(QByteArray, packet);
        QFETCH(QString, name);
        QFETCH(QString, password);
        const ChatPacket::JoinRequestFields fields = ChatPacket::readJoinRequest(packet);
        QCOMPARE(fields.name, name);
        QCOMPARE(fields.password, password);
    }

    // The encoders of the clients' packets feed every simulator and test; these bytes are the
    // independent check that they say what a game client says.
    void clientPacketsHaveTheirFixedBytes()
    {
        QCOMPARE(ChatPacket::joinRequest(u"Ann", u"Pw"),
            hex("d5072300ffffffff 416e6e000000000000000000000000000000000000000000 507700"));
        QCOMPARE(ChatPacket::joinRequest(QString(30, u'n')).mid(8, 25), QByteArray(24, 'n') + '\0');
        QCOMPARE(ChatPacket::clientChatLine(258, u"hi", true, 3),
            hex("dd071300 01000000 0201 0000 0300 0000 686900"));
        QByteArray names = hex("e7075000ffffffff") + QByteArray(72, '\0');
        put(names, 8, hex("0500"));
        put(names, 76, hex("1200"));
        QList<quint16> ids(19, 0);
        ids[0] = 5;
        ids[17] = 18;
        ids[18] = 19; // beyond the 18 slots: left out
        QCOMPARE(ChatPacket::nameRequest(ids), names);
        QCOMPARE(ChatPacket::readJoinRequest(ChatPacket::joinRequest(u"\u00e9t\u00e9", u"x")).name,
            u"\u00e9t\u00e9"_s);
    }

    void receivedChatLineKeepsEveryTextByte()
    {
        const QByteArray packet = hex("dd07170001000000 0700 0000 0900 0000 61006263 ff 00");
        const auto fields = ChatPacket::readChatLine(packet);
        QVERIFY(fields);
        QCOMPARE(fields->senderId, quint16(7));
        QVERIFY(fields->whisper);
        QCOMPARE(fields->targetId, quint16(9));
        QCOMPARE(fields->text, u"a\u0000bc\u00ff"_s);
        QVERIFY(!ChatPacket::readChatLine(packet.first(16)));
        QCOMPARE(ChatPacket::readChatLine(packet.first(17))->text, QString());
    }

    void nameRequestSize_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("answered");
        QTest::newRow("79") << 79 << false;
        QTest::newRow("80") << 80 << true;
        QTest::newRow("81") << 81 << false;
    }
    void nameRequestSize()
    {
        QFETCH(int, size);
        QFETCH(bool, answered);
        QCOMPARE(
            ChatPacket::readNameRequest(nameRequest({hex("0300")}, size)).has_value(), answered);
    }

    void nameReplyListsOnlySeatedPlayers()
    {
        PlayerTable table;
        table.setHostName(u"Host"_s);
        table.add(u"Three"_s, 3, 1);
        table.add(u"Seven"_s, 7, 2);
        table.add(u"Big"_s, 256, 3);
        table.add(QString(30, u'L'), 300, 4);
        table.removeAt(2); // ID 7 has left
        const auto request = ChatPacket::readNameRequest(nameRequest(
            {hex("0300"), hex("0000"), hex("0700"), hex("0001"), hex("2c01"), hex("0000")}));
        QVERIFY(request);

        QByteArray expected = expectedPacket(512, 232);
        put(expected, 8, hex("0300"));
        put(expected, 80, "Three");
        put(expected, 24, hex("2c01"));
        put(expected, 56 + 24 * 5, QByteArray(24, 'L'));
        QCOMPARE(ChatPacket::nameReply(*request, table), expected);
    }

    // Whatever a client sends, however it is cut short, reading it must stay inside the packet.
    void everyPrefixOfAnInboundPacketIsSafe_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QByteArray join(40, 'j');
        join[0] = char(213);
        QTest::newRow("JoinRequest") << join;
        QTest::newRow("ChatLine") << hex("dd07170001000000 0700 0000 0900 0000 61006263 ff 00");
        QTest::newRow("NameRequest") << nameRequest(QList<QByteArray>(18, hex("0102")));
    }
    void everyPrefixOfAnInboundPacketIsSafe()
    {
        QFETCH(QByteArray, packet);
        for (int size = 0; size <= packet.size(); ++size) {
            const QByteArray prefix = packet.first(size);
            const auto join = ChatPacket::readJoinRequest(prefix);
            QVERIFY(join.name.size() <= qMax(0, size - 8));
            QCOMPARE(ChatPacket::readChatLine(prefix).has_value(), size >= 17);
            QCOMPARE(ChatPacket::readNameRequest(prefix).has_value(), size == 80);
            QCOMPARE(ChatPacket::declaredLength(prefix).has_value(), size >= 4);
            QCOMPARE(ChatPacket::opcode(prefix), size ? quint8(packet.at(0)) : quint8(0));
        }
    }
};

QTEST_GUILESS_MAIN(TestChatPackets)
#include "tst_ChatPackets.moc"

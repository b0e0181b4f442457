#include "lobby/LobbyPackets.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The fixed head, the text, then zero bytes to the end of the packet.
QByteArray packetBytes(const QByteArray &head, QByteArrayView text, int zeroCount)
{
    return head + text.toByteArray() + QByteArray(zeroCount, '\0');
}

const QByteArray LoginHead = QByteArray::fromHex("10002000a2b4873f0000");
const QByteArray OpenRoomHead = QByteArray::fromHex("12002200050000000000602f697e");
const QByteArray LockedRoomHead = QByteArray::fromHex("12002200060000000000612f697e");

} // namespace

class TestLobbyPackets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bytes_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("login Ann")
            << LobbyPacket::login(u"Ann") << packetBytes(LoginHead, "Ann", 19);
        QTest::newRow("login empty name")
            << LobbyPacket::login(u"") << packetBytes(LoginHead, "", 22);
        QTest::newRow("login Windows-1252")
            << LobbyPacket::login(u"Jos\u00E9\u20AC") << packetBytes(LoginHead, "Jos\xE9\x80", 17);
        QTest::newRow("login 20 characters fill the field but the last two bytes")
            << LobbyPacket::login(u"ABCDEFGHIJKLMNOPQRST")
            << packetBytes(LoginHead, "ABCDEFGHIJKLMNOPQRST", 2);
        QTest::newRow("login longer name is cut, never overflows")
            << LobbyPacket::login(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")
            << packetBytes(LoginHead, "ABCDEFGHIJKLMNOPQRST", 2);

        QTest::newRow("add open Golf")
            << LobbyPacket::addChat(u"Golf", false) << packetBytes(OpenRoomHead, "Golf", 16);
        QTest::newRow("add locked Golf")
            << LobbyPacket::addChat(u"Golf", true) << packetBytes(LockedRoomHead, "Golf", 16);
        QTest::newRow("add longer room name is cut to 18")
            << LobbyPacket::addChat(u"Sunday Night Skins Open", false)
            << packetBytes(OpenRoomHead, "Sunday Night Skins", 2);

        QTest::newRow("remove, length byte 4 in 6 bytes")
            << LobbyPacket::removeChat() << QByteArray::fromHex("140004002020");
    }
    void bytes()
    {
        QFETCH(QByteArray, packet);
        QFETCH(QByteArray, expected);
        QCOMPARE(packet.toHex(' '), expected.toHex(' '));
    }
};

QTEST_GUILESS_MAIN(TestLobbyPackets)
#include "tst_LobbyPackets.moc"

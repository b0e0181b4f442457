#include "lobby/LobbyPackets.h"

#include "text/AnsiText.h"

namespace LobbyPacket {

namespace {

constexpr int LoginNameOffset = 10;
constexpr int AddChatRoomOffset = 14;

// A zero-filled packet with its type and length byte set.
QByteArray blank(PacketType type, int size, int lengthByte)
{
    QByteArray packet(size, '\0');
    packet[0] = static_cast<char>(type);
    packet[2] = static_cast<char>(lengthByte);
    return packet;
}

void putBytes(QByteArray &packet, int offset, QByteArrayView bytes)
{
    packet.replace(offset, bytes.size(), bytes.toByteArray());
}

void putText(QByteArray &packet, int offset, QStringView text, int maxLength)
{
    putBytes(packet, offset, AnsiText::encode(text).left(maxLength));
}

} // namespace

QByteArray login(QStringView operatorName)
{
    QByteArray packet = blank(LoginType, LoginSize, LoginSize);
    // A constant the lobby server expects from this client version (about 1.0602 as a float).
    putBytes(packet, 4, "\xA2\xB4\x87\x3F");
    putText(packet, LoginNameOffset, operatorName, MaxOperatorNameLength);
    return packet;
}

QByteArray addChat(QStringView roomName, bool locked)
{
    QByteArray packet = blank(AddChatType, AddChatSize, AddChatSize);
    packet[4] = locked ? '\x06' : '\x05';
    putBytes(packet, 10, locked ? "\x61\x2F\x69\x7E" : "\x60\x2F\x69\x7E");
    putText(packet, AddChatRoomOffset, roomName, MaxRoomNameLength);
    return packet;
}

QByteArray removeChat()
{
    // The length byte reads 4 although six bytes go out; the lobby server accepts it so.
    QByteArray packet = blank(RemoveChatType, RemoveChatSize, 4);
    putBytes(packet, 4, "\x20\x20");
    return packet;
}

} // namespace LobbyPacket

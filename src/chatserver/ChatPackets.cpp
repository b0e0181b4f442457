#include "chatserver/ChatPackets.h"

#include "chatserver/PlayerTable.h"
#include "text/AnsiText.h"

namespace ChatPacket {

namespace {

constexpr char HeaderConstant = 7;
constexpr int ChatTextOffset = 16;
constexpr int ChatLineOverhead = ChatTextOffset + 1;
constexpr int NameRequestSize = 80;
constexpr int ListPacketSize = 512;

void writeLength(QByteArray &packet)
{
    writeId(packet, 2, quint16(packet.size()));
}

// A zero-filled packet with the header every host packet carries; the flag bytes are FF in all
// fixed-size packets.
QByteArray fixedPacket(Opcode code, int size)
{
    QByteArray packet(size, '\0');
    packet[0] = char(code);
    packet[1] = HeaderConstant;
    writeLength(packet);
    packet.replace(4, 4, QByteArray(4, '\xFF'));
    return packet;
}

quint8 byteAt(QByteArrayView packet, int offset)
{
    return offset < packet.size() ? quint8(packet.at(offset)) : 0;
}

} // namespace

quint8 opcode(QByteArrayView packet)
{
    return byteAt(packet, 0);
}

std::optional<quint16> declaredLength(QByteArrayView bytes)
{
    if (bytes.size() < 4)
        return std::nullopt;
    return readId(bytes, 2);
}

void writeId(QByteArray &packet, int offset, quint16 id)
{
    Q_ASSERT(offset >= 0 && offset + 2 <= packet.size());
    packet[offset] = char(id & 0xFF);
    packet[offset + 1] = char(id >> 8);
}

quint16 readId(QByteArrayView packet, int offset)
{
    return quint16(byteAt(packet, offset) | (byteAt(packet, offset + 1) << 8));
}

void writeSlot(QByteArray &packet, int offset, int width, QStringView text)
{
    Q_ASSERT(offset >= 0 && width >= 0 && offset + width <= packet.size());
    const QByteArray bytes = AnsiText::encode(text.left(width));
    packet.replace(offset, bytes.size(), bytes);
}

QString readZeroEnded(QByteArrayView packet, int start)
{
    if (start < 0 || start >= packet.size())
        return {};
    const QByteArrayView rest = packet.sliced(start);
    const qsizetype end = rest.indexOf('\0');
    return AnsiText::decode(end < 0 ? rest : rest.first(end));
}

QByteArray roomFull()
{
    return fixedPacket(RoomFull, HeaderSize);
}

QByteArray joinRefused()
{
    return fixedPacket(JoinRefused, HeaderSize);
}

QByteArray kick()
{
    return fixedPacket(Kick, HeaderSize);
}

QByteArray initiateConnection(bool locked, QStringView roomName)
{
    QByteArray packet = fixedPacket(
        locked ? InitiateConnectionLocked : InitiateConnectionOpen, HeaderSize + RoomNameWidth);
    writeSlot(packet, HeaderSize, RoomNameWidth, roomName);
    return packet;
}

QByteArray roomSetup(const PlayerTable &table, quint16 joinerId)
{
    constexpr int idSlots = 16;
    constexpr int nameSlots = 272;
    QByteArray packet = fixedPacket(RoomSetup, ListPacketSize);
    // A connection that joins more than once can hold several positions, so the table may outgrow
    // the ID area; list only what fits rather than overwrite the names.
    const int listed = qMin(table.count(), RoomSetupMaxListed);
    packet[8] = char(listed);
    writeId(packet, 12, joinerId);
    for (int position = 0; position <= listed; ++position) {
        writeId(packet, idSlots + 4 * position, table.id(position));
        if (position <= RoomSetupNamedPositions && table.id(position) != joinerId)
            writeSlot(
                packet, nameSlots + ListNameWidth * position, ListNameWidth, table.name(position));
    }
    return packet;
}

QByteArray addPlayer(quint16 id, QStringView name)
{
    QByteArray packet = fixedPacket(AddPlayer, 32);
    writeId(packet, 8, id);
    writeSlot(packet, 12, AddPlayerNameWidth, name);
    return packet;
}

QByteArray removePlayer(quint16 id)
{
    QByteArray packet = fixedPacket(RemovePlayer, 12);
    writeId(packet, 8, id);
    return packet;
}

QByteArray chatLine(QStringView text, bool whisper, quint16 targetId)
{
    Q_ASSERT(text.size() <= MaxChatText);
    const QByteArray body = AnsiText::encode(text.left(MaxChatText));
    QByteArray packet(ChatLineOverhead + body.size(), '\0');
    packet[0] = char(ChatLine);
    packet[1] = HeaderConstant;
    writeLength(packet);
    if (whisper) {
        packet[4] = 1;
        writeId(packet, 12, targetId);
    }
    packet.replace(ChatTextOffset, body.size(), body);
    return packet;
}

QList<QByteArray> chatLines(QStringView text, bool whisper, quint16 targetId)
{
    QList<QByteArray> lines;
    do {
        lines.append(chatLine(text.left(MaxChatText), whisper, targetId));
        text = text.size() > MaxChatText ? text.sliced(MaxChatText) : QStringView();
    } while (!text.isEmpty());
    return lines;
}

QByteArray joinRequest(QStringView name, QStringView password)
{
    constexpr int PasswordAt = 32;
    QByteArray packet = fixedPacket(JoinRequest, PasswordAt);
    writeSlot(packet, 8, ListNameWidth, name);
    packet += AnsiText::encode(password).left(MaxPacketSize - PasswordAt - 1) + '\0';
    writeLength(packet);
    return packet;
}

QByteArray clientChatLine(quint16 senderId, QStringView text, bool whisper, quint16 targetId)
{
    QByteArray packet = chatLine(text, whisper, targetId);
    writeId(packet, 8, senderId);
    return packet;
}

QByteArray nameRequest(const QList<quint16> &ids)
{
    QByteArray packet = fixedPacket(NameRequest, 80);
    const qsizetype count = std::min<qsizetype>(ids.size(), NameRequestSlots);
    for (qsizetype k = 1; k <= count; ++k)
        writeId(packet, int(4 * k + 4), ids[k - 1]);
    return packet;
}

JoinRequestFields readJoinRequest(QByteArrayView packet)
{
    return {readZeroEnded(packet, 8), readZeroEnded(packet, 32)};
}

std::optional<ChatLineFields> readChatLine(QByteArrayView packet)
{
    if (packet.size() < ChatLineOverhead)
        return std::nullopt;
    ChatLineFields fields;
    fields.senderId = readId(packet, 8);
    fields.whisper = byteAt(packet, 4) == 1;
    fields.targetId = readId(packet, 12);
    // Everything up to the last byte is text, zero bytes included: lines are relayed unchanged.
    fields.text = AnsiText::decode(packet.sliced(ChatTextOffset, packet.size() - ChatLineOverhead));
    return fields;
}

std::optional<NameRequestFields> readNameRequest(QByteArrayView packet)
{
    if (packet.size() != NameRequestSize)
        return std::nullopt;
    NameRequestFields request;
    for (int slot = 1; slot <= NameRequestSlots; ++slot) {
        const int offset = 4 * slot + 4;
        // Clients mark an empty slot by its low byte alone.
        if (byteAt(packet, offset) != 0)
            request.ids[slot - 1] = readId(packet, offset);
    }
    return request;
}

QByteArray nameReply(const NameRequestFields &request, const PlayerTable &table)
{
    QByteArray packet = fixedPacket(NameReply, ListPacketSize);
    for (int slot = 1; slot <= NameRequestSlots; ++slot) {
        const quint16 id = request.ids[slot - 1];
        const std::optional<int> position = id == 0 ? std::nullopt : table.findById(id, 1);
        if (!position)
            continue;
        writeId(packet, 4 * slot + 4, id);
        writeSlot(packet, 24 * slot + 56, ListNameWidth, table.name(*position));
    }
    return packet;
}

} // namespace ChatPacket

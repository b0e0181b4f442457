#include "PacketDescriber.h"

#include "chat/PrintableText.h"
#include "chatserver/ChatPackets.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

namespace Layout {
constexpr int InitiateSize = 68;
constexpr int RoomNameAt = 8;
constexpr int JoinRequestMinSize = 9;
constexpr int RoomSetupSize = 512;
constexpr int PlayerCountAt = 8;
constexpr int JoinerIdAt = 12;
constexpr int FirstIdSlotAt = 16;
constexpr int FirstListNameAt = 272;
constexpr int ChatLineMinSize = 17;
constexpr int NameRequestSize = 80;
constexpr int NameReplySize = 512;
constexpr int AddPlayerSize = 32;
constexpr int AddedIdAt = 8;
constexpr int AddedNameAt = 12;
constexpr int RemovePlayerSize = 12;
constexpr int RemovedIdAt = 8;

// NameRequest and NameReply slot k (1..18).
constexpr int requestIdAt(int k)
{
    return 4 * k + 4;
}
constexpr int replyNameAt(int k)
{
    return 24 * k + 56;
}
} // namespace Layout

// The text of a fixed-width slot: up to its first 0 byte, never beyond the slot.
QString readSlot(QByteArrayView packet, int offset, int width)
{
    if (offset >= packet.size())
        return {};
    const QByteArrayView slot
        = packet.sliced(offset, std::min<qsizetype>(width, packet.size() - offset));
    return ChatPacket::readZeroEnded(slot, 0);
}

QString quoted(const QString &text)
{
    return u'"' + printableText(text) + u'"';
}

QString shortPacket(const QString &kind, QByteArrayView packet)
{
    return kind + u" (short: %1 bytes)"_s.arg(packet.size());
}

QString unknownPacket(QByteArrayView packet)
{
    const QString hex = QString::fromLatin1(packet.toByteArray().toHex(' '));
    return u"Unknown opcode 0x%1, %2 bytes: %3"_s
        .arg(QString::number(ChatPacket::opcode(packet), 16).rightJustified(2, u'0'))
        .arg(packet.size())
        .arg(hex);
}

// The highest table position a RoomSetup lists, bounded by what fits before its name slots.
int listedPositions(QByteArrayView packet)
{
    const int count = static_cast<quint8>(packet[Layout::PlayerCountAt]);
    return std::min(count, ChatPacket::RoomSetupMaxListed);
}

} // namespace

void PacketDescriber::setName(quint16 id, const QString &name)
{
    if (!name.isEmpty())
        m_names.insert(id, name);
}

void PacketDescriber::learn(QByteArrayView packet)
{
    switch (ChatPacket::opcode(packet)) {
    case ChatPacket::RoomSetup:
        if (packet.size() < Layout::RoomSetupSize)
            return;
        for (int k = 0; k <= std::min(listedPositions(packet), ChatPacket::RoomSetupNamedPositions);
             ++k) {
            setName(ChatPacket::readId(packet, Layout::FirstIdSlotAt + 4 * k),
                readSlot(packet, Layout::FirstListNameAt + ChatPacket::ListNameWidth * k,
                    ChatPacket::ListNameWidth));
        }
        break;
    case ChatPacket::AddPlayer:
        if (packet.size() >= Layout::AddPlayerSize) {
            setName(ChatPacket::readId(packet, Layout::AddedIdAt),
                readSlot(packet, Layout::AddedNameAt, ChatPacket::AddPlayerNameWidth));
        }
        break;
    case ChatPacket::NameReply:
        if (packet.size() < Layout::NameReplySize)
            return;
        for (int k = 1; k <= ChatPacket::NameRequestSlots; ++k) {
            setName(ChatPacket::readId(packet, Layout::requestIdAt(k)),
                readSlot(packet, Layout::replyNameAt(k), ChatPacket::ListNameWidth));
        }
        break;
    default:
        break;
    }
}

QString PacketDescriber::describe(QByteArrayView packet) const
{
    if (packet.isEmpty())
        return u"(empty packet)"_s;
    switch (ChatPacket::opcode(packet)) {
    case ChatPacket::RoomFull:
        return u"RoomFull"_s;
    case ChatPacket::InitiateConnectionLocked:
    case ChatPacket::InitiateConnectionOpen: {
        const bool locked = ChatPacket::opcode(packet) == ChatPacket::InitiateConnectionLocked;
        if (packet.size() < Layout::InitiateSize)
            return shortPacket(u"InitiateConnection"_s, packet);
        return u"InitiateConnection "_s + (locked ? u"locked"_s : u"open"_s) + u" room="_s
            + quoted(readSlot(packet, Layout::RoomNameAt, ChatPacket::RoomNameWidth));
    }
    case ChatPacket::JoinRequest: {
        if (packet.size() < Layout::JoinRequestMinSize)
            return shortPacket(u"JoinRequest"_s, packet);
        const ChatPacket::JoinRequestFields fields = ChatPacket::readJoinRequest(packet);
        // The password is the operator's secret; say only whether one is sent.
        return u"JoinRequest name="_s + quoted(fields.name)
            + (fields.password.isEmpty() ? QString() : u" with password"_s);
    }
    case ChatPacket::RoomSetup:
        return describeRoomSetup(packet);
    case ChatPacket::JoinRefused:
        return u"JoinRefused"_s;
    case ChatPacket::Kick:
        return u"Kick"_s;
    case ChatPacket::ChatLine:
        return describeChatLine(packet);
    case ChatPacket::NameRequest:
        return describeNameRequest(packet);
    case ChatPacket::NameReply:
        return describeNameReply(packet);
    case ChatPacket::AddPlayer:
        if (packet.size() < Layout::AddPlayerSize)
            return shortPacket(u"AddPlayer"_s, packet);
        return u"AddPlayer %1 %2"_s.arg(ChatPacket::readId(packet, Layout::AddedIdAt))
            .arg(printableText(
                readSlot(packet, Layout::AddedNameAt, ChatPacket::AddPlayerNameWidth)));
    case ChatPacket::RemovePlayer: {
        if (packet.size() < Layout::RemovePlayerSize)
            return shortPacket(u"RemovePlayer"_s, packet);
        const quint16 id = ChatPacket::readId(packet, Layout::RemovedIdAt);
        const QString name = nameOf(id);
        return u"RemovePlayer "_s + QString::number(id)
            + (name.isEmpty() ? QString() : u' ' + printableText(name));
    }
    default:
        return unknownPacket(packet);
    }
}

QString PacketDescriber::who(quint16 id) const
{
    const QString name = nameOf(id);
    return name.isEmpty() ? QString::number(id) : printableText(name);
}

QString PacketDescriber::describeRoomSetup(QByteArrayView packet) const
{
    if (packet.size() < Layout::RoomSetupSize)
        return shortPacket(u"RoomSetup"_s, packet);
    const quint16 joiner = ChatPacket::readId(packet, Layout::JoinerIdAt);
    const int players = static_cast<quint8>(packet[Layout::PlayerCountAt]);
    QString line = u"RoomSetup you=%1 players=%2"_s.arg(joiner).arg(players);
    for (int k = 0; k <= listedPositions(packet); ++k) {
        const quint16 id = ChatPacket::readId(packet, Layout::FirstIdSlotAt + 4 * k);
        const QString name = nameOf(id);
        line += u" ["_s + QString::number(id)
            + (name.isEmpty() ? QString() : u' ' + printableText(name)) + u']';
    }
    return line;
}

QString PacketDescriber::describeChatLine(QByteArrayView packet) const
{
    const std::optional<ChatPacket::ChatLineFields> fields = ChatPacket::readChatLine(packet);
    if (!fields || packet.size() < Layout::ChatLineMinSize)
        return shortPacket(u"ChatLine"_s, packet);
    QString line = u"ChatLine "_s;
    if (fields->whisper)
        line += u"whisper "_s;
    line += u"from "_s + who(fields->senderId);
    if (fields->whisper)
        line += u" to "_s + who(fields->targetId);
    return line + u": "_s + printableText(fields->text);
}

QString PacketDescriber::describeNameRequest(QByteArrayView packet) const
{
    if (packet.size() != Layout::NameRequestSize)
        return u"NameRequest (wrong size: %1 bytes)"_s.arg(packet.size());
    QString line = u"NameRequest"_s;
    for (int k = 1; k <= ChatPacket::NameRequestSlots; ++k) {
        if (packet[Layout::requestIdAt(k)] != '\0')
            line += u' ' + QString::number(ChatPacket::readId(packet, Layout::requestIdAt(k)));
    }
    return line;
}

QString PacketDescriber::describeNameReply(QByteArrayView packet) const
{
    if (packet.size() < Layout::NameReplySize)
        return shortPacket(u"NameReply"_s, packet);
    QString line = u"NameReply"_s;
    bool any = false;
    for (int k = 1; k <= ChatPacket::NameRequestSlots; ++k) {
        const quint16 id = ChatPacket::readId(packet, Layout::requestIdAt(k));
        if (id == 0)
            continue;
        any = true;
        line += u" ["_s + QString::number(id) + u' '
            + printableText(readSlot(packet, Layout::replyNameAt(k), ChatPacket::ListNameWidth))
            + u']';
    }
    return any ? line : line + u" (none)"_s;
}

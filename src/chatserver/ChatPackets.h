#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

class PlayerTable;

// The game's binary chat protocol: an 8-byte header (opcode, the constant 7, 16-bit little-endian
// total length, four flag bytes) and a body. Builders return complete packets; readers take a
// complete framed packet and never read past its end, whatever its size.
namespace ChatPacket {

enum Opcode : quint8 {
    RoomFull = 210,
    InitiateConnectionLocked = 211,
    InitiateConnectionOpen = 212,
    JoinRequest = 213,
    RoomSetup = 214,
    JoinRefused = 215,
    Kick = 217,
    ChatLine = 221,
    NameRequest = 231,
    NameReply = 232,
    AddPlayer = 233,
    RemovePlayer = 234,
};

constexpr int HeaderSize = 8;
// The length field is 16 bits wide.
constexpr int MaxPacketSize = 65535;
// A host-composed ChatLine carries its length in one byte: 255 - 16 header and ID bytes - 1
// terminator.
constexpr int MaxChatText = 238;
// The longest ChatLine of the protocol, the host's own and the clients' alike.
constexpr int MaxChatLineSize = 255;
constexpr int RoomNameWidth = 60;
constexpr int AddPlayerNameWidth = 20;
constexpr int ListNameWidth = 24;
constexpr int NameRequestSlots = 18;
// RoomSetup's ID slots start at 16 and its name slots at 272: positions 0..63 fit between them.
constexpr int RoomSetupMaxListed = 63;
constexpr int RoomSetupNamedPositions = 9;

quint8 opcode(QByteArrayView packet);
// The declared total length, or nothing while fewer than 4 bytes are at hand.
std::optional<quint16> declaredLength(QByteArrayView bytes);

void writeId(QByteArray &packet, int offset, quint16 id);
quint16 readId(QByteArrayView packet, int offset);
// Writes text as Windows-1252 from offset on, cut to width so it never spills into the next field;
// a text that fills the slot has no terminating 0.
void writeSlot(QByteArray &packet, int offset, int width, QStringView text);
// The characters from start up to the first 0 byte or the end of the packet.
QString readZeroEnded(QByteArrayView packet, int start);

QByteArray roomFull();
QByteArray joinRefused();
QByteArray kick();
QByteArray initiateConnection(bool locked, QStringView roomName);
QByteArray roomSetup(const PlayerTable &table, quint16 joinerId);
QByteArray addPlayer(quint16 id, QStringView name);
QByteArray removePlayer(quint16 id);

// One host line with sender ID 0. The text must be at most MaxChatText characters; more is cut,
// so callers with longer texts use chatLines.
QByteArray chatLine(QStringView text, bool whisper = false, quint16 targetId = 0);
// Any text as consecutive lines of at most MaxChatText characters; an empty text is one empty
// line.
QList<QByteArray> chatLines(QStringView text, bool whisper = false, quint16 targetId = 0);

// The packets a game client sends, for the simulators, tests and fuzz targets. A JoinRequest's
// password is cut so the packet stays within what its 16-bit length can declare.
QByteArray joinRequest(QStringView name, QStringView password = {});
// A client's line: chatLine with the sender's own ID in bytes 8 and 9.
QByteArray clientChatLine(
    quint16 senderId, QStringView text, bool whisper = false, quint16 targetId = 0);
// The first NameRequestSlots IDs go into the request's slots; the rest are left out.
QByteArray nameRequest(const QList<quint16> &ids);

struct JoinRequestFields
{
    QString name;
    QString password;
};
JoinRequestFields readJoinRequest(QByteArrayView packet);

struct ChatLineFields
{
    quint16 senderId = 0;
    bool whisper = false;
    quint16 targetId = 0;
    QString text;
};
// Nothing for packets under 17 bytes, which cannot hold the fields and the terminator.
std::optional<ChatLineFields> readChatLine(QByteArrayView packet);

struct NameRequestFields
{
    // Request slot k (1..18) at index k - 1; 0 marks a slot the client left empty (low byte 0).
    std::array<quint16, NameRequestSlots> ids{};
};
// Nothing unless the packet is exactly 80 bytes.
std::optional<NameRequestFields> readNameRequest(QByteArrayView packet);
// The names of the requested IDs among the seated players; the operator's ID 0 never matches.
QByteArray nameReply(const NameRequestFields &request, const PlayerTable &table);

} // namespace ChatPacket

#pragma once

#include <QByteArray>
#include <QStringView>

// The host's three packets to the lobby server, and the message types the lobby server sends.
// Every host packet has its type in byte 0 and a length byte in byte 2; text is Windows-1252.
namespace LobbyPacket {

// Byte 0 of the host's packets.
enum PacketType : quint8 {
    LoginType = 0x10,
    AddChatType = 0x12,
    RemoveChatType = 0x14,
};

// Byte 0 of the lobby server's messages that the host acts on; any other value is not an error.
enum MessageType : int {
    LoginPrompt = 1,
    AddChatPrompt = 7,
    ChatAdded = 10,
};

inline constexpr int LoginSize = 32;
inline constexpr int AddChatSize = 34;
inline constexpr int RemoveChatSize = 6;

// The lobby server reads the name fields up to a zero byte, so at least two zero bytes always
// follow the text: longer texts are cut to these lengths (the limits of the input boxes).
inline constexpr int MaxOperatorNameLength = 20;
inline constexpr int MaxRoomNameLength = 18;

QByteArray login(QStringView operatorName);
QByteArray addChat(QStringView roomName, bool locked);
QByteArray removeChat();

} // namespace LobbyPacket

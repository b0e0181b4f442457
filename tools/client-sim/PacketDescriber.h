#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>

// Turns chat packets into one line of text each, such as "RoomSetup you=3 players=3 [0 Host]
// [1 Ann] ..." or "ChatLine from Ann: hello". It learns who is who from the packets that carry
// names (RoomSetup, AddPlayer, NameReply), so chat shows names instead of IDs.
//
// Packets too short for their kind are described as such and never read past their end. Names
// and texts come from the network, so control characters in them are shown as "?".
class PacketDescriber
{
public:
    // Remembers the names the packet carries; call it for every packet received.
    void learn(QByteArrayView packet);
    QString describe(QByteArrayView packet) const;

    void setName(quint16 id, const QString &name);
    // The name learned for an ID, or empty.
    QString nameOf(quint16 id) const { return m_names.value(id); }

private:
    QString who(quint16 id) const;
    QString describeRoomSetup(QByteArrayView packet) const;
    QString describeChatLine(QByteArrayView packet) const;
    QString describeNameRequest(QByteArrayView packet) const;
    QString describeNameReply(QByteArrayView packet) const;

    QHash<quint16, QString> m_names;
};

#pragma once

#include <QDateTime>
#include <QString>

// The room as the operator set it up, and the few flags the room's parts share.
struct HostState
{
    // Copied from the window's inputs when hosting starts; frozen until hosting stops.
    QString roomName;
    bool roomLocked = false;
    QString roomPassword; // read only while roomLocked is set

    // Set and cleared only by the operator's Mute; survives departures and closing the room.
    bool chatMuted = false;
    // When the lobby confirmed the current room; invalid while no room is open.
    QDateTime chatStartTime;
};

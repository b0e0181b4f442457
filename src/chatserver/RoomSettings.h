#pragma once

#include <QString>

// The room as the operator set it up when hosting started; frozen until hosting stops.
struct RoomSettings
{
    QString roomName;
    bool roomLocked = false;
    // Read only while roomLocked is set.
    QString roomPassword;
};

#pragma once

#include <QString>

// One row of the player list: the operator's own row first, then the seated players by table
// position. The row's text, as the list shows it, is the name.
struct PlayerRow
{
    quint16 id = 0;
    QString name;
    QString address; // empty for the operator's own row
    int socket = 0; // 0 for the operator's own row
};

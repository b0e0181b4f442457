#pragma once

#include <QString>

// One row of the IP monitor: a seated player and where they connect from.
struct IpMonitorRow
{
    QString playerName;
    QString address;
    quint16 id = 0;
    int socket = 0;
};

#pragma once

#include "host/HostOptions.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTemporaryDir>

// A loopback port nothing listens on: taken from the system, then given back.
inline quint16 closedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress(QHostAddress::LocalHost), 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

// The options of a host in dir, a fresh data folder given only the ladders, whose lobby server
// is at lobbyPort on loopback and whose room listens on any free port.
inline HostOptions scratchHostOptions(const QTemporaryDir &dir, quint16 lobbyPort)
{
    QFile ladders(dir.filePath(QStringLiteral("ladders.ini")));
    if (ladders.open(QIODevice::WriteOnly))
        ladders.write("Alpha|alp|3\r\n");
    HostOptions options;
    options.dataDir = dir.path();
    options.settingsFile = dir.filePath(QStringLiteral("settings.ini"));
    options.network.lobbyHost = QStringLiteral("127.0.0.1");
    options.network.lobbyPort = lobbyPort;
    options.network.chatPort = 0;
    return options;
}

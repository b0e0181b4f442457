#pragma once

#include "host/NetworkConfig.h"

#include <QString>
#include <QUrl>

// Where the host keeps its files and which servers it uses for this run. The program fills it
// from its command line; tests fill it by hand.
struct HostOptions
{
    QString settingsFile; // empty: the per-user settings (the registry on Windows)
    QString dataDir; // empty: the program's folder when writable, else the per-user one
    QUrl leagueUrl; // empty: the stored or default address
    QUrl tourneyUrl;
    QUrl rankUrl;
    NetworkOverrides network;
};

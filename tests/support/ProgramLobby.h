#pragma once

#include "LobbySimulator.h"
#include "support/GameClient.h"

#include <QObject>
#include <QStringList>

#include <memory>

class ProgramProcess;

// For a host program run as a child process: a lobby simulator on loopback that keeps what it
// logs, and a free port for the program's room.
class ProgramLobby : public QObject
{
public:
    // A fresh simulator and log, the room to be on chatPort; false when the simulator cannot
    // listen.
    bool open(quint16 chatPort);
    // The options that point the program at the simulator and the port.
    QStringList arguments() const;
    quint16 chatPort() const { return m_chatPort; }

    // Waits until the simulator has logged a line that contains text.
    bool waitForLog(const QString &text, int timeoutMs);

    // A player seated in the program's room, or nothing.
    std::unique_ptr<GameClient> join(int hostByte, const QString &name) const;
    // Tries to seat the player until the room takes it, the program ends or time runs out.
    std::unique_ptr<GameClient> joinOnceOpen(
        const ProgramProcess &program, int hostByte, const QString &name, int timeoutMs);

private:
    std::unique_ptr<LobbySimulator> m_simulator;
    QStringList m_log;
    quint16 m_chatPort = 0;
};

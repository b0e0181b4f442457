#pragma once

#include <QAbstractSocket>
#include <QString>
#include <QStringList>

// The ten socket state numbers that the status panel and the room logic speak in, and their
// captions. Qt's socket states are mapped onto them here and nowhere else.
namespace SocketState {

enum Number : int {
    Closed = 0,
    Open = 1,
    Listening = 2,
    ConnectionPending = 3,
    ResolvingHost = 4,
    HostResolved = 5,
    Connecting = 6,
    Connected = 7,
    PeerIsClosing = 8,
    Error = 9,
};

// "Closed" to "Error", indexed by state number.
const QStringList &names();
QString name(int number);

// errorPending: an error was reported since the last connect or close; it shows as "Error".
int fromQt(QAbstractSocket::SocketState state, bool errorPending = false);

} // namespace SocketState

#pragma once

#include <QAbstractSocket>
#include <QString>
#include <QStringList>

// The ten socket state numbers that the status panel and the room logic speak in, and their
// captions. Qt's socket states are mapped onto them here and nowhere else.
namespace SocketState {

// Numbered 0 to 9 in this order.
enum Number : int {
    Closed,
    Open,
    Listening,
    ConnectionPending,
    ResolvingHost,
    HostResolved,
    Connecting,
    Connected,
    PeerIsClosing,
    Error
};

// "Closed" to "Error", indexed by state number.
const QStringList &names();
QString name(int number);

// errorPending: an error was reported since the last connect or close; it shows as "Error".
int fromQt(QAbstractSocket::SocketState state, bool errorPending = false);

} // namespace SocketState

#include "net/SocketState.h"

using namespace Qt::StringLiterals;

namespace SocketState {

const QStringList &names()
{
    static const QStringList captions
        = {u"Closed"_s, u"Open"_s, u"Listening"_s, u"Connection Pending"_s, u"Resolving Host"_s,
            u"Host Resolved"_s, u"Connecting"_s, u"Connected"_s, u"Peer Is Closing"_s, u"Error"_s};
    return captions;
}

QString name(int number)
{
    return names().value(number, names().first());
}

int fromQt(QAbstractSocket::SocketState state, bool errorPending)
{
    if (errorPending)
        return Error;
    switch (state) {
    case QAbstractSocket::UnconnectedState:
        return Closed;
    case QAbstractSocket::HostLookupState:
        return ResolvingHost;
    case QAbstractSocket::ConnectingState:
        return Connecting;
    case QAbstractSocket::ConnectedState:
        return Connected;
    case QAbstractSocket::BoundState:
        return Open;
    case QAbstractSocket::ListeningState:
        return Listening;
    case QAbstractSocket::ClosingState:
        return PeerIsClosing;
    }
    return Closed;
}

} // namespace SocketState

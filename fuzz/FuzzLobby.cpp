// The lobby link's arrivals as the hosting logic receives them, mixed with the operator's Host
// and Close clicks, the lobby ending the link, the lobby's time-outs running out and players
// joining. Each arrival counts as one message named by its first byte (the rest is not read).
//
// Input: steps until the input ends. Each step is a control byte:
//   bits 0..2  0..3 = an arrival whose first byte is the next input byte; 4 = the Host/Close
//              button; 5 = the lobby closes the link; 6 = a client connects and asks for a seat
//              (client in bit 3); 7 = the time-outs run out (the start's wait for the lobby, the
//              delay before the link closes after a removal)
//
// After every step: the room listens exactly while it is open, nobody is seated or connected
// while it is not, and the room holds together as in the console target.

#include "FuzzSupport.h"
#include "lobby/LobbyPackets.h"
#include "net/SocketState.h"

#include <QCoreApplication>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv);
    return 0;
}

namespace {

void checkHosting(FuzzHost &host)
{
    HostParts &p = host.parts();
    const bool open = host.core().hosting() == HostCore::Hosting::Open;
    require(open == (p.clientSlots.state(0) == SocketState::Listening));
    if (!open)
        require(p.players.count() == 0 && p.clientSlots.connectedCount() == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzHost &host = sharedHost();
    // Time-outs of zero come due as soon as the event loop turns, which step 7 lets it do once.
    HostCore::Timing timing;
    timing.addChatTimeoutMs = 0;
    timing.closeDelayMs = 0;
    host.core().setTiming(timing);
    QByteArrayView input(data, qsizetype(size));
    while (!input.isEmpty()) {
        const quint8 control = quint8(input.at(0));
        input = input.sliced(1);
        switch (control & 7) {
        case 4:
            host.core().clickHostButton();
            break;
        case 5:
            Q_EMIT host.parts().lobby.closedByPeer();
            break;
        case 6:
            if (host.core().hosting() == HostCore::Hosting::Open)
                host.seat((control >> 3) & 1);
            break;
        case 7:
            QCoreApplication::processEvents();
            break;
        default:
            if (input.isEmpty())
                break;
            Q_EMIT host.parts().lobby.messageArrived(quint8(input.at(0)));
            input = input.sliced(1);
            break;
        }
        host.settle();
        host.check();
        checkHosting(host);
    }
    finishInput();
    return 0;
}

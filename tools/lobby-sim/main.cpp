#include "LobbySimulator.h"

#include "common/ListenOptions.h"
#include "host/NetworkConfig.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cmath>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption noConfirm(u"no-confirm"_s, u"Never confirm a room."_s);
    const QCommandLineOption closeAfter(u"close-after-confirm"_s,
        u"End the connection SECONDS after confirming a room."_s, u"SECONDS"_s);
    const ListenOptions listen(parser, u"vornic-lobby-sim"_s,
        u"Lobby server simulator for testing the host."_s, NetworkConfig::DefaultLobbyPort,
        {noConfirm, closeAfter});

    LobbySimBehaviour behaviour;
    behaviour.confirmRoom = !parser.isSet(noConfirm);
    if (parser.isSet(closeAfter)) {
        bool ok = false;
        const double seconds = parser.value(closeAfter).toDouble(&ok);
        if (!ok || !(seconds >= 0.0 && seconds <= 86400.0))
            return ListenOptions::fail(u"Not a number of seconds: "_s + parser.value(closeAfter));
        behaviour.closeAfterConfirmMs = static_cast<int>(std::lround(seconds * 1000.0));
    }

    LobbySimulator simulator(behaviour);
    return listen.run(simulator, [](const QHostAddress &address, quint16 port) -> QString {
        return u"listening on "_s + address.toString() + u':' + QString::number(port);
    });
}

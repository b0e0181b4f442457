#pragma once

#include "LobbySimulator.h"
#include "chat/ChatOptions.h"
#include "chat/Transcript.h"
#include "chatserver/ChatPackets.h"
#include "chatserver/ClientSlots.h"
#include "host/HostCore.h"
#include "host/HostIdentity.h"
#include "host/HostParts.h"
#include "support/GameClient.h"
#include "support/TestWait.h"
#include "support/TrafficCapture.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// Prepares a data folder by writing its settings file with these bytes.
inline std::function<void(const QString &)> withSettingsFile(const QByteArray &text)
{
    return [text](const QString &folder) {
        captureTraffic("settings", text);
        QFile file(QDir(folder).filePath(QStringLiteral("settings.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
}

// A host started from a temporary data folder and settings file, registered with a lobby
// simulator on loopback.
class HostFixture
{
public:
    // prepareFolder may put files into the data folder before the host is made.
    explicit HostFixture(LobbySimBehaviour behaviour = {}, bool writeLadders = true,
        const std::function<void(const QString &)> &prepareFolder = {})
        : lobby(behaviour)
    {
        lobby.listen(QHostAddress(QHostAddress::LocalHost), 0);
        if (prepareFolder)
            prepareFolder(dir.path());
        if (writeLadders) {
            QFile ladders(dir.filePath(QStringLiteral("ladders.ini")));
            ladders.open(QIODevice::WriteOnly);
            ladders.write("'comment\r\nAlpha|alp|3\r\n");
        }
        HostOptions options;
        options.dataDir = dir.path();
        options.settingsFile = dir.filePath(QStringLiteral("settings.ini"));
        options.network.lobbyHost = QStringLiteral("127.0.0.1");
        options.network.lobbyPort = lobby.serverPort();
        // Port 0: the room listens wherever the system has a free port, so parallel tests
        // cannot take it first; chatPort() tells where once the room is open.
        options.network.chatPort = 0;
        core = std::make_unique<HostCore>(options);
        HostCore::Timing timing;
        timing.addChatTimeoutMs = 400;
        timing.closeDelayMs = 200;
        core->setTiming(timing);
        QObject::connect(core.get(), &HostCore::messageBox, core.get(),
            [this](const QString &text, const QString &) { messages << text; });
    }

    bool startAndOpen(const QString &operatorName = QStringLiteral("Ann"),
        const QString &room = QStringLiteral("Golf"))
    {
        if (!core->start())
            return false;
        QObject::connect(&core->parts().transcript, &Transcript::lineAdded, core.get(),
            [this](const TranscriptLine &line) { lines << line.prefix + line.body; });
        core->parts().chatOptions.setOption(1, true); // "Display System Messages"
        core->parts().identity.setOperatorName(operatorName);
        core->parts().identity.setRoomName(room);
        core->clickHostButton();
        return waitUntil([this] { return core->hosting() == HostCore::Hosting::Open; }, 8000);
    }

    std::unique_ptr<GameClient> join(int hostByte, const QString &name)
    {
        return GameClient::seated(hostByte, chatPort(), name);
    }

    QTemporaryDir dir;
    LobbySimulator lobby;
    quint16 chatPort() const { return core->parts().clientSlots.listeningPort(); }
    std::unique_ptr<HostCore> core;
    QStringList messages;
    QStringList lines;
};

// These tests run beside heavy ones: give the lobby's confirmation more time than the host tests
// do, so a busy machine does not fail the start.
inline bool openPatiently(HostFixture &host)
{
    HostCore::Timing timing;
    timing.addChatTimeoutMs = 5000;
    timing.closeDelayMs = 200;
    host.core->setTiming(timing);
    return host.startAndOpen();
}

#pragma once

#include "host/CommandLine.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class BotReplies;
class BotSpeaker;
class ChatLog;
class ChatOptions;
class ChatRoom;
class ChatStyles;
class ClientSlots;
class HostConsole;
class HostIdentity;
class LeagueSite;
class LobbyLink;
class NetworkConfig;
class OutgoingQueue;
class PairingsService;
class PlayerChat;
class PlayerTable;
class RankLookup;
class SettingsStore;
class StatusPanel;
class TournamentSettings;
class Transcript;
struct HostState;

// The whole host without a window: owns every part of the room, the lobby link, the tournament
// services and the settings, and runs hosting control, start-up and shutdown. The window and the
// headless console are thin front ends over it.
class HostCore : public QObject
{
    Q_OBJECT

public:
    enum class Hosting { Idle, Starting, Open, Closing };

    explicit HostCore(const CommandLineOptions &options, QObject *parent = nullptr);
    ~HostCore() override;

    // Start-up: ladders, settings, styles, options, the first status refresh. False when the
    // ladders cannot be loaded ("Error Loading Ladders" has then been reported through
    // messageBox); the caller ends the program.
    bool start();

    // The Host/Close button.
    void clickHostButton();
    Hosting hosting() const { return m_hosting; }
    QString hostButtonCaption() const;  // "Host" or "Close"
    bool hostButtonEnabled() const;
    bool identityInputsEnabled() const; // the five room inputs, frozen while a room starts or is open

    // Exit: closes the room (the lobby hears of it), waits until the removal has left the socket,
    // at most one second, then emits finished().
    void shutdown();

    QString windowTitle() const { return m_title; }

    // Refresh Pairings.
    void refreshPairings();

    // The debug list's lines, oldest first.
    const QStringList &debugLines() const { return m_debugLines; }

    // The parts, for the front ends.
    SettingsStore &store();
    HostIdentity &identity();
    ChatStyles &styles();
    ChatOptions &options();
    ChatLog &chatLog();
    Transcript &transcript();
    HostState &state();
    PlayerTable &players();
    ClientSlots &clientSlots();
    OutgoingQueue &queue();
    ChatRoom &room();
    BotSpeaker &bot();
    BotReplies &replies();
    PlayerChat &playerChat();
    HostConsole &console();
    TournamentSettings &tournament();
    PairingsService &pairings();
    RankLookup &ranks();
    LeagueSite &league();
    LobbyLink &lobby();
    NetworkConfig &network();
    StatusPanel &status();

Q_SIGNALS:
    void hostingChanged();
    void windowTitleChanged(const QString &title);
    // A modal message for the operator: a message box in the window, standard error headless.
    void messageBox(const QString &text, const QString &title);
    void debugLineAdded(const QString &line);
    void finished();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
    Hosting m_hosting = Hosting::Idle;
    QString m_title;
    QStringList m_debugLines;
};

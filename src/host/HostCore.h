#pragma once

#include "chat/Announcement.h"
#include "chat/TranscriptLine.h"
#include "chatserver/BanRow.h"
#include "chatserver/IpMonitorRow.h"
#include "host/HostOptions.h"
#include "host/PlayerRow.h"
#include "host/SettingsEditor.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

class ChatOptions;
class ChatStyles;
class HostIdentity;
class SettingsStore;
class TournamentSettings;
struct HostParts;

// The whole host without a window: owns every part of the room, the lobby link, the tournament
// services and the settings, and runs hosting control, start-up and shutdown. It is the one face
// of the host for every front end (the window, the headless console, the browser panel): they
// call the operator's operations and show the read models, which signal their changes, and never
// reach into the parts.
class HostCore : public QObject
{
    Q_OBJECT

public:
    enum class Hosting { Idle, Starting, Open, Closing };

    // Timings, shortened by tests.
    struct Timing
    {
        int addChatTimeoutMs = 20000; // no confirmation from the lobby: the start failed
        int closeDelayMs = 1000; // the lobby link stays up this long after the removal
        int statusIntervalMs = 1000;
        int shutdownWaitMs = 1000; // at exit, the longest wait for the removal to leave
    };

    explicit HostCore(const HostOptions &options, QObject *parent = nullptr);
    ~HostCore() override;

    void setTiming(const Timing &timing) { m_timing = timing; }

    // The settings file these options name: the given one, or the per-user one.
    static QString settingsFileFor(const HostOptions &options);

    // Start-up: ladders, then every stored setting, then the first status refresh. False when the
    // ladders cannot be loaded: "Error Loading Ladders" has then gone out through messageBox and
    // the caller ends the program. The operations and read models below work once this has
    // returned true.
    bool start();

    // --- The operator's operations ---------------------------------------------------------

    // The Host/Close button. Hosting without a player name or a room name is refused: the
    // refusal goes out through messageBox and nothing changes.
    void clickHostButton();
    // Why the Host button would be refused now; empty when it would not.
    QString hostRefusal() const;

    // Closes the room: the lobby hears of it if its link is up, every client connection closes and
    // a second later the lobby link follows. Nothing happens while idle.
    void closeAllConnections();

    // Exit: closes the room, waits until the removal has left the socket (at most a second), then
    // emits finished(). The "Chat Closed At: " line does not come.
    void shutdown();

    // Send and Enter: a line of the chat input, either a "+" command answered to the operator
    // alone or chat said to the room. An empty line does nothing; false, and nothing said,
    // while no room is open.
    bool say(const QString &line);
    // A whisper to the seated player with that ID; false when there is none or no room is open.
    bool whisper(quint16 playerId, const QString &line);
    // The Mute item; nothing changes while no player is seated. Returns the new state.
    bool toggleMute();

    // Kick or kick-and-ban the seated player with that ID; false when there is none.
    bool kick(quint16 playerId);
    bool ban(quint16 playerId, const BanTerms &terms = {});

    // Bans an address or IPv4 range ("203.0.113.0/24") whether or not anyone is on it; false
    // (and nothing banned) when the text is neither.
    bool banAddress(const QString &addressOrRange, const BanTerms &terms = {});
    static bool isBanTarget(const QString &text);
    // "Remove Ban": the ban-list rows with these indices; unknown indices are ignored.
    void unbanRows(const QList<int> &rows);
    // Every ban of that address or range; false when there was none.
    bool unban(const QString &addressOrRange);
    // "Remove All".
    void unbanAll();

    // The Announce items, said to every player.
    void announce(Announcement what);
    // "Refresh Pairings".
    void refreshPairings();
    // "Clear": empties the transcript views; the chat log keeps its lines.
    void clearTranscript();

    // The Pages menu: the address of page index, or nothing when no jump number is set (the
    // operator has then been told through messageBox).
    std::optional<QUrl> tournamentPageUrl(int index);

    // --- Read models; each changes only with its signal ------------------------------------

    // hostingChanged
    Hosting hosting() const { return m_hosting; }
    QString hostButtonCaption() const;
    bool hostButtonEnabled() const;
    // The server choice, names, lock and password are frozen while a room starts or is open.
    bool identityInputsEnabled() const;
    // Send and Whisper work only while a room is open.
    bool canSend() const { return m_hosting == Hosting::Open; }
    // The one-line summary of the room: "Room open on Glenmora Net · 3 players · 00:12",
    // "No room open"; changes with hostingChanged, playersChanged and statusChanged.
    QString roomSummary() const;
    // The lobby link's socket state caption now: "Closed", "Connected", ...
    QString lobbyLinkState() const;
    // windowTitleChanged
    QString windowTitle() const { return m_title; }
    // mutedChanged
    bool isMuted() const;

    // playersChanged: nobody until a room is open, then the operator's own row first.
    QList<PlayerRow> playerRows() const;
    // ipMonitorChanged
    const QList<IpMonitorRow> &ipMonitorRows() const;
    // bansChanged: in the order the bans were made.
    const QList<BanRow> &banRows() const;
    // statusChanged: the status panel's captions, left to right.
    QStringList statusCaptions() const;
    // debugLineAdded: the newest DebugLinesKept lines, oldest first.
    static constexpr qsizetype DebugLinesKept = 1000;
    const QStringList &debugLines() const { return m_debugLines; }
    // The transcript is shown as it grows: transcriptLineAdded and transcriptCleared.

    // The settings side: stored values set as their controls set them, the styles the pickers
    // choose. The tournament's values can be set once start() has run.
    SettingsEditor &settings();

    QString dataFolder() const { return m_dataFolder; }

    // The settings models, read by the settings binders and the panel; changes go through the
    // operations above.
    const SettingsStore &store() const;
    const HostIdentity &identity() const;
    const ChatStyles &styles() const;
    const ChatOptions &options() const;
    const TournamentSettings &tournament() const;

    // Every part, for tests that look inside a running host. Front ends must not use it: a test
    // of the tree fails when one calls it or includes host/HostParts.h.
    HostParts &parts() { return *m_parts; }

Q_SIGNALS:
    void hostingChanged();
    void windowTitleChanged(const QString &title);
    void mutedChanged(bool muted);
    void playersChanged();
    void ipMonitorChanged();
    void bansChanged();
    void statusChanged();
    // Only for lines that are shown, styled as they were when added.
    void transcriptLineAdded(const TranscriptLine &line);
    void transcriptCleared();
    // A modal message for the operator: a message box in the window, standard error headless.
    void messageBox(const QString &text, const QString &title);
    void debugLineAdded(const QString &line);
    // The room could not listen on its port; the room has been closed again.
    void listenFailed(const QString &message);
    void finished();

private:
    void connectParts();
    void systemLine(const QString &text);
    void setHosting(Hosting hosting);
    void setTitle(const QString &title);
    void startHosting();
    void onLobbyMessage(int type);
    void openRoom();
    void onAddChatTimeout();
    // The start ends without a room: the transcript's line, then the operator hears why.
    void abandonStart(const QString &reason);
    void onBanned(const BanRow &row);

    void onCloseDelayOver();
    void updateStatusPanel();
    void addDebugLine(const QString &line);
    void finishShutdown();

    HostOptions m_options;
    Timing m_timing;
    QString m_dataFolder;
    std::unique_ptr<HostParts> m_parts;
    Hosting m_hosting = Hosting::Idle;
    bool m_lobbyReached = false; // the lobby link of this start has been connected
    QString m_title;
    QStringList m_debugLines;
    QTimer m_addChatTimer; // Timer2
    QTimer m_closeTimer; // Timer4
    QTimer m_statusTimer; // Timer3
    QTimer m_shutdownPoll;
    int m_shutdownWaitedMs = 0;
};

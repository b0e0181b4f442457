#pragma once

#include "app/CommandLine.h"
#include "host/SettingsEditor.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

class BotReplies;
class BotSpeaker;
class ChatLog;
class ChatOptions;
class ChatRoom;
class ChatStyles;
class ClientSlots;
class HostConsole;
class HostIdentity;
class LobbyLink;
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
struct NetworkConfig;

// The whole host without a window: owns every part of the room, the lobby link, the tournament
// services and the settings, and runs hosting control, start-up and shutdown. The window and the
// headless console are thin front ends over it.
class HostCore : public QObject, public SettingsEditor
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
    // the caller ends the program. The parts below exist once this has returned true.
    bool start();

    // The Host/Close button.
    void clickHostButton();
    Hosting hosting() const { return m_hosting; }
    QString hostButtonCaption() const;
    bool hostButtonEnabled() const;
    // The server choice, names, lock and password are frozen while a room starts or is open.
    bool identityInputsEnabled() const;

    // Closes the room: the lobby hears of it if its link is up, every client connection closes and
    // a second later the lobby link follows. Nothing happens while idle.
    void closeAllConnections();

    // Exit: closes the room, waits until the removal has left the socket (at most a second), then
    // emits finished(). The "Chat Closed At: " line does not come.
    void shutdown();

    QString windowTitle() const { return m_title; }

    // "Refresh Pairings".
    void refreshPairings();
    // The Pages menu: the address of page index, or nothing when no jump number is set (the
    // operator has then been told through messageBox).
    std::optional<QUrl> tournamentPageUrl(int index);

    QString dataFolder() const { return m_dataFolder; }
    // The newest DebugLinesKept lines, oldest first.
    static constexpr qsizetype DebugLinesKept = 1000;
    const QStringList &debugLines() const { return m_debugLines; }

    // The settings side: stored values set as their controls set them, the styles the pickers
    // choose (see SettingsEditor). The tournament's values can be set once start() has run.
    bool setStoredValue(
        const QString &valueName, const QString &text, QString *reason = nullptr) override;
    bool setStoredValue(const StoredValue &value, int index, const QString &text,
        QString *reason = nullptr) override;
    bool chooseForEveryRound(const StoredValue &column, const QString &text) override;
    QString storedValue(const QString &valueName) const override;
    void chooseColour(int slot, quint32 colour) override;
    void chooseFont(int slot, const ChatFont &font) override;

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
    LobbyLink &lobby();
    const NetworkConfig &network() const;
    StatusPanel &status();

Q_SIGNALS:
    void hostingChanged();
    void windowTitleChanged(const QString &title);
    // A modal message for the operator: a message box in the window, standard error headless.
    void messageBox(const QString &text, const QString &title);
    void debugLineAdded(const QString &line);
    // The room could not listen on its port; the room has been closed again.
    void listenFailed(const QString &message);
    void finished();

private:
    struct Parts;

    void connectParts();
    void systemLine(const QString &text);
    void setHosting(Hosting hosting);
    void setTitle(const QString &title);
    void startHosting();
    void onLobbyMessage(int type);
    void openRoom();
    void onAddChatTimeout();
    void onCloseDelayOver();
    void updateStatusPanel();
    void addDebugLine(const QString &line);
    void finishShutdown();

    HostOptions m_options;
    Timing m_timing;
    QString m_dataFolder;
    std::unique_ptr<Parts> m_parts;
    Hosting m_hosting = Hosting::Idle;
    QString m_title;
    QStringList m_debugLines;
    QTimer m_addChatTimer; // Timer2
    QTimer m_closeTimer; // Timer4
    QTimer m_statusTimer; // Timer3
    QTimer m_shutdownPoll;
    int m_shutdownWaitedMs = 0;
};

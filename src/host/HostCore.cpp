#include "host/HostCore.h"

#include "appearance/ChatStyles.h"
#include "chat/BotReplies.h"
#include "chat/BotSpeaker.h"
#include "chat/ChatLog.h"
#include "chat/ChatOptions.h"
#include "chat/HostConsole.h"
#include "chat/LogTimeFormats.h"
#include "chat/PlayerChat.h"
#include "chat/PrintableText.h"
#include "chat/Transcript.h"
#include "chatserver/BanStore.h"
#include "chatserver/ChatRoom.h"
#include "chatserver/ClientSlots.h"
#include "chatserver/HostState.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PlayerTable.h"
#include "host/HostIdentity.h"
#include "host/NetworkConfig.h"
#include "host/StatusPanel.h"
#include "host/StoredValueEditor.h"
#include "lobby/LobbyLink.h"
#include "lobby/LobbyPackets.h"
#include "settings/DataFolder.h"
#include "settings/SettingsStore.h"
#include "tournament/Ladders.h"
#include "tournament/LeagueSite.h"
#include "tournament/PairingsService.h"
#include "tournament/RankLookup.h"
#include "tournament/TournamentSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

const QString SystemPrefix = u"System: "_s;
const QString ViraruRorServer = u"ViraruRor"_s;
const QString ViraruRorHost = u"192.168.0.1"_s;

QString defaultSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + u"/settings.ini"_s;
}

QString timeOfDay()
{
    const QLocale locale = QLocale::system();
    return locale.toString(QTime::currentTime(), LogTimeFormats::timeFormat(locale));
}

// ladders.ini is looked for in the data folder first, then where the build or the installation
// put the one it ships.
QString laddersFile(const QString &dataFolder, bool folderChosen)
{
    return DataFolder::laddersFile(dataFolder, folderChosen, DataFolder::thisProgram());
}

LeagueSite::Hosts leagueOverrides(const HostOptions &options)
{
    return {
        options.leagueUrl.toString(), options.tourneyUrl.toString(), options.rankUrl.toString()};
}

} // namespace

// The parts that exist from construction, and those that need the ladders (built by start()).
struct HostCore::Parts
{
    explicit Parts(const HostOptions &options, const QString &dataFolder)
        : store(HostCore::settingsFileFor(options))
        , network(NetworkConfig::load(store, options.network))
        , identity(store)
        , styles(store)
        , chatOptions(store)
        , chatLog(dataFolder)
        , transcript(chatOptions, styles, chatLog)
        , queue(players, clientSlots)
        , bot(transcript, queue, chatOptions, players)
        , room(state, players, clientSlots, queue, bot, chatLog, chatOptions)
        , banStore(store, room.banList())
        , editor(store, identity, chatOptions, styles)
    {
    }

    SettingsStore store;
    NetworkConfig network;
    HostIdentity identity;
    ChatStyles styles;
    ChatOptions chatOptions;
    ChatLog chatLog;
    Transcript transcript;
    HostState state;
    PlayerTable players;
    ClientSlots clientSlots;
    OutgoingQueue queue;
    BotSpeaker bot;
    ChatRoom room;
    BanStore banStore;
    StoredValueEditor editor;
    LobbyLink lobby;
    StatusPanel status;
    QNetworkAccessManager web;

    std::unique_ptr<TournamentSettings> tournament;
    std::unique_ptr<PairingsService> pairings;
    std::unique_ptr<RankLookup> ranks;
    std::unique_ptr<BotReplies> replies;
    std::unique_ptr<PlayerChat> playerChat;
    std::unique_ptr<HostConsole> console;
};

HostCore::HostCore(const HostOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_dataFolder(DataFolder::locate(options.dataDir))
    , m_parts(std::make_unique<Parts>(options, m_dataFolder))
    , m_title(u"Vornic Host - Disconnected"_s)
{
    m_addChatTimer.setSingleShot(true);
    m_closeTimer.setSingleShot(true);
    connect(&m_addChatTimer, &QTimer::timeout, this, &HostCore::onAddChatTimeout);
    connect(&m_closeTimer, &QTimer::timeout, this, &HostCore::onCloseDelayOver);
    connect(&m_statusTimer, &QTimer::timeout, this, &HostCore::updateStatusPanel);
    connect(&m_shutdownPoll, &QTimer::timeout, this, &HostCore::finishShutdown);
}

HostCore::~HostCore() = default;

bool HostCore::start()
{
    Parts &p = *m_parts;
    const std::optional<QList<LadderEntry>> ladders
        = loadLadders(laddersFile(m_dataFolder, !m_options.dataDir.isEmpty()));
    if (!ladders) {
        Q_EMIT messageBox(u"Error Loading Ladders"_s, u"Vornic Host"_s);
        return false;
    }

    const LeagueSite site = LeagueSite::fromSettings(p.store, leagueOverrides(m_options));
    p.tournament = std::make_unique<TournamentSettings>(p.store, *ladders);
    p.pairings = std::make_unique<PairingsService>(*p.tournament, site, &p.web);
    p.ranks = std::make_unique<RankLookup>(*p.tournament, site, &p.web);
    p.replies = std::make_unique<BotReplies>(
        p.bot, *p.tournament, *p.pairings, p.players, p.clientSlots, p.transcript);
    p.playerChat = std::make_unique<PlayerChat>(
        p.state, p.players, p.queue, p.transcript, p.bot, *p.replies, *p.ranks);
    p.console = std::make_unique<HostConsole>(
        p.state, p.players, p.queue, p.transcript, *p.replies, *p.ranks);
    p.editor.setTournament(p.tournament.get());
    connectParts();

    p.identity.restore();
    p.tournament->restore();
    p.chatOptions.restore();
    p.styles.restore();
    p.room.setWelcomeMessage(p.identity.welcomeMessage());
    const QString banProblem = p.banStore.restore();
    updateStatusPanel();

    if (!p.store.loadProblem().isEmpty())
        Q_EMIT messageBox(p.store.loadProblem(), u"Settings"_s);
    if (!banProblem.isEmpty())
        Q_EMIT messageBox(banProblem, u"Bans"_s);
    m_statusTimer.start(m_timing.statusIntervalMs);
    p.pairings->startRefreshing();
    return true;
}

void HostCore::connectParts()
{
    Parts &p = *m_parts;
    connect(&p.lobby, &LobbyLink::messageArrived, this, &HostCore::onLobbyMessage);
    connect(&p.lobby, &LobbyLink::closedByPeer, this,
        [this] { setTitle(u"Vornic Host - Disconnected"_s); });
    connect(
        &p.room, &ChatRoom::chatLineReceived, this, [this](const QByteArray &packet, int socket) {
            m_parts->playerChat->handlePlayerChat(packet, socket);
        });
    connect(&p.room, &ChatRoom::debugLine, this, &HostCore::addDebugLine);
    connect(&p.identity, &HostIdentity::changed, this,
        [this] { m_parts->room.setWelcomeMessage(m_parts->identity.welcomeMessage()); });
    connect(p.ranks.get(), &RankLookup::reply, this,
        [this](bool replyToHost, int socket, const QString &text) {
            m_parts->bot.botSay(replyToHost, socket, text);
        });
    connect(p.pairings.get(), &PairingsService::systemMessage, this, &HostCore::systemLine);
    connect(
        p.pairings.get(), &PairingsService::newPairings, this, [this](const QList<int> &rounds) {
            if (m_parts->chatOptions.announcesNewPairings())
                m_parts->replies->announceNewPairings(rounds);
        });
    connect(&p.room.banList(), &BanList::expired, this, [this](const BanList::Row &row) {
        const QString name
            = row.playerName.isEmpty() ? QString() : printableText(row.playerName) + u' ';
        systemLine(u"Ban Expired: "_s + name + u'(' + row.address + u')');
    });
    connect(&p.chatLog, &ChatLog::writeFailed, this, &HostCore::systemLine);
    connect(&p.store, &SettingsStore::problem, this,
        [this](const QString &message) { Q_EMIT messageBox(message, u"Settings"_s); });
}

void HostCore::systemLine(const QString &text)
{
    m_parts->transcript.addChatLine(SystemPrefix, text, LineKind::System);
}

void HostCore::setHosting(Hosting hosting)
{
    if (m_hosting == hosting)
        return;
    m_hosting = hosting;
    Q_EMIT hostingChanged();
}

void HostCore::setTitle(const QString &title)
{
    if (m_title == title)
        return;
    m_title = title;
    Q_EMIT windowTitleChanged(title);
}

QString HostCore::hostButtonCaption() const
{
    return m_hosting == Hosting::Open || m_hosting == Hosting::Closing ? u"Close"_s : u"Host"_s;
}

bool HostCore::hostButtonEnabled() const
{
    return m_hosting == Hosting::Idle || m_hosting == Hosting::Open;
}

bool HostCore::identityInputsEnabled() const
{
    return m_hosting == Hosting::Idle || m_hosting == Hosting::Closing;
}

void HostCore::clickHostButton()
{
    if (m_hosting == Hosting::Idle)
        startHosting();
    else if (m_hosting == Hosting::Open)
        closeAllConnections();
}

void HostCore::startHosting()
{
    Parts &p = *m_parts;
    p.players.setHostName(p.identity.operatorName());
    p.state.roomName = p.identity.roomName();
    p.state.roomLocked = p.identity.locked();
    // An open room keeps the previous password; it is only read while the room is locked.
    if (p.state.roomLocked)
        p.state.roomPassword = p.identity.password();
    setHosting(Hosting::Starting);
    m_addChatTimer.start(m_timing.addChatTimeoutMs);

    QString lobbyHost = p.lobby.remoteHost();
    if (p.identity.server() == HostIdentity::serverChoices().value(0))
        lobbyHost = p.network.lobbyHost;
    else if (p.identity.server() == ViraruRorServer)
        lobbyHost = ViraruRorHost;
    p.transcript.clear();
    systemLine(u"Connecting to "_s + lobbyHost);
    p.lobby.connectToLobby(lobbyHost, p.network.lobbyPort);
    updateStatusPanel();
}

void HostCore::onLobbyMessage(int type)
{
    Parts &p = *m_parts;
    switch (type) {
    case LobbyPacket::LoginPrompt:
        systemLine(u"Logging in to "_s + p.lobby.remoteHost());
        p.lobby.send(LobbyPacket::login(p.players.hostName()));
        break;
    case LobbyPacket::AddChatPrompt:
        systemLine(u"Adding Chat to "_s + p.lobby.remoteHost());
        p.lobby.send(LobbyPacket::addChat(p.state.roomName, p.state.roomLocked));
        break;
    case LobbyPacket::ChatAdded:
        // A repeated confirmation of a room that is already open changes nothing.
        if (m_hosting == Hosting::Starting)
            openRoom();
        break;
    default:
        setTitle(u"Vornic Host - Connected"_s);
        break;
    }
}

void HostCore::openRoom()
{
    Parts &p = *m_parts;
    systemLine(u"Chat Initiated at "_s + timeOfDay());
    p.state.chatStartTime = QDateTime::currentDateTime();
    m_addChatTimer.stop();
    setHosting(Hosting::Open);
    if (!p.room.startListening(p.network.chatPort)) {
        const QString message
            = u"Cannot listen for players on port %1: %2"_s.arg(p.network.chatPort)
                  .arg(p.clientSlots.listenErrorString());
        systemLine(message);
        closeAllConnections();
        Q_EMIT listenFailed(message);
        Q_EMIT messageBox(message, u"Vornic Host"_s);
    }
}

void HostCore::closeAllConnections()
{
    if (m_hosting == Hosting::Idle || m_hosting == Hosting::Closing)
        return;
    Parts &p = *m_parts;
    m_addChatTimer.stop();
    // The removal can only travel on a link that is up; the room closes either way.
    if (p.lobby.isConnected())
        p.lobby.send(LobbyPacket::removeChat());
    m_closeTimer.start(m_timing.closeDelayMs);
    p.room.closeAll();
    systemLine(u"Closing Connections"_s);
    setHosting(Hosting::Closing);
}

void HostCore::onAddChatTimeout()
{
    m_parts->lobby.close();
    systemLine(u"Add Chat Failed.....Please Try Again"_s);
    setHosting(Hosting::Idle);
}

void HostCore::onCloseDelayOver()
{
    m_parts->lobby.close();
    systemLine(u"Chat Closed At: "_s + timeOfDay());
    m_parts->state.chatStartTime = QDateTime();
    setHosting(Hosting::Idle);
}

void HostCore::shutdown()
{
    closeAllConnections();
    m_closeTimer.stop();
    m_shutdownWaitedMs = 0;
    m_shutdownPoll.start(10);
    finishShutdown();
}

void HostCore::finishShutdown()
{
    LobbyLink &lobby = m_parts->lobby;
    const bool removalLeft = !lobby.isConnected() || lobby.bytesToWrite() == 0;
    if (!removalLeft && m_shutdownWaitedMs < m_timing.shutdownWaitMs) {
        m_shutdownWaitedMs += 10;
        return;
    }
    m_shutdownPoll.stop();
    lobby.close();
    m_parts->clientSlots.closeAll();
    Q_EMIT finished();
}

void HostCore::updateStatusPanel()
{
    Parts &p = *m_parts;
    StatusPanel::Readings readings;
    readings.lobbyState = p.lobby.stateNumber();
    readings.listenerState = p.clientSlots.state(0);
    readings.connectedClients = p.clientSlots.connectedCount();
    readings.totalJoins = p.players.totalJoins();
    readings.chatStartTime = p.state.chatStartTime;
    readings.now = QDateTime::currentDateTime();
    p.status.update(readings);
}

void HostCore::addDebugLine(const QString &line)
{
    // A client that connects and leaves in a loop adds a line each time; only the newest stay.
    if (m_debugLines.size() >= DebugLinesKept)
        m_debugLines.remove(0, m_debugLines.size() - DebugLinesKept + 1);
    m_debugLines << line;
    Q_EMIT debugLineAdded(line);
}

void HostCore::refreshPairings()
{
    m_parts->pairings->requestPairings();
}

std::optional<QUrl> HostCore::tournamentPageUrl(int index)
{
    const TournamentSettings &tournament = *m_parts->tournament;
    if (tournament.jumpNumber().isEmpty()) {
        Q_EMIT messageBox(u"No Jump Number Entered In Tourney Settings"_s, u"Vornic Host"_s);
        return std::nullopt;
    }
    const LeagueSite site = LeagueSite::fromSettings(m_parts->store, leagueOverrides(m_options));
    return site.pageUrl(
        index, tournament.jumpNumber(), tournament.ladderPath(), tournament.ladderServer());
}

QString HostCore::settingsFileFor(const HostOptions &options)
{
    return options.settingsFile.isEmpty() ? defaultSettingsFile() : options.settingsFile;
}

bool HostCore::setStoredValue(const QString &valueName, const QString &text, QString *reason)
{
    return m_parts->editor.setStoredValue(valueName, text, reason);
}

bool HostCore::setStoredValue(
    const StoredValue &value, int index, const QString &text, QString *reason)
{
    return m_parts->editor.setStoredValue(value, index, text, reason);
}

bool HostCore::chooseForEveryRound(const StoredValue &column, const QString &text)
{
    return m_parts->editor.chooseForEveryRound(column, text);
}

QString HostCore::storedValue(const QString &valueName) const
{
    return m_parts->editor.storedValue(valueName);
}

void HostCore::chooseColour(int slot, quint32 colour)
{
    m_parts->editor.chooseColour(slot, colour);
}

void HostCore::chooseFont(int slot, const ChatFont &font)
{
    m_parts->editor.chooseFont(slot, font);
}

SettingsStore &HostCore::store()
{
    return m_parts->store;
}
HostIdentity &HostCore::identity()
{
    return m_parts->identity;
}
ChatStyles &HostCore::styles()
{
    return m_parts->styles;
}
ChatOptions &HostCore::options()
{
    return m_parts->chatOptions;
}
ChatLog &HostCore::chatLog()
{
    return m_parts->chatLog;
}
Transcript &HostCore::transcript()
{
    return m_parts->transcript;
}
HostState &HostCore::state()
{
    return m_parts->state;
}
PlayerTable &HostCore::players()
{
    return m_parts->players;
}
ClientSlots &HostCore::clientSlots()
{
    return m_parts->clientSlots;
}
OutgoingQueue &HostCore::queue()
{
    return m_parts->queue;
}
ChatRoom &HostCore::room()
{
    return m_parts->room;
}
BotSpeaker &HostCore::bot()
{
    return m_parts->bot;
}
BotReplies &HostCore::replies()
{
    return *m_parts->replies;
}
PlayerChat &HostCore::playerChat()
{
    return *m_parts->playerChat;
}
HostConsole &HostCore::console()
{
    return *m_parts->console;
}
TournamentSettings &HostCore::tournament()
{
    return *m_parts->tournament;
}
PairingsService &HostCore::pairings()
{
    return *m_parts->pairings;
}
RankLookup &HostCore::ranks()
{
    return *m_parts->ranks;
}
LobbyLink &HostCore::lobby()
{
    return m_parts->lobby;
}
const NetworkConfig &HostCore::network() const
{
    return m_parts->network;
}
StatusPanel &HostCore::status()
{
    return m_parts->status;
}

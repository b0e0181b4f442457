#include "host/HostCore.h"

#include "chat/PrintableText.h"
#include "host/HostParts.h"
#include "lobby/LobbyPackets.h"
#include "net/SocketState.h"
#include "settings/DataFolder.h"
#include "text/LogTimeFormats.h"
#include "tournament/Ladders.h"
#include "tournament/LeagueSite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

const QString SystemPrefix = u"System: "_s;
const QString ViraruRorServer = u"ViraruRor"_s;
const QString ViraruRorHost = u"192.168.0.1"_s;
const QString MissingNames = u"Please Enter a Player Name and a Room Name"_s;
const QString ProgramTitle = u"Vornic Host"_s;

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

HostCore::HostCore(const HostOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_dataFolder(DataFolder::locate(options.dataDir))
    , m_parts(std::make_unique<HostParts>(settingsFileFor(options), options.network, m_dataFolder))
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
    HostParts &p = *m_parts;
    const std::optional<QList<LadderEntry>> ladders
        = loadLadders(laddersFile(m_dataFolder, !m_options.dataDir.isEmpty()));
    if (!ladders) {
        Q_EMIT messageBox(u"Error Loading Ladders"_s, ProgramTitle);
        return false;
    }

    const LeagueSite site = LeagueSite::fromSettings(p.store, leagueOverrides(m_options));
    const RoomServices::Room room{p.state, p.players, p.clientSlots, p.queue, p.transcript, p.bot};
    p.services = std::make_unique<RoomServices>(room, p.store, *ladders, site, &p.web);
    p.editor.setTournament(&p.services->tournament);
    connectParts();

    p.identity.restore();
    p.services->tournament.restore();
    p.chatOptions.restore();
    p.styles.restore();
    p.voice.setWelcomeMessage(p.identity.welcomeMessage());
    const QString banProblem = p.banStore.restore();
    updateStatusPanel();

    if (p.store.tookOverEarlierInstallation())
        systemLine(u"Settings Taken Over From An Earlier Installation"_s);
    if (!p.store.loadProblem().isEmpty())
        Q_EMIT messageBox(p.store.loadProblem(), u"Settings"_s);
    if (!banProblem.isEmpty())
        Q_EMIT messageBox(banProblem, u"Bans"_s);
    m_statusTimer.start(m_timing.statusIntervalMs);
    p.services->pairings.startRefreshing();
    return true;
}

void HostCore::connectParts()
{
    HostParts &p = *m_parts;
    connect(&p.lobby, &LobbyLink::messageArrived, this, &HostCore::onLobbyMessage);
    // The title follows the link itself: connected or not.
    connect(&p.lobby, &LobbyLink::stateChanged, this, [this] {
        const bool connected = m_parts->lobby.isConnected();
        m_lobbyReached |= connected;
        setTitle(connected ? u"Vornic Host - Connected"_s : u"Vornic Host - Disconnected"_s);
    });
    // A start whose link fails cannot succeed any more: it ends now rather than at the timeout.
    connect(&p.lobby, &LobbyLink::failed, this, [this](const QString &reason) {
        if (m_hosting == Hosting::Starting)
            abandonStart(reason);
    });
    connect(&p.lobby, &LobbyLink::closedByPeer, this, [this] {
        if (m_hosting == Hosting::Starting)
            abandonStart(u"the server closed the connection"_s);
    });
    connect(&p.room, &ChatRoom::playerSeated, this, [this](const QString &name, quint16 id) {
        if (m_parts->chatOptions.showsJoinsAndLeaves())
            systemLine(
                printableText(name) + u" Joined the Room (ID "_s + QString::number(id) + u')');
    });
    connect(&p.room, &ChatRoom::playerLeft, this, [this](const QString &name) {
        if (m_parts->chatOptions.showsJoinsAndLeaves())
            systemLine(printableText(name) + u" Left the Room"_s);
    });
    connect(&p.room, &ChatRoom::playerKicked, this,
        [this](const QString &name) { systemLine(printableText(name) + u" Was Kicked"_s); });
    connect(&p.room.banList(), &BanList::banned, this, &HostCore::onBanned);
    connect(&p.room.banList(), &BanList::unbanned, this,
        [this](const QString &address) { systemLine(u"Ban Removed: "_s + address); });
    connect(&p.room.banList(), &BanList::clearedAll, this,
        [this] { systemLine(u"All Bans Removed"_s); });
    connect(&p.room, &ChatRoom::chatLineReceived, this,
        [this](const QByteArray &packet, const ChatPacket::ChatLineFields &line, int socket) {
            m_parts->services->playerChat.handlePlayerChat(packet, line, socket);
        });
    connect(&p.room, &ChatRoom::debugLine, this, &HostCore::addDebugLine);
    connect(&p.room, &ChatRoom::systemMessage, this, &HostCore::systemLine);
    connect(&p.identity, &HostIdentity::changed, this,
        [this] { m_parts->voice.setWelcomeMessage(m_parts->identity.welcomeMessage()); });
    connect(&p.services->pairings, &PairingsService::systemMessage, this, &HostCore::systemLine);
    connect(&p.services->pairings, &PairingsService::newPairings, this,
        [this](const QList<int> &rounds) {
            if (m_parts->chatOptions.announcesNewPairings())
                m_parts->services->replies.announceNewPairings(rounds);
        });
    connect(&p.room.banList(), &BanList::expired, this, [this](const BanList::Row &row) {
        const QString name
            = row.playerName.isEmpty() ? QString() : printableText(row.playerName) + u' ';
        systemLine(u"Ban Expired: "_s + name + u'(' + row.address + u')');
    });
    connect(&p.chatOptions, &ChatOptions::changed, this, [this] {
        m_parts->queue.setPacing(m_parts->chatOptions.deliversFast()
                ? OutgoingQueue::Pacing::PerConnection
                : OutgoingQueue::Pacing::Shared);
    });
    connect(&p.chatLog, &ChatLog::writeFailed, this, &HostCore::systemLine);
    connect(&p.store, &SettingsStore::problem, this,
        [this](const QString &message) { Q_EMIT messageBox(message, u"Settings"_s); });

    // The read models' change signals.
    connect(&p.room, &ChatRoom::playerListChanged, this, &HostCore::playersChanged);
    connect(&p.room.ipMonitor(), &IpMonitor::changed, this, &HostCore::ipMonitorChanged);
    connect(&p.room.banList(), &BanList::changed, this, &HostCore::bansChanged);
    connect(&p.status, &StatusPanel::changed, this, &HostCore::statusChanged);
    connect(&p.transcript, &Transcript::lineAdded, this, &HostCore::transcriptLineAdded);
    connect(&p.transcript, &Transcript::cleared, this, &HostCore::transcriptCleared);
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
    // The player list shows nobody unless a room is open.
    Q_EMIT playersChanged();
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

QString HostCore::hostRefusal() const
{
    if (m_hosting != Hosting::Idle)
        return QString();
    const HostIdentity &identity = m_parts->identity;
    // A blank name would register a room nobody can find or join.
    if (identity.operatorName().trimmed().isEmpty() || identity.roomName().trimmed().isEmpty())
        return MissingNames;
    return QString();
}

void HostCore::clickHostButton()
{
    if (const QString refusal = hostRefusal(); !refusal.isEmpty()) {
        Q_EMIT messageBox(refusal, ProgramTitle);
        return;
    }
    if (m_hosting == Hosting::Idle)
        startHosting();
    else if (m_hosting == Hosting::Open)
        closeAllConnections();
}

QString HostCore::roomSummary() const
{
    if (m_hosting == Hosting::Starting)
        return u"Opening a room on "_s + m_parts->identity.server();
    if (m_hosting != Hosting::Open)
        return u"No room open"_s;
    const int players = m_parts->players.count();
    const qint64 minutes = m_parts->state.chatStartTime.isValid()
        ? m_parts->state.chatStartTime.secsTo(QDateTime::currentDateTime()) / 60
        : 0;
    const QString uptime
        = u"%1:%2"_s.arg(minutes / 60, 2, 10, QChar(u'0')).arg(minutes % 60, 2, 10, QChar(u'0'));
    return u"Room open on "_s + m_parts->identity.server() + u" \u00b7 "_s
        + QString::number(players) + (players == 1 ? u" player"_s : u" players"_s) + u" \u00b7 "_s
        + uptime;
}

QString HostCore::lobbyLinkState() const
{
    return SocketState::name(m_parts->lobby.stateNumber());
}

void HostCore::startHosting()
{
    HostParts &p = *m_parts;
    p.players.setHostName(p.identity.operatorName());
    p.state.roomName = p.identity.roomName();
    p.state.roomLocked = p.identity.locked();
    // An open room keeps the previous password; it is only read while the room is locked.
    if (p.state.roomLocked)
        p.state.roomPassword = p.identity.password();
    setHosting(Hosting::Starting);
    m_lobbyReached = false;
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
    HostParts &p = *m_parts;
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
    HostParts &p = *m_parts;
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
        Q_EMIT messageBox(message, ProgramTitle);
    }
}

void HostCore::closeAllConnections()
{
    if (m_hosting == Hosting::Idle || m_hosting == Hosting::Closing)
        return;
    HostParts &p = *m_parts;
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
    const QString seconds = QString::number((m_timing.addChatTimeoutMs + 999) / 1000);
    // A link that came up reached the server, which then never confirmed the room.
    if (m_lobbyReached)
        abandonStart(u"the room was not confirmed within "_s + seconds + u" seconds"_s);
    else
        abandonStart(u"no answer within "_s + seconds + u" seconds"_s);
}

void HostCore::abandonStart(const QString &reason)
{
    LobbyLink &lobby = m_parts->lobby;
    const QString server = lobby.remoteHost() + u':' + QString::number(lobby.remotePort());
    const QString verb = m_lobbyReached ? u"Could not host on"_s : u"Could not reach"_s;
    m_addChatTimer.stop();
    lobby.close();
    systemLine(u"Add Chat Failed.....Please Try Again"_s);
    setHosting(Hosting::Idle);
    // Whatever the display options, the operator learns why and what to look at.
    QString advice = u"Check the server choice and the Internet connection"_s;
    if (m_parts->identity.server() == HostIdentity::serverChoices().value(0))
        advice += u"; this server's address and port are the settings lobbyHost and lobbyPort"_s;
    Q_EMIT messageBox(
        verb + u" the lobby server "_s + server + u": "_s + reason + u".\n"_s + advice + u'.',
        ProgramTitle);
}

void HostCore::onBanned(const BanRow &row)
{
    QString line = row.playerName.isEmpty() ? row.address : printableText(row.playerName);
    line += u" Was Banned"_s;
    if (row.expires.isValid()) {
        const QLocale locale = QLocale::system();
        const QDateTime until = row.expires.toLocalTime();
        line += u" Until "_s + locale.toString(until.date(), LogTimeFormats::dateFormat(locale))
            + u' ' + locale.toString(until.time(), LogTimeFormats::timeFormat(locale));
    }
    if (!row.reason.isEmpty())
        line += u" ("_s + printableText(row.reason) + u')';
    systemLine(line);
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
    HostParts &p = *m_parts;
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

bool HostCore::say(const QString &line)
{
    if (!canSend())
        return false;
    m_parts->services->console.handleHostInput(line);
    return true;
}

bool HostCore::whisper(quint16 playerId, const QString &line)
{
    return canSend() && m_parts->services->console.whisperTo(playerId, line);
}

bool HostCore::toggleMute()
{
    const bool wasMuted = isMuted();
    const bool muted = m_parts->services->console.toggleMute();
    if (muted != wasMuted)
        Q_EMIT mutedChanged(muted);
    return muted;
}

bool HostCore::isMuted() const
{
    return m_parts->state.chatMuted;
}

bool HostCore::kick(quint16 playerId)
{
    return m_parts->room.kickPlayer(playerId, false);
}

bool HostCore::ban(quint16 playerId, const BanTerms &terms)
{
    return m_parts->room.banPlayer(playerId, terms);
}

bool HostCore::isBanTarget(const QString &text)
{
    return BanList::canonicalTarget(text).has_value();
}

bool HostCore::banAddress(const QString &addressOrRange, const BanTerms &terms)
{
    return m_parts->room.banList().ban(QString(), addressOrRange, terms);
}

void HostCore::unbanRows(const QList<int> &rows)
{
    m_parts->room.banList().removeRows(rows);
}

bool HostCore::unban(const QString &addressOrRange)
{
    return m_parts->room.banList().removeAddress(addressOrRange);
}

void HostCore::unbanAll()
{
    m_parts->room.banList().clear();
}

void HostCore::announce(Announcement what)
{
    m_parts->services->replies.announce(what);
}

void HostCore::refreshPairings()
{
    m_parts->services->pairings.requestPairings();
}

void HostCore::clearTranscript()
{
    m_parts->transcript.clear();
}

QList<PlayerRow> HostCore::playerRows() const
{
    QList<PlayerRow> rows;
    if (m_hosting != Hosting::Open)
        return rows;
    const PlayerTable &players = m_parts->players;
    rows.append({players.id(0), players.name(0), QString(), 0});
    for (int k = 1; k <= players.count(); ++k) {
        const int socket = players.socket(k);
        rows.append(
            {players.id(k), players.name(k), m_parts->clientSlots.peerAddress(socket), socket});
    }
    return rows;
}

const QList<IpMonitorRow> &HostCore::ipMonitorRows() const
{
    return m_parts->room.ipMonitor().rows();
}

const QList<BanRow> &HostCore::banRows() const
{
    return m_parts->room.banList().rows();
}

QStringList HostCore::statusCaptions() const
{
    QStringList captions;
    for (int i = 0; i < StatusPanel::LabelCount; ++i)
        captions << m_parts->status.caption(i);
    return captions;
}

std::optional<QUrl> HostCore::tournamentPageUrl(int index)
{
    const TournamentSettings &tournament = m_parts->services->tournament;
    if (tournament.jumpNumber().isEmpty()) {
        Q_EMIT messageBox(u"No Jump Number Entered In Tourney Settings"_s, ProgramTitle);
        return std::nullopt;
    }
    const LeagueSite site = LeagueSite::fromSettings(m_parts->store, leagueOverrides(m_options));
    return site.pageUrl(
        index, tournament.jumpNumber(), tournament.ladderPath(), tournament.ladderServer());
}

QString HostCore::settingsFileFor(const HostOptions &options)
{
    return options.settingsFile.isEmpty() ? SettingsStore::defaultLocation() : options.settingsFile;
}

SettingsEditor &HostCore::settings()
{
    return m_parts->editor;
}

const SettingsStore &HostCore::store() const
{
    return m_parts->store;
}
const HostIdentity &HostCore::identity() const
{
    return m_parts->identity;
}
const ChatStyles &HostCore::styles() const
{
    return m_parts->styles;
}
const ChatOptions &HostCore::options() const
{
    return m_parts->chatOptions;
}
const TournamentSettings &HostCore::tournament() const
{
    return m_parts->services->tournament;
}

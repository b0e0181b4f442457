#pragma once

#include "LobbySimulator.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A vornic-host process under measurement, with its own data folder and settings, registered with
// a lobby simulator running in this process. Its output is read as it comes, so the host never
// blocks on a full pipe, and the time of each milestone is kept on the bench clock.
class HostProcess : public QObject
{
    Q_OBJECT

public:
    enum class FrontEnd { Headless, Window };

    explicit HostProcess(const QString &program, QObject *parent = nullptr);
    ~HostProcess() override;

    // Starts the host with --host, so it registers the room at once. The window front end runs
    // on the platform named by QT_QPA_PLATFORM in this process's environment.
    bool start(FrontEnd frontEnd);
    // Before start(): the host also serves its browser panel on loopback, with this password.
    void enablePanel(const QString &password);
    // Before start(): the "Fast Delivery" option (every connection paced on its own clock).
    void enableFastDelivery() { m_fastDelivery = true; }
    // Before start(): the league site at this address, and a double-elimination tournament with
    // a jump number, so that the host can fetch pairings from it.
    void useLeague(const QString &url) { m_leagueUrl = url; }
    quint16 panelPort() const { return m_panelPort; }
    // SIGTERM, then a bounded wait; killed if it does not end.
    void stop();

    qint64 pid() const { return m_process.processId(); }
    quint16 chatPort() const { return m_chatPort; }
    void writeLine(const QString &line);

    // Bench clock times; -1 until it happens.
    qint64 launchedAtNs() const { return m_launchedAtNs; }
    qint64 firstOutputAtNs() const { return m_firstOutputAtNs; }
    qint64 firstLobbyPacketAtNs() const { return m_firstLobbyPacketAtNs; }
    qint64 roomOpenAtNs() const { return m_roomOpenAtNs; }
    bool isRoomOpen() const { return m_roomOpenAtNs >= 0; }
    qint64 outputLineCount() const { return m_outputLines; }
    // Output lines so far that contain the text.
    int linesContaining(QByteArrayView text) const;

private:
    void writeSettings() const;
    void readOutput(QProcess::ProcessChannel channel);

    QString m_program;
    QTemporaryDir m_dir;
    LobbySimulator m_lobby;
    QProcess m_process;
    quint16 m_chatPort = 0;
    quint16 m_panelPort = 0;
    QString m_panelPassword;
    QString m_leagueUrl;
    bool m_fastDelivery = false;
    QByteArrayList m_lines;
    QByteArray m_partial[2];
    qint64 m_launchedAtNs = -1;
    qint64 m_firstOutputAtNs = -1;
    qint64 m_firstLobbyPacketAtNs = -1;
    qint64 m_roomOpenAtNs = -1;
    qint64 m_outputLines = 0;
};

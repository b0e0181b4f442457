#pragma once

#include "app/CommandLine.h"

#include <QList>
#include <QObject>
#include <QTemporaryDir>

#include <memory>
#include <optional>

class QProcess;

// "--demo": starts the lobby, league-site and game-client simulators on loopback and points the
// host at them, with demo settings in a folder of its own, so a new user sees a working room
// within a minute without touching the real network or their own settings. Only the panel
// password record is taken from their settings, so the demo can be watched from a browser.
class DemoLauncher : public QObject
{
    Q_OBJECT

public:
    explicit DemoLauncher(QObject *parent = nullptr);
    ~DemoLauncher() override;

    // Starts the simulators and rewrites the options to use them. False, with a message on
    // standard error, when a simulator cannot be found or started.
    bool start(CommandLineOptions &options);

private:
    // Starts a simulator on a port of its choosing and gives that port.
    std::optional<quint16> startSimulator(const QString &name);
    enum class OutputUse { None, FirstLine };
    QProcess *startTool(const QString &name, const QStringList &arguments, OutputUse outputUse);
    void writeDemoSettings(const QString &settingsFile, const QString &operatorSettingsFile);
    void startPlayers(quint16 chatPort);

    QTemporaryDir m_folder;
    QList<QProcess *> m_processes;
};

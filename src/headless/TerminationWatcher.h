#pragma once

#include <QObject>

#include <memory>

// Turns the system's requests to end the program into a Qt signal, so that they close the room as
// Exit does. On Unix: SIGINT and SIGTERM (a Ctrl+C, a service manager's stop); the handler only
// writes a byte to a socket pair and the work runs in the loop. On Windows: Ctrl+C, Ctrl+Break,
// the console window closing, log-off and system shutdown; the system runs the handler on a thread
// of its own, which posts the request to the loop and, for the last three, waits until the
// watcher is destroyed (the program has shut down), because the system ends the process as soon
// as the handler returns.
class TerminationWatcher : public QObject
{
    Q_OBJECT

public:
    explicit TerminationWatcher(QObject *parent = nullptr);
    ~TerminationWatcher() override;

Q_SIGNALS:
    void terminationRequested();

private:
    struct Platform;
    std::unique_ptr<Platform> m_platform;
};

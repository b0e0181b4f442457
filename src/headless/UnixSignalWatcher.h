#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal, so a service manager's stop or a Ctrl+C closes the
// room as Exit does. The handler only writes a byte to a socket pair; the work runs in the loop.
class UnixSignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignalWatcher(QObject *parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    void terminationRequested();

private:
    static void handleSignal(int);
    static int s_fds[2];
    std::unique_ptr<QSocketNotifier> m_notifier;
};

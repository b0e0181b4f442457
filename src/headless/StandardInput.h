#pragma once

#include <QByteArray>
#include <QObject>

#include <memory>

// Standard input as it arrives, without blocking the event loop: a console, a pipe or a file. On
// Unix a socket notifier watches the descriptor; on Windows, where notifiers work on sockets
// only, a thread of its own reads and posts what it read to the loop.
class StandardInput : public QObject
{
    Q_OBJECT

public:
    explicit StandardInput(QObject *parent = nullptr);
    ~StandardInput() override;

    void start();

Q_SIGNALS:
    void received(const QByteArray &bytes);
    // End of input, or input that cannot be read; nothing more follows.
    void ended();

private:
    struct Platform;
    std::unique_ptr<Platform> m_platform;
};

#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// Typed commands for the client simulator: standard input read as it arrives, without blocking
// the event loop, one signal per line.
class StdinLines : public QObject
{
    Q_OBJECT

public:
    explicit StdinLines(QObject *parent = nullptr);

    static bool isTerminal();
    // Starts reading; ended() follows at once where standard input cannot be watched.
    void start();

Q_SIGNALS:
    void lineRead(const QString &line);
    void ended();

private:
    void readAvailable();

    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_partial;
};

#pragma once

#include "chatserver/BanRow.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdio>
#include <functional>
#include <memory>

class HostCore;
class StandardInput;

// The host without a window: the transcript goes to standard output as plain lines, debug lines
// and messages to standard error, and the operator types chat and "/" commands on standard input.
class HeadlessConsole : public QObject
{
    Q_OBJECT

public:
    HeadlessConsole(
        HostCore &core, FILE *out = stdout, FILE *err = stderr, QObject *parent = nullptr);
    ~HeadlessConsole() override;

    // Starts reading standard input. End of input leaves the host running: a service has none.
    void readStandardInput();

    // One typed line: chat (as Enter does) or a "/" command. Control characters are dropped.
    void handleLine(const QString &typed);

    static QString helpText();

private:
    void connectOutput();
    void takeInput(const QByteArray &bytes);
    void runCommand(const QString &command, const QString &argument);
    void setStoredValue(const QString &nameAndValue);
    void printPlayers();
    void banPlayer(const QString &argument);
    void banAddress(const QString &argument);
    void printBans();
    // One row of /bans: address, name, made, expires and reason.
    static QString banLine(const BanRow &row);
    void printOut(const QString &text);
    void printErr(const QString &text);
    std::optional<quint16> parseId(const QString &text);
    // A player named by ID or by name (any case) at the start of an argument; with withRest the
    // text after it is kept. A name several players bear is refused with their IDs.
    struct PlayerArgument
    {
        quint16 id;
        QString rest;
    };
    std::optional<PlayerArgument> playerArgument(const QString &argument, bool withRest);
    QString shownValue(const QString &name) const;
    QString statusLine() const;

    HostCore &m_core;
    FILE *m_out;
    FILE *m_err;
    std::unique_ptr<StandardInput> m_input;
    QByteArray m_pendingInput;
};

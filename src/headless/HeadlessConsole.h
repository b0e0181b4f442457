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

    // One typed line: chat (as Enter does) or a "/" command.
    void handleLine(const QString &line);

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

    HostCore &m_core;
    FILE *m_out;
    FILE *m_err;
    std::unique_ptr<StandardInput> m_input;
    QByteArray m_pendingInput;
};

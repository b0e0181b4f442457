#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QHostAddress>
#include <QString>

#include <optional>

// The --address and --port options every simulator listens by, and the one way they fail.
class ListenOptions
{
public:
    // Names the simulator and says what it is for, with --help beside.
    static void describe(
        QCommandLineParser &parser, const QString &program, const QString &description);

    // defaultPort is shown in the help text; 0 on the command line picks a free port.
    ListenOptions(QCommandLineParser &parser, quint16 defaultPort);

    struct Endpoint
    {
        QHostAddress address;
        quint16 port = 0;
    };
    // Both of the below, or nothing with errorText() set.
    std::optional<Endpoint> endpoint() const;

    // After parser.process(): the address and port, or nothing with errorText() set.
    std::optional<QHostAddress> address() const;
    std::optional<quint16> port() const;
    QString errorText() const { return m_error; }

    // Prints message to standard error; the simulators' exit status for bad options or set-up.
    static int fail(const QString &message);

private:
    const QCommandLineParser &m_parser;
    QCommandLineOption m_address;
    QCommandLineOption m_port;
    mutable QString m_error;
};

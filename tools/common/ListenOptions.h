#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTextStream>

#include <functional>
#include <optional>

// The --address and --port options every simulator listens by, and the one way they fail.
class ListenOptions
{
public:
    // Names the simulator, says what it is for and reads the command line: the simulator's own
    // options beside --address, --port and --help. Unknown options end the program, as
    // QCommandLineParser::process does. defaultPort is shown in the help text; 0 on the command
    // line picks a free port.
    ListenOptions(QCommandLineParser &parser, const QString &program, const QString &description,
        quint16 defaultPort, const QList<QCommandLineOption> &ownOptions);

    struct Endpoint
    {
        QHostAddress address;
        quint16 port = 0;
    };
    // Both of the below, or nothing with errorText() set.
    std::optional<Endpoint> endpoint() const;

    // The address and port, or nothing with errorText() set.
    std::optional<QHostAddress> address() const;
    std::optional<quint16> port() const;
    QString errorText() const { return m_error; }

    // Prints message to standard error; the simulators' exit status for bad options or set-up.
    static int fail(const QString &message);

    // What every simulator does once its own options are read: its log lines go to standard
    // output, it listens where --address and --port say, the line announce(address, port) tells
    // where, and the event loop runs. Returns main's exit status.
    using Announcement = std::function<QString(const QHostAddress &, quint16)>;
    template <class Simulator> int run(Simulator &simulator, const Announcement &announce) const
    {
        const std::optional<Endpoint> where = endpoint();
        if (!where)
            return fail(errorText());
        QTextStream out(stdout);
        QObject::connect(&simulator, &Simulator::logLine, &simulator,
            [&out](const QString &line) { out << line << Qt::endl; });
        if (!simulator.listen(where->address, where->port))
            return fail(simulator.errorString());
        out << announce(where->address, simulator.serverPort()) << Qt::endl;
        return QCoreApplication::exec();
    }

private:
    const QCommandLineParser &m_parser;
    QCommandLineOption m_address;
    QCommandLineOption m_port;
    mutable QString m_error;
};

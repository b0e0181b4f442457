#include "common/ListenOptions.h"

#include "host/NetworkConfig.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace Qt::StringLiterals;

ListenOptions::ListenOptions(QCommandLineParser &parser, const QString &program,
    const QString &description, quint16 defaultPort, const QList<QCommandLineOption> &ownOptions)
    : m_parser(parser)
    , m_address(u"address"_s, u"Listen on ADDRESS (127.0.0.1)."_s, u"ADDRESS"_s, u"127.0.0.1"_s)
    , m_port(u"port"_s, u"Listen on PORT (%1; 0 picks a free port)."_s.arg(defaultPort), u"PORT"_s,
          QString::number(defaultPort))
{
    QCoreApplication::setApplicationName(program);
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    parser.addOptions({m_address, m_port});
    parser.addOptions(ownOptions);
    parser.process(QCoreApplication::arguments());
}

std::optional<ListenOptions::Endpoint> ListenOptions::endpoint() const
{
    const std::optional<QHostAddress> listenAddress = address();
    const std::optional<quint16> listenPort = port();
    if (!listenAddress || !listenPort)
        return std::nullopt;
    return Endpoint{*listenAddress, *listenPort};
}

std::optional<QHostAddress> ListenOptions::address() const
{
    const QHostAddress address(m_parser.value(m_address));
    if (address.isNull()) {
        m_error = u"Not an IP address: "_s + m_parser.value(m_address);
        return std::nullopt;
    }
    return address;
}

std::optional<quint16> ListenOptions::port() const
{
    // Port 0 picks a free port; the simulator's "listening on" line tells which.
    const QString text = m_parser.value(m_port).trimmed();
    const std::optional<quint16> port = text == u"0"_s ? 0 : NetworkConfig::parsePort(text);
    if (!port)
        m_error = u"Not a port from 0 to 65535: "_s + text;
    return port;
}

int ListenOptions::fail(const QString &message)
{
    QTextStream(stderr) << message << Qt::endl;
    return 2;
}

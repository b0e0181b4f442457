#include "host/StatusPanel.h"

#include "net/SocketState.h"

using namespace Qt::StringLiterals;

StatusPanel::StatusPanel(QObject *parent)
    : QObject(parent)
    , m_captions{u"Tavix Net: Closed"_s, u"ViraruRor: Closed"_s, u"ChatSock: Closed"_s,
          u"Current: 0"_s, u"Max: 0"_s, u"Total: 0"_s, u"Time: 00:00:00"_s}
{
}

void StatusPanel::update(const Readings &readings)
{
    m_peakConnections = std::max(m_peakConnections, readings.connectedClients);

    m_captions[0] = u"Tavix Net: "_s + SocketState::name(readings.lobbyState);
    // Caption 1 names the second network and never changes.
    m_captions[2] = u"ChatSock: "_s + SocketState::name(readings.listenerState);
    m_captions[3] = u"Current: "_s + QString::number(readings.connectedClients);
    m_captions[4] = u"Max: "_s + QString::number(m_peakConnections);
    m_captions[5] = u"Total: "_s + QString::number(readings.totalJoins);
    // Once the room closes, the uptime keeps the last value it showed.
    if (readings.chatStartTime.isValid()) {
        const qint64 seconds = std::max<qint64>(0, readings.chatStartTime.secsTo(readings.now));
        m_captions[6] = u"Time: "_s + secToTime(seconds);
    }
    Q_EMIT changed();
}

QString StatusPanel::secToTime(qint64 timeInSec)
{
    const qint64 t = std::max<qint64>(0, timeInSec);
    return u"%1:%2:%3"_s.arg(t / 3600, 2, 10, QChar(u'0'))
        .arg(t / 60 % 60, 2, 10, QChar(u'0'))
        .arg(t % 60, 2, 10, QChar(u'0'));
}

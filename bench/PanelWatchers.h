#pragma once

#include <QList>
#include <QNetworkAccessManager>
#include <QObject>

#include <memory>

class QNetworkReply;

// Browser panels watching the room while it is measured: each logs in, opens the event stream and
// fetches the state whenever the stream greets it, as the panel's page does, then reads every
// event as it comes.
class PanelWatchers : public QObject
{
    Q_OBJECT

public:
    PanelWatchers(quint16 port, const QString &password, QObject *parent = nullptr);
    ~PanelWatchers() override;

    void open(int count);
    // Panels whose event stream is up and greeted.
    int watchingCount() const { return m_watching; }
    qint64 eventsReceived() const { return m_events; }
    qint64 stateFetches() const { return m_stateFetches; }

private:
    void logIn();
    void openEvents(const QByteArray &cookie);
    void fetchState(const QByteArray &cookie);
    QNetworkRequest request(const QString &path) const;

    quint16 m_port;
    QString m_password;
    QNetworkAccessManager m_network;
    QList<QNetworkReply *> m_streams;
    int m_watching = 0;
    qint64 m_events = 0;
    qint64 m_stateFetches = 0;
};

#pragma once

#include "chat/TranscriptLine.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>

class HostCore;

// The panel's JSON view of the host: the state as one object, the operations by name, and an
// event for every change, all through the same core operations the window uses.
class PanelApi : public QObject
{
    Q_OBJECT

public:
    // The page's transcript starts with at most this many recent lines.
    static constexpr int RecentLines = 500;
    static constexpr int MaxInputLength = 80; // as the window's chat input

    struct Result
    {
        int status = 200;
        QJsonObject body;
    };

    explicit PanelApi(HostCore &core, QObject *parent = nullptr);

    QJsonObject state() const;
    Result run(const QString &operation, const QJsonObject &args);

    static QStringList operationNames();
    static QJsonObject lineJson(const TranscriptLine &line);

Q_SIGNALS:
    // One event as compact JSON text, for every event stream.
    void event(const QByteArray &json);

private:
    void connectEvents();
    void send(const QString &type, const QJsonObject &fields);
    QJsonObject hostingJson() const;
    QJsonArray playersJson() const;
    QJsonArray ipMonitorJson() const;
    QJsonArray bansJson() const;
    QJsonArray statusJson() const;
    QJsonObject settingsJson() const;

    HostCore &m_core;
    QList<TranscriptLine> m_recent;
};

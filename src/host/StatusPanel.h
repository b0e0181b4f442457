#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>

// The seven status captions under the window's title bar, refreshed once a second.
class StatusPanel : public QObject
{
    Q_OBJECT

public:
    static constexpr int LabelCount = 7;

    // What the panel shows, read at the moment of the refresh.
    struct Readings
    {
        int lobbyState = 0; // socket state number of the lobby link
        int listenerState = 0; // socket state number of the listening socket
        int connectedClients = 0;
        int totalJoins = 0;
        QDateTime chatStartTime; // invalid while no room is open
        QDateTime now;
    };

    explicit StatusPanel(QObject *parent = nullptr);

    void update(const Readings &readings);

    QString caption(int index) const { return m_captions.at(std::size_t(index)); }
    int peakConnections() const { return m_peakConnections; }

    // "HH:MM:SS"; hours go on counting past a day (25:03:07), a room may stay open for days.
    static QString secToTime(qint64 timeInSec);

Q_SIGNALS:
    void changed();

private:
    std::array<QString, LabelCount> m_captions;
    int m_peakConnections = 0;
};

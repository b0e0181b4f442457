#pragma once

#include "tournament/LeagueQuery.h"

#include <functional>

// Looks a player up on the ranking script of the tournament's ladder and answers whoever asked.
// One lookup runs at a time; a second asker meanwhile is told to try again later.
class RankLookup : public LeagueQuery
{
    Q_OBJECT

public:
    RankLookup(const TournamentSettings &settings, LeagueSite site, QNetworkAccessManager *network,
        QObject *parent = nullptr);

    // `replyToHost` and `socket` come back unchanged with every reply of this lookup; `name` is
    // looked up as given, even when empty.
    void requestRank(bool replyToHost, int socket, const QString &name);
    // Names the connection that holds a socket now (0 for none). A lookup asked for by a player
    // is answered only while that player's connection still holds the socket: slots are reused,
    // and an answer must never reach whoever took the slot during the download.
    void setConnectionOf(std::function<quint64(int socket)> connectionOf);

Q_SIGNALS:
    void reply(bool replyToHost, int socket, const QString &text);

private:
    struct Asker
    {
        bool replyToHost = false;
        int socket = 0;
        quint64 connection = 0;
        QString name;
    };
    quint64 connectionOf(bool replyToHost, int socket) const;

    void pageArrived(const QByteArray &body) override;
    void downloadFailed() override;
    void answer(const QString &text);

    Asker m_asker;
    std::function<quint64(int)> m_connectionOf;
};

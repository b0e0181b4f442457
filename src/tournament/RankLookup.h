#pragma once

#include "tournament/LeagueQuery.h"

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

Q_SIGNALS:
    void reply(bool replyToHost, int socket, const QString &text);

private:
    struct Asker
    {
        bool replyToHost = false;
        int socket = 0;
        QString name;
    };

    void pageArrived(const QByteArray &body) override;
    void downloadFailed() override;
    void answer(const QString &text);

    Asker m_asker;
};

#pragma once

#include "tournament/LeagueSite.h"
#include "tournament/WebFetcher.h"

#include <QObject>

class QNetworkAccessManager;
class TournamentSettings;

// Looks a player up on the ranking script of the tournament's ladder and answers whoever asked.
// One lookup runs at a time; a second asker meanwhile is told to try again later.
class RankLookup : public QObject
{
    Q_OBJECT

public:
    RankLookup(const TournamentSettings &settings, LeagueSite site, QNetworkAccessManager *network,
        QObject *parent = nullptr);

    // `replyToHost` and `socket` come back unchanged with every reply of this lookup; `name` is
    // looked up as given, even when empty.
    void requestRank(bool replyToHost, int socket, const QString &name);

    WebFetcher &fetcher() { return m_fetcher; }

Q_SIGNALS:
    void reply(bool replyToHost, int socket, const QString &text);

private:
    struct Asker
    {
        bool replyToHost = false;
        int socket = 0;
        QString name;
    };

    void answerPage(const QByteArray &body);
    void answer(const QString &text);

    const TournamentSettings &m_settings;
    LeagueSite m_site;
    WebFetcher m_fetcher;
    Asker m_asker;
};

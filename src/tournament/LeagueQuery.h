#pragma once

#include "tournament/LeagueSite.h"
#include "tournament/WebFetcher.h"

#include <QObject>

class QNetworkAccessManager;
class TournamentSettings;

// What the services that ask the league's site have in common: the tournament's settings that
// say what to ask for, the site's addresses and one download at a time.
class LeagueQuery : public QObject
{
    Q_OBJECT

public:
    WebFetcher &fetcher() { return m_fetcher; }

protected:
    LeagueQuery(const TournamentSettings &settings, LeagueSite site, QNetworkAccessManager *network,
        QObject *parent);

    // The page of the download in flight, or its failure (a time-out counts).
    virtual void pageArrived(const QByteArray &body) = 0;
    virtual void downloadFailed() = 0;

    const TournamentSettings &m_settings;
    const LeagueSite m_site;
    WebFetcher m_fetcher;
};

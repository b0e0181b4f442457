#include "tournament/LeagueQuery.h"

#include <utility>

LeagueQuery::LeagueQuery(const TournamentSettings &settings, LeagueSite site,
    QNetworkAccessManager *network, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_site(std::move(site))
    , m_fetcher(network)
{
    connect(&m_fetcher, &WebFetcher::fetched, this, &LeagueQuery::pageArrived);
    connect(&m_fetcher, &WebFetcher::failed, this, &LeagueQuery::downloadFailed);
}

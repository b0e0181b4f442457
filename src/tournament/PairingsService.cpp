#include "tournament/PairingsService.h"

#include "text/AnsiText.h"
#include "tournament/StandingsParser.h"
#include "tournament/TournamentSettings.h"

#include <utility>

using namespace Qt::StringLiterals;

PairingsService::PairingsService(const TournamentSettings &settings, LeagueSite site,
    QNetworkAccessManager *network, QObject *parent)
    : LeagueQuery(settings, std::move(site), network, parent)
{
    connect(&m_refreshTimer, &QTimer::timeout, this, &PairingsService::requestPairings);
}

void PairingsService::startRefreshing(int intervalMs)
{
    m_refreshTimer.start(intervalMs);
}

void PairingsService::requestPairings()
{
    const QString jumpNumber = m_settings.jumpNumber();
    if (jumpNumber.isEmpty())
        return;
    if (m_fetcher.isBusy()) {
        Q_EMIT systemMessage(u"Another Pairings Request Is Still Executing"_s);
        return;
    }
    Q_EMIT systemMessage(u"Retrieving Pairings"_s);
    m_fetcher.fetch(m_site.reportUrl(m_settings.ladderServer(), jumpNumber));
}

void PairingsService::downloadFailed()
{
    // The previous pairings stay: a failed download says nothing about them.
    Q_EMIT systemMessage(u"An Error Occured While Retrieving Pairings"_s);
}

void PairingsService::pageArrived(const QByteArray &body)
{
    // The elimination type in force when the page arrives picks the layout.
    const QString page = AnsiText::decode(body);
    m_pairings = m_settings.eliminationType() == u"Single Elimination" ? parseStandings(page)
                                                                       : parseDEStandings(page);
    Q_EMIT systemMessage(u"Pairings Retrieved Successfully"_s);
    Q_EMIT pairingsChanged();
    if (m_pairings.isEmpty())
        return;
    const std::optional<Pairings> reference = std::exchange(m_reference, m_pairings);
    if (!reference)
        return;
    const QList<int> rounds = reference->roundsDifferingFrom(m_pairings);
    if (!rounds.isEmpty())
        Q_EMIT newPairings(rounds);
}

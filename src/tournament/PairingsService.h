#pragma once

#include "tournament/LeagueSite.h"
#include "tournament/Pairings.h"
#include "tournament/WebFetcher.h"

#include <QObject>
#include <QTimer>

class QNetworkAccessManager;
class TournamentSettings;

// Keeps the pairings of the running tournament: downloads the league's report page for the jump
// number and parses it with the parser of the elimination type. Owns the refresh timer that asks
// for them once a minute. Progress goes out as system messages for the transcript.
class PairingsService : public QObject
{
    Q_OBJECT

public:
    static constexpr int RefreshIntervalMs = 60'000;

    PairingsService(const TournamentSettings &settings, LeagueSite site,
        QNetworkAccessManager *network, QObject *parent = nullptr);

    // Starts the once-a-minute refresh; the first one comes after one interval.
    void startRefreshing(int intervalMs = RefreshIntervalMs);

    // Nothing at all without a jump number; refused with a message while a download runs.
    void requestPairings();
    const Pairings &pairings() const { return m_pairings; }

    WebFetcher &fetcher() { return m_fetcher; }

Q_SIGNALS:
    void systemMessage(const QString &text);
    void pairingsChanged();

private:
    void takePage(const QByteArray &body);

    const TournamentSettings &m_settings;
    LeagueSite m_site;
    WebFetcher m_fetcher;
    QTimer m_refreshTimer;
    Pairings m_pairings;
};

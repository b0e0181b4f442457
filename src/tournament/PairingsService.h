#pragma once

#include "tournament/LeagueQuery.h"
#include "tournament/Pairings.h"

#include <QTimer>

#include <optional>

// Keeps the pairings of the running tournament: downloads the league's report page for the jump
// number and parses it with the parser of the elimination type. Owns the refresh timer that asks
// for them once a minute. Progress goes out as system messages for the transcript.
class PairingsService : public LeagueQuery
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

Q_SIGNALS:
    void systemMessage(const QString &text);
    void pairingsChanged();
    // A download brought pairings that differ from those of the last download that brought any;
    // rounds lists the rounds that differ. Never for the first such download of a run: that one
    // only sets what later ones are compared with.
    void newPairings(const QList<int> &rounds);

private:
    void pageArrived(const QByteArray &body) override;
    void downloadFailed() override;

    QTimer m_refreshTimer;
    Pairings m_pairings;
    // What the next download is compared with. A page without any pairings (the league site's
    // error page arrives as a normal page) never becomes it, so a passing fault of the site does
    // not make the next good page look new.
    std::optional<Pairings> m_reference;
};

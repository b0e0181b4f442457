#pragma once

#include <QString>
#include <QUrl>

class SettingsStore;

// The league web site: its three hosts and the addresses of its pages. The hosts are
// configuration (stored under the Network key, overridable for one run); paths and query keys are
// the site's own.
//
// Ladder fields, jump numbers and names are placed into the addresses as typed, except for the
// characters that would break an address (blanks, "&", "#", "%", "+", "?", quotes, angle
// brackets, controls and non-ASCII), which are percent-encoded as Windows-1252 bytes, the way the
// site has always received them.
class LeagueSite
{
public:
    struct Hosts
    {
        QString leagueUrl; // main host: the director login pages
        QString tourneyUrl; // tournament host; "{server}" stands for the ladder's server field
        QString rankUrl; // ranking host; port 81 unless the address says otherwise
    };

    static constexpr int PageCount = 8;
    static constexpr int DefaultRankPort = 81;

    static Hosts defaultHosts();
    // Stored hosts (StoredValues::LeagueUrl, TourneyUrl, RankUrl); a
    // non-empty override wins, an absent value takes the default.
    static LeagueSite fromSettings(const SettingsStore &store, const Hosts &overrides = {});

    explicit LeagueSite(Hosts hosts = defaultHosts());
    const Hosts &hosts() const { return m_hosts; }

    QUrl rankUrl(const QString &ladderPath, const QString &ladderServer, const QString &name) const;
    QUrl reportUrl(const QString &ladderServer, const QString &jumpNumber) const;

    // The tournament pages: 0 "TD Login" ... 7 "Report". An index out of range gives no caption
    // and an empty URL.
    static QString pageCaption(int index);
    QUrl pageUrl(int index, const QString &jumpNumber, const QString &ladderPath,
        const QString &ladderServer) const;

private:
    QString tourneyHost(const QString &ladderServer) const;

    Hosts m_hosts;
};

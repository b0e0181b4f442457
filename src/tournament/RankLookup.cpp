#include "tournament/RankLookup.h"

#include "text/AnsiText.h"
#include "tournament/RankPageParser.h"
#include "tournament/TournamentSettings.h"

#include <utility>

using namespace Qt::StringLiterals;

RankLookup::RankLookup(const TournamentSettings &settings, LeagueSite site,
    QNetworkAccessManager *network, QObject *parent)
    : LeagueQuery(settings, std::move(site), network, parent)
{
}

void RankLookup::downloadFailed()
{
    answer(u"Error Occured while requesting the rank!"_s);
}

void RankLookup::requestRank(bool replyToHost, int socket, const QString &name)
{
    if (m_fetcher.isBusy()) {
        Q_EMIT reply(replyToHost, socket,
            u"Another Rank Request is still executing, Please Try Again Later!"_s);
        return;
    }
    m_asker = {replyToHost, socket, name};
    m_fetcher.fetch(m_site.rankUrl(m_settings.ladderPath(), m_settings.ladderServer(), name));
}

void RankLookup::pageArrived(const QByteArray &body)
{
    const RankPage page = parseRankPage(AnsiText::decode(body));
    const QString &name = m_asker.name;
    if (page.result == u"Unranked")
        answer(name + u" is Unranked on "_s + m_settings.ladderName());
    else if (page.result == u"nf")
        answer(name + u" has not been found on "_s + m_settings.ladderName());
    else if (page.result == u"error")
        answer(u"Error Retriving Rank"_s);
    else
        answer(name + u" - Rank: "_s + page.result + u" Skill: "_s + page.skill + u" Win%: "_s
            + page.winPercent + u" Streak: "_s + page.streak);
}

void RankLookup::answer(const QString &text)
{
    Q_EMIT reply(m_asker.replyToHost, m_asker.socket, text);
}

#include "LeaguePages.h"

#include <QUrl>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The host finds a player's numbers by position: it skips this many characters after the name
// heading's cell and reads the cells that follow. The real site pads its page to suit; so do we.
constexpr qsizetype StatsSkip = 750;
constexpr QStringView StatsMarker = u"<td bgcolor=006300><center>";
constexpr QStringView RankCellOpening = u"<tr class=brd><td><center>";
constexpr QStringView PaddingPlaceholder = u"{padding}";

QString framed(const QString &frame, const QString &title, const QString &body)
{
    QString page = frame;
    // The body goes in last so that a "{title}" inside a player's name stays as typed.
    page.replace(u"{title}"_s, title.toHtmlEscaped());
    return page.replace(u"{body}"_s, body);
}

QString messageTable(const QString &html)
{
    return u"<table width=600 align=center><tr><td class=c1>"_s + html + u"</td></tr></table>"_s;
}

// A comment of exactly `length` characters, "<!-- " and " -->" included when there is room.
QString paddingComment(qsizetype length)
{
    static const QString filler = u"ladder statistics are refreshed every five minutes "_s;
    if (length < 9)
        return QString(length, u' ');
    QString text = filler.repeated(length / filler.size() + 1).left(length - 9);
    return u"<!-- "_s + text + u" -->"_s;
}

QString rankedBody(const LeaguePages::Standing &standing)
{
    const QString name = standing.name.toHtmlEscaped();
    QString body = u"<table width=600 align=center cellspacing=0 border=1>\n"_s
        + u"<tr><td bgcolor=006300><center><font color=white size=+1><b>"_s + name
        + u"</b></font></center></td></tr>\n{padding}\n"_s
        + u"<tr><td class=c1>Member since 2004-07-12. Home course: Pine Creek.</td></tr>\n"_s
        + u"</table>\n<table width=600 align=center cellspacing=1 border=0>\n"_s
        + u"<tr class=hdr><td class=h>Rank</td><td class=h>Skill</td><td class=h>Win%</td>"_s
        + u"<td class=h>Streak</td></tr><tr class=brd><td><center>"_s
        + QString::number(standing.rank) + u"</center></td>\n<td><center>"_s
        + QString::number(standing.skill) + u"</center></td>\n<td><center>"_s
        + standing.winPercent.toHtmlEscaped() + u"</center></td>\n<td><center>"_s
        + standing.streak.toHtmlEscaped() + u"</center></td>\n"_s
        + u"<td><center>2006-03-14</center></td></tr>\n</table>\n"_s;

    // Make the skipped stretch end right after the rank cell's opening, so that the first cell
    // the host reads is the skill.
    const qsizetype headingAt = body.indexOf(StatsMarker);
    const qsizetype rankTextAt = body.indexOf(RankCellOpening) + RankCellOpening.size();
    const qsizetype unpadded = rankTextAt - headingAt - PaddingPlaceholder.size();
    return body.replace(PaddingPlaceholder.toString(),
        paddingComment(std::max<qsizetype>(0, StatsSkip - unpadded)));
}

} // namespace

namespace LeaguePages {

const QList<Standing> &roster()
{
    static const QList<Standing> players = {
        {u"Mulligan"_s, true, 12, 1523, u"61.5%"_s, u"W3"_s},
        {u"Ann"_s, true, 3, 1788, u"72.4%"_s, u"W7"_s},
        {u"Bob"_s, true, 41, 1391, u"48.0%"_s, u"L2"_s},
        {u"Renée"_s, true, 7, 1702, u"66.1%"_s, u"W1"_s},
        {u"[TGX]Hook"_s, true, 128, 1206, u"39.3%"_s, u"L5"_s},
        {u"Marla"_s, true, 5, 1745, u"69.8%"_s, u"W4"_s},
        {u"Tobin"_s, true, 22, 1488, u"55.2%"_s, u"L1"_s},
        {u"Quill"_s, true, 64, 1302, u"44.7%"_s, u"W2"_s},
        {u"Sandtrap"_s, false, 0, 0, {}, {}},
    };
    return players;
}

std::optional<Standing> findPlayer(const QString &name)
{
    for (const Standing &standing : roster()) {
        if (standing.name.compare(name, Qt::CaseInsensitive) == 0)
            return standing;
    }
    return std::nullopt;
}

QString rankPage(const QString &frame, const Standing &standing)
{
    return framed(frame, u"Player Lookup"_s, rankedBody(standing));
}

QString unrankedPage(const QString &frame, const QString &name)
{
    return framed(frame, u"Player Lookup"_s,
        messageTable(u"<b>"_s + name.toHtmlEscaped()
            + u"</b> is UNRANKED on this ladder: no games played in the last 30 days."_s));
}

QString notFoundPage(const QString &frame, const QString &name)
{
    return framed(frame, u"Player Lookup"_s,
        messageTable(u"The player <b>"_s + name.toHtmlEscaped()
            + u"</b> was <i>NOT</i> found on this ladder. Check the spelling."_s));
}

QString simplePage(const QString &frame, const QString &title)
{
    return framed(frame, title,
        u"<h2>"_s + title.toHtmlEscaped()
            + u"</h2>\n<p>This page of the league site is not simulated.</p>"_s);
}

QString reportPage(const QString &sample, const QString &jumpNumber)
{
    QString page = sample;
    return page.replace(u"tcount="_s + SampleJumpNumber,
        u"tcount="_s + QString::fromLatin1(QUrl::toPercentEncoding(jumpNumber)));
}

} // namespace LeaguePages

#pragma once

#include <QList>
#include <QString>

#include <optional>

// The pages of the simulated league web site. Each builder takes the page frame (a template with
// "{title}" and "{body}" in it) or a sample page and gives the text the site would send; the
// host's parsers read them as they read the real site.
namespace LeaguePages {

// One player's line on the simulated ladder.
struct Standing
{
    QString name;
    bool ranked = true;
    int rank = 0;
    int skill = 0;
    QString winPercent;
    QString streak;
};

// The players the simulated ladder knows; every ranked one has his own numbers.
const QList<Standing> &roster();
// Names match without regard to letter case, as on the league's lookup form.
std::optional<Standing> findPlayer(const QString &name);

QString rankPage(const QString &frame, const Standing &standing);
QString unrankedPage(const QString &frame, const QString &name);
QString notFoundPage(const QString &frame, const QString &name);
// A page with a heading only, for the director and tournament pages the host opens in a browser.
QString simplePage(const QString &frame, const QString &title);

// The jump number that the sample report pages link to.
inline constexpr QStringView SampleJumpNumber = u"4412";
// A sample report page with its links pointing at the tournament asked for.
QString reportPage(const QString &sample, const QString &jumpNumber);

} // namespace LeaguePages

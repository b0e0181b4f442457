#include "ParserBench.h"

#include "LeaguePages.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace ParserBench {

namespace {

constexpr int MatchesPerSection = 32;
constexpr int Rounds = 6;

const QString PageHead
    = u"<html>\n<head>\n<title>Glenmora League - Tournament 4412 - Report</title>\n"
      "</head>\n<body>\n<h2>Tournament #4412</h2>\n"_s;
const QString PageTail = u"</body>\n</html>\n"_s;

// Repeats pieces made by `piece(n)` between head and tail until the page reaches `size`.
QString fill(qsizetype size, const QString &head, const std::function<QString(int)> &piece,
    const QString &tail)
{
    QString page = head;
    page.reserve(size + 4096);
    for (int n = 0; page.size() + tail.size() < size; ++n)
        page += piece(n);
    return page + tail;
}

QString matchRow(int match, int first)
{
    return u"<tr class=c%1><td align=left>Match #%2</td><td align=left>[TGX]Mulligan%3</td>"
           "<td align=left>{PAR}Bogey%4</td><td align=center>-2 / -8</td><td align=center>&nbsp;"
           "</td><td align=center><input type=radio name=w%2 value=1><input type=radio name=w%2 "
           "value=2></td></tr>\n"_s.arg(match % 2)
               .arg(match)
               .arg(first)
               .arg(first + 1);
}

} // namespace

QString singleEliminationPage(qsizetype size)
{
    return fill(
        size, PageHead,
        [](int section) -> QString {
            QString text
                = u"<form method=post action=\"report.php?tcount=4412\">\n<table>\n"
                  "<tr><td class=rhead colspan=6>Round %1 - Pine Creek (Level 1+)</td></tr>\n"_s
                      .arg(section % Rounds + 1);
            for (int match = 1; match <= MatchesPerSection; ++match)
                text += matchRow(match, 2 * (section * MatchesPerSection + match));
            return text + u"</table>\n</form>\n"_s;
        },
        PageTail);
}

QString doubleEliminationPage(qsizetype size)
{
    const QString head = PageHead
        + u"<form method=post action=\"report.php?tcount=4413\">\n<table class=bracket>\n"_s;
    return fill(
        size, head,
        [](int game) {
            return u"<tr class=c%1><td align=center>W%2</td><td align=left>~Eagle~Chipper%3</td>"
                   "<td align=center>vs</td><td align=left>(DRV)Slice%4</td><td "
                   "align=center>75</td>"
                   "<td align=center>73</td></tr>\n"_s.arg(game % 2)
                       .arg(game + 1)
                       .arg(2 * game)
                       .arg(2 * game + 1);
        },
        u"</table>\n</form>\n"_s + PageTail);
}

QString rankPage(qsizetype size)
{
    const QString frame = u"<html>\n<head><title>{title}</title></head>\n<body>\n{body}\n"_s;
    const QString player = LeaguePages::rankPage(frame, LeaguePages::roster().constFirst());
    return fill(
        size, player,
        [](int row) {
            return u"<tr class=c%1><td>%2</td><td>Player%2</td><td>1500</td><td>50%</td>"
                   "<td>W1</td></tr>\n"_s.arg(row % 2)
                       .arg(row + 2);
        },
        PageTail);
}

double microsecondsPerCall(const std::function<void()> &call, int minTotalMs, int maxRuns)
{
    QElapsedTimer timer;
    timer.start();
    int runs = 0;
    while (runs < maxRuns && (runs < 3 || timer.elapsed() < minTotalMs)) {
        call();
        ++runs;
    }
    return double(timer.nsecsElapsed()) / 1000.0 / runs;
}

} // namespace ParserBench

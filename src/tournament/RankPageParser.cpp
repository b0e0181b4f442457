#include "tournament/RankPageParser.h"

#include "tournament/TextScan.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView RankMarker = u"Streak</td></tr><tr class=brd><td><center>";
constexpr QStringView StatsMarker = u"<td bgcolor=006300><center>";
constexpr QStringView CellMarker = u"<td><center>";
constexpr qsizetype RankDigits = 4;
constexpr qsizetype StatsSkip = 750;
constexpr qsizetype StatsWindow = 2000;

RankPage errorPage()
{
    return {u"error"_s, {}, {}, {}};
}

// 1-based position `offset` characters after the marker, counting from 0 when it is absent.
qsizetype positionAfter(QStringView page, QStringView marker, qsizetype offset)
{
    return page.indexOf(marker) + 1 + offset;
}

// A cell's text as a player should read it: tags dropped (an unclosed one runs to the end), then
// blanks and line breaks cut from both ends.
QString cellText(QStringView cell)
{
    QString text;
    text.reserve(cell.size());
    for (qsizetype at = 0; at < cell.size(); ++at) {
        if (cell[at] != u'<') {
            text += cell[at];
            continue;
        }
        const qsizetype close = cell.indexOf(u'>', at);
        if (close < 0)
            break;
        at = close;
    }
    return text.trimmed();
}

} // namespace

RankPage parseRankPage(QStringView page)
{
    if (page.contains(u"UNRANKED"))
        return {u"Unranked"_s, {}, {}, {}};
    if (page.contains(u"<i>NOT</i>"))
        return {u"nf"_s, {}, {}, {}};

    const qsizetype rankAt = positionAfter(page, RankMarker, RankMarker.size());
    const qsizetype statsAt = positionAfter(page, StatsMarker, StatsSkip);
    const int rank = TextScan::leadingNumber(TextScan::clampedMid(page, rankAt - 1, RankDigits));

    // Skill, win percentage and streak are the texts between four consecutive cell openings.
    const QStringView stats = TextScan::clampedMid(page, statsAt - 1, StatsWindow);
    std::array<QString, 3> cells;
    qsizetype open = stats.indexOf(CellMarker);
    for (QString &cell : cells) {
        if (open < 0)
            return errorPage();
        const qsizetype textStart = open + CellMarker.size();
        const qsizetype next = stats.indexOf(CellMarker, textStart);
        if (next < 0)
            return errorPage();
        cell = cellText(stats.sliced(textStart, next - textStart));
        open = next;
    }
    return {QString::number(rank), cells[0], cells[1], cells[2]};
}

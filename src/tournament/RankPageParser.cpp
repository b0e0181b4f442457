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
// The league's pages have always been read with 16-bit positions: a rank or stats table that
// starts beyond them is not where a rank page keeps it, and the page is refused as before.
constexpr qsizetype LastReadablePosition = 32767;

RankPage errorPage()
{
    return {u"error"_s, {}, {}, {}};
}

// 1-based position `offset` characters after the marker, counting from 0 when it is absent.
qsizetype positionAfter(QStringView page, QStringView marker, qsizetype offset)
{
    return page.indexOf(marker) + 1 + offset;
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
    if (rankAt > LastReadablePosition || statsAt > LastReadablePosition)
        return errorPage();
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
        cell = stats.sliced(textStart, next - textStart).toString();
        open = next;
    }
    return {QString::number(rank), cells[0], cells[1], cells[2]};
}

#pragma once

#include <QString>
#include <QStringView>

// What the ranking script's page says about one player.
struct RankPage
{
    // "Unranked", "nf" (not found), "error" (the page could not be read) or the rank as digits.
    QString result;
    // Text of the three cells after the rank, without tags and without blanks or line breaks at
    // either end; set only when `result` is a rank.
    QString skill;
    QString winPercent;
    QString streak;
};

// Takes any text and never fails; runs in time proportional to the page.
RankPage parseRankPage(QStringView page);

#pragma once

#include <QStringView>

#include <vector>

// Helpers for scraping the league's pages. The pages are searched many times from many positions;
// these keep every search proportional to the page, whatever the page holds.
namespace TextScan {

// Where a needle occurs in a text, found once, so that asking for "the next occurrence at or after
// a position" is a binary search rather than another scan of the rest of the page.
class Occurrences
{
public:
    Occurrences(
        QStringView text, QStringView needle, Qt::CaseSensitivity sensitivity = Qt::CaseSensitive);

    // Start of the first occurrence at or after `from` that ends at or before `end`; -1 if none.
    qsizetype next(qsizetype from, qsizetype end) const;
    qsizetype next(qsizetype from) const { return next(from, m_textSize); }

private:
    std::vector<qsizetype> m_positions;
    qsizetype m_needleSize;
    qsizetype m_textSize;
};

// The decimal number at the start of the text: blanks (space, tab, line feed) are skipped wherever
// they stand, reading stops at the first other non-digit, no digits give 0. Large values saturate
// at Saturation, far beyond any rank, round or match number.
inline constexpr int Saturation = 1'000'000'000;
int leadingNumber(QStringView text);

// The text without the "-" and " " at its end.
QStringView chopTrailingDashesAndBlanks(QStringView text);

// The part of the text from `from` (0-based) of at most `length` characters; empty beyond the end.
QStringView clampedMid(QStringView text, qsizetype from, qsizetype length);

} // namespace TextScan

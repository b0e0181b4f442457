#include "tournament/StandingsParser.h"

#include "tournament/TextScan.h"

#include <algorithm>
#include <bitset>

using namespace Qt::StringLiterals;
using TextScan::Occurrences;

namespace {

QString pairingLine(QStringView first, QStringView second)
{
    return first.toString() + u" vs "_s + second.toString();
}

QStringView nameOrTbd(QStringView name)
{
    name = TextScan::chopTrailingDashesAndBlanks(name);
    return name.isEmpty() ? u"TBD" : name;
}

// The match rows of single-elimination sections.
class MatchRows
{
public:
    explicit MatchRows(QStringView document)
        : m_document(document)
        , m_matchMarks(document, u"left>match", Qt::CaseInsensitive)
        , m_cellOpens(document, u"left>")
        , m_tagOpens(document, u"<")
    {
    }

    // Reads every row of the section [start, end) into `round`.
    void read(qsizetype start, qsizetype end, int round, Pairings &pairings) const
    {
        qsizetype row = start;
        for (qsizetype mark = m_matchMarks.next(row, end); mark >= 0;
             mark = m_matchMarks.next(row, end)) {
            // The match number stands two characters after "match", as in "Match #3".
            row = std::min(mark + 12, end);
            readRow(row, end, round, pairings);
        }
    }

private:
    // A row whose cells are not closed by "<" has no readable number or name and is left out.
    void readRow(qsizetype row, qsizetype end, int round, Pairings &pairings) const
    {
        const qsizetype numberEnd = m_tagOpens.next(row, end);
        const qsizetype firstStart = cellText(row, row, end);
        const qsizetype firstEnd = m_tagOpens.next(firstStart, end);
        if (numberEnd < 0 || firstEnd < 0)
            return;
        const qsizetype secondStart = cellText(firstEnd, row, end);
        const qsizetype secondEnd = m_tagOpens.next(secondStart, end);
        if (secondEnd < 0)
            return;
        const int match = TextScan::leadingNumber(m_document.sliced(row, numberEnd - row));
        pairings.set(round, match,
            pairingLine(nameOrTbd(m_document.sliced(firstStart, firstEnd - firstStart)),
                nameOrTbd(m_document.sliced(secondStart, secondEnd - secondStart))));
    }

    // Where the text of the next "left>" cell at or after `from` starts. Without such a cell the
    // page layout this follows reads from the fifth character of the row.
    qsizetype cellText(qsizetype from, qsizetype row, qsizetype end) const
    {
        const qsizetype open = m_cellOpens.next(from, end);
        return open < 0 ? row + 4 : open + 5;
    }

    QStringView m_document;
    Occurrences m_matchMarks;
    Occurrences m_cellOpens;
    Occurrences m_tagOpens;
};

int roundDigit(QStringView document, qsizetype at)
{
    if (at >= document.size())
        return 0;
    const QChar c = document[at];
    return c >= u'0' && c <= u'9' ? c.unicode() - u'0' : 0;
}

} // namespace

Pairings parseStandings(QStringView document)
{
    Pairings pairings;
    const Occurrences roundMarks(document, u">round", Qt::CaseInsensitive);
    const Occurrences formEnds(document, u"/form");
    const MatchRows rows(document);

    // Headings with the same number whose sections end at the same "/form" read the same rows
    // from the first of them on: reading them again could only write the same entries.
    std::bitset<Pairings::RoundCount + 1> roundsRead;
    qsizetype sectionsEnd = -1;

    qsizetype start = 0;
    for (qsizetype mark = roundMarks.next(start); mark >= 0; mark = roundMarks.next(start)) {
        // A heading within the first six characters of what is left ends the scan.
        if (mark - start <= 5)
            break;
        // The round number stands one character after ">round", as in ">Round 2".
        start = std::min(mark + 7, document.size());
        const int round = roundDigit(document, start);
        const qsizetype slash = formEnds.next(start);
        if (slash < 0 || !Pairings::contains(round, 1))
            continue;
        if (slash != sectionsEnd) {
            sectionsEnd = slash;
            roundsRead.reset();
        }
        if (roundsRead.test(static_cast<std::size_t>(round)))
            continue;
        roundsRead.set(static_cast<std::size_t>(round));
        rows.read(start, slash + 1, round, pairings);
    }
    return pairings;
}

Pairings parseDEStandings(QStringView document)
{
    Pairings pairings;
    const Occurrences cellsAnyCase(document, u"=left", Qt::CaseInsensitive);
    const Occurrences cells(document, u"=left");
    const Occurrences tagOpens(document, u"<");
    const qsizetype size = document.size();

    qsizetype at = 0;
    for (int match = 1; match <= Pairings::MatchCount; ++match) {
        const qsizetype firstCell = cellsAnyCase.next(at);
        if (firstCell < 0)
            break;
        at = std::min(firstCell + 6, size); // past "=left" and the ">" that closes the tag
        const qsizetype firstEnd = tagOpens.next(at);
        if (firstEnd < 0)
            break;
        const QStringView first = document.sliced(at, firstEnd - at);
        // The layout resumes at the name's last character; an empty name has none, so the
        // search resumes where the name would have been.
        at = std::max(at, firstEnd - 1);
        const qsizetype secondCell = cells.next(at);
        at = std::min(secondCell < 0 ? at + 5 : secondCell + 6, size);
        const qsizetype secondEnd = tagOpens.next(at);
        if (secondEnd < 0)
            break;
        pairings.set(1, match,
            pairingLine(TextScan::chopTrailingDashesAndBlanks(first),
                TextScan::chopTrailingDashesAndBlanks(document.sliced(at, secondEnd - at))));
    }
    return pairings;
}

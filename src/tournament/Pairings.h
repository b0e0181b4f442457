#pragma once

#include <QString>

#include <QList>

#include <array>

// Who plays whom, by round 1..6 and match 1..32 (both 1-based, as printed on the report page).
// An entry is "" or "first vs second". Numbers outside the table read as "" and are not stored.
class Pairings
{
public:
    static constexpr int RoundCount = 6;
    static constexpr int MatchCount = 32;

    static bool contains(int round, int match)
    {
        return round >= 1 && round <= RoundCount && match >= 1 && match <= MatchCount;
    }

    QString at(int round, int match) const
    {
        return contains(round, match) ? m_entries[index(round, match)] : QString();
    }

    void set(int round, int match, const QString &line)
    {
        if (contains(round, match))
            m_entries[index(round, match)] = line;
    }

    bool isEmpty() const
    {
        for (const QString &entry : m_entries) {
            if (!entry.isEmpty())
                return false;
        }
        return true;
    }

    // The rounds, in order, in which at least one match differs from other's.
    QList<int> roundsDifferingFrom(const Pairings &other) const
    {
        QList<int> rounds;
        for (int round = 1; round <= RoundCount; ++round) {
            for (int match = 1; match <= MatchCount; ++match) {
                if (at(round, match) != other.at(round, match)) {
                    rounds.append(round);
                    break;
                }
            }
        }
        return rounds;
    }

    friend bool operator==(const Pairings &, const Pairings &) = default;

private:
    static std::size_t index(int round, int match)
    {
        return static_cast<std::size_t>((round - 1) * MatchCount + (match - 1));
    }

    std::array<QString, RoundCount * MatchCount> m_entries;
};

#pragma once

#include "tournament/CourseTable.h"
#include "tournament/Ladders.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <functional>

class SettingsStore;
struct StoredValue;

// The tournament the room serves, as the operator sets it up: ladder, format, elimination type,
// tournament type, four detail texts, course, level and holes (or prize) of each round, and five
// rules. Every edit is written through to the settings store at once; restore() reads it all back
// at start-up. Boxes with choices take only entries of their lists, as a drop-down list would.
class TournamentSettings : public QObject
{
    Q_OBJECT

public:
    enum Detail { Ladder = 0, Format = 1, Elimination = 2 };
    enum DetailText { JumpNumber = 0, StartTime = 1, EntryFee = 2, Donation = 3 };
    static constexpr int DetailCount = 3;
    static constexpr int DetailTextCount = 4;
    static constexpr int RuleCount = 5;

    TournamentSettings(SettingsStore &store, QList<LadderEntry> ladders, QObject *parent = nullptr);

    // Choice lists and captions for the view.
    QStringList detailChoices(int i) const;
    static QString detailCaption(int i);
    static QString detailTextCaption(int i);
    static QString ruleCaption(int k);
    static const QStringList &typeChoices();
    const QStringList &holesChoices() const { return m_holesChoices; }
    QString holesCaption() const;

    // Edit handlers. The choosers return false, and change nothing, for a text that is not an
    // entry of the box's list.
    bool chooseDetail(int i, const QString &text);
    void setDetailText(int i, const QString &text);
    void setRule(int k, const QString &text);
    bool chooseCourse(int row, const QString &text);
    bool chooseLevel(int row, const QString &text);
    bool chooseHoles(int row, const QString &text);
    bool chooseType(const QString &text);

    // Reads every stored value back, in the order the values depend on each other.
    void restore();
    bool isLoadingSettings() const { return m_loadingSettings; }

    // Values. Out-of-range indexes read as "".
    QString details(int i) const;
    QString detailText(int i) const;
    QString rule(int k) const;
    QString type() const { return m_type; }
    QString course(int row) const;
    QString level(int row) const;
    QString holes(int row) const;
    QString jumpNumber() const { return detailText(JumpNumber); }
    QString eliminationType() const { return details(Elimination); }

    // The ladder table and the chosen ladder. ladderName() is the ladder box's text; path and
    // server are those of selectedLadder(), or "" when ladders.ini listed no ladder.
    const QList<LadderEntry> &ladders() const { return m_ladders; }
    int selectedLadder() const { return m_selectedLadder; }
    QString ladderName() const { return details(Ladder); }
    QString ladderPath() const;
    QString ladderServer() const;

Q_SIGNALS:
    void changed();
    // The holes column now offers holesChoices() under holesCaption(); every holes box is empty.
    void holesChoicesChanged();

private:
    using RowValues = std::array<QString, CourseTable::RowCount>;

    bool chooseInRow(RowValues &rows, const StoredValue &stored, const QStringList &choices,
        int row, const QString &text);
    void findSelectedLadder();
    // Chooses each value of the row that is stored (not "").
    void restoreChoice(
        const StoredValue &stored, const std::function<bool(int, const QString &)> &choose);

    SettingsStore &m_store;
    QList<LadderEntry> m_ladders;
    int m_selectedLadder = 0;
    bool m_loadingSettings = false;

    std::array<QString, DetailCount> m_details;
    std::array<QString, DetailTextCount> m_detailTexts;
    std::array<QString, RuleCount> m_rules;
    QString m_type;
    QStringList m_holesChoices;
    RowValues m_courses;
    RowValues m_levels;
    RowValues m_holes;
};

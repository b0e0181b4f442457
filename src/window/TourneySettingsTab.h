#pragma once

#include <QWidget>

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;

// The " Tourney Settings" tab: the tournament's details, the course, level and holes of each
// round, and its rules. The round lists are filled by the tournament settings at start-up.
class TourneySettingsTab : public QWidget
{
    Q_OBJECT

public:
    static constexpr int DetailChoiceCount = 3; // ladder, format, elimination type
    static constexpr int DetailTextCount = 4; // jump number, start time, entry fee, donation
    static constexpr int RoundCount = 8; // R1..R6, WF, LB
    static constexpr int AllRoundsRow = 8; // the "ALL" row sets every round at once
    static constexpr int RuleCount = 5;

    explicit TourneySettingsTab(QWidget *parent = nullptr);

    QComboBox *detailChoice(int index) const { return m_detailChoices.at(index); }
    QComboBox *typeChoice() const { return m_type; }
    QLineEdit *detailText(int index) const { return m_detailTexts.at(index); }
    // row 0..7 for the rounds, AllRoundsRow for "ALL".
    QComboBox *courseChoice(int row) const { return m_courses.at(row); }
    QComboBox *levelChoice(int row) const { return m_levels.at(row); }
    QComboBox *holesChoice(int row) const { return m_holes.at(row); }
    QLineEdit *ruleText(int index) const { return m_rules.at(index); }

    // "Holes" for stroke play, "Amount" for skins.
    void setHolesCaption(const QString &caption);
    QString holesCaption() const;

    // Replace the entries of one column in all nine rows; nothing is chosen afterwards.
    void setCourseChoices(const QStringList &entries);
    void setLevelChoices(const QStringList &entries);
    void setHolesChoices(const QStringList &entries);

private:
    QWidget *buildDetails();
    QWidget *buildRounds();
    QWidget *buildRules();

    std::array<QComboBox *, DetailChoiceCount> m_detailChoices{};
    QComboBox *m_type = nullptr;
    std::array<QLineEdit *, DetailTextCount> m_detailTexts{};
    std::array<QComboBox *, RoundCount + 1> m_courses{};
    std::array<QComboBox *, RoundCount + 1> m_levels{};
    std::array<QComboBox *, RoundCount + 1> m_holes{};
    QLabel *m_holesCaption = nullptr;
    std::array<QLineEdit *, RuleCount> m_rules{};
};

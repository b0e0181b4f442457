#include "window/TourneySettingsTab.h"

#include "window/ControlArrayName.h"
#include "window/Named.h"
#include "window/ShowValue.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// A drop-down list with nothing chosen, as the tournament starts out.
QComboBox *choiceBox(const QString &objectName, const QStringList &entries, QWidget *parent)
{
    auto *box = named(objectName, new QComboBox(parent));
    fillChoices(*box, entries);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return box;
}

template <std::size_t N>
void refill(const std::array<QComboBox *, N> &boxes, const QStringList &entries)
{
    for (QComboBox *box : boxes)
        fillChoices(*box, entries);
}

QLabel *columnCaption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

TourneySettingsTab::TourneySettingsTab(QWidget *parent)
    : QWidget(parent)
{
    auto *top = new QHBoxLayout;
    top->addWidget(buildDetails());
    top->addWidget(buildRounds(), 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buildRules());
    layout->addStretch(1);
}

QWidget *TourneySettingsTab::buildDetails()
{
    auto *group = new QGroupBox(u"Details"_s, this);
    group->setMinimumWidth(300);
    auto *form = new QFormLayout(group);

    const QStringList choiceCaptions{u"Ladder"_s, u"Format"_s, u"Elimination Type"_s};
    const QList<QStringList> choiceEntries{
        {},
        {u"1 vs 1"_s, u"2 vs 2"_s, u"3 vs 3"_s},
        {u"Single Elimination"_s, u"Double Elimination"_s},
    };
    for (int i = 0; i < DetailChoiceCount; ++i) {
        m_detailChoices[i]
            = choiceBox(controlArrayName(u"cboDetails"_s, i), choiceEntries[i], group);
        form->addRow(choiceCaptions[i], m_detailChoices[i]);
    }
    m_type = choiceBox(u"cboType"_s, {u"Stroke"_s, u"Skins"_s}, group);
    form->addRow(u"Tourny Type"_s, m_type);

    const QStringList textCaptions{
        u"Jump Number"_s, u"Start Time"_s, u"Entry Fee"_s, u"Donation"_s};
    for (int i = 0; i < DetailTextCount; ++i) {
        m_detailTexts[i] = named(controlArrayName(u"txtDetails"_s, i), new QLineEdit(group));
        form->addRow(textCaptions[i], m_detailTexts[i]);
    }
    m_detailTexts[0]->setToolTip(u"The tournament's number on the league web site"_s);
    return group;
}

QWidget *TourneySettingsTab::buildRounds()
{
    auto *group = new QGroupBox(u"Rounds"_s, this);
    auto *grid = new QGridLayout(group);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(3, 1);

    grid->addWidget(columnCaption(u"Course"_s, group), 0, 1);
    grid->addWidget(columnCaption(u"Level"_s, group), 0, 2);
    m_holesCaption = named(u"lblHolesCaption"_s, columnCaption(u"Holes"_s, group));
    grid->addWidget(m_holesCaption, 0, 3);

    const QStringList rowCaptions{
        u"R1"_s, u"R2"_s, u"R3"_s, u"R4"_s, u"R5"_s, u"R6"_s, u"WF"_s, u"LB"_s, u"ALL"_s};
    for (int row = 0; row <= AllRoundsRow; ++row) {
        // A gap sets the "ALL" tool apart from the rounds it fills.
        const int gridRow = row + 1 + (row == AllRoundsRow ? 1 : 0);
        auto *caption = new QLabel(rowCaptions[row], group);
        if (row == AllRoundsRow)
            caption->setToolTip(u"A choice here is copied to every round"_s);
        grid->addWidget(caption, gridRow, 0);
        m_courses[row] = choiceBox(controlArrayName(u"cboCourse"_s, row), {}, group);
        m_levels[row] = choiceBox(controlArrayName(u"cboLevel"_s, row), {}, group);
        m_holes[row] = choiceBox(controlArrayName(u"cboHoles"_s, row), {}, group);
        grid->addWidget(m_courses[row], gridRow, 1);
        grid->addWidget(m_levels[row], gridRow, 2);
        grid->addWidget(m_holes[row], gridRow, 3);
    }
    grid->setRowMinimumHeight(AllRoundsRow + 1, 8);
    return group;
}

QWidget *TourneySettingsTab::buildRules()
{
    auto *group = new QGroupBox(u"Rules"_s, this);
    auto *form = new QFormLayout(group);
    for (int k = 0; k < RuleCount; ++k) {
        m_rules[k] = named(controlArrayName(u"txtRules"_s, k), new QLineEdit(group));
        form->addRow(u"Rule #"_s + QString::number(k + 1), m_rules[k]);
    }
    return group;
}

void TourneySettingsTab::setHolesCaption(const QString &caption)
{
    m_holesCaption->setText(caption);
}

QString TourneySettingsTab::holesCaption() const
{
    return m_holesCaption->text();
}

void TourneySettingsTab::setCourseChoices(const QStringList &entries)
{
    refill(m_courses, entries);
}

void TourneySettingsTab::setLevelChoices(const QStringList &entries)
{
    refill(m_levels, entries);
}

void TourneySettingsTab::setHolesChoices(const QStringList &entries)
{
    refill(m_holes, entries);
}

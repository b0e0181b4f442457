#include "window/TourneySettingsBinder.h"

#include "host/SettingsEditor.h"
#include "settings/StoredValues.h"
#include "tournament/CourseTable.h"
#include "tournament/TournamentSettings.h"
#include "window/ShowValue.h"
#include "window/TourneySettingsTab.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScopedValueRollback>

TourneySettingsBinder::TourneySettingsBinder(const TournamentSettings &settings,
    SettingsEditor &editor, TourneySettingsTab &view, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_editor(editor)
    , m_view(view)
{
    fillChoices();
    showSettings();
    connectEdits();
    connect(&m_settings, &TournamentSettings::holesChoicesChanged, this,
        &TourneySettingsBinder::fillHolesChoices);
    connect(&m_settings, &TournamentSettings::changed, this, &TourneySettingsBinder::showSettings);
}

void TourneySettingsBinder::connectEdits()
{
    for (int i = 0; i < TourneySettingsTab::DetailChoiceCount; ++i)
        connectChoice(m_view.detailChoice(i), [this, i](const QString &text) {
            m_editor.setStoredValue(StoredValues::Details, i, text);
        });
    connectChoice(m_view.typeChoice(),
        [this](const QString &text) { m_editor.setStoredValue(StoredValues::Type, 0, text); });
    for (int row = 0; row <= TourneySettingsTab::AllRoundsRow; ++row) {
        connectRoundChoice(m_view.courseChoice(row), StoredValues::Courses, row);
        connectRoundChoice(m_view.levelChoice(row), StoredValues::Levels, row);
        connectRoundChoice(m_view.holesChoice(row), StoredValues::Holes, row);
    }

    for (int i = 0; i < TourneySettingsTab::DetailTextCount; ++i)
        connectText(m_view.detailText(i), StoredValues::DetailTexts, i);
    for (int k = 0; k < TourneySettingsTab::RuleCount; ++k)
        connectText(m_view.ruleText(k), StoredValues::Rules, k);
}

void TourneySettingsBinder::connectRoundChoice(QComboBox *box, const StoredValue &column, int row)
{
    connectChoice(box, [this, &column, row](const QString &text) {
        if (row == TourneySettingsTab::AllRoundsRow)
            m_editor.chooseForEveryRound(column, text);
        else
            m_editor.setStoredValue(column, row, text);
    });
}

void TourneySettingsBinder::connectChoice(
    QComboBox *box, const std::function<void(const QString &)> &choose)
{
    // activated() comes only from the operator and also when the same entry is chosen again, so
    // choosing in the "ALL" row once more fills rounds changed since.
    connect(box, &QComboBox::activated, this,
        [box, choose](int entry) { choose(box->itemText(entry)); });
}

void TourneySettingsBinder::connectText(QLineEdit *box, const StoredValue &stored, int index)
{
    connect(box, &QLineEdit::textChanged, this, [this, &stored, index](const QString &text) {
        if (!m_showing)
            m_editor.setStoredValue(stored, index, text);
    });
}

void TourneySettingsBinder::fillChoices()
{
    const QScopedValueRollback showing(m_showing, true);
    for (int i = 0; i < TourneySettingsTab::DetailChoiceCount; ++i)
        ::fillChoices(*m_view.detailChoice(i), m_settings.detailChoices(i));
    ::fillChoices(*m_view.typeChoice(), TournamentSettings::typeChoices());
    m_view.setCourseChoices(CourseTable::courseChoices());
    m_view.setLevelChoices(CourseTable::levelChoices());
    fillHolesChoices();
}

void TourneySettingsBinder::fillHolesChoices()
{
    const QScopedValueRollback showing(m_showing, true);
    m_view.setHolesChoices(m_settings.holesChoices());
    m_view.setHolesCaption(m_settings.holesCaption());
}

void TourneySettingsBinder::showSettings()
{
    const QScopedValueRollback showing(m_showing, true);
    for (int i = 0; i < TourneySettingsTab::DetailChoiceCount; ++i)
        showChoice(*m_view.detailChoice(i), m_settings.details(i));
    showChoice(*m_view.typeChoice(), m_settings.type());
    for (int i = 0; i < TourneySettingsTab::DetailTextCount; ++i)
        showText(*m_view.detailText(i), m_settings.detailText(i));
    for (int k = 0; k < TourneySettingsTab::RuleCount; ++k)
        showText(*m_view.ruleText(k), m_settings.rule(k));
    for (int row = 0; row <= TourneySettingsTab::AllRoundsRow; ++row) {
        showChoice(*m_view.courseChoice(row), m_settings.course(row));
        showChoice(*m_view.levelChoice(row), m_settings.level(row));
        showChoice(*m_view.holesChoice(row), m_settings.holes(row));
    }
}

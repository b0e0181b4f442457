#pragma once

#include <QObject>

#include <functional>

class QComboBox;
class QLineEdit;
class SettingsEditor;
class TourneySettingsTab;
class TournamentSettings;
struct StoredValue;

// Keeps the " Tourney Settings" tab in step with the tournament settings. The lists come from
// the settings, the view always shows the settings' values, and each of the operator's choices
// and keystrokes is handed to the host's settings operations, which call the settings' own
// handler. Whatever a handler changes besides the
// edited control (the "ALL" row filling the rounds, a new type emptying the holes) reaches the
// view the same way: through the settings, never from one control to another.
class TourneySettingsBinder : public QObject
{
    Q_OBJECT

public:
    TourneySettingsBinder(const TournamentSettings &settings, SettingsEditor &editor,
        TourneySettingsTab &view, QObject *parent = nullptr);

private:
    void connectEdits();
    void connectChoice(QComboBox *box, const std::function<void(const QString &)> &choose);
    // A round column's box in row (0-7 a round, 8 the "ALL" row).
    void connectRoundChoice(QComboBox *box, const StoredValue &column, int row);
    // Text boxes are stored on every keystroke.
    void connectText(QLineEdit *box, const StoredValue &stored, int index);
    void fillChoices();
    void fillHolesChoices();
    void showSettings();

    const TournamentSettings &m_settings;
    SettingsEditor &m_editor;
    TourneySettingsTab &m_view;
    // Set while values or lists are put into the controls: their change signals are echoes.
    bool m_showing = false;
};

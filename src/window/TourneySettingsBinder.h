#pragma once

#include <QObject>

#include <functional>

class QComboBox;
class QLineEdit;
class TourneySettingsTab;
class TournamentSettings;

// Keeps the " Tourney Settings" tab in step with the tournament settings. The lists come from
// the settings, the view always shows the settings' values, and each of the operator's choices
// and keystrokes is handed to the settings' own handler. Whatever a handler changes besides the
// edited control (the "ALL" row filling the rounds, a new type emptying the holes) reaches the
// view the same way: through the settings, never from one control to another.
class TourneySettingsBinder : public QObject
{
    Q_OBJECT

public:
    TourneySettingsBinder(
        TournamentSettings &settings, TourneySettingsTab &view, QObject *parent = nullptr);

private:
    void connectEdits();
    void connectChoice(QComboBox *box, const std::function<void(const QString &)> &choose);
    // Text boxes are stored on every keystroke.
    void connectText(QLineEdit *box, const std::function<void(const QString &)> &store);
    void fillChoices();
    void fillHolesChoices();
    void showSettings();

    TournamentSettings &m_settings;
    TourneySettingsTab &m_view;
    // Set while values or lists are put into the controls: their change signals are echoes.
    bool m_showing = false;
};

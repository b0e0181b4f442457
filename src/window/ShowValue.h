#pragma once

#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;

// Put a model's value into a control. Each leaves a control that already shows the value alone,
// so an operator typing in a box keeps the cursor and the undo history while the model echoes the
// keystroke back.
void showText(QLineEdit &box, const QString &text);
// An empty text, or one that is not an entry of the list, shows no choice.
void showChoice(QComboBox &box, const QString &text);
void showChecked(QCheckBox &box, bool checked);
// Replace the entries of a drop-down list with the given ones, in order; nothing is chosen.
void fillChoices(QComboBox &box, const QStringList &entries);

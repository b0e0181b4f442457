#include "window/ShowValue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

void showText(QLineEdit &box, const QString &text)
{
    if (box.text() == text)
        return;
    box.setText(text);
    // A value the operator is not typing shows from its start, as a narrow box would otherwise
    // show only its end.
    if (!box.hasFocus())
        box.setCursorPosition(0);
}

void showChoice(QComboBox &box, const QString &text)
{
    const int index
        = text.isEmpty() ? -1 : box.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (box.currentIndex() != index)
        box.setCurrentIndex(index);
}

void showChecked(QCheckBox &box, bool checked)
{
    if (box.isChecked() != checked)
        box.setChecked(checked);
}

void fillChoices(QComboBox &box, const QStringList &entries)
{
    box.clear();
    box.addItems(entries);
    box.setCurrentIndex(-1);
}

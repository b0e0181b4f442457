#pragma once

#include <QComboBox>

// What a drop-down list does when the operator picks an entry: it shows the entry and reports
// the choice, even when the entry was already shown.
inline void chooseEntry(QComboBox &box, const QString &text)
{
    const int index = box.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    Q_ASSERT(index >= 0);
    box.setCurrentIndex(index);
    Q_EMIT box.activated(index);
}

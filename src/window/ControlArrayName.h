#pragma once

#include <QString>

// Object name of one element of a control array: "cboCourse_3", so the index can be read back.
inline QString controlArrayName(const QString &base, int index)
{
    return base + QLatin1Char('_') + QString::number(index);
}

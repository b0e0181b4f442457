#pragma once

#include <QList>

#include <algorithm>
#include <cmath>

// Nearest-rank percentile (0..100) of the values; 0 for none.
inline double percentile(QList<double> values, double rank)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<qsizetype>(std::ceil(rank / 100.0 * double(values.size())));
    return values[std::clamp<qsizetype>(index - 1, 0, values.size() - 1)];
}

inline double median(const QList<double> &values)
{
    return percentile(values, 50);
}

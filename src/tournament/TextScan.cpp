#include "tournament/TextScan.h"

#include <algorithm>

namespace TextScan {

Occurrences::Occurrences(QStringView text, QStringView needle, Qt::CaseSensitivity sensitivity)
    : m_needleSize(needle.size())
    , m_textSize(text.size())
{
    for (qsizetype at = text.indexOf(needle, 0, sensitivity); at >= 0;
         at = text.indexOf(needle, at + 1, sensitivity)) {
        m_positions.push_back(at);
    }
}

qsizetype Occurrences::next(qsizetype from, qsizetype end) const
{
    const auto found = std::lower_bound(m_positions.begin(), m_positions.end(), from);
    if (found == m_positions.end() || *found + m_needleSize > end)
        return -1;
    return *found;
}

int leadingNumber(QStringView text)
{
    int value = 0;
    for (const QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n')
            continue;
        if (c < u'0' || c > u'9')
            break;
        const int digit = c.unicode() - u'0';
        value = value > (Saturation - digit) / 10 ? Saturation : value * 10 + digit;
    }
    return value;
}

QStringView chopTrailingDashesAndBlanks(QStringView text)
{
    while (!text.isEmpty() && (text.back() == u'-' || text.back() == u' '))
        text.chop(1);
    return text;
}

QStringView clampedMid(QStringView text, qsizetype from, qsizetype length)
{
    from = std::clamp<qsizetype>(from, 0, text.size());
    length = std::clamp<qsizetype>(length, 0, text.size() - from);
    return text.sliced(from, length);
}

} // namespace TextScan

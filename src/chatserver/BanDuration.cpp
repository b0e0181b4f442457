#include "chatserver/BanDuration.h"

#include <QRegularExpression>

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array<std::pair<char16_t, qint64>, 5> kUnits
    = {{{u'w', 7 * 86400}, {u'd', 86400}, {u'h', 3600}, {u'm', 60}, {u's', 1}}};
constexpr qint64 kLongestSeconds = 3660LL * 86400;

} // namespace

std::optional<std::chrono::seconds> BanDuration::parse(const QString &text)
{
    const QString trimmed = text.trimmed().toLower();
    if (trimmed.size() < 2)
        return std::nullopt;
    const QChar unit = trimmed.back();
    const QStringView digits = QStringView(trimmed).chopped(1);
    // Digits only: no sign, no blanks, no "0x".
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qint64 count = digits.toLongLong(&ok);
    if (!ok || count <= 0)
        return std::nullopt;
    for (const auto &[letter, seconds] : kUnits) {
        if (unit != QChar(letter))
            continue;
        if (count > kLongestSeconds / seconds)
            return std::nullopt;
        return std::chrono::seconds(count * seconds);
    }
    return std::nullopt;
}

std::optional<BanTerms> BanDuration::parseTerms(const QString &text)
{
    static const QRegularExpression durationLike(
        u"^[0-9]+[a-z]$"_s, QRegularExpression::CaseInsensitiveOption);
    const QString trimmed = text.trimmed();
    const qsizetype blank = trimmed.indexOf(u' ');
    const QString first = trimmed.left(blank);
    BanTerms terms;
    if (durationLike.match(first).hasMatch()) {
        terms.duration = parse(first);
        if (!terms.duration)
            return std::nullopt;
        terms.reason = blank < 0 ? QString() : trimmed.mid(blank + 1).trimmed();
    } else {
        terms.reason = trimmed;
    }
    return terms;
}

QString BanDuration::format(std::chrono::seconds duration)
{
    const qint64 total = duration.count();
    for (const auto &[letter, seconds] : kUnits) {
        if (total != 0 && total % seconds == 0)
            return QString::number(total / seconds) + QChar(letter);
    }
    return QString::number(total) + u's';
}

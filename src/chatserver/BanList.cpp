#include "chatserver/BanList.h"

#include "text/LogTimeFormats.h"

#include <QHostAddress>
#include <QLocale>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The expiry timer never waits longer than this, so a far-off end or a changed system clock is
// looked at again in good time.
constexpr qint64 kLongestExpiryWaitMs = 60LL * 60 * 1000;

bool matches(const QString &target, const QHostAddress &address)
{
    if (target.contains(u'/'))
        return address.isInSubnet(QHostAddress::parseSubnet(target));
    return address.isEqual(QHostAddress(target), QHostAddress::TolerantConversion);
}

} // namespace

BanList::BanList(QObject *parent)
    : QObject(parent)
    , m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    m_expiryTimer.setSingleShot(true);
    connect(&m_expiryTimer, &QTimer::timeout, this, &BanList::removeExpired);
}

void BanList::setClock(Clock clock)
{
    m_clock = std::move(clock);
    scheduleExpiry();
}

std::optional<QString> BanList::canonicalTarget(const QString &text)
{
    const QString trimmed = text.trimmed();
    // The address parser stops at a zero character and would take what comes before it.
    if (std::any_of(trimmed.cbegin(), trimmed.cend(), [](QChar c) { return c.unicode() < 0x20; }))
        return std::nullopt;
    if (trimmed.contains(u'/')) {
        const auto [network, length] = QHostAddress::parseSubnet(trimmed);
        if (network.protocol() != QAbstractSocket::IPv4Protocol || length < 0)
            return std::nullopt;
        return network.toString() + u'/' + QString::number(length);
    }
    const QHostAddress address(trimmed);
    if (address.isNull())
        return std::nullopt;
    return address.toString();
}

bool BanList::isInForce(const Row &row, const QDateTime &at) const
{
    return !row.expires.isValid() || row.expires > at;
}

bool BanList::isBanned(const QString &address) const
{
    const QHostAddress peer(address);
    const QDateTime at = now();
    return std::any_of(m_rows.cbegin(), m_rows.cend(), [&](const Row &row) {
        if (!isInForce(row, at))
            return false;
        return row.address == address || (!peer.isNull() && matches(row.address, peer));
    });
}

QString BanList::timeOfDay(const QDateTime &when)
{
    const QLocale locale = QLocale::system();
    return locale.toString(when.toLocalTime().time(), LogTimeFormats::timeFormat(locale));
}

bool BanList::ban(const QString &playerName, const QString &address, const Terms &terms)
{
    const std::optional<QString> target = canonicalTarget(address);
    if (!target)
        return false;
    Row row;
    row.playerName = playerName;
    row.address = *target;
    row.made = now();
    row.timeBanned = timeOfDay(row.made);
    if (terms.duration)
        row.expires = row.made.addSecs(terms.duration->count());
    row.reason = terms.reason;
    add(row);
    Q_EMIT banned(row);
    return true;
}

void BanList::add(const Row &row)
{
    m_rows.append(row);
    scheduleExpiry();
    Q_EMIT changed();
}

void BanList::restore(const QList<Row> &rows)
{
    m_rows = rows;
    Q_EMIT changed();
    removeExpired();
}

void BanList::removeRows(QList<int> indices)
{
    // From the back, so removing one row does not shift the indices still to come.
    std::sort(indices.begin(), indices.end(), std::greater<>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    QStringList removedAddresses;
    for (const int index : std::as_const(indices)) {
        if (index < 0 || index >= m_rows.size())
            continue;
        removedAddresses.prepend(m_rows.takeAt(index).address);
    }
    if (!removedAddresses.isEmpty()) {
        scheduleExpiry();
        Q_EMIT changed();
    }
    for (const QString &address : std::as_const(removedAddresses))
        Q_EMIT unbanned(address);
}

bool BanList::removeAddress(const QString &address)
{
    const QString target = canonicalTarget(address).value_or(address);
    const qsizetype removed = m_rows.removeIf(
        [&](const Row &row) { return row.address == target || row.address == address; });
    if (removed > 0) {
        scheduleExpiry();
        Q_EMIT changed();
        Q_EMIT unbanned(target);
    }
    return removed > 0;
}

void BanList::clear()
{
    if (m_rows.isEmpty())
        return;
    m_rows.clear();
    scheduleExpiry();
    Q_EMIT changed();
    Q_EMIT clearedAll();
}

void BanList::removeExpired()
{
    const QDateTime at = now();
    QList<Row> gone;
    m_rows.removeIf([&](const Row &row) {
        if (isInForce(row, at))
            return false;
        gone.append(row);
        return true;
    });
    scheduleExpiry();
    if (gone.isEmpty())
        return;
    Q_EMIT changed();
    for (const Row &row : std::as_const(gone))
        Q_EMIT expired(row);
}

void BanList::scheduleExpiry()
{
    QDateTime next;
    for (const Row &row : std::as_const(m_rows)) {
        if (row.expires.isValid() && (!next.isValid() || row.expires < next))
            next = row.expires;
    }
    if (!next.isValid()) {
        m_expiryTimer.stop();
        return;
    }
    const qint64 waitMs = std::clamp(now().msecsTo(next), qint64(0), kLongestExpiryWaitMs);
    m_expiryTimer.start(std::chrono::milliseconds(waitMs));
}

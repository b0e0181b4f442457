#include "chatserver/BanStore.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QHash>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kValuePrefix = u"Ban "_s;
constexpr int kFieldCount = 5;

QString escapedField(QString text)
{
    return text.replace(u'%', u"%25"_s).replace(u'|', u"%7C"_s);
}

QString unescapedField(QString text)
{
    return text.replace(u"%7C"_s, u"|"_s, Qt::CaseInsensitive).replace(u"%25"_s, u"%"_s);
}

QString stamp(const QDateTime &when)
{
    return when.isValid() ? when.toUTC().toString(Qt::ISODate) : QString();
}

// The number of "Ban 12", or nothing for a name that is not one of ours.
std::optional<int> valueNumber(const QString &name)
{
    if (!name.startsWith(kValuePrefix))
        return std::nullopt;
    bool ok = false;
    const int number = name.mid(kValuePrefix.size()).toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

} // namespace

BanStore::BanStore(SettingsStore &store, BanList &bans, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_bans(bans)
{
}

QString BanStore::encode(const BanList::Row &row)
{
    return QStringList{row.address, stamp(row.made), stamp(row.expires),
        escapedField(row.playerName), escapedField(row.reason)}
        .join(u'|');
}

std::optional<BanList::Row> BanStore::decode(const QString &text)
{
    const QStringList fields = text.split(u'|');
    if (fields.size() != kFieldCount)
        return std::nullopt;
    BanList::Row row;
    const std::optional<QString> target = BanList::canonicalTarget(fields.at(0));
    if (!target)
        return std::nullopt;
    row.address = *target;
    row.made = QDateTime::fromString(fields.at(1).trimmed(), Qt::ISODate);
    if (!row.made.isValid())
        return std::nullopt;
    if (!fields.at(2).trimmed().isEmpty()) {
        row.expires = QDateTime::fromString(fields.at(2).trimmed(), Qt::ISODate);
        if (!row.expires.isValid())
            return std::nullopt;
    }
    row.playerName = unescapedField(fields.at(3));
    row.reason = unescapedField(fields.at(4));
    row.timeBanned = BanList::timeOfDay(row.made);
    return row;
}

QString BanStore::restore()
{
    QList<std::pair<int, QString>> numbered;
    QStringList foreign;
    for (const QString &name : m_store.valueNames(SettingsKeys::Bans)) {
        if (const std::optional<int> number = valueNumber(name))
            numbered.append({*number, name});
        else
            foreign.append(name);
    }
    std::sort(numbered.begin(), numbered.end());
    std::sort(foreign.begin(), foreign.end());
    QStringList names;
    for (const auto &entry : std::as_const(numbered))
        names.append(entry.second);
    names += foreign;

    QList<BanList::Row> rows;
    QStringList skipped;
    m_unreadable.clear();
    for (const QString &name : std::as_const(names)) {
        const QString text = m_store.readRegValue(SettingsKeys::Bans, name);
        if (const std::optional<BanList::Row> row = decode(text)) {
            rows.append(*row);
        } else {
            skipped.append(name);
            m_unreadable.append(text);
        }
    }

    connect(&m_bans, &BanList::changed, this, &BanStore::save, Qt::UniqueConnection);
    m_bans.restore(rows);
    if (skipped.isEmpty())
        return QString();
    return u"Stored bans that cannot be read were skipped: "_s + skipped.join(u", "_s);
}

void BanStore::save()
{
    QHash<QString, QString> values;
    int number = 0;
    for (const BanList::Row &row : m_bans.rows())
        values.insert(kValuePrefix + QString::number(++number), encode(row));
    for (const QString &text : std::as_const(m_unreadable))
        values.insert(kValuePrefix + QString::number(++number), text);
    m_store.replaceKey(SettingsKeys::Bans, values);
}

#pragma once

#include "chatserver/BanRow.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

// Addresses and IPv4 ranges ("203.0.113.0/24") whose connection requests are refused. A ban may
// end at a set time; it then stops refusing at once and is removed by itself, with expired().
class BanList : public QObject
{
    Q_OBJECT

public:
    using Row = BanRow;
    using Terms = BanTerms;

    using Clock = std::function<QDateTime()>;

    explicit BanList(QObject *parent = nullptr);

    // Tests move time on without waiting for it.
    void setClock(Clock clock);
    QDateTime now() const { return m_clock(); }

    const QList<Row> &rows() const { return m_rows; }
    bool isBanned(const QString &address) const;

    // The address or range in the form stored and shown ("10.0.0.0/8"), or nothing when the text
    // is neither an address nor an IPv4 range.
    static std::optional<QString> canonicalTarget(const QString &text);

    // A new ban made now; false (and nothing added) when the address or range is not one.
    bool ban(const QString &playerName, const QString &address, const Terms &terms = {});
    void add(const Row &row);
    // Start-up: the stored rows replace the list. Rows already expired go at once.
    void restore(const QList<Row> &rows);
    // "Remove Ban": the given row indices, in any order; unknown indices are ignored.
    void removeRows(QList<int> indices);
    // Removes every row of that address or range; false when there was none.
    bool removeAddress(const QString &address);
    // "Remove All".
    void clear();

    // Drops every ban whose end has come. The list's own timer calls it.
    void removeExpired();

    static QString timeOfDay(const QDateTime &when);

Q_SIGNALS:
    void changed();
    void expired(const BanList::Row &row);
    // The operator's own changes, one signal each, for the transcript's record of them.
    void banned(const BanList::Row &row);
    void unbanned(const QString &address);
    void clearedAll();

private:
    bool isInForce(const Row &row, const QDateTime &at) const;
    void scheduleExpiry();

    QList<Row> m_rows;
    Clock m_clock;
    QTimer m_expiryTimer;
};

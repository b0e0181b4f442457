#pragma once

#include "chatserver/IpMonitorRow.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// Who is seated in the room and from where: one row per admitted player.
class IpMonitor : public QObject
{
    Q_OBJECT

public:
    using Row = IpMonitorRow;

    using QObject::QObject;

    const QList<Row> &rows() const { return m_rows; }
    void add(const Row &row);
    // Removes the row of that player ID and gives it back; nothing when there is none.
    std::optional<Row> removeById(quint16 id);
    void clear();

Q_SIGNALS:
    void changed();

private:
    QList<Row> m_rows;
};

#pragma once

#include <QList>
#include <QObject>
#include <QString>

// Addresses whose connection requests are refused. In memory only: empty at every start.
class BanList : public QObject
{
    Q_OBJECT

public:
    struct Row
    {
        QString playerName;
        QString address;
        QString timeBanned;
    };

    using QObject::QObject;

    const QList<Row> &rows() const { return m_rows; }
    bool isBanned(const QString &address) const;

    void add(const Row &row);
    // "Remove Ban": the given row indices, in any order; unknown indices are ignored.
    void removeRows(QList<int> indices);
    // Removes every row of that address; false when there was none.
    bool removeAddress(const QString &address);
    // "Remove All".
    void clear();

Q_SIGNALS:
    void changed();

private:
    QList<Row> m_rows;
};

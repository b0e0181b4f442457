#include "chatserver/IpMonitor.h"

void IpMonitor::add(const Row &row)
{
    m_rows.append(row);
    Q_EMIT changed();
}

std::optional<IpMonitor::Row> IpMonitor::removeById(quint16 id)
{
    for (qsizetype index = 0; index < m_rows.size(); ++index) {
        if (m_rows.at(index).id == id) {
            Row row = m_rows.takeAt(index);
            Q_EMIT changed();
            return row;
        }
    }
    return std::nullopt;
}

void IpMonitor::clear()
{
    if (m_rows.isEmpty())
        return;
    m_rows.clear();
    Q_EMIT changed();
}

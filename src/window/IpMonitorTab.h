#pragma once

#include <QWidget>

class QPushButton;
class QTreeWidget;

// The "IP Monitor" tab: who is connected now, and the addresses that are refused.
class IpMonitorTab : public QWidget
{
    Q_OBJECT

public:
    explicit IpMonitorTab(QWidget *parent = nullptr);

    QTreeWidget *monitorList() const { return m_monitor; }
    QTreeWidget *banList() const { return m_bans; }
    QPushButton *removeBanButton() const { return m_removeBan; }
    QPushButton *removeAllBansButton() const { return m_removeAll; }

private:
    QTreeWidget *m_monitor;
    QTreeWidget *m_bans;
    QPushButton *m_removeBan;
    QPushButton *m_removeAll;
};

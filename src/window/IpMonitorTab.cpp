#include "window/IpMonitorTab.h"

#include "window/ControlArrayName.h"
#include "window/Named.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QTreeWidget *table(const QString &objectName, const QStringList &columns, QWidget *parent)
{
    auto *view = named(objectName, new QTreeWidget(parent));
    view->setHeaderLabels(columns);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAlternatingRowColors(true);
    view->header()->setStretchLastSection(true);
    view->header()->setDefaultSectionSize(130);
    return view;
}

} // namespace

IpMonitorTab::IpMonitorTab(QWidget *parent)
    : QWidget(parent)
{
    auto *connected = new QGroupBox(u"Connected Players"_s, this);
    m_monitor = table(u"ListView1"_s,
        {u"Player Name"_s, u"IP Address"_s, u"ID"_s, u"Socket"_s, u"State"_s}, connected);
    m_monitor->setSelectionMode(QAbstractItemView::SingleSelection);
    (new QVBoxLayout(connected))->addWidget(m_monitor);

    auto *banned = new QGroupBox(u"Banned Players"_s, this);
    m_bans = table(u"ListView2"_s,
        {u"Player Name"_s, u"IP Address"_s, u"Time Banned"_s, u"Expires"_s, u"Reason"_s}, banned);
    m_bans->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_removeBan
        = named(controlArrayName(u"Command2"_s, 0), new QPushButton(u"Remove Ban"_s, banned));
    m_removeAll
        = named(controlArrayName(u"Command2"_s, 1), new QPushButton(u"Remove All"_s, banned));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_removeBan);
    buttons->addWidget(m_removeAll);
    auto *banLayout = new QVBoxLayout(banned);
    banLayout->addWidget(m_bans);
    banLayout->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(connected, 3);
    layout->addWidget(banned, 2);
}

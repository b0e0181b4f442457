#include "window/HostWindow.h"

#include "window/AboutDialog.h"
#include "window/ChatSettingsTab.h"
#include "window/ChatroomTab.h"
#include "window/ControlArrayName.h"
#include "window/DebugTab.h"
#include "window/IpMonitorTab.h"
#include "window/Named.h"
#include "window/TourneySettingsTab.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>

using namespace Qt::StringLiterals;

HostWindow::HostWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(u"Vornic Host - Disconnected"_s);
    buildTabs();
    buildStatusPanel();
    buildMenus();
    keepLoggingInStep();
    resize(900, 620);
    m_chatroom->inputLine()->setFocus();
}

void HostWindow::buildTabs()
{
    m_tabs = named(u"SSTab1"_s, new QTabWidget(this));
    m_tabs->setDocumentMode(true);
    m_chatroom = named(u"tabChatroom"_s, new ChatroomTab(m_tabs));
    m_tourneySettings = named(u"tabTourneySettings"_s, new TourneySettingsTab(m_tabs));
    m_chatSettings = named(u"tabChatSettings"_s, new ChatSettingsTab(m_tabs));
    m_ipMonitor = named(u"tabIpMonitor"_s, new IpMonitorTab(m_tabs));
    m_debug = named(u"tabDebug"_s, new DebugTab(m_tabs));
    m_tabs->addTab(m_chatroom, u"Chatroom"_s);
    m_tabs->addTab(m_tourneySettings, u" Tourney Settings"_s);
    m_tabs->addTab(m_chatSettings, u"Chat Settings"_s);
    m_tabs->addTab(m_ipMonitor, u"IP Monitor"_s);
    m_tabs->addTab(m_debug, u"Debug"_s);
    setCentralWidget(m_tabs);

    // The tab widget only sees Ctrl+Tab that the focused control passes on, and a drop-down list
    // keeps it for its type-ahead search: window-wide shortcuts turn the page from every tab.
    const auto turnPage = [this](int step) {
        m_tabs->setCurrentIndex(
            (m_tabs->currentIndex() + step + m_tabs->count()) % m_tabs->count());
    };
    connect(new QShortcut(QKeySequence::NextChild, this), &QShortcut::activated, this,
        [turnPage] { turnPage(1); });
    connect(new QShortcut(QKeySequence::PreviousChild, this), &QShortcut::activated, this,
        [turnPage] { turnPage(-1); });
}

void HostWindow::buildStatusPanel()
{
    const QStringList captions{u"Tavix Net: Closed"_s, u"ViraruRor: Closed"_s,
        u"ChatSock: Closed"_s, u"Current: 0"_s, u"Max: 0"_s, u"Total: 0"_s, u"Time: 00:00:00"_s};
    QStatusBar *panel = statusBar();
    panel->setSizeGripEnabled(true);
    for (int i = 0; i < StatusLabelCount; ++i) {
        m_status[i] = named(controlArrayName(u"lblstatus"_s, i), new QLabel(captions[i], panel));
        m_status[i]->setContentsMargins(6, 0, 6, 0);
        panel->addWidget(m_status[i]);
    }
    m_status[0]->setToolTip(u"Link to the lobby server"_s);
    m_status[2]->setToolTip(u"The room's listening socket"_s);
    m_status[3]->setToolTip(u"Clients connected now"_s);
    m_status[4]->setToolTip(u"Most clients connected at once"_s);
    m_status[5]->setToolTip(u"Players admitted since start-up"_s);
    m_status[6]->setToolTip(u"How long the room has been open"_s);
}

QAction *HostWindow::addTabAction(
    QMenu *menu, const QString &objectName, const QString &caption, Tab tab)
{
    QAction *action = named(objectName, menu->addAction(caption));
    connect(action, &QAction::triggered, m_tabs, [this, tab] { m_tabs->setCurrentIndex(tab); });
    return action;
}

void HostWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(u"&File"_s);
    m_menuItems[ExitItem] = named(u"mnuExit"_s, file->addAction(u"Exit"_s));
    connect(m_menuItems[ExitItem], &QAction::triggered, this, &QWidget::close);

    QMenu *view = menuBar()->addMenu(u"&View"_s);
    addTabAction(view, u"mnuViewChat"_s, u"Chat"_s, ChatroomPage);
    addTabAction(view, u"mnuViewIP"_s, u"IP Monitor"_s, IpMonitorPage);
    addTabAction(view, u"mnuViewDebug"_s, u"Debug"_s, DebugPage);

    QMenu *chat = menuBar()->addMenu(u"&Chat"_s);
    addTabAction(chat, u"mnuSettings"_s, u"Settings"_s, ChatSettingsPage);
    m_menuItems[ClearItem] = named(u"mnuChatClear"_s, chat->addAction(u"Clear"_s));
    m_menuItems[MuteItem] = named(u"mnuMute"_s, chat->addAction(u"Mute"_s));
    m_menuItems[MuteItem]->setCheckable(true);
    m_menuItems[LoggingItem] = named(u"mnuLogging"_s, chat->addAction(u"Enable Logging"_s));
    m_menuItems[LoggingItem]->setCheckable(true);

    QMenu *tournament = menuBar()->addMenu(u"&Tournament"_s);
    addTabAction(tournament, u"mnuTsettings"_s, u"Settings"_s, TourneySettingsPage);
    m_menuItems[RefreshPairingsItem]
        = named(u"mnuPairings2"_s, tournament->addAction(u"Refresh Pairings"_s));

    QMenu *announce = named(u"mnuAnnounce"_s, menuBar()->addMenu(u"Announce"_s));
    const QStringList announceNames{
        u"mnuAll"_s, u"mnuDetails"_s, u"mnuRules"_s, u"mnuRounds"_s, u"mnuPairings"_s};
    const QStringList announceCaptions{
        u"All"_s, u"Details"_s, u"Rules"_s, u"Rounds"_s, u"Pairings"_s};
    for (int i = 0; i < AnnounceItemCount; ++i)
        m_announce[i] = named(announceNames[i], announce->addAction(announceCaptions[i]));

    QMenu *pages = named(u"mnupages"_s, menuBar()->addMenu(u"Pages"_s));
    const QStringList pageCaptions{u"TD Login"_s, u"Head TD Login"_s, u"Tourney Main Page"_s,
        u"Register"_s, u"Standings"_s, u"Teams"_s, u"Rules"_s, u"Report"_s};
    for (int i = 0; i < PageItemCount; ++i)
        m_pages[i] = named(controlArrayName(u"mnuTpages"_s, i), pages->addAction(pageCaptions[i]));

    QMenu *help = menuBar()->addMenu(u"&Help"_s);
    QAction *about = named(u"mnuAbout"_s, help->addAction(u"About"_s));
    connect(about, &QAction::triggered, this, &HostWindow::showAbout);
}

void HostWindow::keepLoggingInStep()
{
    // The menu item and the check box are two faces of one option; setChecked does nothing when
    // the state already matches, so the pair cannot ping-pong.
    QCheckBox *enableLogging = m_chatSettings->logBox(0);
    connect(m_menuItems[LoggingItem], &QAction::toggled, enableLogging, &QCheckBox::setChecked);
    connect(enableLogging, &QCheckBox::toggled, m_menuItems[LoggingItem], &QAction::setChecked);
}

void HostWindow::showAbout()
{
    // open(), not exec(): the room keeps running while the box is up.
    auto *about = new AboutDialog(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

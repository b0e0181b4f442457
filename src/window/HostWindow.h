#pragma once

#include <QMainWindow>

#include <array>

class ChatSettingsTab;
class ChatroomTab;
class DebugTab;
class IpMonitorTab;
class QLabel;
class QMenu;
class QTabWidget;
class TourneySettingsTab;

// The operator's window: a thin view over the host core. It owns every control; the core is
// wired to them through the accessors below.
class HostWindow : public QMainWindow
{
    Q_OBJECT

public:
    enum Tab { ChatroomPage, TourneySettingsPage, ChatSettingsPage, IpMonitorPage, DebugPage };
    Q_ENUM(Tab)
    // The menu items the controller acts on, besides the announcements and the pages.
    enum MenuItem {
        ExitItem,
        ClearItem,
        // Checkable: Qt flips the check mark on a click, so a handler that refuses to mute
        // (nobody in the room) puts it back.
        MuteItem,
        // Kept in step with the "Enable Logging" check box both ways.
        LoggingItem,
        RefreshPairingsItem,
        MenuItemCount
    };
    enum AnnounceItem {
        AnnounceAll,
        AnnounceDetails,
        AnnounceRules,
        AnnounceRounds,
        AnnouncePairings,
        AnnounceItemCount
    };
    static constexpr int StatusLabelCount = 7;
    static constexpr int PageItemCount = 8;

    explicit HostWindow(QWidget *parent = nullptr);

    QTabWidget *tabs() const { return m_tabs; }
    ChatroomTab *chatroomTab() const { return m_chatroom; }
    TourneySettingsTab *tourneySettingsTab() const { return m_tourneySettings; }
    ChatSettingsTab *chatSettingsTab() const { return m_chatSettings; }
    IpMonitorTab *ipMonitorTab() const { return m_ipMonitor; }
    DebugTab *debugTab() const { return m_debug; }
    QLabel *statusLabel(int index) const { return m_status.at(index); }

    QAction *menuItem(MenuItem item) const { return m_menuItems.at(item); }
    QAction *announceAction(AnnounceItem item) const { return m_announce.at(item); }
    QAction *pageAction(int index) const { return m_pages.at(index); }

public Q_SLOTS:
    void showAbout();

private:
    void buildTabs();
    void buildStatusPanel();
    void buildMenus();
    QAction *addTabAction(QMenu *menu, const QString &objectName, const QString &caption, Tab tab);
    void keepLoggingInStep();

    QTabWidget *m_tabs = nullptr;
    ChatroomTab *m_chatroom = nullptr;
    TourneySettingsTab *m_tourneySettings = nullptr;
    ChatSettingsTab *m_chatSettings = nullptr;
    IpMonitorTab *m_ipMonitor = nullptr;
    DebugTab *m_debug = nullptr;
    std::array<QLabel *, StatusLabelCount> m_status{};

    std::array<QAction *, MenuItemCount> m_menuItems{};
    std::array<QAction *, AnnounceItemCount> m_announce{};
    std::array<QAction *, PageItemCount> m_pages{};
};

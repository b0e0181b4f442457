#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>

class HostCore;
class HostWindow;

// Keeps the window in step with the host core: the title, status panel, Host/Close button, room
// inputs, chat input, player list, moderation, IP monitor, ban list, debug list and the menus.
// Each tab's settings are kept in step by the binders it creates.
class HostWindowController : public QObject
{
    Q_OBJECT

public:
    HostWindowController(HostCore &core, HostWindow &window, QObject *parent = nullptr);

    // Applies what start-up restored (settings, styles, lists) to the controls.
    void showRestoredState();

private:
    // Where each player-list row keeps its player's ID.
    static constexpr int PlayerIdRole = Qt::UserRole;

    void connectChatroom();
    void connectModeration();
    void connectMenus();
    void connectStatus();
    // Close with players seated, Exit with a room open, a ban and Remove All ask first.
    void clickHost();
    void showHosting();
    void refreshPlayerList();
    void refreshIpMonitor();
    void refreshBanList();
    void sendInput(bool whisper);
    void toggleMute();
    // The IDs of the selected players' rows, top to bottom; never the operator's own row.
    QList<quint16> selectedPlayerIds() const;
    void kickSelected();
    void whisperFromMenu();
    void askBanSelected();
    void askRemoveAllBans();
    void openPage(int index);
    void showMessage(const QString &text, const QString &title);
    bool eventFilter(QObject *watched, QEvent *event) override;

    HostCore &m_core;
    HostWindow &m_window;
    bool m_finished = false;
    QPointer<QMessageBox> m_exitQuestion; // one at a time, however often the window is closed
};

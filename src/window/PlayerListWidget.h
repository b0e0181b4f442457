#pragma once

#include <QListWidget>

class QMenu;

// The Chatroom tab's player list (row 0 is the operator). A right click selects the row under the
// pointer and, once at least one player is in the room, offers to whisper to, kick or ban.
class PlayerListWidget : public QListWidget
{
    Q_OBJECT

public:
    explicit PlayerListWidget(QWidget *parent = nullptr);

    QMenu *popupMenu() const { return m_popup; }
    QAction *whisperAction() const { return m_whisper; }
    QAction *kickAction() const { return m_kick; }
    QAction *banAction() const { return m_ban; }

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void openPopupAt(const QPoint &pos);

    QMenu *m_popup;
    QAction *m_whisper;
    QAction *m_kick;
    QAction *m_ban;
};

#pragma once

#include <QObject>

class ChatStyles;
class ChatroomTab;
class QWidget;
struct TranscriptLine;

// Shows the transcript in the Chatroom tab's view and asks for the operator's attention when the
// transcript changes while the window is minimised. The window manager keeps the alert up until
// the window is activated; once the window is back, changes no longer raise it.
class TranscriptBinder : public QObject
{
    Q_OBJECT

public:
    // The transcript's lines and its clearing come in through showLine() and showCleared().
    TranscriptBinder(ChatroomTab &view, QWidget &window, QObject *parent = nullptr);

    // The chat background behind the transcript, the input line and the player list, the
    // general-chat style on the input line and the player-name style on the list. Taken once,
    // after the styles are restored at start-up: later choices show in new transcript lines and
    // in the sample, and reach these three controls at the next start.
    void applyStartupStyles(const ChatStyles &styles);

    void showLine(const TranscriptLine &line);
    void showCleared();

Q_SIGNALS:
    // A change of the transcript while the window was minimised; the alert has been raised.
    void attentionRequested();

private:
    void requestAttentionIfMinimised();

    ChatroomTab &m_view;
    QWidget &m_window;
};

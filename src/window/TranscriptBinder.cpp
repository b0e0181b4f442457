#include "window/TranscriptBinder.h"

#include "appearance/ChatStyles.h"
#include "chat/TranscriptLine.h"
#include "window/ChatroomTab.h"
#include "window/TranscriptView.h"

#include <QApplication>
#include <QWidget>

TranscriptBinder::TranscriptBinder(ChatroomTab &view, QWidget &window, QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_window(window)
{
}

void TranscriptBinder::applyStartupStyles(const ChatStyles &styles)
{
    m_view.applyStyles(styles.colour(ChatStyles::BackgroundColour),
        styles.style(ChatStyles::GeneralChatFont, ChatStyles::GeneralChatColour),
        styles.style(ChatStyles::PlayerNameFont, ChatStyles::PlayerNameColour));
}

void TranscriptBinder::showLine(const TranscriptLine &line)
{
    m_view.transcript()->appendLine(line.prefix, line.prefixStyle, line.body, line.bodyStyle);
    requestAttentionIfMinimised();
}

void TranscriptBinder::showCleared()
{
    // Emptying the transcript is a change the operator should notice as well.
    m_view.transcript()->clearAll();
    requestAttentionIfMinimised();
}

void TranscriptBinder::requestAttentionIfMinimised()
{
    // Asked again for every change while minimised, so the alert is up even when the window
    // manager dropped an earlier one; never asked for a window the operator has in front of them.
    if (!m_window.isMinimized())
        return;
    QApplication::alert(&m_window, 0);
    Q_EMIT attentionRequested();
}

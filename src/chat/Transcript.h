#pragma once

#include "chat/LineKind.h"
#include "chat/TranscriptLine.h"

#include <QObject>

class ChatLog;
class ChatOptions;
class ChatStyles;

// The operator's running view of the room. Every part of the host writes to it through
// addChatLine, which decides from the line kind and the current options whether the line is
// logged and whether it is shown; the window, the headless console and the log all follow it.
class Transcript : public QObject
{
    Q_OBJECT

public:
    Transcript(const ChatOptions &options, const ChatStyles &styles, ChatLog &log,
        QObject *parent = nullptr);

    // The prefix carries its own ": " or blank; neither text carries a line break.
    void addChatLine(const QString &prefix, const QString &body, LineKind kind);
    // Empties the views; the log file keeps what it has.
    void clear();

Q_SIGNALS:
    // Only for lines that are shown, styled with the styles current at the time of adding.
    void lineAdded(const TranscriptLine &line);
    void cleared();

private:
    void log(const QString &prefix, const QString &body, LineKind kind);
    bool isShown(LineKind kind) const;
    ChatStyle bodyStyle(LineKind kind) const;

    const ChatOptions &m_options;
    const ChatStyles &m_styles;
    ChatLog &m_log;
};

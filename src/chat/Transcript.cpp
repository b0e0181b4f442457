#include "chat/Transcript.h"

#include "appearance/ChatStyles.h"
#include "chat/ChatLog.h"
#include "chat/ChatOptions.h"
#include "chat/PrintableText.h"

using namespace Qt::StringLiterals;

Transcript::Transcript(
    const ChatOptions &options, const ChatStyles &styles, ChatLog &log, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_styles(styles)
    , m_log(log)
{
}

void Transcript::addChatLine(const QString &prefix, const QString &body, LineKind kind)
{
    const QString shownPrefix = printableText(prefix);
    const QString shownBody = printableText(body);
    // Logged before it is shown: a hidden system line still reaches the log.
    log(shownPrefix, shownBody, kind);
    if (!isShown(kind))
        return;
    Q_EMIT lineAdded(TranscriptLine{shownPrefix, shownBody, kind,
        m_styles.style(ChatStyles::PlayerNameFont, ChatStyles::PlayerNameColour), bodyStyle(kind)});
}

void Transcript::clear()
{
    Q_EMIT cleared();
}

void Transcript::log(const QString &prefix, const QString &body, LineKind kind)
{
    switch (kind) {
    case LineKind::Chat:
    case LineKind::WhisperTo:
    case LineKind::WhisperFrom:
        if (m_options.logsChat())
            m_log.writeChatLog(u"Chat"_s, prefix + body);
        break;
    case LineKind::System:
        // "System: " or "Server: " says nothing the category does not.
        if (m_options.logsSystemEvents())
            m_log.writeChatLog(u"System"_s, body);
        break;
    case LineKind::Bot:
        break; // answers for the operator's eyes only
    }
}

bool Transcript::isShown(LineKind kind) const
{
    return kind != LineKind::System || m_options.displaysSystemMessages();
}

ChatStyle Transcript::bodyStyle(LineKind kind) const
{
    switch (kind) {
    case LineKind::Chat:
        return m_styles.style(ChatStyles::GeneralChatFont, ChatStyles::GeneralChatColour);
    case LineKind::WhisperTo:
        return m_styles.style(ChatStyles::WhisperToFont, ChatStyles::WhisperToColour);
    case LineKind::WhisperFrom:
        return m_styles.style(ChatStyles::WhisperFromFont, ChatStyles::WhisperFromColour);
    case LineKind::System:
    case LineKind::Bot:
        break;
    }
    return m_styles.style(ChatStyles::SystemFont, ChatStyles::SystemColour);
}

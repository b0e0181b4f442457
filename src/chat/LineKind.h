#pragma once

#include <QString>

#include <optional>

// The kinds of transcript line; each decides the body's style, logging and visibility.
enum class LineKind {
    Chat, // "c": said to the whole room
    WhisperTo, // "wt": the operator's whisper to one player
    WhisperFrom, // "wf": a player's whisper to the host
    System, // "s": the host's status messages
    Bot, // "b": a bot answer for the operator only
};

inline QString lineKindCode(LineKind kind)
{
    switch (kind) {
    case LineKind::Chat:
        return QStringLiteral("c");
    case LineKind::WhisperTo:
        return QStringLiteral("wt");
    case LineKind::WhisperFrom:
        return QStringLiteral("wf");
    case LineKind::System:
        return QStringLiteral("s");
    case LineKind::Bot:
        return QStringLiteral("b");
    }
    return QString();
}

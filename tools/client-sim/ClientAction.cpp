#include "ClientAction.h"

#include "chatserver/ChatPackets.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

constexpr int MaxWaitMs = 24 * 60 * 60 * 1000;

std::optional<quint16> parseId(QStringView text)
{
    bool ok = false;
    const uint id = text.toUInt(&ok);
    if (!ok || id > 0xFFFF)
        return std::nullopt;
    return quint16(id);
}

ClientCommand failed(const QString &error)
{
    return {std::nullopt, error};
}

ClientCommand say(const QString &text)
{
    if (text.isEmpty())
        return failed(u"say needs a text"_s);
    return {ClientAction{ClientAction::Kind::Say, text, 0, {}, 0}, {}};
}

ClientCommand whisper(const QString &arguments)
{
    const QString idText = arguments.section(u' ', 0, 0);
    const QString text = arguments.section(u' ', 1).trimmed();
    const std::optional<quint16> target = parseId(idText);
    if (!target || text.isEmpty())
        return failed(u"whisper needs a player ID from 0 to 65535 and a text"_s);
    return {ClientAction{ClientAction::Kind::Whisper, text, *target, {}, 0}, {}};
}

ClientCommand names(const QString &arguments)
{
    static const QRegularExpression separators(u"[\\s,]+"_s);
    const QStringList parts = arguments.split(separators, Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.size() > ChatPacket::NameRequestSlots)
        return failed(u"names needs 1 to 18 player IDs"_s);
    ClientAction action{ClientAction::Kind::Names, {}, 0, {}, 0};
    for (const QString &part : parts) {
        const std::optional<quint16> id = parseId(part);
        // A slot whose low byte is 0 reads as empty, so such IDs cannot be asked for.
        if (!id || (*id & 0xFF) == 0)
            return failed(u"not a player ID that can be asked for: "_s + part);
        action.ids << *id;
    }
    return {action, {}};
}

ClientCommand wait(const QString &arguments)
{
    bool ok = false;
    const int ms = arguments.toInt(&ok);
    if (!ok || ms < 0 || ms > MaxWaitMs)
        return failed(u"wait needs a number of milliseconds up to one day"_s);
    return {ClientAction{ClientAction::Kind::Wait, {}, 0, {}, ms}, {}};
}

} // namespace

ClientCommand parseClientCommand(QStringView line)
{
    const QString trimmed = line.trimmed().toString();
    if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
        return {};
    const QString command = trimmed.section(u' ', 0, 0);
    const QString arguments = trimmed.section(u' ', 1).trimmed();
    if (command == u"say"_s)
        return say(arguments);
    if (command == u"whisper"_s)
        return whisper(arguments);
    if (command == u"names"_s)
        return names(arguments);
    if (command == u"wait"_s)
        return wait(arguments);
    if (command == u"quit"_s) {
        if (!arguments.isEmpty())
            return failed(u"quit takes nothing after it"_s);
        return {ClientAction{ClientAction::Kind::Quit, {}, 0, {}, 0}, {}};
    }
    return failed(u"unknown command: "_s + command);
}

ClientScript parseClientScript(QStringView text)
{
    ClientScript script;
    int lineNumber = 0;
    for (const QStringView line : text.tokenize(u'\n')) {
        ++lineNumber;
        const ClientCommand command = parseClientCommand(line);
        if (command.action)
            script.actions << *command.action;
        else if (!command.error.isEmpty())
            script.errors << u"line %1: %2"_s.arg(lineNumber).arg(command.error);
    }
    return script;
}

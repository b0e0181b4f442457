#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// One thing the simulated player does: a line of a script, a typed command or a command-line
// option. The commands read "say TEXT", "whisper ID TEXT", "names ID ID ...", "wait MS" and
// "quit".
struct ClientAction
{
    enum class Kind { Say, Whisper, Names, Wait, Quit };

    Kind kind = Kind::Say;
    QString text; // Say, Whisper
    quint16 targetId = 0; // Whisper
    QList<quint16> ids; // Names: 1..18 IDs
    int waitMs = 0; // Wait

    friend bool operator==(const ClientAction &, const ClientAction &) = default;
};

struct ClientCommand
{
    // Nothing for a blank line or a "#" comment, and for a line in error.
    std::optional<ClientAction> action;
    QString error;
};

// IDs in "names" may be separated by blanks or commas.
ClientCommand parseClientCommand(QStringView line);

struct ClientScript
{
    QList<ClientAction> actions;
    // "line N: what is wrong", one per line in error.
    QStringList errors;
};

ClientScript parseClientScript(QStringView text);

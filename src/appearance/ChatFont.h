#pragma once

#include <QString>

// The font of one kind of transcript text, as the operator picked it.
struct ChatFont
{
    QString name; // empty: the window's default font
    bool bold = false;
    bool italic = false;
    float size = 0; // points; 0: the window's default size

    friend bool operator==(const ChatFont &, const ChatFont &) = default;
};

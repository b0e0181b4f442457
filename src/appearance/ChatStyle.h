#pragma once

#include "appearance/ChatFont.h"

#include <QtGlobal>

// How one kind of transcript text looks: its font and colour. Plain data, so the core can hold
// and store styles without the GUI libraries; the window turns it into a character format.
struct ChatStyle : ChatFont
{
    quint32 colour = 0; // 0x00BBGGRR: red in the low byte, as stored

    static constexpr quint32 rgb(int red, int green, int blue)
    {
        return quint32(red) | quint32(green) << 8 | quint32(blue) << 16;
    }
    int red() const { return int(colour & 0xFF); }
    int green() const { return int(colour >> 8 & 0xFF); }
    int blue() const { return int(colour >> 16 & 0xFF); }

    friend bool operator==(const ChatStyle &, const ChatStyle &) = default;
};

#pragma once

#include "appearance/ChatStyle.h"

#include <QColor>
#include <QFont>
#include <QTextCharFormat>

// Turns the plain ChatStyle into what the widgets draw with, and back. An empty font name or a
// size of 0 keeps the given default font's face or size.
namespace ChatStyleFormat {

QColor toColor(quint32 bgr);
quint32 fromColor(const QColor &color);

QFont toFont(const ChatStyle &style, const QFont &defaultFont);
// The colour is not part of a QFont, so it comes separately.
ChatStyle fromFont(const QFont &font, quint32 colour);

// A complete run format: face, bold, italic, size and colour. Face and size are left unset when
// the style asks for the default, so the run takes the document's default font.
QTextCharFormat toCharFormat(const ChatStyle &style);

} // namespace ChatStyleFormat

#pragma once

#include "appearance/ChatStyle.h"

#include <QList>

#include <array>

class FontLabel;
class QTextEdit;

// Previews the five transcript styles: a sample line of every kind in the sample box, and each
// font label in its colour on the chat background.
namespace StyleSample {

// Index of each style in the array handed over, also the index of its font label.
enum Slot { PlayerName, GeneralChat, WhisperTo, WhisperFrom, SystemMessages, SlotCount };

using Styles = std::array<ChatStyle, SlotCount>;

void refresh(QTextEdit &sampleBox, const QList<FontLabel *> &fontLabels, quint32 background,
    const Styles &styles);

} // namespace StyleSample

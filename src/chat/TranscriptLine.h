#pragma once

#include "appearance/ChatStyle.h"
#include "chat/LineKind.h"

#include <QString>

// One line as the views show it: the prefix run (who speaks) and the body run (what is said),
// each in its own style. The views end the line themselves; neither run holds a line break.
struct TranscriptLine
{
    QString prefix;
    QString body;
    LineKind kind = LineKind::Chat;
    ChatStyle prefixStyle;
    ChatStyle bodyStyle;
};

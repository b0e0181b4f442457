#pragma once

#include "appearance/ChatFont.h"
#include "appearance/ChatStyle.h"

#include <QObject>

#include <array>

class SettingsStore;

// The transcript's six colours and five fonts. Every change is written through to the settings
// store at once; the transcript reads the current values for each line it adds.
class ChatStyles : public QObject
{
    Q_OBJECT

public:
    // The colour swatches of the chat settings; the background is not used per line.
    enum ColourSlot {
        BackgroundColour,
        PlayerNameColour,
        GeneralChatColour,
        WhisperToColour,
        WhisperFromColour,
        SystemColour,
        ColourSlotCount
    };
    // The font samples of the chat settings.
    enum FontSlot {
        PlayerNameFont,
        GeneralChatFont,
        WhisperToFont,
        WhisperFromFont,
        SystemFont,
        FontSlotCount
    };

    explicit ChatStyles(SettingsStore &store, QObject *parent = nullptr);

    // Takes the stored colours and fonts. A font is taken only when its face name is stored; a
    // stored value that is not a valid colour, flag or size keeps the value it replaces.
    void restore();

    // Slots out of range are ignored by the setters and read as the defaults.
    void setColour(int slot, quint32 colour);
    void setFont(int slot, const QString &name, bool bold, bool italic, float size);

    quint32 colour(int slot) const;
    ChatFont font(int slot) const;
    ChatStyle style(int fontSlot, int colourSlot) const;

    static quint32 firstStartColour(int slot);
    static QString colourCaption(int slot);
    static QString fontCaption(int slot);

Q_SIGNALS:
    void changed();

private:
    void restoreColour(int slot);
    void restoreFont(int slot);

    SettingsStore &m_store;
    std::array<quint32, ColourSlotCount> m_colours;
    std::array<ChatFont, FontSlotCount> m_fonts;
};

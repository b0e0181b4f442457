#include "appearance/ChatStyles.h"

#include "settings/StoredValues.h"

#include <utility>

using namespace StoredValues;
using namespace ValueCodec;

namespace {

std::array<quint32, ChatStyles::ColourSlotCount> firstStartColours()
{
    std::array<quint32, ChatStyles::ColourSlotCount> colours{};
    for (int slot = 0; slot < ChatStyles::ColourSlotCount; ++slot)
        colours[std::size_t(slot)] = parseColour(Colours.defaultText(slot)).value_or(0);
    return colours;
}

bool isColourSlot(int slot)
{
    return slot >= 0 && slot < ChatStyles::ColourSlotCount;
}

bool isFontSlot(int slot)
{
    return slot >= 0 && slot < ChatStyles::FontSlotCount;
}

} // namespace

ChatStyles::ChatStyles(SettingsStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_colours(firstStartColours())
{
}

void ChatStyles::restore()
{
    const auto coloursBefore = m_colours;
    const auto fontsBefore = m_fonts;
    for (int slot = 0; slot < ColourSlotCount; ++slot)
        restoreColour(slot);
    for (int slot = 0; slot < FontSlotCount; ++slot)
        restoreFont(slot);
    if (m_colours != coloursBefore || m_fonts != fontsBefore)
        Q_EMIT changed();
}

void ChatStyles::restoreColour(int slot)
{
    if (const auto colour = parseColour(Colours.read(m_store, slot)))
        m_colours[slot] = *colour;
}

void ChatStyles::restoreFont(int slot)
{
    const QString name = FontNames.read(m_store, slot);
    if (name.isEmpty())
        return;
    ChatFont &font = m_fonts[slot];
    font.name = name;
    font.bold = parseFlag(FontBold.read(m_store, slot)).value_or(font.bold);
    font.italic = parseFlag(FontItalic.read(m_store, slot)).value_or(font.italic);
    font.size = parseSize(FontSizes.read(m_store, slot)).value_or(font.size);
}

void ChatStyles::setColour(int slot, quint32 colour)
{
    if (!isColourSlot(slot))
        return;
    colour &= 0x00FFFFFFU; // 0x00BBGGRR: the high byte is never a colour
    Colours.write(m_store, colourText(colour), slot);
    if (std::exchange(m_colours[slot], colour) != colour)
        Q_EMIT changed();
}

void ChatStyles::setFont(int slot, const QString &name, bool bold, bool italic, float size)
{
    if (!isFontSlot(slot))
        return;
    const ChatFont font{name, bold, italic, size};
    FontNames.write(m_store, name, slot);
    FontBold.write(m_store, flagText(bold), slot);
    FontItalic.write(m_store, flagText(italic), slot);
    FontSizes.write(m_store, sizeText(size), slot);
    if (std::exchange(m_fonts[slot], font) != font)
        Q_EMIT changed();
}

quint32 ChatStyles::colour(int slot) const
{
    return isColourSlot(slot) ? m_colours[slot] : 0;
}

ChatFont ChatStyles::font(int slot) const
{
    return isFontSlot(slot) ? m_fonts[slot] : ChatFont();
}

ChatStyle ChatStyles::style(int fontSlot, int colourSlot) const
{
    const ChatFont f = font(fontSlot);
    return ChatStyle{f, colour(colourSlot)};
}

quint32 ChatStyles::firstStartColour(int slot)
{
    static const auto colours = firstStartColours();
    return isColourSlot(slot) ? colours[std::size_t(slot)] : 0;
}

QString ChatStyles::colourCaption(int slot)
{
    static const std::array<const char16_t *, ColourSlotCount> captions = {u"Chat Background",
        u"Player Name", u"General Chat", u"Whisper To", u"Whisper From", u"System Messages"};
    return isColourSlot(slot) ? QString::fromUtf16(captions[slot]) : QString();
}

QString ChatStyles::fontCaption(int slot)
{
    static const std::array<const char16_t *, FontSlotCount> captions = {u"Player Name",
        u"General Chat", u"Whisper To Chat", u"Whisper From Chat", u"System Messages"};
    return isFontSlot(slot) ? QString::fromUtf16(captions[slot]) : QString();
}

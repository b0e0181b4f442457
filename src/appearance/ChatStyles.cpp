#include "appearance/ChatStyles.h"

#include "settings/SettingsStore.h"

#include <utility>

#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 kColourMask = 0x00FFFFFF; // 0x00BBGGRR: the high byte is never a colour

constexpr std::array<quint32, ChatStyles::ColourSlotCount> kFirstStartColours = {
    ChatStyle::rgb(0, 0, 0),
    ChatStyle::rgb(255, 255, 0),
    ChatStyle::rgb(255, 255, 255),
    ChatStyle::rgb(0, 0, 255),
    ChatStyle::rgb(192, 0, 0),
    ChatStyle::rgb(0, 192, 192),
};

// Sizes far beyond anything a font dialog offers are treated as damage, not as a choice.
constexpr float kLargestFontSize = 1638;

QString colourValueName(int slot)
{
    static const std::array<const char16_t *, ChatStyles::ColourSlotCount> names
        = {u"bColor", u"pColor", u"cColor", u"wtColor", u"wfColor", u"sColor"};
    return QString::fromUtf16(names[slot]);
}

QString fontValueName(int slot, QStringView suffix)
{
    static const std::array<const char16_t *, ChatStyles::FontSlotCount> prefixes
        = {u"p", u"c", u"wt", u"wf", u"s"};
    return QString::fromUtf16(prefixes[slot]) + u"Font"_s + suffix;
}

std::optional<quint32> parseColour(const QString &text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 0 || value > kColourMask)
        return std::nullopt;
    return quint32(value);
}

std::optional<bool> parseFlag(const QString &text)
{
    const QString word = text.trimmed();
    if (word.compare(u"True"_s, Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(u"False"_s, Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const int number = word.toInt(&ok); // older stores may hold a number: 0 is False
    return ok ? std::optional<bool>(number != 0) : std::nullopt;
}

// Written with "."; a "," from a store written under another locale is accepted too.
std::optional<float> parseSize(const QString &text)
{
    bool ok = false;
    const float size = QString(text.trimmed()).replace(u',', u'.').toFloat(&ok);
    if (!ok || !std::isfinite(size) || size <= 0 || size > kLargestFontSize)
        return std::nullopt;
    return size;
}

QString sizeText(float size)
{
    return QString::number(double(size), 'g', 7); // always "." whatever the locale
}

QString flagText(bool flag)
{
    return flag ? u"True"_s : u"False"_s;
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
    , m_colours(kFirstStartColours)
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
    if (const auto colour
        = parseColour(m_store.readRegValue(SettingsKeys::Colors, colourValueName(slot))))
        m_colours[slot] = *colour;
}

void ChatStyles::restoreFont(int slot)
{
    const auto read = [&](QStringView suffix) {
        return m_store.readRegValue(SettingsKeys::Fonts, fontValueName(slot, suffix));
    };
    const QString name = read(u"");
    if (name.isEmpty())
        return;
    ChatFont &font = m_fonts[slot];
    font.name = name;
    font.bold = parseFlag(read(u"Bold")).value_or(font.bold);
    font.italic = parseFlag(read(u"Italic")).value_or(font.italic);
    font.size = parseSize(read(u"Size")).value_or(font.size);
}

void ChatStyles::setColour(int slot, quint32 colour)
{
    if (!isColourSlot(slot))
        return;
    colour &= kColourMask;
    m_store.writeRegValue(SettingsKeys::Colors, colourValueName(slot), QString::number(colour));
    if (std::exchange(m_colours[slot], colour) != colour)
        Q_EMIT changed();
}

void ChatStyles::setFont(int slot, const QString &name, bool bold, bool italic, float size)
{
    if (!isFontSlot(slot))
        return;
    const ChatFont font{name, bold, italic, size};
    m_store.writeRegValue(SettingsKeys::Fonts, fontValueName(slot, u""), name);
    m_store.writeRegValue(SettingsKeys::Fonts, fontValueName(slot, u"Bold"), flagText(bold));
    m_store.writeRegValue(SettingsKeys::Fonts, fontValueName(slot, u"Italic"), flagText(italic));
    m_store.writeRegValue(SettingsKeys::Fonts, fontValueName(slot, u"Size"), sizeText(size));
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
    return ChatStyle{f.name, f.bold, f.italic, f.size, colour(colourSlot)};
}

quint32 ChatStyles::firstStartColour(int slot)
{
    return isColourSlot(slot) ? kFirstStartColours[slot] : 0;
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

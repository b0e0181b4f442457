#include "settings/StoredValues.h"

#include "settings/SettingsStore.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 kColourMask = 0x00FFFFFF; // 0x00BBGGRR: the high byte is never a colour
// Sizes far beyond anything a font dialog offers are treated as damage, not as a choice.
constexpr float kLargestFontSize = 1638;

// The lengths the game and the lobby server accept; the boxes hold no more.
constexpr int kOperatorNameLimit = 20;
constexpr int kRoomNameLimit = 18;
constexpr int kPasswordLimit = 20;

// "cCourse 1" .. "cCourse 8": the base name, a blank and the number.
QStringList numbered(const QString &base, int first, int last)
{
    QStringList names;
    for (int n = first; n <= last; ++n)
        names << base + u' ' + QString::number(n);
    return names;
}

// One name per transcript style: "pFontBold", "cFontBold", ...
QStringList perStyle(const QString &suffix)
{
    QStringList names;
    for (const QString &prefix : {u"p"_s, u"c"_s, u"wt"_s, u"wf"_s, u"s"_s})
        names << prefix + suffix;
    return names;
}

StoredValue value(const QString &keyPath, QStringList names, ValueEncoding encoding,
    QStringList defaults = {QString()}, int maxLength = 0, bool settable = true)
{
    return StoredValue{
        keyPath, std::move(names), encoding, std::move(defaults), maxLength, settable};
}

QString encodingDescription(ValueEncoding encoding)
{
    switch (encoding) {
    case ValueEncoding::CheckValue:
        return u"0 or 1"_s;
    case ValueEncoding::Colour:
        return u"a colour 0 to 16777215"_s;
    case ValueEncoding::Flag:
        return u"True or False"_s;
    case ValueEncoding::Size:
        return u"a point size above 0"_s;
    case ValueEncoding::Port:
        return u"a port 1 to 65535"_s;
    case ValueEncoding::Text:
        break;
    }
    return QString();
}

} // namespace

QString StoredValue::defaultText(int index) const
{
    return defaults.size() == 1 ? defaults.constFirst() : defaults.value(index);
}

QString StoredValue::read(const SettingsStore &store, int index) const
{
    if (index < 0 || index >= count())
        return QString();
    return store.readRegValue(keyPath, names.at(index));
}

void StoredValue::write(SettingsStore &store, const QString &text, int index) const
{
    if (index < 0 || index >= count())
        return;
    store.writeRegValue(keyPath, names.at(index), maxLength > 0 ? text.left(maxLength) : text);
}

std::optional<QString> StoredValue::input(const QString &text) const
{
    std::optional<QString> taken;
    switch (encoding) {
    case ValueEncoding::Text:
        taken = maxLength > 0 ? text.left(maxLength) : text;
        break;
    case ValueEncoding::CheckValue:
        if (text == u"0"_s || text == u"1"_s)
            taken = text;
        break;
    case ValueEncoding::Colour:
        if (const auto colour = ValueCodec::parseColour(text))
            taken = ValueCodec::colourText(*colour);
        break;
    case ValueEncoding::Flag:
        if (const auto flag = ValueCodec::parseFlag(text))
            taken = ValueCodec::flagText(*flag);
        break;
    case ValueEncoding::Size:
        if (const auto size = ValueCodec::parseSize(text))
            taken = ValueCodec::sizeText(*size);
        break;
    case ValueEncoding::Port:
        if (const auto port = ValueCodec::parsePort(text))
            taken = QString::number(*port);
        break;
    }
    return taken;
}

QString StoredValue::expected() const
{
    return encodingDescription(encoding);
}

namespace ValueCodec {

QString checkText(bool checked)
{
    return checked ? u"1"_s : u"0"_s;
}

bool isChecked(const QString &text)
{
    bool isNumber = false;
    const int value = text.trimmed().toInt(&isNumber);
    return isNumber && value == 1;
}

QString colourText(quint32 colour)
{
    return QString::number(colour & kColourMask);
}

std::optional<quint32> parseColour(const QString &text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 0 || value > kColourMask)
        return std::nullopt;
    return quint32(value);
}

QString flagText(bool flag)
{
    return flag ? u"True"_s : u"False"_s;
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

QString sizeText(float size)
{
    return QString::number(double(size), 'g', 7); // always "." whatever the locale
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

std::optional<quint16> parsePort(QStringView text)
{
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok, 10);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<quint16>(port);
}

} // namespace ValueCodec

namespace StoredValues {

using enum ValueEncoding;
using namespace SettingsKeys;

// clang-format off
const StoredValue Server = value(Root, {u"cServer"_s}, Text, {u"Glenmora Net"_s});
const StoredValue OperatorName = value(Root, {u"pName"_s}, Text, {QString()}, kOperatorNameLimit);
const StoredValue RoomName = value(Root, {u"cName"_s}, Text, {QString()}, kRoomNameLimit);
const StoredValue Password = value(Root, {u"cPass"_s}, Text, {QString()}, kPasswordLimit);
const StoredValue Locked = value(Root, {u"cLocked"_s}, CheckValue, {u"0"_s});
const StoredValue WelcomeMessage = value(Root, {u"cWelcomeMsg"_s}, Text);

const StoredValue Details = value(Root, numbered(u"cDetails"_s, 1, 3), Text);
const StoredValue DetailTexts = value(Root, numbered(u"tDetails"_s, 1, 4), Text);
const StoredValue Rules = value(Root, numbered(u"cRules"_s, 1, 5), Text);
const StoredValue Type = value(Root, {u"cType"_s}, Text, {u"Stroke"_s});
const StoredValue Courses = value(Root, numbered(u"cCourse"_s, 1, 8), Text);
const StoredValue Levels = value(Root, numbered(u"cLevel"_s, 1, 8), Text);
const StoredValue Holes = value(Root, numbered(u"cHoles"_s, 1, 8), Text);

const StoredValue Options = value(SettingsKeys::Options, numbered(u"cOptions"_s, 0, 5), CheckValue,
    {u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"1"_s, u"0"_s});
const StoredValue Logs = value(SettingsKeys::Options, numbered(u"cLogs"_s, 0, 4), CheckValue, {u"0"_s});

// Black background; yellow names, white chat, blue whispers sent, dark red whispers received,
// teal system messages.
const StoredValue Colours = value(Colors,
    {u"bColor"_s, u"pColor"_s, u"cColor"_s, u"wtColor"_s, u"wfColor"_s, u"sColor"_s}, Colour,
    {u"0"_s, u"65535"_s, u"16777215"_s, u"16711680"_s, u"192"_s, u"12632064"_s});
// Until a font is chosen a style has the window's default font, regular, at its default size.
// Fonts are chosen whole with a picker, so the console does not set their parts one by one.
const StoredValue FontNames = value(Fonts, perStyle(u"Font"_s), Text, {QString()}, 0, false);
const StoredValue FontBold = value(Fonts, perStyle(u"FontBold"_s), Flag, {u"False"_s}, 0, false);
const StoredValue FontItalic = value(Fonts, perStyle(u"FontItalic"_s), Flag, {u"False"_s}, 0, false);
const StoredValue FontSizes = value(Fonts, perStyle(u"FontSize"_s), Size, {QString()}, 0, false);

const StoredValue LobbyHost = value(Network, {u"lobbyHost"_s}, Text, {u"lobby.glenmora.net"_s});
const StoredValue LobbyPort = value(Network, {u"lobbyPort"_s}, Port, {u"1579"_s});
const StoredValue ChatPort = value(Network, {u"chatPort"_s}, Port, {u"1516"_s});
const StoredValue LeagueUrl = value(Network, {u"leagueUrl"_s}, Text, {u"http://www.glenmora-league.net"_s});
const StoredValue TourneyUrl = value(Network, {u"tourneyUrl"_s}, Text, {u"http://tourney{server}.glenmora-league.net"_s});
const StoredValue RankUrl = value(Network, {u"rankUrl"_s}, Text, {u"http://rank.glenmora-league.net:81"_s});

// Set with the program's own options (--panel, --set-panel-password), not by the panel itself.
const StoredValue PanelAddress = value(Panel, {u"panelAddress"_s}, Text, {QString()}, 0, false);
const StoredValue PanelPort = value(Panel, {u"panelPort"_s}, Port, {QString()}, 0, false);
const StoredValue PanelPassword = value(Panel, {u"panelPassword"_s}, Text, {QString()}, 0, false);
const StoredValue PanelHostNames = value(Panel, {u"panelHostNames"_s}, Text, {QString()}, 0, false);
// clang-format on

const QList<const StoredValue *> &all()
{
    static const QList<const StoredValue *> values = {&Server, &OperatorName, &RoomName, &Password,
        &Locked, &WelcomeMessage, &Details, &DetailTexts, &Rules, &Type, &Courses, &Levels, &Holes,
        &Options, &Logs, &Colours, &FontNames, &FontBold, &FontItalic, &FontSizes, &LobbyHost,
        &LobbyPort, &ChatPort, &LeagueUrl, &TourneyUrl, &RankUrl, &PanelAddress, &PanelPort,
        &PanelPassword, &PanelHostNames};
    return values;
}

std::optional<std::pair<const StoredValue *, int>> find(const QString &valueName)
{
    for (const StoredValue *value : all()) {
        const int index = value->indexOf(valueName);
        if (index >= 0)
            return std::pair{value, index};
    }
    return std::nullopt;
}

} // namespace StoredValues

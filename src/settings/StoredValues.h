#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

class SettingsStore;

// How a stored value's text reads.
enum class ValueEncoding {
    Text, // the text as typed, or the chosen entry of a list
    CheckValue, // "0" unchecked, "1" checked
    Colour, // 0x00BBGGRR as decimal text, 0 to 16777215
    Flag, // "True" or "False"
    Size, // a font's point size as decimal text, "10" or "9.75"
    Port, // a TCP port as decimal text, 1 to 65535
};

// One stored value, or a row of them that differ only by number ("cCourse 1" .. "cCourse 8") or
// by prefix ("pColor", "cColor", ...): where it lives, how it reads, what it is when absent and
// how much input it takes. Every model restores and writes its values through these, so each
// name is spelled in one place.
struct StoredValue
{
    QString keyPath;
    QStringList names; // one per index
    ValueEncoding encoding = ValueEncoding::Text;
    QStringList
        defaults; // the stored form of what an absent value means: one for all, or one per name
    int maxLength = 0; // longer input text is cut to this; 0: no limit
    bool settable = true; // offered by the console's /set and the panel

    int count() const { return int(names.size()); }
    QString name(int index = 0) const { return names.value(index); }
    QString defaultText(int index = 0) const;
    // The index of a name of this row, or -1.
    int indexOf(const QString &valueName) const { return int(names.indexOf(valueName)); }

    // The stored text, "" when absent. Out-of-range indexes read as "".
    QString read(const SettingsStore &store, int index = 0) const;
    // Writes the text as it stands, cut to maxLength; out-of-range indexes write nothing.
    void write(SettingsStore &store, const QString &text, int index = 0) const;

    // Operator input made into the stored form: text cut to its limit, numbers and words checked
    // against the encoding. Nothing when the input does not fit the encoding.
    std::optional<QString> input(const QString &text) const;
    // What input() takes, for messages: "0 or 1", "a port 1 to 65535"; "" for text.
    QString expected() const;
};

// The readings and spellings of the encodings.
namespace ValueCodec {
QString checkText(bool checked);
// Only a stored 1 checks a box, as the check box took it.
bool isChecked(const QString &text);
QString colourText(quint32 colour);
std::optional<quint32> parseColour(const QString &text);
QString flagText(bool flag);
std::optional<bool> parseFlag(const QString &text);
QString sizeText(float size);
std::optional<float> parseSize(const QString &text);
std::optional<quint16> parsePort(QStringView text);
} // namespace ValueCodec

// Every stored value of the program. The bans are not here: they are a list whose entries come
// and go (see BanStore).
namespace StoredValues {

// Identity and room ("SOFTWARE\TavixChat").
extern const StoredValue Server; // cServer
extern const StoredValue OperatorName; // pName
extern const StoredValue RoomName; // cName
extern const StoredValue Password; // cPass
extern const StoredValue Locked; // cLocked
extern const StoredValue WelcomeMessage; // cWelcomeMsg

// The tournament ("SOFTWARE\TavixChat").
extern const StoredValue Details; // cDetails 1..3: ladder, format, elimination type
extern const StoredValue DetailTexts; // tDetails 1..4: jump number, start time, fee, donation
extern const StoredValue Rules; // cRules 1..5
extern const StoredValue Type; // cType
extern const StoredValue Courses; // cCourse 1..8
extern const StoredValue Levels; // cLevel 1..8
extern const StoredValue Holes; // cHoles 1..8

// Chat and logging options ("SOFTWARE\TavixChat\Options").
extern const StoredValue Options; // cOptions 0..5
extern const StoredValue Logs; // cLogs 0..4

// The transcript's colours and fonts, by swatch and by font sample.
extern const StoredValue Colours; // bColor, pColor, cColor, wtColor, wfColor, sColor
extern const StoredValue FontNames; // pFont, cFont, wtFont, wfFont, sFont
extern const StoredValue FontBold; // pFontBold ...
extern const StoredValue FontItalic; // pFontItalic ...
extern const StoredValue FontSizes; // pFontSize ...

// Where the host finds the lobby and the league, and where it listens; read at start-up.
extern const StoredValue LobbyHost;
extern const StoredValue LobbyPort;
extern const StoredValue ChatPort;
extern const StoredValue LeagueUrl;
extern const StoredValue TourneyUrl;
extern const StoredValue RankUrl;

// The browser panel's address, port, password record and extra host names.
extern const StoredValue PanelAddress;
extern const StoredValue PanelPort;
extern const StoredValue PanelPassword;
extern const StoredValue PanelHostNames;

// All of the above, in this order.
const QList<const StoredValue *> &all();

// The row a value name belongs to and its index there; nothing for a name not declared.
std::optional<std::pair<const StoredValue *, int>> find(const QString &valueName);

} // namespace StoredValues

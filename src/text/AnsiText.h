#pragma once

#include <QByteArray>
#include <QString>

// Text on the wire, in the settings file and in the chat logs is one byte per character in
// Windows-1252, as the game clients and the lobby server expect.
namespace AnsiText {

// Characters that Windows-1252 cannot represent become '?'.
QByteArray encode(QStringView text);
QString decode(QByteArrayView bytes);

} // namespace AnsiText

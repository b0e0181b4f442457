#pragma once

#include <QString>

// The key paths under which values are stored: the registry keys of the Windows program, the
// sections of the settings file.
namespace SettingsKeys {
inline const QString Root = QStringLiteral("SOFTWARE\\TavixChat");
inline const QString Options = QStringLiteral("SOFTWARE\\TavixChat\\Options");
inline const QString Colors = QStringLiteral("SOFTWARE\\TavixChat\\Colors");
inline const QString Fonts = QStringLiteral("SOFTWARE\\TavixChat\\Fonts");
inline const QString Network = QStringLiteral("SOFTWARE\\TavixChat\\Network");
inline const QString Bans = QStringLiteral("SOFTWARE\\TavixChat\\Bans");
inline const QString Panel = QStringLiteral("SOFTWARE\\TavixChat\\Panel");
} // namespace SettingsKeys

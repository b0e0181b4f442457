#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// "NAME VALUE" for the console's /set: the names are those of the stored values that can be set
// (StoredValues), and the value goes to HostCore::setStoredValue.
namespace SettingCommands {

// Every value name that can be set, sorted: "cOptions 0", "tDetails 1", "sColor", ...
QStringList knownNames();

// Splits "NAME VALUE" at the longest known name that starts the line; nothing when none does.
std::optional<std::pair<QString, QString>> split(const QString &line);

} // namespace SettingCommands

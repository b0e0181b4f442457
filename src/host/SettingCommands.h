#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class HostCore;

// "NAME VALUE" for the console's /set and the panel's set: a stored setting is changed by its
// value name as editing its control would, through the same model operation, so every rule of
// the control holds.
namespace SettingCommands {

// Every value name that can be set, e.g. "cOptions 0", "tDetails 1", "sColor".
QStringList knownNames();

// Splits "NAME VALUE" at the longest known name that starts the line; nothing when none does.
std::optional<std::pair<QString, QString>> split(const QString &line);

// Applies the value; false with a reason when it is not a valid value for that setting.
bool apply(HostCore &core, const QString &name, const QString &value, QString *reason);

} // namespace SettingCommands

#pragma once

#include <QString>

class SettingsStore;

// The panel's password, kept only as a salted PBKDF2-HMAC-SHA256 hash in the settings file:
// "pbkdf2-sha256$ITERATIONS$SALT$HASH" with salt and hash in base64.
namespace PanelPassword {

inline constexpr int Iterations = 200000;

QString hash(const QString &password, int iterations = Iterations);
// False for a malformed record as for a wrong password; compares in constant time.
bool verify(const QString &password, const QString &record);

QString storedRecord(const SettingsStore &store);
void store(SettingsStore &store, const QString &record);

} // namespace PanelPassword

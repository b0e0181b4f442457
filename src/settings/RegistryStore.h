#pragma once

#include "settings/SettingsStore.h"

#include <QString>

#include <functional>
#include <memory>

class QWinEventNotifier;

// Where the settings store keeps its values on Windows when no settings file is named: string
// values (REG_SZ) in HKEY_CURRENT_USER\SOFTWARE\TavixChat and its subkeys, with the value names
// and encodings of the settings file. HKEY_CURRENT_USER needs no administrator.
//
// A location is "HKEY_CURRENT_USER", or that followed by "\" and a key below which the whole
// layout lies (used by the tests, so they never touch the real settings).
//
// At the first start (no TavixChat key of the current user yet) the values of an earlier
// installation are taken over from the places EarlierInstallation names.
class RegistryStore
{
public:
    static const QString CurrentUser;

    static bool isLocation(const QString &location);

    explicit RegistryStore(const QString &location);
    ~RegistryStore();
    RegistryStore(const RegistryStore &) = delete;
    RegistryStore &operator=(const RegistryStore &) = delete;

    // Every value now stored. Values of another type than REG_SZ are left out.
    SettingsStore::Values readAll() const;

    // Stores what differs between the values as last stored and now: changed and new values
    // written, values gone deleted. False, with the reason, when a key cannot be written.
    bool write(
        const SettingsStore::Values &was, const SettingsStore::Values &now, QString *error) const;

    // At a first start, copies an earlier installation's values in; true when there were any.
    bool takeOverEarlierInstallation() const;

    // Calls changed (in the loop) whenever the stored values may have been changed, by this
    // program or another.
    void watch(std::function<void()> changed);

private:
    QString keyOf(const QString &keyPath) const;

    QString m_testPrefix; // "" or the key path the whole layout lies below
    std::unique_ptr<QWinEventNotifier> m_notifier;
    void *m_watchedKey = nullptr; // HKEY
    void *m_event = nullptr; // HANDLE
    std::function<void()> m_changed;
};

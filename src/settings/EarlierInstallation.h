#pragma once

#include "settings/SettingsStore.h"

#include <QList>
#include <QString>

// Where the old program left the operator's settings, for the first start on Windows to take them
// over. It was a 32-bit program that wrote below HKEY_LOCAL_MACHINE: on 32-bit Windows its key is
// SOFTWARE\TavixChat, on 64-bit Windows the system redirected it to SOFTWARE\WOW6432Node\TavixChat,
// and where it ran without administrator rights the system kept its writes in the user's
// VirtualStore instead, which the old program then saw in front of the machine's values. Kept apart
// from the registry code so the order can be checked on every platform.
namespace EarlierInstallation {

enum class Root { LocalMachine, CurrentUser };

struct Place
{
    Root root;
    QString keyPath;
};

// The places in the order they are laid over each other, the last one winning. With a test
// prefix (a key path below HKEY_CURRENT_USER) every place lies below that prefix instead, the
// machine's keys under "Machine\", so tests never read or write the real ones.
QList<Place> places(const QString &testPrefix = QString());

// The values found at each place, in places() order, laid over each other value by value.
SettingsStore::Values overlaid(const QList<SettingsStore::Values> &found);

} // namespace EarlierInstallation

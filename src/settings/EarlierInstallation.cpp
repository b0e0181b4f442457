#include "settings/EarlierInstallation.h"

using namespace Qt::StringLiterals;

namespace EarlierInstallation {

QList<Place> places(const QString &testPrefix)
{
    const QString machine = u"SOFTWARE\\"_s;
    const QString virtualStore = u"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\"_s;
    QList<Place> list = {
        {Root::LocalMachine, machine + u"TavixChat"_s},
        {Root::LocalMachine, machine + u"WOW6432Node\\TavixChat"_s},
        {Root::CurrentUser, virtualStore + u"TavixChat"_s},
        {Root::CurrentUser, virtualStore + u"WOW6432Node\\TavixChat"_s},
    };
    if (testPrefix.isEmpty())
        return list;
    for (Place &place : list) {
        const bool ofMachine = place.root == Root::LocalMachine;
        place.keyPath
            = testPrefix + u'\\' + (ofMachine ? u"Machine\\"_s : QString()) + place.keyPath;
        place.root = Root::CurrentUser;
    }
    return list;
}

SettingsStore::Values overlaid(const QList<SettingsStore::Values> &found)
{
    SettingsStore::Values values;
    for (const SettingsStore::Values &layer : found) {
        for (auto key = layer.cbegin(); key != layer.cend(); ++key) {
            for (auto value = key->cbegin(); value != key->cend(); ++value)
                values[key.key()].insert(value.key(), value.value());
        }
    }
    return values;
}

} // namespace EarlierInstallation

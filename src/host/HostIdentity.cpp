#include "host/HostIdentity.h"

#include "settings/SettingsStore.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The lengths the game and the lobby server accept; the boxes hold no more.
constexpr int kOperatorNameLimit = 20;
constexpr int kRoomNameLimit = 18;
constexpr int kPasswordLimit = 20;

const QString kServerName = u"cServer"_s;
const QString kOperatorName = u"pName"_s;
const QString kRoomName = u"cName"_s;
const QString kPasswordName = u"cPass"_s;
const QString kLockedName = u"cLocked"_s;
const QString kWelcomeName = u"cWelcomeMsg"_s;

// Only a stored 1 locks the room, as a check box takes it.
bool isCheckedValue(const QString &text)
{
    bool isNumber = false;
    const int value = text.trimmed().toInt(&isNumber);
    return isNumber && value == 1;
}

} // namespace

QStringList HostIdentity::serverChoices()
{
    return {u"Glenmora Net"_s, u"ViraruRor"_s};
}

HostIdentity::HostIdentity(SettingsStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_server(serverChoices().constFirst())
{
}

void HostIdentity::restore()
{
    const auto read = [this](const QString &valueName) {
        return m_store.readRegValue(SettingsKeys::Root, valueName);
    };
    const QString storedServer = read(kServerName);
    const QString server
        = serverChoices().contains(storedServer) ? storedServer : serverChoices().constFirst();

    bool anyChanged = false;
    const auto take = [&anyChanged](auto &value, const auto &restored) {
        if (value != restored) {
            value = restored;
            anyChanged = true;
        }
    };
    take(m_server, server);
    take(m_operatorName, read(kOperatorName).left(kOperatorNameLimit));
    take(m_roomName, read(kRoomName).left(kRoomNameLimit));
    take(m_password, read(kPasswordName).left(kPasswordLimit));
    take(m_locked, isCheckedValue(read(kLockedName)));
    take(m_welcome, read(kWelcomeName));
    if (anyChanged)
        Q_EMIT changed();
}

void HostIdentity::chooseServer(const QString &text)
{
    if (!serverChoices().contains(text))
        return;
    store(kServerName, text);
    if (std::exchange(m_server, text) != text)
        Q_EMIT changed();
}

void HostIdentity::setOperatorName(const QString &text)
{
    setText(m_operatorName, kOperatorName, text.left(kOperatorNameLimit));
}

void HostIdentity::setRoomName(const QString &text)
{
    setText(m_roomName, kRoomName, text.left(kRoomNameLimit));
}

void HostIdentity::setPassword(const QString &text)
{
    setText(m_password, kPasswordName, text.left(kPasswordLimit));
}

void HostIdentity::setLocked(bool locked)
{
    store(kLockedName, locked ? u"1"_s : u"0"_s);
    if (std::exchange(m_locked, locked) != locked)
        Q_EMIT changed();
}

void HostIdentity::setWelcomeMessage(const QString &text)
{
    setText(m_welcome, kWelcomeName, text);
}

void HostIdentity::setText(QString &value, const QString &valueName, const QString &text)
{
    store(valueName, text);
    if (std::exchange(value, text) != text)
        Q_EMIT changed();
}

void HostIdentity::store(const QString &valueName, const QString &text)
{
    m_store.writeRegValue(SettingsKeys::Root, valueName, text);
}

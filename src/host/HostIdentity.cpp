#include "host/HostIdentity.h"

#include "settings/StoredValues.h"

#include <utility>

using namespace Qt::StringLiterals;

using namespace StoredValues;

QStringList HostIdentity::serverChoices()
{
    return {Server.defaultText(), u"ViraruRor"_s};
}

HostIdentity::HostIdentity(SettingsStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_server(serverChoices().constFirst())
{
}

void HostIdentity::restore()
{
    const auto read
        = [this](const StoredValue &value) { return value.read(m_store).left(limit(value)); };
    const QString storedServer = read(Server);
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
    take(m_operatorName, read(OperatorName));
    take(m_roomName, read(RoomName));
    take(m_password, read(Password));
    take(m_locked, ValueCodec::isChecked(read(Locked)));
    take(m_welcome, read(WelcomeMessage));
    if (anyChanged)
        Q_EMIT changed();
}

void HostIdentity::chooseServer(const QString &text)
{
    if (!serverChoices().contains(text))
        return;
    Server.write(m_store, text);
    if (std::exchange(m_server, text) != text)
        Q_EMIT changed();
}

void HostIdentity::setOperatorName(const QString &text)
{
    setText(m_operatorName, OperatorName, text);
}

void HostIdentity::setRoomName(const QString &text)
{
    setText(m_roomName, RoomName, text);
}

void HostIdentity::setPassword(const QString &text)
{
    setText(m_password, Password, text);
}

void HostIdentity::setLocked(bool locked)
{
    Locked.write(m_store, ValueCodec::checkText(locked));
    if (std::exchange(m_locked, locked) != locked)
        Q_EMIT changed();
}

void HostIdentity::setWelcomeMessage(const QString &text)
{
    setText(m_welcome, WelcomeMessage, text);
}

void HostIdentity::setText(QString &value, const StoredValue &stored, const QString &text)
{
    // The box holds no more than its limit; what it holds is what is stored.
    const QString kept = text.left(limit(stored));
    stored.write(m_store, kept);
    if (std::exchange(value, kept) != kept)
        Q_EMIT changed();
}

int HostIdentity::limit(const StoredValue &value)
{
    return value.maxLength > 0 ? value.maxLength : -1;
}

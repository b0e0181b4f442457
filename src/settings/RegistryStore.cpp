#include "settings/RegistryStore.h"
#include "settings/SettingsKeys.h"

#include "settings/EarlierInstallation.h"

#include <QWinEventNotifier>

#include <utility>

#include <windows.h>

using namespace Qt::StringLiterals;

namespace {

const QString RootKeyPath = SettingsKeys::Root; // SOFTWARE\TavixChat

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

// An open registry key, closed when it goes.
class Key
{
public:
    Key() = default;
    ~Key()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;

    bool open(HKEY root, const QString &path, REGSAM view = 0)
    {
        return RegOpenKeyExW(root, wide(path).c_str(), 0, KEY_READ | view, &m_key) == ERROR_SUCCESS;
    }
    bool create(HKEY root, const QString &path)
    {
        return RegCreateKeyExW(root, wide(path).c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                   nullptr, &m_key, nullptr)
            == ERROR_SUCCESS;
    }
    HKEY get() const { return m_key; }
    HKEY release() { return std::exchange(m_key, nullptr); }

private:
    HKEY m_key = nullptr;
};

// The REG_SZ values of one key, each cut at its first zero character.
QHash<QString, QString> stringValues(HKEY key)
{
    QHash<QString, QString> values;
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
            &longestName, &longestData, nullptr, nullptr)
        != ERROR_SUCCESS)
        return values;
    std::wstring name(longestName + 1, L'\0');
    QByteArray data(qsizetype(longestData) + 2, '\0');
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLength = DWORD(name.size());
        DWORD type = 0;
        DWORD size = DWORD(data.size());
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type,
                reinterpret_cast<BYTE *>(data.data()), &size)
                != ERROR_SUCCESS
            || type != REG_SZ)
            continue;
        // Stored without a terminating zero or with one: the text ends at the first zero.
        QString text = QString::fromWCharArray(
            reinterpret_cast<const wchar_t *>(data.constData()), qsizetype(size / 2));
        const qsizetype zero = text.indexOf(QChar(u'\0'));
        if (zero >= 0)
            text.truncate(zero);
        values.insert(QString::fromWCharArray(name.data(), qsizetype(nameLength)), text);
    }
    return values;
}

// The TavixChat key at path and its subkeys, one level down, named by the key paths the store
// uses.
SettingsStore::Values readLayout(HKEY root, const QString &path, REGSAM view = 0)
{
    SettingsStore::Values values;
    Key top;
    if (!top.open(root, path, view))
        return values;
    const QHash<QString, QString> rootValues = stringValues(top.get());
    if (!rootValues.isEmpty())
        values.insert(RootKeyPath, rootValues);
    DWORD subkeys = 0;
    DWORD longestName = 0;
    RegQueryInfoKeyW(top.get(), nullptr, nullptr, nullptr, &subkeys, &longestName, nullptr, nullptr,
        nullptr, nullptr, nullptr, nullptr);
    std::wstring name(longestName + 1, L'\0');
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD nameLength = DWORD(name.size());
        if (RegEnumKeyExW(
                top.get(), i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr)
            != ERROR_SUCCESS)
            continue;
        const QString subkey = QString::fromWCharArray(name.data(), qsizetype(nameLength));
        Key sub;
        if (!sub.open(top.get(), subkey, view))
            continue;
        const QHash<QString, QString> subValues = stringValues(sub.get());
        if (!subValues.isEmpty())
            values.insert(RootKeyPath + u'\\' + subkey, subValues);
    }
    return values;
}

QString errorText(LSTATUS status)
{
    wchar_t *text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(status), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString message
        = text ? QString::fromWCharArray(text).trimmed() : u"error %1"_s.arg(status);
    LocalFree(text);
    return message;
}

} // namespace

const QString RegistryStore::CurrentUser = u"HKEY_CURRENT_USER"_s;

bool RegistryStore::isLocation(const QString &location)
{
    return location == CurrentUser || location.startsWith(CurrentUser + u'\\');
}

RegistryStore::RegistryStore(const QString &location)
{
    if (location.size() > CurrentUser.size() + 1)
        m_testPrefix = location.sliced(CurrentUser.size() + 1);
}

RegistryStore::~RegistryStore()
{
    m_notifier.reset();
    if (m_watchedKey)
        RegCloseKey(HKEY(m_watchedKey));
    if (m_event)
        CloseHandle(HANDLE(m_event));
}

QString RegistryStore::keyOf(const QString &keyPath) const
{
    return m_testPrefix.isEmpty() ? keyPath : m_testPrefix + u'\\' + keyPath;
}

SettingsStore::Values RegistryStore::readAll() const
{
    return readLayout(HKEY_CURRENT_USER, keyOf(RootKeyPath));
}

bool RegistryStore::write(
    const SettingsStore::Values &was, const SettingsStore::Values &now, QString *error) const
{
    LSTATUS failed = ERROR_SUCCESS;
    const auto writeKey = [&](const QString &keyPath, const QHash<QString, QString> &before,
                              const QHash<QString, QString> &after) {
        if (before == after)
            return;
        Key key;
        if (!key.create(HKEY_CURRENT_USER, keyOf(keyPath))) {
            failed = ERROR_ACCESS_DENIED;
            return;
        }
        for (auto value = after.cbegin(); value != after.cend(); ++value) {
            const auto old = before.constFind(value.key());
            if (old != before.cend() && *old == *value)
                continue;
            // As the old program stored them: the characters without a terminating zero.
            const std::wstring text = wide(*value);
            const LSTATUS status = RegSetValueExW(key.get(), wide(value.key()).c_str(), 0, REG_SZ,
                reinterpret_cast<const BYTE *>(text.data()), DWORD(text.size() * sizeof(wchar_t)));
            if (status != ERROR_SUCCESS)
                failed = status;
        }
        for (auto value = before.cbegin(); value != before.cend(); ++value) {
            if (!after.contains(value.key()))
                RegDeleteValueW(key.get(), wide(value.key()).c_str());
        }
    };
    for (auto key = now.cbegin(); key != now.cend(); ++key)
        writeKey(key.key(), was.value(key.key()), key.value());
    for (auto key = was.cbegin(); key != was.cend(); ++key) {
        if (!now.contains(key.key()))
            writeKey(key.key(), key.value(), {});
    }
    if (failed != ERROR_SUCCESS && error)
        *error = errorText(failed);
    return failed == ERROR_SUCCESS;
}

bool RegistryStore::takeOverEarlierInstallation() const
{
    Key own;
    if (own.open(HKEY_CURRENT_USER, keyOf(RootKeyPath)))
        return false;
    QList<SettingsStore::Values> found;
    for (const EarlierInstallation::Place &place : EarlierInstallation::places(m_testPrefix)) {
        const bool machine = place.root == EarlierInstallation::Root::LocalMachine;
        // The 32-bit program's key is read as it stands, not redirected once more.
        found.append(readLayout(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, place.keyPath,
            machine ? KEY_WOW64_64KEY : 0));
    }
    const SettingsStore::Values earlier = EarlierInstallation::overlaid(found);
    return !earlier.isEmpty() && write({}, earlier, nullptr);
}

void RegistryStore::watch(std::function<void()> changed)
{
    Key key;
    if (!key.create(HKEY_CURRENT_USER, keyOf(RootKeyPath)))
        return;
    m_changed = std::move(changed);
    m_watchedKey = key.release();
    m_notifier = std::make_unique<QWinEventNotifier>();
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_event = event;
    m_notifier->setHandle(event);
    const auto arm = [this, event] {
        return RegNotifyChangeKeyValue(HKEY(m_watchedKey), TRUE,
                   REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, event, TRUE)
            == ERROR_SUCCESS;
    };
    QObject::connect(
        m_notifier.get(), &QWinEventNotifier::activated, m_notifier.get(), [this, arm] {
            // Armed again before the values are read, so a change made meanwhile is not missed.
            arm();
            m_changed();
        });
    if (arm())
        m_notifier->setEnabled(true);
}

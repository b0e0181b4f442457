#include "settings/SettingsStore.h"

#include "text/AnsiText.h"
#ifdef Q_OS_WIN
#include "settings/RegistryStore.h"
#endif

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

QString escaped(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        if (c == u'\\')
            out += u"\\\\"_s;
        else if (c == u'\r')
            out += u"\\r"_s;
        else if (c == u'\n')
            out += u"\\n"_s;
        else
            out += c;
    }
    return out;
}

QString unescaped(QStringView value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        out += next == u'r' ? QChar(u'\r') : next == u'n' ? QChar(u'\n') : next;
    }
    return out;
}

// Far beyond any settings this program writes; a larger file is no settings file of ours, and
// reading it whole would cost memory on every save.
constexpr qint64 MaxFileSize = 1024 * 1024;

using ValueName = std::pair<QString, QString>; // key path, value name

// Copies the file beside itself as "<name>.unreadable-<date>" (then "-2", "-3" ... when that is
// taken); the copy's path, or "" when no copy could be made.
QString keepCopyOf(const QString &filePath)
{
    const QString base = filePath + u".unreadable-"_s + QDate::currentDate().toString(Qt::ISODate);
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString copy = attempt == 1 ? base : base + u'-' + QString::number(attempt);
        if (QFileInfo::exists(copy))
            continue;
        return QFile::copy(filePath, copy) ? copy : QString();
    }
    return QString();
}

std::optional<QString> valueIn(
    const SettingsStore::Values &values, const QString &keyPath, const QString &valueName)
{
    const auto key = values.constFind(keyPath);
    if (key == values.cend())
        return std::nullopt;
    const auto value = key->constFind(valueName);
    return value == key->cend() ? std::nullopt : std::optional<QString>(*value);
}

QList<ValueName> valueNamesIn(std::initializer_list<const SettingsStore::Values *> sets)
{
    QList<ValueName> names;
    for (const SettingsStore::Values *values : sets) {
        for (auto key = values->cbegin(); key != values->cend(); ++key) {
            for (auto value = key->cbegin(); value != key->cend(); ++value)
                names.append({key.key(), value.key()});
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

// Whether the values have a place outside memory yet: the file exists, or they are in the registry.
bool storedSomewhere(const QString &location)
{
#ifdef Q_OS_WIN
    if (RegistryStore::isLocation(location))
        return true;
#endif
    return QFileInfo::exists(location);
}

} // namespace

SettingsStore::SettingsStore(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_filePath(filePath)
{
#ifdef Q_OS_WIN
    if (RegistryStore::isLocation(filePath)) {
        m_registry = std::make_unique<RegistryStore>(filePath);
        m_tookOver = m_registry->takeOverEarlierInstallation();
        m_values = m_registry->readAll();
        m_onDisk = m_values;
        m_registry->watch([this] { takeOutsideChanges(m_registry->readAll()); });
        return;
    }
#endif
    load();
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::defaultLocation()
{
#ifdef Q_OS_WIN
    return RegistryStore::CurrentUser;
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + u"/settings.ini"_s;
#endif
}

QString SettingsStore::readRegValue(const QString &keyPath, const QString &valueName) const
{
    const auto key = m_values.constFind(keyPath);
    if (key == m_values.cend())
        return QString();
    QString value = key->value(valueName);
    // The registry hands back a string up to its first zero byte.
    const qsizetype zero = value.indexOf(QChar(u'\0'));
    if (zero >= 0)
        value.truncate(zero);
    return value;
}

void SettingsStore::writeRegValue(
    const QString &keyPath, const QString &valueName, const QString &text)
{
    QString &slot = m_values[keyPath][valueName];
    if (slot == text && !m_unsaved && storedSomewhere(m_filePath))
        return;
    slot = text;
    m_unsaved = true;
    save();
}

QStringList SettingsStore::valueNames(const QString &keyPath) const
{
    return m_values.value(keyPath).keys();
}

void SettingsStore::replaceKey(const QString &keyPath, const QHash<QString, QString> &values)
{
    if (m_values.value(keyPath) == values && !m_unsaved && storedSomewhere(m_filePath))
        return;
    if (values.isEmpty())
        m_values.remove(keyPath);
    else
        m_values[keyPath] = values;
    m_unsaved = true;
    save();
}

QByteArray SettingsStore::serialize(const Values &values)
{
    QStringList keys = values.keys();
    std::sort(keys.begin(), keys.end());
    QString text;
    for (const QString &key : std::as_const(keys)) {
        text += u'[' + key + u"]\r\n"_s;
        const auto &names = values[key];
        QStringList sortedNames = names.keys();
        std::sort(sortedNames.begin(), sortedNames.end());
        for (const QString &name : std::as_const(sortedNames))
            text += name + u'=' + escaped(names[name]) + u"\r\n"_s;
        text += u"\r\n"_s;
    }
    return AnsiText::encode(text);
}

SettingsStore::Values SettingsStore::parse(QByteArrayView fileText, bool *wellFormed)
{
    Values values;
    bool ok = true;
    QString key;
    const QString text = AnsiText::decode(fileText);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            key = line.sliced(1, line.size() - 2).toString();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || key.isEmpty()) {
            ok = false; // a stray line: skip it, keep the rest
            continue;
        }
        values[key][line.first(equals).toString()] = unescaped(line.sliced(equals + 1));
    }
    if (wellFormed)
        *wellFormed = ok;
    return values;
}

void SettingsStore::load()
{
    if (m_filePath.isEmpty() || !QFileInfo::exists(m_filePath))
        return;
    const QString shownPath = QDir::toNativeSeparators(m_filePath);
    QFile file(m_filePath);
    const QString notSaved = u" (starting with default settings; changes will not be saved)"_s;
    if (!file.open(QIODevice::ReadOnly)) {
        m_keepFileUntouched = true;
        m_loadProblem = u"The settings file cannot be read: "_s + shownPath + notSaved;
        return;
    }
    if (file.size() > MaxFileSize) {
        m_keepFileUntouched = true;
        m_loadProblem
            = u"The settings file is larger than 1 MiB and was not read: "_s + shownPath + notSaved;
        return;
    }
    bool wellFormed = true;
    m_values = parse(file.read(MaxFileSize), &wellFormed);
    m_onDisk = m_values;
    if (wellFormed) {
        watchFile();
        return;
    }
    // The first save would drop every line that could not be read (a file saved as UTF-16 by an
    // editor loses all of them), so the file as it is is kept beside it first.
    const QString copy = keepCopyOf(m_filePath);
    if (copy.isEmpty()) {
        m_keepFileUntouched = true;
        m_loadProblem = u"The settings file is damaged and no copy of it could be kept: "_s
            + shownPath + u" (changes will not be saved)"_s;
        return;
    }
    watchFile();
    m_loadProblem = u"The settings file is damaged; unreadable lines were skipped: "_s + shownPath
        + u" (the file as it was is kept as "_s + QDir::toNativeSeparators(copy) + u')';
}

void SettingsStore::save()
{
#ifdef Q_OS_WIN
    if (m_registry) {
        QString reason;
        afterSave(m_registry->write(m_onDisk, m_values, &reason), reason);
        return;
    }
#endif
    if (m_filePath.isEmpty() || m_keepFileUntouched)
        return;
    takeOutsideChanges();
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSaveFile file(m_filePath);
    const bool saved
        = file.open(QIODevice::WriteOnly) && file.write(serialize(m_values)) >= 0 && file.commit();
    if (saved)
        watchFile();
    afterSave(saved, file.errorString());
}

void SettingsStore::afterSave(bool saved, const QString &reason)
{
    if (saved) {
        m_onDisk = m_values;
        m_unsaved = false;
        m_saveProblemReported = false;
        return;
    }
    if (m_saveProblemReported)
        return;
    m_saveProblemReported = true;
    Q_EMIT problem(u"Settings cannot be saved to "_s + QDir::toNativeSeparators(m_filePath)
        + u": "_s + reason);
}

void SettingsStore::watchFile()
{
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] {
            takeOutsideChanges();
            // A save by rename replaces the file, and the watch goes with the old one.
            watchFile();
        });
    }
    if (!m_watcher->files().contains(m_filePath) && QFileInfo::exists(m_filePath))
        m_watcher->addPath(m_filePath);
}

void SettingsStore::takeOutsideChanges()
{
    QFile file(m_filePath);
    if (m_filePath.isEmpty() || m_keepFileUntouched || !file.open(QIODevice::ReadOnly)
        || file.size() > MaxFileSize)
        return;
    takeOutsideChanges(parse(file.read(MaxFileSize)));
}

void SettingsStore::takeOutsideChanges(const Values &now)
{
    if (now == m_onDisk)
        return;
    QList<std::pair<QString, QString>> taken;
    for (const auto &[key, name] : valueNamesIn({&m_onDisk, &now})) {
        const std::optional<QString> was = valueIn(m_onDisk, key, name);
        const std::optional<QString> is = valueIn(now, key, name);
        if (is == was || valueIn(m_values, key, name) != was)
            continue;
        if (is)
            m_values[key][name] = *is;
        else
            m_values[key].remove(name);
        taken.append({key, name});
    }
    m_onDisk = now;
    for (const auto &[key, name] : std::as_const(taken))
        Q_EMIT changedElsewhere(key, name);
}

#include "panel/PanelPassword.h"

#include "panel/PanelSettings.h"
#include "settings/SettingsStore.h"
#include "settings/StoredValues.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace {

constexpr int SaltBytes = 16;
constexpr int HashBytes = 32;
// A record from a file is not trusted to name a workable count.
constexpr int MaxIterations = 10000000;

QByteArray derive(const QString &password, const QByteArray &salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(
        QCryptographicHash::Sha256, password.toUtf8(), salt, iterations, HashBytes);
}

bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return diff == 0;
}

} // namespace

namespace PanelPassword {

QString hash(const QString &password, int iterations)
{
    QByteArray salt(SaltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(
        reinterpret_cast<quint32 *>(salt.data()), SaltBytes / int(sizeof(quint32)));
    return u"pbkdf2-sha256$%1$%2$%3"_s.arg(iterations)
        .arg(QString::fromLatin1(salt.toBase64()),
            QString::fromLatin1(derive(password, salt, iterations).toBase64()));
}

bool verify(const QString &password, const QString &record)
{
    const QStringList parts = record.split(u'$');
    if (parts.size() != 4 || parts[0] != u"pbkdf2-sha256"_s)
        return false;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    if (!ok || iterations < 1 || iterations > MaxIterations)
        return false;
    const QByteArray salt = QByteArray::fromBase64(parts[2].toLatin1());
    const QByteArray expected = QByteArray::fromBase64(parts[3].toLatin1());
    if (salt.isEmpty() || expected.size() != HashBytes)
        return false;
    return sameBytes(derive(password, salt, iterations), expected);
}

QString storedRecord(const SettingsStore &store)
{
    return StoredValues::PanelPassword.read(store);
}

void store(SettingsStore &store, const QString &record)
{
    StoredValues::PanelPassword.write(store, record);
}

} // namespace PanelPassword

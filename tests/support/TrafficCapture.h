#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QString>

// With VORNIC_CAPTURE_DIR set, the tests' clients keep what they send: one file per write in a
// folder per kind ("http", "console", "connection", "settings"), named by a hash of its bytes.
// fuzz/seeds.py makes the fuzz targets' seed corpora from them.
inline void captureTraffic(const char *kind, const QByteArray &bytes)
{
    const QString folder = qEnvironmentVariable("VORNIC_CAPTURE_DIR");
    if (folder.isEmpty() || bytes.isEmpty())
        return;
    const QDir dir(folder + u'/' + QString::fromLatin1(kind));
    dir.mkpath(QStringLiteral("."));
    QFile file(dir.filePath(QString::fromLatin1(
        QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(16))));
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

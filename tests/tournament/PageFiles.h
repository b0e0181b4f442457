#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The sample pages of the league web site, kept with the league site simulator.
inline QByteArray samplePage(const QString &fileName)
{
    QFile file(QStringLiteral(VORNIC_PAGES_DIR "/") + fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

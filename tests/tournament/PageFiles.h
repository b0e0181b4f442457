#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The sample pages of the league web site kept beside these tests.
inline QByteArray samplePage(const QString &fileName)
{
    QFile file(QStringLiteral(VORNIC_PAGES_DIR "/") + fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

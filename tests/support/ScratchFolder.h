#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A temporary folder that hands out paths of files that do not exist (any more), so each case
// starts from no file whatever an earlier one left there.
class ScratchFolder
{
public:
    QString freshPath(const QString &name) const
    {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        return path;
    }

private:
    QTemporaryDir m_dir;
};

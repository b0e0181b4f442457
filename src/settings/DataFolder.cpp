#include "settings/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

namespace DataFolder {

QString choose(const QString &overrideDir, const QString &programDir, const QString &userDataDir)
{
    const QString chosen = !overrideDir.isEmpty() ? overrideDir
        : isWritableFolder(programDir)            ? programDir
                                                  : userDataDir;
    QDir().mkpath(chosen);
    return QFileInfo(chosen).absoluteFilePath();
}

QString locate(const QString &overrideDir)
{
    return choose(overrideDir, QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
}

QString overrideFromArguments(const QStringList &arguments)
{
    const QString option = u"--data-dir"_s;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == option && i + 1 < arguments.size())
            return arguments[i + 1];
        if (argument.startsWith(option + u'='))
            return argument.sliced(option.size() + 1);
    }
    return QString();
}

bool isWritableFolder(const QString &dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return false;
    // Permission bits do not tell the whole story (read-only mounts, access lists): try it.
    QTemporaryFile probe(QDir(dir).filePath(u"write-test-XXXXXX"_s));
    return probe.open();
}

} // namespace DataFolder

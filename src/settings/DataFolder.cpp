#include "settings/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>

using namespace Qt::StringLiterals;

#ifndef VORNIC_SHIPPED_DATA_FROM_BIN
#define VORNIC_SHIPPED_DATA_FROM_BIN "../share"
#endif

namespace DataFolder {

namespace {

const QString LaddersName = u"ladders.ini"_s;
// Left beside the program by the Windows installer, and only by it.
const QString UninstallerName = u"uninstall.exe"_s;

} // namespace

Places placesOf(
    const QString &programDir, const QString &relativeShippedDir, const QString &userDataDir)
{
    Places places{programDir, QString(), userDataDir};
    const QString shipped = QDir::cleanPath(QDir(programDir).filePath(relativeShippedDir));
    if (!relativeShippedDir.isEmpty() && QFileInfo(shipped).isDir())
        places.shippedDir = shipped;
    return places;
}

bool isWindowsInstall(const QString &programDir, const QStringList &programFilesDirs)
{
    if (QFileInfo::exists(QDir(programDir).filePath(UninstallerName)))
        return true;
    // Windows paths, whatever the platform that checks them.
    const auto folder = [](QString path) {
        path = QDir::cleanPath(path.replace(u'\\', u'/'));
        path.append(u'/');
        return path;
    };
    const QString dir = folder(programDir);
    return std::any_of(programFilesDirs.cbegin(), programFilesDirs.cend(), [&](const QString &p) {
        return !p.isEmpty() && dir.startsWith(folder(p), Qt::CaseInsensitive);
    });
}

Places thisProgram()
{
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#ifdef Q_OS_WIN
    // The installer puts the program and the files it ships in one folder; the per-user folder
    // (%LOCALAPPDATA%\Vornic Host) takes what the program writes.
    const QString dir = QCoreApplication::applicationDirPath();
    const QStringList programFiles = {qEnvironmentVariable("ProgramFiles"),
        qEnvironmentVariable("ProgramFiles(x86)"), qEnvironmentVariable("ProgramW6432")};
    return {dir, isWindowsInstall(dir, programFiles) ? dir : QString(), userData};
#else
    // Each package ships its own copy under its program's name, so both can be installed.
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return placesOf(QCoreApplication::applicationDirPath(),
        QString::fromUtf8(VORNIC_SHIPPED_DATA_FROM_BIN) + u'/' + name, userData);
#endif
}

QString choose(const QString &overrideDir, const Places &places)
{
    QString chosen = overrideDir;
    if (chosen.isEmpty()) {
        // Installed, the program's folder is not its own to write in: not even a probe goes there.
        const bool besideProgram = !places.installed() && isWritableFolder(places.programDir);
        chosen = besideProgram ? places.programDir : places.userDataDir;
    }
    QDir().mkpath(chosen);
    return QFileInfo(chosen).absoluteFilePath();
}

QString locate(const QString &overrideDir)
{
    return choose(overrideDir, thisProgram());
}

QString laddersFile(const QString &dataFolder, bool folderChosen, const Places &places)
{
    const QString inData = QDir(dataFolder).filePath(LaddersName);
    if (QFileInfo::exists(inData))
        return inData;
    if (places.installed())
        return QDir(places.shippedDir).filePath(LaddersName);
    return folderChosen ? inData : QDir(places.programDir).filePath(LaddersName);
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

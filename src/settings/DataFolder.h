#pragma once

#include <QString>
#include <QStringList>

// The folder for the program's own files (daily chat logs, ladders.ini): the folder the program
// is installed in, as operators expect, unless it cannot be written (an installation under a
// system folder), then the per-user data folder. "--data-dir DIR" on the command line wins.
namespace DataFolder {

// The folder to use. An empty override means none was given. The chosen folder is created when
// it does not exist yet; the result is an absolute path.
QString choose(const QString &overrideDir, const QString &programDir, const QString &userDataDir);

// choose() with this program's folders: the executable's folder and the per-user data location.
QString locate(const QString &overrideDir);

// The DIR of "--data-dir DIR" or "--data-dir=DIR" in the arguments, or "" when absent.
QString overrideFromArguments(const QStringList &arguments);

bool isWritableFolder(const QString &dir);

} // namespace DataFolder

#pragma once

#include <QString>
#include <QStringList>

// The folder for the program's own files (daily chat logs, ladders.ini).
//
// A program run from its build folder or copied into a folder of its own keeps its files beside
// itself, as operators expect, unless that folder cannot be written; then the per-user data
// folder (%LOCALAPPDATA%\Vornic Host on Windows). An installed program (one whose shipped files lie
// in ../share/<program name>/ next to its bin/ folder) never writes beside itself: its files go to
// the per-user data folder, and it reads the ladders it ships from the shared folder. "--data-dir
// DIR" on the command line wins.
namespace DataFolder {

// Where this copy of the program runs from.
struct Places
{
    QString programDir;
    QString shippedDir; // the installed program's shared files; empty when not installed
    QString userDataDir;

    bool installed() const { return !shippedDir.isEmpty(); }
};

// The places of the program at programDir: shippedDir is filled only when the shared folder
// (relativeShippedDir, seen from programDir) exists.
Places placesOf(
    const QString &programDir, const QString &relativeShippedDir, const QString &userDataDir);

// Whether a Windows program in programDir was put there by the installer: its uninstaller lies
// beside it, or the folder is inside one of the Program Files folders given (never written to,
// even where the system would allow it).
bool isWindowsInstall(const QString &programDir, const QStringList &programFilesDirs);

// This program's places: the executable's folder, the shared folder named after its file, and
// the per-user data location.
Places thisProgram();

// The folder to use. An empty override means none was given. The chosen folder is created when
// it does not exist yet; the result is an absolute path.
QString choose(const QString &overrideDir, const Places &places);

// choose() with this program's places.
QString locate(const QString &overrideDir);

// The ladders.ini to read: the one in the data folder when it exists. Otherwise an installed
// program reads the one it ships; one run from its own folder reads the one beside it, unless
// the operator named the data folder, whose copy is then the only one.
QString laddersFile(const QString &dataFolder, bool folderChosen, const Places &places);

// The DIR of "--data-dir DIR" or "--data-dir=DIR" in the arguments, or "" when absent.
QString overrideFromArguments(const QStringList &arguments);

bool isWritableFolder(const QString &dir);

} // namespace DataFolder

#include "settings/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDataFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choosesTheRightFolder_data()
    {
        QTest::addColumn<bool>("withOverride");
        QTest::addColumn<bool>("programDirWritable");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("program folder") << false << true << false << u"program"_s;
        QTest::newRow("program folder not writable") << false << false << false << u"user"_s;
        QTest::newRow("override wins") << true << true << false << u"override/logs"_s;
        QTest::newRow("installed, writable bin") << false << true << true << u"user"_s;
        QTest::newRow("installed, override wins") << true << true << true << u"override/logs"_s;
    }
    void choosesTheRightFolder()
    {
        QFETCH(bool, withOverride);
        QFETCH(bool, programDirWritable);
        QFETCH(bool, installed);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QDir dir(root.path());
        QVERIFY(dir.mkdir(u"program"_s));
        QVERIFY(dir.mkpath(u"share/vornic-host"_s));
        // A path below a plain file can never be written, not even by an administrator.
        QFile blocker(dir.filePath(u"blocker"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        const QString programDir
            = programDirWritable ? dir.filePath(u"program"_s) : dir.filePath(u"blocker/program"_s);
        const QString overrideDir = withOverride ? dir.filePath(u"override/logs"_s) : QString();
        const DataFolder::Places places = DataFolder::placesOf(programDir,
            installed ? u"../share/vornic-host"_s : u"../share/absent"_s, dir.filePath(u"user"_s));
        QCOMPARE(places.installed(), installed);

        const QString chosen = DataFolder::choose(overrideDir, places);
        QCOMPARE(chosen, dir.filePath(expected));
        QVERIFY(QFileInfo(chosen).isDir());
        // Not even the writability probe may be left behind, nor, installed, tried at all.
        QCOMPARE(QDir(dir.filePath(u"program"_s)).entryList(QDir::Files), QStringList());
    }

    void findsTheLadders_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("folderChosen");
        QTest::addColumn<bool>("inDataFolder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("build, own copy") << false << false << true << u"data"_s;
        QTest::newRow("build, beside the program") << false << false << false << u"bin"_s;
        QTest::newRow("build, named folder only") << false << true << false << u"data"_s;
        QTest::newRow("installed, own copy") << true << false << true << u"data"_s;
        QTest::newRow("installed, shipped") << true << false << false << u"share/vornic-host"_s;
        // A service names its state folder; it still reads the ladders its package ships.
        QTest::newRow("installed, named folder") << true << true << false << u"share/vornic-host"_s;
    }
    void findsTheLadders()
    {
        QFETCH(bool, installed);
        QFETCH(bool, folderChosen);
        QFETCH(bool, inDataFolder);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QDir dir(root.path());
        for (const QString &folder : {u"bin"_s, u"data"_s, u"share/vornic-host"_s})
            QVERIFY(dir.mkpath(folder));
        QStringList copies{u"bin/ladders.ini"_s, u"share/vornic-host/ladders.ini"_s};
        if (inDataFolder)
            copies << u"data/ladders.ini"_s;
        for (const QString &copy : copies) {
            QFile file(dir.filePath(copy));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const DataFolder::Places places = DataFolder::placesOf(dir.filePath(u"bin"_s),
            installed ? u"../share/vornic-host"_s : QString(), dir.filePath(u"data"_s));

        QCOMPARE(DataFolder::laddersFile(dir.filePath(u"data"_s), folderChosen, places),
            dir.filePath(expected + u"/ladders.ini"_s));
    }

    // A Windows program in Program Files (or one the installer put elsewhere) never writes beside
    // itself, even where the system would let it; a portable copy does.
    void tellsAWindowsInstallation_data()
    {
        QTest::addColumn<QString>("programDir");
        QTest::addColumn<bool>("withUninstaller");
        QTest::addColumn<bool>("expected");
        QTest::newRow("program files") << u"C:\\Program Files\\Vornic Host"_s << false << true;
        QTest::newRow("other case, slashes") << u"c:/PROGRAM FILES/Vornic Host/"_s << false << true;
        QTest::newRow("32-bit program files") << u"C:\\Program Files (x86)\\V"_s << false << true;
        QTest::newRow("a name that only starts alike")
            << u"C:\\Program Files2\\Vornic Host"_s << false << false;
        QTest::newRow("portable") << u"D:\\Tools\\Vornic Host"_s << false << false;
        QTest::newRow("installed elsewhere") << QString() << true << true;
        QTest::newRow("portable folder of our own") << QString() << false << false;
    }
    void tellsAWindowsInstallation()
    {
        QFETCH(QString, programDir);
        QFETCH(bool, withUninstaller);
        QFETCH(bool, expected);
        QTemporaryDir root;
        if (programDir.isEmpty())
            programDir = root.path();
        if (withUninstaller) {
            QFile uninstaller(QDir(programDir).filePath(u"uninstall.exe"_s));
            QVERIFY(uninstaller.open(QIODevice::WriteOnly));
        }
        // An unset variable gives an empty entry, which must not match every folder.
        const QStringList programFiles
            = {u"C:\\Program Files"_s, QString(), u"C:\\Program Files (x86)"_s};
        QCOMPARE(DataFolder::isWindowsInstall(programDir, programFiles), expected);
    }

    void readsTheOverrideFromTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << QStringList{u"host"_s, u"--headless"_s} << QString();
        QTest::newRow("separate") << QStringList{u"host"_s, u"--data-dir"_s, u"/srv/a b"_s}
                                  << u"/srv/a b"_s;
        QTest::newRow("joined") << QStringList{u"host"_s, u"--data-dir=/srv/x"_s} << u"/srv/x"_s;
        QTest::newRow("missing value") << QStringList{u"host"_s, u"--data-dir"_s} << QString();
    }
    void readsTheOverrideFromTheCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QCOMPARE(DataFolder::overrideFromArguments(arguments), expected);
    }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_DataFolder.moc"

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
        QTest::addColumn<QString>("expected");
        QTest::newRow("program folder") << false << true << u"program"_s;
        QTest::newRow("program folder not writable") << false << false << u"user"_s;
        QTest::newRow("override wins") << true << true << u"override/logs"_s;
    }
    void choosesTheRightFolder()
    {
        QFETCH(bool, withOverride);
        QFETCH(bool, programDirWritable);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QDir dir(root.path());
        QVERIFY(dir.mkdir(u"program"_s));
        // A path below a plain file can never be written, not even by an administrator.
        QFile blocker(dir.filePath(u"blocker"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        const QString programDir
            = programDirWritable ? dir.filePath(u"program"_s) : dir.filePath(u"blocker/program"_s);
        const QString overrideDir = withOverride ? dir.filePath(u"override/logs"_s) : QString();

        const QString chosen = DataFolder::choose(overrideDir, programDir, dir.filePath(u"user"_s));
        QCOMPARE(chosen, dir.filePath(expected));
        QVERIFY(QFileInfo(chosen).isDir());
        QCOMPARE(QDir(dir.filePath(u"program"_s)).entryList(QDir::Files), QStringList());
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

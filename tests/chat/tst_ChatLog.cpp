#include "chat/ChatLog.h"
#include "text/LogTimeFormats.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QDateTime kEvening(QDate(2024, 12, 7), QTime(22, 22, 33));

} // namespace

class TestChatLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timeFormatsAreAdjusted_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("widened");
        QTest::addColumn<QString>("zoneless");
        QTest::newRow("two-digit year") << u"M/d/yy"_s << u"M/d/yyyy"_s << u"M/d/yy"_s;
        QTest::newRow("four-digit year") << u"yyyy/MM/dd"_s << u"yyyy/MM/dd"_s << u"yyyy/MM/dd"_s;
        QTest::newRow("quoted letters") << u"'yy tt' yy"_s << u"'yy tt' yyyy"_s << u"'yy tt' yy"_s;
        QTest::newRow("zone at end") << u"h:mm:ss AP t"_s << u"h:mm:ss AP t"_s << u"h:mm:ss AP"_s;
        QTest::newRow("zone in front") << u"tttt HH:mm:ss"_s << u"tttt HH:mm:ss"_s << u"HH:mm:ss"_s;
        QTest::newRow("zone between")
            << u"HH:mm t 'Uhr'"_s << u"HH:mm t 'Uhr'"_s << u"HH:mm 'Uhr'"_s;
    }
    void timeFormatsAreAdjusted()
    {
        QFETCH(QString, format);
        QFETCH(QString, widened);
        QFETCH(QString, zoneless);
        QCOMPARE(LogTimeFormats::withFourDigitYear(format), widened);
        QCOMPARE(LogTimeFormats::withoutTimeZone(format), zoneless);
    }

    void recordsFollowTheLocale_data()
    {
        QTest::addColumn<QString>("localeName");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("en_US chat")
            << u"en_US"_s << u"Chat"_s << u"Bob: hi there"_s << u"12_7_2024.txt"_s
            << QByteArray("12/7/2024  10:22:33 PM  Chat  Bob: hi there\r\n");
        QTest::newRow("de_DE join")
            << u"de_DE"_s << u"Bob"_s << u"Joined Chat  IP:10.0.0.5 ID:7"_s << u"07.12.2024.txt"_s
            << QByteArray("07.12.2024  22:22:33  Bob  Joined Chat  IP:10.0.0.5 ID:7\r\n");
        QTest::newRow("windows-1252")
            << u"de_DE"_s << u"System"_s << u"caf\u00E9 \u20AC5"_s << u"07.12.2024.txt"_s
            << QByteArray("07.12.2024  22:22:33  System  caf\xE9 \x80"
                          "5\r\n");
        QTest::newRow("forged line break")
            << u"en_US"_s << u"Ev\til"_s << u"x\r\n12/7/2024  10:22:33 PM  Chat  Admin: ok"_s
            << u"12_7_2024.txt"_s
            << QByteArray("12/7/2024  10:22:33 PM  Ev?il  x??12/7/2024  10:22:33 PM  Chat  "
                          "Admin: ok\r\n");
    }
    void recordsFollowTheLocale()
    {
        QFETCH(QString, localeName);
        QFETCH(QString, category);
        QFETCH(QString, text);
        QFETCH(QString, fileName);
        QFETCH(QByteArray, record);
        QTemporaryDir dir;
        ChatLog log(dir.path(), QLocale(localeName), [] { return kEvening; });
        log.writeChatLog(category, text);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{fileName});
        QCOMPARE(contentsOf(dir.filePath(fileName)), record);
    }

    void midnightStartsANewFile()
    {
        QTemporaryDir dir;
        QDateTime now(QDate(2024, 12, 31), QTime(23, 59, 59));
        ChatLog log(dir.path(), QLocale(u"en_US"_s), [&now] { return now; });
        log.writeChatLog(u"Chat"_s, u"last"_s);
        now = QDateTime(QDate(2025, 1, 1), QTime(0, 0, 1));
        log.writeChatLog(u"Chat"_s, u"first"_s);
        QCOMPARE(contentsOf(dir.filePath(u"12_31_2024.txt"_s)),
            QByteArray("12/31/2024  11:59:59 PM  Chat  last\r\n"));
        QCOMPARE(contentsOf(dir.filePath(u"1_1_2025.txt"_s)),
            QByteArray("1/1/2025  12:00:01 AM  Chat  first\r\n"));
    }

    void recordsAccumulateAcrossRuns()
    {
        QTemporaryDir dir;
        const auto clock = [] { return kEvening; };
        for (const QString &text : {u"one"_s, u"two"_s}) {
            ChatLog log(dir.path(), QLocale(u"de_DE"_s), clock);
            log.writeChatLog(u"Chat"_s, text);
        }
        QCOMPARE(contentsOf(dir.filePath(u"07.12.2024.txt"_s)),
            QByteArray("07.12.2024  22:22:33  Chat  one\r\n"
                       "07.12.2024  22:22:33  Chat  two\r\n"));
    }

    void unwritableFolderIsReportedOnceUntilAWriteSucceeds()
    {
        QTemporaryDir dir;
        // A folder below a plain file cannot be created, not even by an administrator.
        const QString folder = dir.filePath(u"logs"_s);
        const auto block = [&] {
            QFile blocker(folder);
            return blocker.open(QIODevice::WriteOnly);
        };
        QVERIFY(block());
        ChatLog log(folder, QLocale(u"en_US"_s), [] { return kEvening; });
        QSignalSpy failures(&log, &ChatLog::writeFailed);
        // The window shows the message as a system line, which is logged again: no echo.
        int nested = 0;
        connect(&log, &ChatLog::writeFailed, this, [&] {
            QVERIFY(++nested < 5);
            log.writeChatLog(u"System"_s, u"The chat log cannot be written"_s);
        });
        for (int i = 0; i < 3; ++i)
            log.writeChatLog(u"Chat"_s, u"lost"_s);
        QCOMPARE(failures.count(), 1);
        QVERIFY(failures.at(0).at(0).toString().contains(
            QDir::toNativeSeparators(folder + u"/12_7_2024.txt"_s)));

        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().mkdir(folder));
        log.writeChatLog(u"Chat"_s, u"kept"_s);
        QCOMPARE(failures.count(), 1);
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(block());
        log.writeChatLog(u"Chat"_s, u"lost again"_s);
        QCOMPARE(failures.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TestChatLog)
#include "tst_ChatLog.moc"

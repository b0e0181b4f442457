#include "chat/ChatLog.h"
#include "chat/ChatOptions.h"
#include "chatserver/PlayerTable.h"
#include "support/HostFixture.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray readWhole(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Broken surroundings: the host keeps running, keeps its room going and tells the operator once.
class TestHostFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void brokenSettingsFile_data()
    {
        QTest::addColumn<bool>("unreadable");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("copyKept"); // the file as it was is kept beside it
        QTest::newRow("corrupt") << false << QByteArray("\xff\x00garbage\r\n[\r\n=x\r\n", 18)
                                 << u"The settings file is damaged"_s << true;
        // An editor that saves as UTF-16 leaves no line the program can read.
        const QString text = u"[SOFTWARE\\TavixChat]\r\npName=Bob\r\ncName=Golf\r\n"_s;
        const QByteArray utf16 = QByteArray("\xff\xfe", 2)
            + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        QTest::newRow("UTF-16") << false << utf16 << u"The settings file is damaged"_s << true;
        QTest::newRow("over 1 MiB") << false
                                    << QByteArray("[SOFTWARE\\TavixChat]\r\ncWelcomeMsg=")
                + QByteArray(1024 * 1024, 'x') + QByteArray("\r\n")
                                    << u"The settings file is larger than 1 MiB"_s << false;
        QTest::newRow("unreadable")
            << true << QByteArray() << u"The settings file cannot be read"_s << false;
    }
    void brokenSettingsFile()
    {
        QFETCH(bool, unreadable);
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        QFETCH(bool, copyKept);
        HostFixture host({}, true, [&](const QString &folder) {
            const QString path = QDir(folder).filePath(u"settings.ini"_s);
            // Even the superuser cannot read a folder as a file.
            if (unreadable) {
                QDir().mkdir(path);
                return;
            }
            withSettingsFile(text)(folder);
        });
        QVERIFY2(openPatiently(host), qPrintable(host.lines.join(u'\n')));
        QCOMPARE(host.messages.size(), 1);
        QVERIFY2(host.messages.first().startsWith(message), qPrintable(host.messages.first()));
        // The room works, and typing into the settings says nothing more.
        host.core->parts().identity.setWelcomeMessage(u"Hi"_s);
        host.core->parts().identity.setWelcomeMessage(u"Hello"_s);
        auto ann = host.join(2, u"Ann"_s);
        QVERIFY(ann && ann->ownId() == 1);
        QCOMPARE(host.messages.size(), 1);
        if (unreadable)
            return;

        // Whatever was saved since, the file as it was survives: beside it, or left alone.
        const QString path = host.dir.filePath(u"settings.ini"_s);
        const QString copy = path + u".unreadable-"_s + QDate::currentDate().toString(Qt::ISODate);
        QCOMPARE(QFileInfo::exists(copy), copyKept);
        if (copyKept) {
            QVERIFY2(host.messages.first().contains(QDir::toNativeSeparators(copy)),
                qPrintable(host.messages.first()));
            QFile kept(copy);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), text);
            QVERIFY(waitUntil([&] { return readWhole(path).contains("cWelcomeMsg=Hello"); }));
        } else {
            QVERIFY(!waitUntil([&] { return readWhole(path) != text; }, 300));
        }
    }

    void logFolderNotWritable()
    {
        HostFixture host;
        QVERIFY2(openPatiently(host), qPrintable(host.lines.join(u'\n')));
        ChatOptions &options = host.core->parts().chatOptions;
        options.setLogOption(ChatOptions::EnableLogging, true);
        options.setLogOption(ChatOptions::LogChat, true);
        options.setLogOption(ChatOptions::LogPlayerEvents, true);
        // A folder where today's log file should be: no record can be written.
        QVERIFY(QDir().mkpath(host.core->parts().chatLog.filePath(QDate::currentDate())));

        auto ann = host.join(2, u"Ann"_s);
        auto bob = host.join(3, u"Bob"_s);
        QVERIFY(ann && bob);
        ann->sendChat(ann->ownId(), u"one"_s);
        ann->sendChat(ann->ownId(), u"two"_s);
        QVERIFY(waitUntil([&] { return bob->chatTexts().contains(u"two"_s); }));
        const auto failures
            = [&] { return host.lines.filter(u"The chat log cannot be written to"_s).size(); };
        QCOMPARE(failures(), 1);
        // The operator still sees the chat.
        QVERIFY(!host.lines.filter(u"one"_s).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHostFaults)
#include "tst_HostFaults.moc"

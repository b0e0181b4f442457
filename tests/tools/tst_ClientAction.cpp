#include "ClientAction.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Kind = ClientAction::Kind;

ClientAction action(Kind kind, const QString &text = {}, quint16 target = 0,
    const QList<quint16> &ids = {}, int waitMs = 0)
{
    return {kind, text, target, ids, waitMs};
}

} // namespace

Q_DECLARE_METATYPE(ClientAction)

class TestClientAction : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commands_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<ClientAction>("expected");
        QTest::newRow("say") << u"say hello  there "_s << action(Kind::Say, u"hello  there"_s);
        QTest::newRow("say, Windows line end") << u"say hi\r"_s << action(Kind::Say, u"hi"_s);
        QTest::newRow("whisper") << u"whisper 3 see you at 8"_s
                                 << action(Kind::Whisper, u"see you at 8"_s, 3);
        QTest::newRow("whisper to the host")
            << u"whisper 0 hi"_s << action(Kind::Whisper, u"hi"_s, 0);
        QTest::newRow("names, blanks and commas")
            << u"names 3 7,9, 65535"_s << action(Kind::Names, {}, 0, {3, 7, 9, 65535});
        QTest::newRow("wait") << u"wait 250"_s << action(Kind::Wait, {}, 0, {}, 250);
        QTest::newRow("quit") << u"  quit  "_s << action(Kind::Quit);
    }
    void commands()
    {
        QFETCH(QString, line);
        QFETCH(ClientAction, expected);
        const ClientCommand command = parseClientCommand(line);
        QCOMPARE(command.error, QString());
        QVERIFY(command.action);
        QCOMPARE(*command.action, expected);
    }

    void errors_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("error");
        const QString whisperUsage = u"whisper needs a player ID from 0 to 65535 and a text"_s;
        const QString namesUsage = u"names needs 1 to 18 player IDs"_s;
        const QString waitUsage = u"wait needs a number of milliseconds up to one day"_s;
        QTest::newRow("say nothing") << u"say   "_s << u"say needs a text"_s;
        QTest::newRow("whisper without text") << u"whisper 3"_s << whisperUsage;
        QTest::newRow("whisper to a name") << u"whisper Ann hi"_s << whisperUsage;
        QTest::newRow("whisper beyond 16 bits") << u"whisper 65536 hi"_s << whisperUsage;
        QTest::newRow("names of nobody") << u"names"_s << namesUsage;
        QTest::newRow("names of 19")
            << u"names 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19"_s << namesUsage;
        // A request slot with low byte 0 reads as empty: the host would skip it.
        QTest::newRow("names of 256")
            << u"names 3 256"_s << u"not a player ID that can be asked for: 256"_s;
        QTest::newRow("names of a negative")
            << u"names -1"_s << u"not a player ID that can be asked for: -1"_s;
        QTest::newRow("negative wait") << u"wait -5"_s << waitUsage;
        QTest::newRow("wait of days") << u"wait 90000000"_s << waitUsage;
        QTest::newRow("quit with words") << u"quit now"_s << u"quit takes nothing after it"_s;
        QTest::newRow("unknown") << u"shout hi"_s << u"unknown command: shout"_s;
    }
    void errors()
    {
        QFETCH(QString, line);
        const ClientCommand command = parseClientCommand(line);
        QVERIFY(!command.action);
        QTEST(command.error, "error");
    }

    void scriptKeepsOrderSkipsCommentsAndNumbersErrors()
    {
        const ClientScript script = parseClientScript(
            u"# warm-up\nsay hi\n\n  \nwait 10\nbogus\r\nwhisper 2 yo\nwait x\nquit"_s);
        QCOMPARE(script.actions,
            (QList<ClientAction>{action(Kind::Say, u"hi"_s), action(Kind::Wait, {}, 0, {}, 10),
                action(Kind::Whisper, u"yo"_s, 2), action(Kind::Quit)}));
        QCOMPARE(script.errors,
            (QStringList{u"line 6: unknown command: bogus"_s,
                u"line 8: wait needs a number of milliseconds up to one day"_s}));
    }
};

QTEST_GUILESS_MAIN(TestClientAction)
#include "tst_ClientAction.moc"

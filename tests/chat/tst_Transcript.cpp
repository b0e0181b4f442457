#include "appearance/ChatStyles.h"
#include "chat/ChatLog.h"
#include "chat/ChatOptions.h"
#include "chat/Transcript.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kEvening(QDate(2024, 12, 7), QTime(22, 22, 33));
const QByteArray kRecordStart = "12/7/2024  10:22:33 PM  ";

// A transcript over real options, styles and a log in a temporary folder.
struct Room
{
    explicit Room(const QString &logFolder)
        : log(logFolder, QLocale(u"en_US"_s), [] { return kEvening; })
    {
    }

    QByteArray logged() const
    {
        QFile file(QDir(log.folder()).filePath(u"12_7_2024.txt"_s));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    SettingsStore store;
    ChatOptions options{store};
    ChatStyles styles{store};
    ChatLog log;
    Transcript transcript{options, styles, log};
    QSignalSpy shown{&transcript, &Transcript::lineAdded};
};

TranscriptLine lineAt(const QSignalSpy &spy, qsizetype index)
{
    return spy.at(index).at(0).value<TranscriptLine>();
}

} // namespace

class TestTranscript : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showAndLogRules_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<LineKind>("kind");
        QTest::addColumn<QList<int>>("logOptions"); // ChatOptions::LogOption values that are on
        QTest::addColumn<bool>("displaySystem");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QByteArray>("logged"); // the record after date and time, or ""

        const QList<int> all
            = {ChatOptions::EnableLogging, ChatOptions::LogChat, ChatOptions::LogPlayerEvents,
                ChatOptions::LogSystemEvents, ChatOptions::LogDebugEvents};
        const QList<int> masterOnly = {ChatOptions::EnableLogging};
        const QList<int> chatOnly = {ChatOptions::LogChat};
        const QList<int> systemOnly = {ChatOptions::LogSystemEvents};
        const QList<int> masterAndChat = {ChatOptions::EnableLogging, ChatOptions::LogChat};
        const QList<int> masterAndSystem
            = {ChatOptions::EnableLogging, ChatOptions::LogSystemEvents};
        const QList<int> masterPlayerDebug = {
            ChatOptions::EnableLogging, ChatOptions::LogPlayerEvents, ChatOptions::LogDebugEvents};
        const auto chat = LineKind::Chat;
        const auto system = LineKind::System;

        QTest::newRow("chat logged")
            << u"Bob: "_s << chat << masterAndChat << false << true << QByteArray("Chat  Bob: hi");
        QTest::newRow("chat without master")
            << u"Bob: "_s << chat << chatOnly << true << true << QByteArray();
        QTest::newRow("chat with master only")
            << u"Bob: "_s << chat << masterOnly << true << true << QByteArray();
        QTest::newRow("chat under system logging")
            << u"Bob: "_s << chat << masterAndSystem << true << true << QByteArray();
        QTest::newRow("chat under player and debug")
            << u"Bob: "_s << chat << masterPlayerDebug << true << true << QByteArray();
        QTest::newRow("whisper to") << u"<To> Bob: "_s << LineKind::WhisperTo << masterAndChat
                                    << true << true << QByteArray("Chat  <To> Bob: hi");
        QTest::newRow("whisper from") << u"<From> Bob: "_s << LineKind::WhisperFrom << all << true
                                      << true << QByteArray("Chat  <From> Bob: hi");
        QTest::newRow("system shown and logged") << u"System: "_s << system << masterAndSystem
                                                 << true << true << QByteArray("System  hi");
        QTest::newRow("system hidden but logged")
            << u"Server: "_s << system << all << false << false << QByteArray("System  hi");
        QTest::newRow("system hidden, not logged")
            << u"System: "_s << system << masterAndChat << false << false << QByteArray();
        QTest::newRow("system without master")
            << u"System: "_s << system << systemOnly << true << true << QByteArray();
        QTest::newRow("bot never logged")
            << u"BOT: "_s << LineKind::Bot << all << false << true << QByteArray();
    }
    void showAndLogRules()
    {
        QFETCH(QString, prefix);
        QFETCH(LineKind, kind);
        QFETCH(QList<int>, logOptions);
        QFETCH(bool, displaySystem);
        QFETCH(bool, shown);
        QFETCH(QByteArray, logged);
        QTemporaryDir dir;
        Room room(dir.path());
        for (int option : std::as_const(logOptions))
            room.options.setLogOption(option, true);
        room.options.setOption(ChatOptions::DisplaySystemMessages, displaySystem);

        room.transcript.addChatLine(prefix, u"hi"_s, kind);

        QCOMPARE(room.shown.count(), shown ? 1 : 0);
        if (shown) {
            const TranscriptLine line = lineAt(room.shown, 0);
            QCOMPARE(line.prefix, prefix);
            QCOMPARE(line.body, u"hi"_s);
            QCOMPARE(line.kind, kind);
        }
        QCOMPARE(room.logged(), logged.isEmpty() ? QByteArray() : kRecordStart + logged + "\r\n");
    }

    void stylesFollowTheKind_data()
    {
        QTest::addColumn<LineKind>("kind");
        QTest::addColumn<int>("fontSlot");
        QTest::addColumn<int>("colourSlot");
        QTest::newRow("chat") << LineKind::Chat << int(ChatStyles::GeneralChatFont)
                              << int(ChatStyles::GeneralChatColour);
        QTest::newRow("whisper to") << LineKind::WhisperTo << int(ChatStyles::WhisperToFont)
                                    << int(ChatStyles::WhisperToColour);
        QTest::newRow("whisper from") << LineKind::WhisperFrom << int(ChatStyles::WhisperFromFont)
                                      << int(ChatStyles::WhisperFromColour);
        QTest::newRow("system") << LineKind::System << int(ChatStyles::SystemFont)
                                << int(ChatStyles::SystemColour);
        QTest::newRow("bot") << LineKind::Bot << int(ChatStyles::SystemFont)
                             << int(ChatStyles::SystemColour);
    }
    void stylesFollowTheKind()
    {
        QFETCH(LineKind, kind);
        QFETCH(int, fontSlot);
        QFETCH(int, colourSlot);
        QTemporaryDir dir;
        Room room(dir.path());
        room.options.setOption(ChatOptions::DisplaySystemMessages, true);
        // Give every slot a face and colour of its own so a mix-up shows.
        for (int slot = 0; slot < ChatStyles::FontSlotCount; ++slot)
            room.styles.setFont(slot, u"Face %1"_s.arg(slot), slot % 2, false, float(8 + slot));
        for (int slot = 0; slot < ChatStyles::ColourSlotCount; ++slot)
            room.styles.setColour(slot, quint32(0x101010 * slot));

        room.transcript.addChatLine(u"Bob: "_s, QString(), kind);

        QCOMPARE(room.shown.count(), 1);
        const TranscriptLine line = lineAt(room.shown, 0);
        QCOMPARE(line.body, QString());
        QCOMPARE(line.prefixStyle,
            room.styles.style(ChatStyles::PlayerNameFont, ChatStyles::PlayerNameColour));
        QCOMPARE(line.bodyStyle, room.styles.style(fontSlot, colourSlot));
    }

    void aStyleChangeAffectsOnlyLaterLines()
    {
        QTemporaryDir dir;
        Room room(dir.path());
        room.transcript.addChatLine(u"Bob: "_s, u"one"_s, LineKind::Chat);
        room.styles.setColour(ChatStyles::GeneralChatColour, 0x00FF00);
        room.transcript.addChatLine(u"Bob: "_s, u"two"_s, LineKind::Chat);
        QCOMPARE(lineAt(room.shown, 0).bodyStyle.colour, ChatStyle::rgb(255, 255, 255));
        QCOMPARE(lineAt(room.shown, 1).bodyStyle.colour, 0x00FF00u);
    }

    void controlCharactersCannotForgeLines()
    {
        QTemporaryDir dir;
        Room room(dir.path());
        room.options.setLogOption(ChatOptions::EnableLogging, true);
        room.options.setLogOption(ChatOptions::LogChat, true);
        room.transcript.addChatLine(u"Ev\nil: "_s, u"x\r\nAdmin: \u2028trust me"_s, LineKind::Chat);
        const TranscriptLine line = lineAt(room.shown, 0);
        QCOMPARE(line.prefix, u"Ev?il: "_s);
        QCOMPARE(line.body, u"x??Admin: ?trust me"_s);
        QCOMPARE(room.logged(), kRecordStart + "Chat  Ev?il: x??Admin: ?trust me\r\n");
    }

    void logFailureIsShownOnceWithoutEcho()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"blocked"_s);
        QFile blocker(folder); // a plain file where the log folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        Room room(folder);
        room.options.setOption(ChatOptions::DisplaySystemMessages, true);
        for (int option = 0; option < ChatOptions::LogOptionCount; ++option)
            room.options.setLogOption(option, true);
        // Wired as the window wires it: the message becomes a system line, which is logged too.
        QObject::connect(
            &room.log, &ChatLog::writeFailed, &room.transcript, [&](const QString &message) {
                room.transcript.addChatLine(u"System: "_s, message, LineKind::System);
            });

        for (int i = 0; i < 3; ++i)
            room.transcript.addChatLine(u"Bob: "_s, u"hi"_s, LineKind::Chat);

        QCOMPARE(room.shown.count(), 4);
        int failureLines = 0;
        for (qsizetype i = 0; i < room.shown.count(); ++i)
            failureLines += lineAt(room.shown, i).body.contains(u"cannot be written"_s);
        QCOMPARE(failureLines, 1);
    }

    void clearLeavesTheLogAlone()
    {
        QTemporaryDir dir;
        Room room(dir.path());
        room.options.setLogOption(ChatOptions::EnableLogging, true);
        room.options.setLogOption(ChatOptions::LogChat, true);
        room.transcript.addChatLine(u"Bob: "_s, u"hi"_s, LineKind::Chat);
        QSignalSpy cleared(&room.transcript, &Transcript::cleared);
        room.transcript.clear();
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(room.logged(), kRecordStart + "Chat  Bob: hi\r\n");
    }
};

QTEST_GUILESS_MAIN(TestTranscript)
#include "tst_Transcript.moc"

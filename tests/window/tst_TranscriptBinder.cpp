#include "appearance/ChatStyles.h"
#include "chat/ChatLog.h"
#include "chat/ChatOptions.h"
#include "chat/Transcript.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "window/ChatStyleFormat.h"
#include "window/ChatroomTab.h"
#include "window/PlayerListWidget.h"
#include "window/TranscriptBinder.h"
#include "window/TranscriptView.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

// A transcript over real options, styles and a log folder, shown in a Chatroom tab that stands
// in for the window.
struct Fixture
{
    explicit Fixture(const QString &folder)
        : store(folder + u"/settings.ini"_s)
        , log(folder)
    {
        // As the window controller wires it to the core's transcript.
        QObject::connect(&transcript, &Transcript::lineAdded, &binder, &TranscriptBinder::showLine);
        QObject::connect(
            &transcript, &Transcript::cleared, &binder, &TranscriptBinder::showCleared);
    }

    QString shownText() const { return view.transcript()->toPlainText(); }

    SettingsStore store;
    ChatOptions options{store};
    ChatStyles styles{store};
    ChatLog log;
    Transcript transcript{options, styles, log};
    ChatroomTab view;
    TranscriptBinder binder{view, view};
    QSignalSpy attention{&binder, &TranscriptBinder::attentionRequested};
};

QColor baseOf(const QWidget *widget)
{
    return widget->palette().color(QPalette::Base);
}

} // namespace

class TestTranscriptBinder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linesAndClearReachTheView();
    void attentionOnlyWhileMinimised();
    void startupStylesAreTakenOnce();

private:
    QTemporaryDir m_dir;
};

void TestTranscriptBinder::linesAndClearReachTheView()
{
    Fixture f(m_dir.path());
    f.styles.setColour(ChatStyles::GeneralChatColour, ChatStyle::rgb(0, 255, 0));
    f.transcript.addChatLine(u"Alice: "_s, u"hello"_s, LineKind::Chat);
    f.transcript.addChatLine(u"Bob: "_s, QString(), LineKind::Chat);
    QCOMPARE(f.shownText(), u"Alice: hello\nBob: \n"_s);

    // The body run carries the colour of its kind, the prefix that of the player name.
    const QTextBlock first = f.view.transcript()->document()->firstBlock();
    QTextCursor cursor(first);
    cursor.setPosition(first.position() + 2);
    QCOMPARE(cursor.charFormat().foreground().color(), QColor(255, 255, 0));
    cursor.setPosition(first.position() + 9);
    QCOMPARE(cursor.charFormat().foreground().color(), QColor(0, 255, 0));

    // Hidden system lines never reach the view.
    f.transcript.addChatLine(u"System: "_s, u"hidden"_s, LineKind::System);
    QVERIFY(!f.shownText().contains(u"hidden"_s));

    f.transcript.clear();
    QVERIFY(f.shownText().isEmpty());
    f.transcript.addChatLine(u"Alice: "_s, u"again"_s, LineKind::Chat);
    QCOMPARE(f.shownText(), u"Alice: again\n"_s);
}

void TestTranscriptBinder::attentionOnlyWhileMinimised()
{
    Fixture f(m_dir.path());
    f.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.view));
    f.transcript.addChatLine(u"Alice: "_s, u"in view"_s, LineKind::Chat);
    QCOMPARE(f.attention.count(), 0);

    f.view.showMinimized();
    QVERIFY(f.view.isMinimized());
    f.transcript.clear(); // emptying the transcript is a change as well
    QCOMPARE(f.attention.count(), 1);
    f.transcript.addChatLine(u"Alice: "_s, u"while away"_s, LineKind::Chat);
    QCOMPARE(f.attention.count(), 2);

    // Once back, nothing asks for attention again.
    f.view.showNormal();
    QVERIFY(!f.view.isMinimized());
    f.transcript.addChatLine(u"Alice: "_s, u"back"_s, LineKind::Chat);
    f.transcript.clear();
    QCOMPARE(f.attention.count(), 2);
}

void TestTranscriptBinder::startupStylesAreTakenOnce()
{
    Fixture f(m_dir.path());
    f.store.writeRegValue(
        SettingsKeys::Colors, u"bColor"_s, QString::number(ChatStyle::rgb(0, 0, 128)));
    f.store.writeRegValue(SettingsKeys::Colors, u"cColor"_s, u"65280"_s);
    f.store.writeRegValue(SettingsKeys::Fonts, u"pFont"_s, u"Serif"_s);
    f.store.writeRegValue(SettingsKeys::Fonts, u"pFontBold"_s, u"True"_s);
    f.store.writeRegValue(SettingsKeys::Fonts, u"pFontSize"_s, u"14"_s);
    f.styles.restore();
    f.binder.applyStartupStyles(f.styles);

    const QColor navy(0, 0, 128);
    QCOMPARE(baseOf(f.view.transcript()), navy);
    QCOMPARE(baseOf(f.view.inputLine()), navy);
    QCOMPARE(baseOf(f.view.playerList()), navy);
    QCOMPARE(f.view.inputLine()->palette().color(QPalette::Text), QColor(0, 255, 0));
    QCOMPARE(f.view.playerList()->palette().color(QPalette::Text), QColor(255, 255, 0));
    QVERIFY(f.view.playerList()->font().bold());
    QCOMPARE(f.view.playerList()->font().pointSizeF(), 14.0);

    // Choices made later show in new lines only; these controls follow at the next start.
    f.styles.setColour(ChatStyles::BackgroundColour, ChatStyle::rgb(255, 255, 255));
    f.styles.setColour(ChatStyles::GeneralChatColour, ChatStyle::rgb(255, 0, 0));
    QCOMPARE(baseOf(f.view.transcript()), navy);
    QCOMPARE(f.view.inputLine()->palette().color(QPalette::Text), QColor(0, 255, 0));
}

QTEST_MAIN(TestTranscriptBinder)
#include "tst_TranscriptBinder.moc"

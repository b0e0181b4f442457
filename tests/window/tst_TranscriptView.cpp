#include "window/TranscriptView.h"

#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    QString text;
    QTextCharFormat format;
};

QList<Run> runsOf(const QTextBlock &block)
{
    QList<Run> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        runs.append({it.fragment().text(), it.fragment().charFormat()});
    return runs;
}

ChatStyle style(const QString &font, bool bold, bool italic, float size, quint32 colour)
{
    ChatStyle s;
    s.name = font;
    s.bold = bold;
    s.italic = italic;
    s.size = size;
    s.colour = colour;
    return s;
}

void fillPastOneScreen(TranscriptView &view, int from)
{
    for (int i = from; i < from + 60; ++i)
        view.appendLine(u"Bob: "_s, {}, u"line %1"_s.arg(i), {});
}

// Shows the view a few lines high and fills it past its height.
bool showFilled(TranscriptView &view)
{
    view.resize(300, 120);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return false;
    fillPastOneScreen(view, 0);
    return true;
}

} // namespace

class TestTranscriptView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runsCarryTheirStyles();
    void defaultStyleLeavesFaceAndSizeToTheView();
    void everyLineEndsWithABreakEvenWhenEmpty();
    void laterStyleChangesLeaveEarlierLinesAlone();
    void followsTheNewestLine();
    void staysPutWhileTheOperatorReadsOlderText();
    void clearEmptiesAndFollowsAgain();
    void backgroundColourIsApplied();
};

void TestTranscriptView::runsCarryTheirStyles()
{
    TranscriptView view;
    const ChatStyle prefix = style(u"DejaVu Serif"_s, true, false, 12, ChatStyle::rgb(255, 255, 0));
    const ChatStyle body = style(u"DejaVu Sans Mono"_s, false, true, 9.75f, 0x00C0C000);
    view.appendLine(u"<To> Bob: "_s, prefix, u"hi there"_s, body);

    const QList<Run> runs = runsOf(view.document()->firstBlock());
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs[0].text, u"<To> Bob: "_s);
    QCOMPARE(runs[0].format.fontFamilies().toStringList(), QStringList{u"DejaVu Serif"_s});
    QCOMPARE(runs[0].format.fontWeight(), int(QFont::Bold));
    QVERIFY(!runs[0].format.fontItalic());
    QCOMPARE(runs[0].format.fontPointSize(), 12.0);
    QCOMPARE(runs[0].format.foreground().color(), QColor(255, 255, 0));

    QCOMPARE(runs[1].text, u"hi there"_s);
    QCOMPARE(runs[1].format.fontFamilies().toStringList(), QStringList{u"DejaVu Sans Mono"_s});
    QCOMPARE(runs[1].format.fontWeight(), int(QFont::Normal));
    QVERIFY(runs[1].format.fontItalic());
    QCOMPARE(runs[1].format.fontPointSize(), 9.75);
    QCOMPARE(runs[1].format.foreground().color(), QColor(0, 0xC0, 0xC0)); // 0x00BBGGRR: teal
}

void TestTranscriptView::defaultStyleLeavesFaceAndSizeToTheView()
{
    TranscriptView view;
    view.appendLine(u"A: "_s, style(u"DejaVu Serif"_s, false, false, 14, 0), u"b"_s,
        style({}, false, false, 0, 0xFFFFFF));
    const QList<Run> runs = runsOf(view.document()->firstBlock());
    QCOMPARE(runs.size(), 2);
    // The body must not inherit the prefix's face or size.
    QVERIFY(!runs[1].format.hasProperty(QTextFormat::FontFamilies));
    QVERIFY(!runs[1].format.hasProperty(QTextFormat::FontPointSize));
    QCOMPARE(runs[1].format.foreground().color(), QColor(Qt::white));
}

void TestTranscriptView::everyLineEndsWithABreakEvenWhenEmpty()
{
    TranscriptView view;
    view.appendLine(u"System: "_s, {}, QString(), {});
    view.appendLine(u"Bob: "_s, {}, u"next"_s, {});
    QCOMPARE(view.document()->toPlainText(), u"System: \nBob: next\n"_s);
}

void TestTranscriptView::laterStyleChangesLeaveEarlierLinesAlone()
{
    TranscriptView view;
    view.appendLine(u"A: "_s, {}, u"one"_s, style({}, false, false, 0, ChatStyle::rgb(255, 0, 0)));
    view.appendLine(u"A: "_s, {}, u"two"_s, style({}, false, false, 0, ChatStyle::rgb(0, 255, 0)));
    const QTextBlock first = view.document()->firstBlock();
    QCOMPARE(runsOf(first)[1].format.foreground().color(), QColor(Qt::red));
    QCOMPARE(runsOf(first.next())[1].format.foreground().color(), QColor(Qt::green));
}

void TestTranscriptView::followsTheNewestLine()
{
    TranscriptView view;
    QVERIFY(showFilled(view));
    QScrollBar *bar = view.verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    fillPastOneScreen(view, 60);
    QCOMPARE(bar->value(), bar->maximum());
}

void TestTranscriptView::staysPutWhileTheOperatorReadsOlderText()
{
    TranscriptView view;
    QVERIFY(showFilled(view));
    QScrollBar *bar = view.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const int reading = bar->value();
    fillPastOneScreen(view, 60);
    QCOMPARE(bar->value(), reading);
    QVERIFY(!view.isFollowingNewLines());

    // Back at the bottom, it follows again.
    bar->setValue(bar->maximum());
    fillPastOneScreen(view, 120);
    QCOMPARE(bar->value(), bar->maximum());
}

void TestTranscriptView::clearEmptiesAndFollowsAgain()
{
    TranscriptView view;
    QVERIFY(showFilled(view));
    view.verticalScrollBar()->setValue(0);
    view.clearAll();
    QVERIFY(view.document()->isEmpty());
    fillPastOneScreen(view, 0);
    QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
}

void TestTranscriptView::backgroundColourIsApplied()
{
    TranscriptView view;
    QCOMPARE(view.palette().color(QPalette::Base), QColor(Qt::black));
    view.setBackgroundColour(ChatStyle::rgb(0, 0, 128));
    QCOMPARE(view.palette().color(QPalette::Base), QColor(0, 0, 128));
    QVERIFY(view.isReadOnly());
}

QTEST_MAIN(TestTranscriptView)
#include "tst_TranscriptView.moc"

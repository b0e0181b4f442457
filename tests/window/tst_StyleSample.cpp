#include "window/ChatStyleFormat.h"
#include "window/ColourSwatch.h"
#include "window/FontLabel.h"
#include "window/StyleSample.h"

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

using namespace Qt::StringLiterals;

namespace {

ChatStyle coloured(quint32 colour, const QString &font = {}, bool bold = false)
{
    ChatStyle style;
    style.colour = colour;
    style.name = font;
    style.bold = bold;
    return style;
}

} // namespace

class TestStyleSample : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void coloursKeepRedInTheLowByte_data();
    void coloursKeepRedInTheLowByte();
    void fontFallsBackToTheDefault();
    void fontRoundTripsThroughAStyle();
    void sampleDrawsEveryKindWithPrefixesInThePlayerStyle();
    void sampleRedrawReplacesTheOldText();
    void labelsPreviewTheirStyleOnTheBackground();
    void swatchRemembersAndShowsItsColour();
};

void TestStyleSample::coloursKeepRedInTheLowByte_data()
{
    QTest::addColumn<quint32>("stored");
    QTest::addColumn<QColor>("color");
    QTest::newRow("red") << quint32(255) << QColor(255, 0, 0);
    QTest::newRow("green") << quint32(65280) << QColor(0, 255, 0);
    QTest::newRow("blue") << quint32(0xFF0000) << QColor(0, 0, 255);
    QTest::newRow("white") << quint32(16777215) << QColor(255, 255, 255);
    QTest::newRow("dark red") << ChatStyle::rgb(192, 0, 0) << QColor(192, 0, 0);
}

void TestStyleSample::coloursKeepRedInTheLowByte()
{
    QFETCH(quint32, stored);
    QFETCH(QColor, color);
    QCOMPARE(ChatStyleFormat::toColor(stored), color);
    QCOMPARE(ChatStyleFormat::fromColor(color), stored);
}

void TestStyleSample::fontFallsBackToTheDefault()
{
    QFont base(u"DejaVu Sans"_s, 11);
    const QFont plain = ChatStyleFormat::toFont(ChatStyle{}, base);
    QCOMPARE(plain.family(), base.family());
    QCOMPARE(plain.pointSizeF(), 11.0);
    QVERIFY(!plain.bold());

    ChatStyle named;
    named.name = u"DejaVu Serif"_s;
    named.size = 9.75f;
    named.italic = true;
    const QFont chosen = ChatStyleFormat::toFont(named, base);
    QCOMPARE(chosen.family(), u"DejaVu Serif"_s);
    QCOMPARE(chosen.pointSizeF(), 9.75);
    QVERIFY(chosen.italic());
}

void TestStyleSample::fontRoundTripsThroughAStyle()
{
    QFont font(u"DejaVu Sans Mono"_s);
    font.setPointSizeF(12);
    font.setBold(true);
    const ChatStyle style = ChatStyleFormat::fromFont(font, 65280);
    QCOMPARE(style.name, u"DejaVu Sans Mono"_s);
    QVERIFY(style.bold);
    QVERIFY(!style.italic);
    QCOMPARE(style.size, 12.0f);
    QCOMPARE(style.colour, quint32(65280));
    QCOMPARE(ChatStyleFormat::toFont(style, QFont()), font);
}

void TestStyleSample::sampleDrawsEveryKindWithPrefixesInThePlayerStyle()
{
    QTextEdit box;
    QList<FontLabel *> labels;
    StyleSample::Styles styles;
    for (int i = 0; i < StyleSample::SlotCount; ++i)
        styles[i] = coloured(quint32(0x10 + i), u"Font%1"_s.arg(i), i == 0);
    StyleSample::refresh(box, labels, 0x000080, styles);

    struct Line
    {
        QString prefix;
        QString body;
        int slot;
    };
    const QList<Line> expected{
        {u"Player: "_s, u"General Chat"_s, StyleSample::GeneralChat},
        {u"<To> Player: "_s, u"Whisper To Chat"_s, StyleSample::WhisperTo},
        {u"<From> Player: "_s, u"Whisper From Chat"_s, StyleSample::WhisperFrom},
        {u"System: "_s, u"System Messages"_s, StyleSample::SystemMessages},
        {u"BOT: "_s, u"Bot Answers"_s, StyleSample::SystemMessages},
    };
    QTextBlock block = box.document()->firstBlock();
    for (int line = 0; line < expected.size(); ++line, block = block.next()) {
        QList<QTextFragment> runs;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            runs << it.fragment();
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs[0].text(), expected[line].prefix);
        QCOMPARE(runs[0].charFormat().foreground().color(),
            ChatStyleFormat::toColor(styles[StyleSample::PlayerName].colour));
        QCOMPARE(runs[0].charFormat().fontWeight(), int(QFont::Bold));
        QCOMPARE(runs[1].text(), expected[line].body);
        QCOMPARE(runs[1].charFormat().foreground().color(),
            ChatStyleFormat::toColor(styles[expected[line].slot].colour));
        QCOMPARE(runs[1].charFormat().fontFamilies().toStringList(),
            QStringList{u"Font%1"_s.arg(expected[line].slot)});
    }
    QCOMPARE(box.palette().color(QPalette::Base), QColor(0x80, 0, 0));
}

void TestStyleSample::sampleRedrawReplacesTheOldText()
{
    QTextEdit box;
    StyleSample::Styles styles{};
    StyleSample::refresh(box, {}, 0, styles);
    const QString once = box.toPlainText();
    StyleSample::refresh(box, {}, 0, styles);
    QCOMPARE(box.toPlainText(), once);
    QCOMPARE(once.count(u'\n'), 5);
}

void TestStyleSample::labelsPreviewTheirStyleOnTheBackground()
{
    QTextEdit box;
    QList<FontLabel *> labels;
    QWidget owner;
    for (int i = 0; i < StyleSample::SlotCount; ++i)
        labels << new FontLabel(u"L%1"_s.arg(i), &owner);
    StyleSample::Styles styles;
    for (int i = 0; i < StyleSample::SlotCount; ++i)
        styles[i] = coloured(ChatStyle::rgb(10 * i, 20, 30));
    styles[StyleSample::SystemMessages].name = u"DejaVu Serif"_s;
    styles[StyleSample::SystemMessages].size = 14;

    StyleSample::refresh(box, labels, ChatStyle::rgb(1, 2, 3), styles);
    for (int i = 0; i < StyleSample::SlotCount; ++i) {
        QCOMPARE(labels[i]->palette().color(QPalette::WindowText), QColor(10 * i, 20, 30));
        QCOMPARE(labels[i]->palette().color(QPalette::Window), QColor(1, 2, 3));
    }
    QCOMPARE(labels[StyleSample::SystemMessages]->font().family(), u"DejaVu Serif"_s);
    QCOMPARE(labels[StyleSample::SystemMessages]->font().pointSizeF(), 14.0);
    QCOMPARE(labels[StyleSample::PlayerName]->font().family(), QApplication::font().family());
}

void TestStyleSample::swatchRemembersAndShowsItsColour()
{
    ColourSwatch swatch;
    swatch.setColour(65280);
    QCOMPARE(swatch.colour(), quint32(65280));
    QVERIFY(swatch.styleSheet().contains(u"#00ff00"_s));
}

QTEST_MAIN(TestStyleSample)
#include "tst_StyleSample.moc"

#include "appearance/ChatStyles.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

class TestChatStyles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstStartValues()
    {
        SettingsStore store;
        ChatStyles styles(store);
        styles.restore();
        const QList<quint32> expected = {ChatStyle::rgb(0, 0, 0), ChatStyle::rgb(255, 255, 0),
            ChatStyle::rgb(255, 255, 255), ChatStyle::rgb(100, 160, 255),
            ChatStyle::rgb(255, 110, 110), ChatStyle::rgb(0, 192, 192)};
        for (int slot = 0; slot < ChatStyles::ColourSlotCount; ++slot)
            QCOMPARE(styles.colour(slot), expected[slot]);
        for (int slot = 0; slot < ChatStyles::FontSlotCount; ++slot)
            QCOMPARE(styles.font(slot), ChatFont());
    }

    // Every text colour of a first start can be read on the first-start background (WCAG
    // contrast of at least 4.5:1).
    void firstStartColoursAreReadable()
    {
        const auto luminance = [](quint32 colour) {
            const auto channel = [colour](int shift) {
                const double c = double((colour >> shift) & 0xFFU) / 255.0;
                return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
            };
            // 0x00BBGGRR: red in the low byte.
            return 0.2126 * channel(0) + 0.7152 * channel(8) + 0.0722 * channel(16);
        };
        const double background = luminance(ChatStyles::firstStartColour(0));
        for (int slot = 1; slot < ChatStyles::ColourSlotCount; ++slot) {
            const double text = luminance(ChatStyles::firstStartColour(slot));
            const double contrast
                = (std::max(text, background) + 0.05) / (std::min(text, background) + 0.05);
            QVERIFY2(contrast >= 4.5, qPrintable(ChatStyles::colourCaption(slot)));
        }
    }

    // A colour stored before the first-start colours changed is kept, even the unreadable ones.
    void storedColoursAreKept()
    {
        SettingsStore store;
        store.writeRegValue(SettingsKeys::Colors, u"wtColor"_s, u"16711680"_s);
        store.writeRegValue(SettingsKeys::Colors, u"wfColor"_s, u"192"_s);
        ChatStyles styles(store);
        styles.restore();
        QCOMPARE(styles.colour(ChatStyles::WhisperToColour), ChatStyle::rgb(0, 0, 255));
        QCOMPARE(styles.colour(ChatStyles::WhisperFromColour), ChatStyle::rgb(192, 0, 0));
        QCOMPARE(store.readRegValue(SettingsKeys::Colors, u"wtColor"_s), u"16711680"_s);
    }

    void restoresColours_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("slot");
        QTest::addColumn<quint32>("expected");
        const quint32 teal = ChatStyle::rgb(0, 192, 192);
        QTest::newRow("green system") << u"sColor"_s << u"65280"_s << 5 << quint32(0x00FF00);
        QTest::newRow("white background") << u"bColor"_s << u"16777215"_s << 0 << 0xFFFFFFu;
        QTest::newRow("black whisper from") << u"wfColor"_s << u"0"_s << 4 << 0u;
        QTest::newRow("not a number") << u"sColor"_s << u"teal"_s << 5 << teal;
        QTest::newRow("negative") << u"sColor"_s << u"-2147483643"_s << 5 << teal;
        QTest::newRow("beyond 24 bits") << u"sColor"_s << u"16777216"_s << 5 << teal;
        QTest::newRow("empty") << u"sColor"_s << QString() << 5 << teal;
    }
    void restoresColours()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(int, slot);
        QFETCH(quint32, expected);
        SettingsStore store;
        store.writeRegValue(SettingsKeys::Colors, name, value);
        ChatStyles styles(store);
        styles.restore();
        QCOMPARE(styles.colour(slot), expected);
    }

    void restoresFonts_data()
    {
        QTest::addColumn<QStringList>("stored"); // name=value under the fonts key
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("face");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<float>("size");
        QTest::newRow("only bold stored") << QStringList{u"cFontBold=True"_s, u"cFontSize=20"_s}
                                          << 1 << QString() << false << false << 0.0f;
        QTest::newRow("complete") << QStringList{u"cFont=Arial"_s, u"cFontBold=True"_s,
            u"cFontItalic=False"_s, u"cFontSize=9.75"_s}
                                  << 1 << u"Arial"_s << true << false << 9.75f;
        QTest::newRow("face only")
            << QStringList{u"pFont=Tahoma"_s} << 0 << u"Tahoma"_s << false << false << 0.0f;
        QTest::newRow("damaged flags and size") << QStringList{u"wfFont=Verdana"_s,
            u"wfFontBold=yes"_s, u"wfFontItalic=TRUE"_s, u"wfFontSize=big"_s}
                                                << 3 << u"Verdana"_s << false << true << 0.0f;
        QTest::newRow("comma size") << QStringList{u"sFont=Courier"_s, u"sFontSize=9,75"_s} << 4
                                    << u"Courier"_s << false << false << 9.75f;
        QTest::newRow("impossible size") << QStringList{u"wtFont=Arial"_s, u"wtFontSize=-3"_s} << 2
                                         << u"Arial"_s << false << false << 0.0f;
    }
    void restoresFonts()
    {
        QFETCH(QStringList, stored);
        QFETCH(int, slot);
        QFETCH(QString, face);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFETCH(float, size);
        SettingsStore store;
        for (const QString &entry : std::as_const(stored)) {
            const qsizetype equals = entry.indexOf(u'=');
            store.writeRegValue(SettingsKeys::Fonts, entry.first(equals), entry.sliced(equals + 1));
        }
        ChatStyles styles(store);
        styles.restore();
        QCOMPARE(styles.font(slot), (ChatFont{face, bold, italic, size}));
    }

    void choicesAreStoredAndComeBack()
    {
        SettingsStore store;
        ChatStyles styles(store);
        QSignalSpy changed(&styles, &ChatStyles::changed);
        styles.setFont(ChatStyles::WhisperToFont, u"Comic Sans MS"_s, true, false, 9.75f);
        styles.setColour(ChatStyles::BackgroundColour, 0xFFFFFF);
        styles.setColour(ChatStyles::BackgroundColour, 0xFFFFFF);
        QCOMPARE(changed.count(), 2);

        QCOMPARE(store.readRegValue(SettingsKeys::Fonts, u"wtFont"_s), u"Comic Sans MS"_s);
        QCOMPARE(store.readRegValue(SettingsKeys::Fonts, u"wtFontBold"_s), u"True"_s);
        QCOMPARE(store.readRegValue(SettingsKeys::Fonts, u"wtFontItalic"_s), u"False"_s);
        QCOMPARE(store.readRegValue(SettingsKeys::Fonts, u"wtFontSize"_s), u"9.75"_s);
        QCOMPARE(store.readRegValue(SettingsKeys::Colors, u"bColor"_s), u"16777215"_s);

        ChatStyles restored(store);
        restored.restore();
        QCOMPARE(restored.font(ChatStyles::WhisperToFont), styles.font(ChatStyles::WhisperToFont));
        QCOMPARE(restored.colour(ChatStyles::BackgroundColour), 0xFFFFFFu);
    }

    void styleCombinesFontAndColourSlots()
    {
        SettingsStore store;
        ChatStyles styles(store);
        styles.setFont(ChatStyles::SystemFont, u"Arial"_s, false, true, 12);
        const ChatStyle style = styles.style(ChatStyles::SystemFont, ChatStyles::SystemColour);
        QCOMPARE(style, (ChatStyle{{u"Arial"_s, false, true, 12}, ChatStyle::rgb(0, 192, 192)}));
        QCOMPARE(styles.style(7, -1), ChatStyle());
    }
};

QTEST_GUILESS_MAIN(TestChatStyles)
#include "tst_ChatStyles.moc"

#include "text/AnsiText.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAnsiText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyByteRoundTrips()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        QCOMPARE(AnsiText::encode(AnsiText::decode(all)), all);
    }

    void windows1252Specials()
    {
        QCOMPARE(AnsiText::decode("\x80\x99\xE9"), u"\u20AC\u2122\u00E9"_s);
        QCOMPARE(AnsiText::encode(u"\u20AC\u2122\u00E9"_s), QByteArray("\x80\x99\xE9"));
    }

    void unrepresentableBecomesQuestionMark()
    {
        QCOMPARE(AnsiText::encode(u"a\u4E2Db"_s), QByteArray("a?b"));
    }
};

QTEST_GUILESS_MAIN(TestAnsiText)
#include "tst_AnsiText.moc"

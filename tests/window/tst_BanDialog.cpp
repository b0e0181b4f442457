#include "window/BanDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// The ban question turns the operator's choices into the terms the console's /ban takes.
class TestBanDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choicesGiveTheirDuration_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("seconds"); // -1: for good
        QTest::newRow("permanent") << int(BanDialog::Permanent) << QString() << true << -1LL;
        QTest::newRow("1 hour") << int(BanDialog::OneHour) << QString() << true << 3600LL;
        QTest::newRow("1 day") << int(BanDialog::OneDay) << QString() << true << 86400LL;
        QTest::newRow("7 days") << int(BanDialog::SevenDays) << QString() << true << 604800LL;
        QTest::newRow("typed 30m") << int(BanDialog::Typed) << u"30m"_s << true << 1800LL;
        QTest::newRow("typed 2W") << int(BanDialog::Typed) << u"2W"_s << true << 1209600LL;
        QTest::newRow("typed nothing") << int(BanDialog::Typed) << QString() << false << 0LL;
        QTest::newRow("typed no unit") << int(BanDialog::Typed) << u"30"_s << false << 0LL;
        QTest::newRow("typed zero") << int(BanDialog::Typed) << u"0d"_s << false << 0LL;
        QTest::newRow("typed beyond ten years")
            << int(BanDialog::Typed) << u"99999d"_s << false << 0LL;
        // A typed text left behind does not count once a listed duration is chosen again.
        QTest::newRow("listed over typed")
            << int(BanDialog::OneHour) << u"junk"_s << true << 3600LL;
    }
    void choicesGiveTheirDuration()
    {
        QFETCH(int, choice);
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QFETCH(qint64, seconds);
        BanDialog dialog(u"Bob"_s);
        dialog.durationChoice()->setCurrentIndex(BanDialog::Typed);
        dialog.typedDuration()->setText(typed);
        dialog.durationChoice()->setCurrentIndex(choice);
        QCOMPARE(dialog.typedDuration()->isEnabled(), choice == BanDialog::Typed);
        QCOMPARE(dialog.typedDuration()->isVisibleTo(&dialog), choice == BanDialog::Typed);
        QCOMPARE(dialog.banButton()->isEnabled(), valid);
        const std::optional<BanTerms> terms = dialog.terms();
        QCOMPARE(terms.has_value(), valid);
        if (!valid) {
            // The operator is told why Ban does nothing, unless nothing is typed yet.
            QCOMPARE(
                dialog.findChild<QLabel *>(u"lblBanProblem"_s)->text().isEmpty(), typed.isEmpty());
            return;
        }
        QCOMPARE(terms->duration.has_value(), seconds >= 0);
        if (seconds >= 0)
            QCOMPARE(qint64(terms->duration->count()), seconds);
    }

    void banEmitsTheTermsOnceAndCancelNothing()
    {
        BanDialog dialog(u"<b>Bob</b>"_s);
        QSignalSpy chosen(&dialog, &BanDialog::banChosen);
        // The name is shown as it is, never as markup.
        const auto *question = dialog.findChild<QLabel *>(u"lblBanQuestion"_s);
        QCOMPARE(question->textFormat(), Qt::PlainText);
        QCOMPARE(question->text(), u"Ban <b>Bob</b> and refuse their address?"_s);
        QCOMPARE(dialog.reasonInput()->maxLength(), BanDialog::ReasonLimit);
        dialog.durationChoice()->setCurrentIndex(BanDialog::SevenDays);
        dialog.reasonInput()->setText(u"  flooding  "_s);
        QTest::mouseClick(dialog.banButton(), Qt::LeftButton);
        QCOMPARE(chosen.size(), 1);
        const auto terms = chosen.at(0).at(0).value<BanTerms>();
        QCOMPARE(terms.reason, u"flooding"_s);
        QCOMPARE(terms.duration, std::optional<std::chrono::seconds>(7 * 24h));

        BanDialog cancelled(u"Cleo"_s);
        QSignalSpy none(&cancelled, &BanDialog::banChosen);
        cancelled.open();
        QTest::keyClick(&cancelled, Qt::Key_Escape);
        QCOMPARE(none.size(), 0);
    }
};

QTEST_MAIN(TestBanDialog)
#include "tst_BanDialog.moc"

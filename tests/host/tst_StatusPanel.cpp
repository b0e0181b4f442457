#include "host/StatusPanel.h"

#include "net/SocketState.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestStatusPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secToTime_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << u"00:00:00"_s;
        QTest::newRow("59") << qint64(59) << u"00:00:59"_s;
        QTest::newRow("hour") << qint64(3600) << u"01:00:00"_s;
        QTest::newRow("3661") << qint64(3661) << u"01:01:01"_s;
        QTest::newRow("last of a day") << qint64(86399) << u"23:59:59"_s;
        QTest::newRow("past a day") << qint64(25 * 3600 + 3 * 60 + 7) << u"25:03:07"_s;
        QTest::newRow("negative clock step") << qint64(-5) << u"00:00:00"_s;
    }
    void secToTime()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(StatusPanel::secToTime(seconds), text);
    }

    void peakSurvivesDepartures()
    {
        StatusPanel panel;
        StatusPanel::Readings readings;
        readings.connectedClients = 3;
        panel.update(readings);
        readings.connectedClients = 1;
        panel.update(readings);
        QCOMPARE(panel.caption(3), u"Current: 1"_s);
        QCOMPARE(panel.caption(4), u"Max: 3"_s);
    }

    void uptimeStopsWhenTheRoomCloses()
    {
        StatusPanel panel;
        StatusPanel::Readings readings;
        readings.lobbyState = SocketState::ResolvingHost;
        readings.chatStartTime = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0));
        readings.now = readings.chatStartTime.addSecs(3661);
        panel.update(readings);
        QCOMPARE(panel.caption(0), u"Tavix Net: Resolving Host"_s);
        QCOMPARE(panel.caption(6), u"Time: 01:01:01"_s);
        readings.chatStartTime = QDateTime();
        readings.now = readings.now.addSecs(100);
        panel.update(readings);
        QCOMPARE(panel.caption(6), u"Time: 01:01:01"_s);
        QCOMPARE(panel.caption(1), u"ViraruRor: Closed"_s);
    }
};

QTEST_GUILESS_MAIN(TestStatusPanel)
#include "tst_StatusPanel.moc"

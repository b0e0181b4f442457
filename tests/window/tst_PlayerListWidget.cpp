#include "window/PlayerListWidget.h"

#include <QMenu>
#include <QTest>

using namespace Qt::StringLiterals;

// A right click selects the row under the pointer; the kick menu opens only with players in it.
class TestPlayerListWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rightClick_data();
    void rightClick();
    void leftClickOpensNoMenu();
};

void TestPlayerListWidget::rightClick_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("selectedBefore");
    QTest::addColumn<int>("clickedRow"); // -1: below the last row
    QTest::addColumn<int>("selectedAfter");
    QTest::addColumn<bool>("menuOpens");

    QTest::newRow("host alone") << 1 << -1 << 0 << 0 << false;
    QTest::newRow("player row") << 3 << 0 << 2 << 2 << true;
    QTest::newRow("host row with players") << 2 << 1 << 0 << 0 << true;
    QTest::newRow("below rows keeps selection") << 3 << 1 << -1 << 1 << true;
    QTest::newRow("below rows, host alone") << 1 << 0 << -1 << 0 << false;
}

void TestPlayerListWidget::rightClick()
{
    QFETCH(int, rows);
    QFETCH(int, selectedBefore);
    QFETCH(int, clickedRow);
    QFETCH(int, selectedAfter);
    QFETCH(bool, menuOpens);

    PlayerListWidget list;
    list.resize(200, 300);
    for (int i = 0; i < rows; ++i)
        list.addItem(i == 0 ? u"Host"_s : u"Player %1"_s.arg(i));
    list.setCurrentRow(selectedBefore);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));

    const QPoint where = clickedRow >= 0 ? list.visualItemRect(list.item(clickedRow)).center()
                                         : QPoint(20, list.viewport()->height() - 5);
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, where);

    QCOMPARE(list.currentRow(), selectedAfter);
    QCOMPARE(list.popupMenu()->isVisible(), menuOpens);
    list.popupMenu()->close();
}

void TestPlayerListWidget::leftClickOpensNoMenu()
{
    PlayerListWidget list;
    list.addItems({u"Host"_s, u"Bob"_s});
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QTest::mouseClick(
        list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(1)).center());
    QCOMPARE(list.currentRow(), 1);
    QVERIFY(!list.popupMenu()->isVisible());
}

QTEST_MAIN(TestPlayerListWidget)
#include "tst_PlayerListWidget.moc"

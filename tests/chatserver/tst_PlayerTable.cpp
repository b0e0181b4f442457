#include "chatserver/PlayerTable.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList namesInOrder(const PlayerTable &table)
{
    QStringList names;
    for (int position = 0; position <= table.count(); ++position)
        names << table.name(position);
    return names;
}

} // namespace

class TestPlayerTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void removalMovesTheLastIntoTheGap_data()
    {
        QTest::addColumn<int>("removed");
        QTest::addColumn<QStringList>("remaining");
        QTest::newRow("first") << 1 << QStringList{u"Op"_s, u"C"_s, u"B"_s};
        QTest::newRow("middle") << 2 << QStringList{u"Op"_s, u"A"_s, u"C"_s};
        QTest::newRow("last") << 3 << QStringList{u"Op"_s, u"A"_s, u"B"_s};
    }
    void removalMovesTheLastIntoTheGap()
    {
        QFETCH(int, removed);
        QFETCH(QStringList, remaining);
        PlayerTable table;
        table.setHostName(u"Op"_s);
        table.add(u"A"_s, 1, 1);
        table.add(u"B"_s, 2, 2);
        table.add(u"C"_s, 3, 3);
        table.removeAt(removed);
        QCOMPARE(table.count(), 2);
        QCOMPARE(namesInOrder(table), remaining);
        // The three columns move together.
        for (int position = 1; position <= 2; ++position) {
            const int original = table.name(position).at(0).unicode() - u'A' + 1;
            QCOMPARE(table.id(position), quint16(original));
            QCOMPARE(table.socket(position), original);
        }
    }

    void theHostPositionStays()
    {
        PlayerTable table;
        QCOMPARE(table.count(), 0);
        table.setHostName(u"Op"_s);
        table.add(u"A"_s, 1, 4);
        table.clearPlayers();
        QCOMPARE(namesInOrder(table), QStringList{u"Op"_s});
        QCOMPARE(table.id(0), quint16(0));
        QCOMPARE(table.socket(0), 0);
        QCOMPARE(table.findBySocket(0), std::nullopt);
    }

    void lookupsScanInTheirOwnOrder()
    {
        PlayerTable table;
        table.setHostName(u"Twin"_s);
        table.add(u"Twin"_s, 11, 5); // one connection that joined twice
        table.add(u"Other"_s, 12, 6);
        table.add(u"Twin"_s, 13, 5);

        QCOMPARE(table.findBySocket(5), 3); // newest position first
        QCOMPARE(table.findBySocket(6), 2);
        QCOMPARE(table.findBySocket(9), std::nullopt);
        QCOMPARE(table.findByName(u"Twin"_s), 1); // the operator is never a kick target
        QCOMPARE(table.findByName(u"twin"_s), std::nullopt);
        QCOMPARE(table.findById(0, 0), 0);
        QCOMPARE(table.findById(0, 1), std::nullopt);
        QCOMPARE(table.findById(13, 1), 3);
    }

    void idsRiseAcrossRoomsAndWrapPastTheLast()
    {
        PlayerTable table;
        QCOMPARE(table.issueId(), quint16(1));
        QCOMPARE(table.issueId(), quint16(2));
        table.clearPlayers();
        QCOMPARE(table.issueId(), quint16(3));
        for (int i = 4; i < 65535; ++i)
            table.issueId();
        QCOMPARE(table.issueId(), quint16(65535));
        // Nobody is seated: the IDs start over from 1, never 0 (the operator's).
        QCOMPARE(table.issueId(), quint16(1));
        QCOMPARE(table.totalJoins(), 65536);
    }

    // Past the last ID the seated players' IDs are passed over, the operator's 0 included.
    void wrappedIdsSkipThoseSeated()
    {
        PlayerTable table;
        table.add(u"Ann"_s, 1, 1);
        table.add(u"Bob"_s, 3, 2);
        table.add(u"Cleo"_s, 65535, 3);
        table.setLastIssuedId(65533);
        QCOMPARE(table.issueId(), quint16(65534));
        QCOMPARE(table.issueId(), quint16(2));
        QCOMPARE(table.issueId(), quint16(4));
        table.removeAt(1);
        table.setLastIssuedId(65534);
        QCOMPARE(table.issueId(), quint16(1));
    }

    void welcomedAddressesSurviveClosingTheRoom()
    {
        PlayerTable table;
        QVERIFY(!table.isWelcomed(u"127.0.0.2"_s));
        table.markWelcomed(u"127.0.0.2"_s);
        table.clearPlayers();
        QVERIFY(table.isWelcomed(u"127.0.0.2"_s));
        QVERIFY(!table.isWelcomed(u"127.0.0.20"_s));
    }
};

QTEST_GUILESS_MAIN(TestPlayerTable)
#include "tst_PlayerTable.moc"

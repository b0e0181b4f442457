#include "chatserver/InboundFramer.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// A packet of the given size whose length field says declared.
QByteArray packet(int size, quint8 opcode, int declared = -1)
{
    if (declared < 0)
        declared = size;
    QByteArray bytes(size, char(opcode ^ 0x5A));
    bytes[0] = char(opcode);
    bytes[1] = 7;
    bytes[2] = char(declared & 0xFF);
    bytes[3] = char((declared >> 8) & 0xFF);
    return bytes;
}

QList<QByteArray> drain(InboundFramer &framer)
{
    QList<QByteArray> packets;
    for (int guard = 0; guard < 100000; ++guard) {
        std::optional<QByteArray> next = framer.takeNext();
        if (!next)
            break;
        packets << *next;
    }
    return packets;
}

} // namespace

class TestInboundFramer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framing_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QList<int>>("packetsAfterEachPiece");
        QTest::addColumn<int>("waitingAtEnd");

        QTest::newRow("8 bytes declaring 8")
            << QList<QByteArray>{packet(8, 210)} << QList<int>{1} << 0;
        const QByteArray chat = packet(40, 221);
        QTest::newRow("40-byte ChatLine in two pieces")
            << QList<QByteArray>{chat.first(20), chat.sliced(20)} << QList<int>{0, 1} << 0;
        QTest::newRow("length field split")
            << QList<QByteArray>{chat.first(3), chat.sliced(3)} << QList<int>{0, 1} << 0;
        QTest::newRow("ChatLine and NameRequest together")
            << QList<QByteArray>{chat + packet(80, 231)} << QList<int>{2} << 0;
        QTest::newRow("packet and the start of the next")
            << QList<QByteArray>{chat + chat.first(10), chat.sliced(10)} << QList<int>{1, 1} << 0;
        QTest::newRow("declared length under 8 drops everything waiting")
            << QList<QByteArray>{packet(8, 221, 7) + chat, chat} << QList<int>{0, 1} << 0;
        QTest::newRow("declared length 0")
            << QList<QByteArray>{packet(12, 213, 0)} << QList<int>{0} << 0;
        QTest::newRow("largest declared length waits")
            << QList<QByteArray>{packet(1000, 221, 65535)} << QList<int>{0} << 1000;
    }
    void framing()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QList<int>, packetsAfterEachPiece);
        QFETCH(int, waitingAtEnd);
        InboundFramer framer;
        for (int i = 0; i < pieces.size(); ++i) {
            framer.append(pieces.at(i));
            const QList<QByteArray> packets = drain(framer);
            QCOMPARE(packets.size(), packetsAfterEachPiece.at(i));
            for (const QByteArray &p : packets) {
                QCOMPARE(p.size(), quint8(p.at(2)) | quint8(p.at(3)) << 8);
                QCOMPARE(p.at(1), '\7');
            }
        }
        QCOMPARE(framer.waitingSize(), waitingAtEnd);
    }

    void aPacketOfTheLargestSizeIsFramed()
    {
        InboundFramer framer;
        const QByteArray big = packet(65535, 221);
        framer.append(big.first(65534));
        QVERIFY(!framer.takeNext());
        framer.append(QByteArray(big.sliced(65534, 1) + packet(9, 213)));
        QCOMPARE(drain(framer), (QList<QByteArray>{big, packet(9, 213)}));
    }

    // However a stream of well-formed packets is cut into arrivals, the same packets come out; and
    // for arbitrary bytes, whatever waits without a complete packet stays under 65535 bytes.
    void randomCutsAndGarbage()
    {
        QRandomGenerator random(20240611);
        for (int round = 0; round < 200; ++round) {
            QList<QByteArray> sent;
            QByteArray stream;
            for (int i = 0; i < 30; ++i) {
                sent << packet(8 + int(random.bounded(300)), quint8(random.bounded(256)));
                stream += sent.last();
            }
            InboundFramer framer;
            QList<QByteArray> received;
            for (qsizetype at = 0; at < stream.size();) {
                const qsizetype piece
                    = qMin<qsizetype>(1 + random.bounded(400), stream.size() - at);
                framer.append(QByteArrayView(stream).sliced(at, piece));
                at += piece;
                received << drain(framer);
            }
            QCOMPARE(received, sent);
            QCOMPARE(framer.waitingSize(), 0);

            InboundFramer garbage;
            for (int i = 0; i < 50; ++i) {
                QByteArray bytes(int(random.bounded(3000)), '\0');
                random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
                garbage.append(bytes);
                drain(garbage);
                QVERIFY(garbage.waitingSize() < 65535);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestInboundFramer)
#include "tst_InboundFramer.moc"

#include "chatserver/OutgoingQueue.h"
#include "support/HostFixture.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

qint64 steadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Clients that connect, send a JoinRequest and close, again and again, each from its own address,
// as fast as the host lets them. They run on a thread of their own, as they would on another
// machine, so the host's thread is the room's alone.
class Churners : public QObject
{
public:
    Churners(quint16 port, int firstHostByte, int count)
        : m_port(port)
    {
        for (int i = 0; i < count; ++i) {
            auto *socket = new QTcpSocket(this);
            const QHostAddress from(u"127.0.0.%1"_s.arg(firstHostByte + i));
            QObject::connect(socket, &QTcpSocket::connected, socket, [socket] {
                socket->write(GameClient::joinRequestPacket(u"Churn"_s));
                socket->disconnectFromHost();
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket,
                [this, socket, from] { again(socket, from); });
            QObject::connect(socket, &QTcpSocket::errorOccurred, socket, [this, socket, from] {
                if (socket->state() == QAbstractSocket::UnconnectedState)
                    again(socket, from);
            });
            m_sockets.push_back({socket, from});
        }
    }

    void start()
    {
        for (const auto &[socket, from] : m_sockets)
            again(socket, from);
    }
    void stop() { m_stopped = true; }
    int turns() const { return m_turns; }

private:
    void again(QTcpSocket *socket, const QHostAddress &from)
    {
        if (m_stopped)
            return;
        ++m_turns;
        // Later, not from inside the socket's own signal.
        QTimer::singleShot(0, socket, [this, socket, from] {
            if (m_stopped || socket->state() != QAbstractSocket::UnconnectedState)
                return;
            socket->bind(from);
            socket->connectToHost(QHostAddress(QHostAddress::LocalHost), m_port);
        });
    }

    quint16 m_port;
    std::vector<std::pair<QTcpSocket *, QHostAddress>> m_sockets;
    std::atomic<bool> m_stopped = false;
    std::atomic<int> m_turns = 0;
};

// Runs churners on their own thread for as long as it lives.
class ChurnThread
{
public:
    ChurnThread(quint16 port, int firstHostByte, int count)
    {
        m_churners = new Churners(port, firstHostByte, count);
        m_churners->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, m_churners, &QObject::deleteLater);
        m_thread.start();
        QMetaObject::invokeMethod(m_churners, [churners = m_churners] { churners->start(); });
    }
    ~ChurnThread()
    {
        m_churners->stop();
        m_thread.quit();
        m_thread.wait();
    }
    int turns() const { return m_churners->turns(); }

private:
    QThread m_thread;
    Churners *m_churners;
};

// Counts the room's debug output on standard error; everything else goes on as before.
std::atomic<int> g_roomDebugLines = 0;
std::atomic<int> g_leftOutLines = 0;
QtMessageHandler g_previousHandler = nullptr;

void countRoomDebugLines(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (context.category && QByteArrayView(context.category) == "vornic.room") {
        ++g_roomDebugLines;
        if (text.contains(u"left out"_s))
            ++g_leftOutLines;
    } else if (g_previousHandler) {
        g_previousHandler(type, context, text);
    }
}

} // namespace

// What one visitor without a password or any skill can do to the room, measured from outside.
class TestHostileVisitors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Joining and leaving in a loop used to make the room announce every turn to everyone, and
    // the room's own traffic is never shed. Past its join budget an address is turned away, so
    // once each has spent it, two seated players talk as if nothing happened.
    void joinChurnDelaysNoOne_data()
    {
        QTest::addColumn<int>("addresses");
        QTest::newRow("one address") << 1;
        QTest::newRow("20 addresses") << 20;
    }
    void joinChurnDelaysNoOne()
    {
        QFETCH(int, addresses);
        constexpr int Lines = 8;
        HostFixture host;
        QVERIFY2(openPatiently(host), qPrintable(host.lines.join(u'\n')));
        auto ann = host.join(2, u"Ann"_s);
        auto bob = host.join(3, u"Bob"_s);
        QVERIFY(ann && bob);

        ChurnThread churn(host.chatPort(), 10, addresses);
        // Each address's first joins are let in; what they made the room send drains away.
        QVERIFY(waitUntil([&] { return churn.turns() > 20 * addresses; }, 10000));
        QVERIFY2(waitUntil([&] { return host.core->parts().queue.size() <= 2; }, 10000),
            qPrintable(QString::number(host.core->parts().queue.size())));
        const int turnsBefore = churn.turns();

        // Ann says a line every 500 ms (within her line rate) while the churn goes on.
        QHash<QString, qint64> sentNs;
        QTimer talk;
        talk.setInterval(500);
        QObject::connect(&talk, &QTimer::timeout, &talk, [&] {
            const QString text = u"line %1"_s.arg(sentNs.size());
            sentNs.insert(text, steadyNowNs());
            ann->sendChat(ann->ownId(), text);
            if (sentNs.size() == Lines)
                talk.stop();
        });
        talk.start();
        QVERIFY(waitUntil([&] { return sentNs.size() == Lines; }, 4 * Lines * 500));
        QVERIFY(
            waitUntil([&] { return bob->chatTexts().filter(u"line "_s).size() == Lines; }, 5000));
        QVERIFY2(churn.turns() > turnsBefore + Lines, "the churn went on while Ann talked");

        qint64 longestMs = 0;
        for (qsizetype at = 0; at < bob->packets().size(); ++at) {
            const auto line = ChatPacket::readChatLine(bob->packets().at(at));
            if (line && sentNs.contains(line->text)) {
                const qint64 waitedNs = bob->arrivalsNs().at(at) - sentNs.value(line->text);
                longestMs = std::max(longestMs, waitedNs / 1000000);
            }
        }
        qInfo() << addresses << "churning addresses," << churn.turns() << "turns; longest wait"
                << longestMs << "ms";
        QVERIFY2(longestMs < 1000, qPrintable(QString::number(longestMs)));
        QVERIFY(!ann->isClosed() && !bob->isClosed());
        QCOMPARE(host.core->parts().players.count(), 2);
    }

    // Guesses streamed on one connection, then on a fresh one: after five wrong passwords the
    // right one is refused too, as a wrong one is, and the operator is told once.
    void passwordGuessingIsLockedOut()
    {
        HostFixture host;
        host.core->parts().identity.setPassword(u"Secret"_s);
        host.core->parts().identity.setLocked(true);
        QVERIFY2(openPatiently(host), qPrintable(host.lines.join(u'\n')));
        const auto told = [&] {
            return host.lines.filter(u"System: Too many wrong room passwords from 127.0.0.4"_s)
                .size();
        };
        GameClient guesser(4);
        QVERIFY(guesser.connectTo(host.chatPort()));
        QByteArray guesses;
        for (int guess = 0; guess < 20; ++guess)
            guesses += GameClient::joinRequestPacket(u"Guess"_s, u"guess%1"_s.arg(guess));
        guesses += GameClient::joinRequestPacket(u"Guess"_s, u"Secret"_s);
        guesser.sendRaw(guesses);
        QVERIFY(waitUntil([&] { return told() == 1; }));
        // Five refusals, one for each wrong password its refusal budget lets it be told of.
        QVERIFY(guesser.waitForPackets(1 + 5));
        QVERIFY(guesser.staysQuiet(300));
        QVERIFY(!guesser.opcodes().contains(ChatPacket::RoomSetup));

        guesser.disconnectFromHost();
        QVERIFY(guesser.waitForClose());
        QVERIFY(waitUntil([&] { return host.core->parts().clientSlots.connectedCount() == 0; }));
        GameClient again(4);
        QVERIFY(again.connectTo(host.chatPort()));
        again.sendJoin(u"Guess"_s, u"Secret"_s);
        QVERIFY(!again.waitForOpcode(ChatPacket::JoinRefused).isEmpty());
        QVERIFY(!again.opcodes().contains(ChatPacket::RoomSetup));
        QCOMPARE(host.core->parts().players.count(), 0);
        QCOMPARE(told(), 1);

        // Another address gets in with the password.
        auto bob = std::make_unique<GameClient>(5);
        QVERIFY(bob->connectTo(host.chatPort()));
        bob->sendJoin(u"Bob"_s, u"Secret"_s);
        QVERIFY(!bob->waitForOpcode(ChatPacket::RoomSetup).isEmpty());
    }

    // One connection streaming empty chat lines within the byte cap used to write a debug line
    // for each: tens of thousands a second. A few of each kind a second are written, then one
    // line saying how many were left out.
    void emptyLinesFloodNoDebugOutput()
    {
        constexpr qint64 FloodMs = 5000;
        HostFixture host;
        QVERIFY2(openPatiently(host), qPrintable(host.lines.join(u'\n')));
        auto flooder = host.join(2, u"Flood"_s);
        auto bob = host.join(3, u"Bob"_s);
        QVERIFY(flooder && bob);

        // A header alone, and a whole empty line under the host's ID: two kinds of note.
        QByteArray headerOnly = ChatPacket::chatLine(QString()).first(8);
        ChatPacket::writeId(headerOnly, 2, 8);
        const QByteArray asHost = ChatPacket::chatLine(QString());
        QByteArray burst;
        while (burst.size() < 1000)
            burst += headerOnly + asHost;

        QSignalSpy debugList(host.core.get(), &HostCore::debugLineAdded);
        g_roomDebugLines = 0;
        g_leftOutLines = 0;
        g_previousHandler = qInstallMessageHandler(countRoomDebugLines);
        // About 100 KiB a second, well within the byte cap.
        qint64 sent = 0;
        QElapsedTimer clock;
        clock.start();
        QTimer flood;
        flood.setInterval(10);
        QObject::connect(&flood, &QTimer::timeout, &flood, [&] {
            flooder->sendRaw(burst);
            sent += burst.size();
            if (clock.elapsed() >= FloodMs)
                flood.stop();
        });
        flood.start();
        QVERIFY(waitUntil([&] { return !flood.isActive(); }, FloodMs + 5000));
        // The last count of lines left out follows within two seconds.
        const int leftOutDuringFlood = g_leftOutLines;
        const bool finalCount
            = waitUntil([&] { return g_leftOutLines > leftOutDuringFlood; }, 3000);
        qInstallMessageHandler(g_previousHandler);

        const int written = g_roomDebugLines + int(debugList.count());
        qInfo() << sent << "bytes of empty lines;" << written << "debug lines," << g_leftOutLines
                << "of them counts of lines left out";
        QVERIFY(sent > 200 * 1024);
        QVERIFY(finalCount);
        QVERIFY2(written <= 300, qPrintable(QString::number(written)));
        QVERIFY(!flooder->isClosed());
        flooder->sendChat(flooder->ownId(), u"still here"_s);
        QVERIFY(waitUntil([&] { return bob->chatTexts().contains(u"still here"_s); }));
    }
};

QTEST_GUILESS_MAIN(TestHostileVisitors)
#include "tst_HostileVisitors.moc"

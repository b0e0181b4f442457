#include "QueueClockBench.h"

#include "BenchClock.h"
#include "Percentiles.h"
#include "chatserver/ChatPackets.h"
#include "chatserver/ClientSlots.h"
#include "chatserver/OutgoingQueue.h"
#include "chatserver/PaceTimer.h"
#include "chatserver/PlayerTable.h"

#include <QHash>
#include <QTcpSocket>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int Connections = 62;
constexpr int PacketsEach = 1000;

QString ms(double value)
{
    return u"%1 ms"_s.arg(value, 0, 'f', 2);
}

double gapMs(PaceTimer::Clock::duration gap)
{
    return std::chrono::duration<double, std::milli>(gap).count();
}

// A PaceTimer due TickInterval after each of its wake-ups, as the queue is after each send.
QList<double> bareTimerGaps(int count)
{
    PaceTimer timer;
    QList<double> gaps;
    PaceTimer::Clock::time_point last = PaceTimer::Clock::now();
    QObject::connect(&timer, &PaceTimer::due, &timer, [&] {
        const auto now = PaceTimer::Clock::now();
        gaps << gapMs(now - last);
        last = now;
        if (gaps.size() < count)
            timer.wakeAt(now + OutgoingQueue::TickInterval);
    });
    timer.wakeAt(last + OutgoingQueue::TickInterval);
    BenchClock::waitFor([&] { return gaps.size() >= count; }, count * 20 + 5000);
    return gaps;
}

// The gaps between packets on each connection, on the queue's clock, while every connection's
// lane holds PacketsEach packets.
QHash<int, QList<double>> queueGaps(bool *complete)
{
    ClientSlots slots;
    PlayerTable table;
    OutgoingQueue queue(table, slots);
    queue.setPacing(OutgoingQueue::Pacing::PerConnection);
    QObject::connect(&slots, &ClientSlots::connectionRequested, &slots,
        [&](ClientLink *pending, const QString &) {
            slots.accept(pending, slots.lowestClosedSlot());
        });
    *complete = false;
    if (!slots.listen(QHostAddress(QHostAddress::LocalHost), 0))
        return {};
    // The clients never read: what the queue sends fits in their sockets' buffers, and reading it
    // in this process would take turns from the queue it times.
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int k = 0; k < Connections; ++k) {
        auto client = std::make_unique<QTcpSocket>();
        client->bind(QHostAddress(quint32(0x7f000002 + k)));
        client->connectToHost(QHostAddress(QHostAddress::LocalHost), slots.listeningPort());
        clients.push_back(std::move(client));
    }
    if (!BenchClock::waitFor([&] { return slots.connectedCount() == Connections; }, 10000))
        return {};
    for (int slot = 1; slot <= Connections; ++slot)
        table.add(u"P%1"_s.arg(slot), quint16(slot), slot);

    QHash<int, qint64> lastNs;
    QHash<int, QList<double>> gaps;
    QObject::connect(&queue, &OutgoingQueue::packetSent, &queue, [&](int socket, qint64 atNs) {
        if (const auto last = lastNs.constFind(socket); last != lastNs.cend())
            gaps[socket] << BenchClock::nsToMs(atNs - *last);
        lastNs[socket] = atNs;
    });
    for (int packet = 0; packet < PacketsEach; ++packet)
        queue.queuePacket(0, ChatPacket::chatLine(u"clock %1"_s.arg(packet)));
    *complete = BenchClock::waitFor([&] { return queue.size() == 0; },
        PacketsEach * int(OutgoingQueue::TickInterval.count()) * 4);
    return gaps;
}

} // namespace

void runQueueClockBench(ResultTable &table)
{
    const QList<double> bare = bareTimerGaps(PacketsEach);
    bool complete = false;
    const QHash<int, QList<double>> perConnection = queueGaps(&complete);
    const QList<double> one = perConnection.value(1);
    QList<double> all;
    for (const QList<double> &gaps : perConnection)
        all += gaps;
    const double bareP99 = percentile(bare, 99);
    const QString bareNote = u"PaceTimer woken 5 ms after each wake-up, %1 gaps"_s.arg(bare.size());
    table.add(u"queue clock"_s, u"bare timer gap, median / 99th percentile"_s,
        ms(median(bare)) + u" / "_s + ms(bareP99), bareNote);
    const QString note = u"paced per connection, %1 connections each sent %2 packets at once, "
                         u"timed when each left%3"_s.arg(Connections)
                             .arg(PacketsEach)
                             .arg(complete ? QString() : u" (INCOMPLETE)"_s);
    table.add(u"queue clock"_s, u"gap on connection 1, median / 99th percentile"_s,
        ms(median(one)) + u" / "_s + ms(percentile(one, 99)),
        note
            + u"; 99th percentile %1 x the bare timer's"_s.arg(
                bareP99 > 0 ? percentile(one, 99) / bareP99 : 0.0, 0, 'f', 3));
    table.add(u"queue clock"_s, u"gap on any connection, shortest / 99th percentile"_s,
        ms(all.isEmpty() ? 0.0 : percentile(all, 0)) + u" / "_s + ms(percentile(all, 99)),
        note
            + u"; %1 gaps; 99th percentile %2 x the bare timer's"_s.arg(all.size())
                  .arg(bareP99 > 0 ? percentile(all, 99) / bareP99 : 0.0, 0, 'f', 3));
}

#include "RoomBench.h"

#include "BenchClock.h"
#include "ClientSwarm.h"
#include "HostProcess.h"
#include "PanelWatchers.h"
#include "Percentiles.h"
#include "ProcStats.h"
#include "chatserver/OutgoingQueue.h"
#include "common/LoopbackHttpServer.h"

#include <QTextStream>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr double TickMs = double(OutgoingQueue::TickInterval.count());
constexpr int BroadcastRuns = 3;
// Enough gaps that the 99th percentile is not just the second longest one.
constexpr int WhisperCount = 1000;
// A client says one line per wave; the room lets each client say two a second.
constexpr int WaveIntervalMs = 600;
const QString PanelPassword = u"bench panel"_s;
// The league's double-elimination report with this many matches: "Current Pairings" and one
// line per match make the Announce menu's "Pairings" 30 lines.
constexpr int PairingsMatches = 29;
const QString LastPairing = u"Blue%1"_s.arg(PairingsMatches);

QByteArray pairingsReport()
{
    QByteArray page = "<html><body><table>";
    for (int match = 1; match <= PairingsMatches; ++match)
        page += QByteArray("<tr><td align=left>Red") + QByteArray::number(match)
            + "</td><td align=left>Blue" + QByteArray::number(match) + "</td></tr>";
    return page + "</table></body></html>";
}

void progress(const QString &text)
{
    QTextStream(stderr) << text << Qt::endl;
}

QString ms(double value)
{
    return u"%1 ms"_s.arg(value, 0, 'f', 2);
}

QString mib(qint64 kib)
{
    return u"%1 MiB"_s.arg(double(kib) / 1024.0, 0, 'f', 1);
}

// Arrival of the first chat packet containing the marker at one client; -1 if none.
qint64 arrivalOf(const ClientSwarm &swarm, qsizetype client, const QString &marker)
{
    for (const ClientSwarm::Arrival &arrival : swarm.chatArrivals(client)) {
        if (arrival.description.contains(marker))
            return arrival.atNs;
    }
    return -1;
}

// The same for arrivals from index `from` on.
qint64 arrivalSince(
    const ClientSwarm &swarm, qsizetype client, qsizetype from, const QString &marker)
{
    const QList<ClientSwarm::Arrival> &arrivals = swarm.chatArrivals(client);
    for (qsizetype i = from; i < arrivals.size(); ++i) {
        if (arrivals.at(i).description.contains(marker))
            return arrivals.at(i).atNs;
    }
    return -1;
}

class RoomSession
{
public:
    RoomSession(const BenchSettings &settings, ResultTable &table, bool fastDelivery)
        : m_settings(settings)
        , m_table(table)
        , m_host(settings.hostProgram)
        , m_fastDelivery(fastDelivery)
        , m_label(fastDelivery ? u", Fast Delivery"_s : QString())
    {
        if (settings.panels > 0 && !fastDelivery)
            m_host.enablePanel(PanelPassword);
        if (fastDelivery)
            m_host.enableFastDelivery();
    }

    bool open()
    {
        m_league.setResponse(u"/tourneysystem/report.php"_s, {200, pairingsReport()});
        if (m_league.listen())
            m_host.useLeague(m_league.baseUrl());
        if (!m_host.start(HostProcess::FrontEnd::Headless)
            || !BenchClock::waitFor([this] { return m_host.isRoomOpen(); }, 15000)) {
            progress(u"the host did not open its room"_s);
            return false;
        }
        BenchClock::pumpFor(500);
        m_idleRssKb = ProcStats::residentKb(m_host.pid());
        m_swarm = std::make_unique<ClientSwarm>(m_host.chatPort());
        m_swarm->add(m_settings.clients);
        // Every join is announced to everyone seated: n joins take n^2/2 paced packets.
        const int joinBoundMs = 30000 + m_settings.clients * m_settings.clients * 10;
        if (!m_swarm->settle(500, joinBoundMs)) {
            progress(u"only %1 of %2 clients got in"_s.arg(m_swarm->joinedCount())
                         .arg(m_settings.clients));
            return false;
        }
        return true;
    }

    // Browser panels that watch the rest of the run: every line and join is an event for each.
    bool openPanels()
    {
        m_panels = std::make_unique<PanelWatchers>(m_host.panelPort(), PanelPassword);
        m_panels->open(m_settings.panels);
        const bool watching = BenchClock::waitFor(
            [this] {
                return m_panels->watchingCount() == m_settings.panels
                    && m_panels->stateFetches() >= m_settings.panels;
            },
            15000);
        if (!watching)
            progress(u"only %1 of %2 panels are watching"_s.arg(m_panels->watchingCount())
                         .arg(m_settings.panels));
        m_label += u", %1 panels watching"_s.arg(m_settings.panels);
        ++m_round;
        return watching;
    }

    void broadcast()
    {
        QList<double> spans;
        for (int run = 0; run < BroadcastRuns; ++run) {
            const QString marker = u"bench broadcast %1.%2#"_s.arg(m_round).arg(run);
            const qint64 saidAt = BenchClock::nowNs();
            m_host.writeLine(marker);
            const qsizetype clients = m_swarm->size();
            BenchClock::waitFor([&] { return allHave(marker); }, 10000 + int(clients * 20));
            qint64 last = -1;
            for (qsizetype k = 0; k < clients; ++k)
                last = std::max(last, arrivalOf(*m_swarm, k, marker));
            if (allHave(marker))
                spans << BenchClock::nsToMs(last - saidAt);
            m_swarm->settle(300, 10000);
        }
        // Shared, the n copies leave one tick apart; per connection, side by side.
        const double floor = m_fastDelivery ? 0.0 : double(m_swarm->size()) * TickMs;
        const double span = median(spans);
        const QString result = m_fastDelivery
            ? ms(span)
            : ms(span) + u" = %1 x floor"_s.arg(span / floor, 0, 'f', 3);
        m_table.add(u"pacing"_s,
            u"operator line to the last of %1 clients%2"_s.arg(m_swarm->size()).arg(m_label),
            result,
            (m_fastDelivery
                    ? u"every client's copy due at once; goal 20 ms"_s
                    : u"floor %1 x %2 ms = %3"_s.arg(m_swarm->size()).arg(TickMs).arg(ms(floor)))
                + u"; median of %1 (%2 complete)"_s.arg(BroadcastRuns).arg(spans.size()));
    }

    void whisperGaps()
    {
        const quint16 target = m_swarm->client(0).ownId();
        for (int k = 0; k < WhisperCount; ++k)
            m_host.writeLine(u"/whisper %1 bench gap %2.%3#"_s.arg(target).arg(m_round).arg(k));
        const QString marker = u"bench gap %1."_s.arg(m_round);
        const QString lastMarker = marker + u"%1#"_s.arg(WhisperCount - 1);
        // Only the newest arrival is looked at: a scan of them all every poll would delay the
        // reading of the very packets being timed.
        const QList<ClientSwarm::Arrival> &arrivals = m_swarm->chatArrivals(0);
        BenchClock::waitFor(
            [&] { return !arrivals.isEmpty() && arrivals.last().description.contains(lastMarker); },
            WhisperCount * 20 + 10000);
        QList<double> gaps;
        qint64 previous = -1;
        for (const ClientSwarm::Arrival &arrival : arrivals) {
            if (!arrival.description.contains(marker))
                continue;
            if (previous >= 0)
                gaps << BenchClock::nsToMs(arrival.atNs - previous);
            previous = arrival.atNs;
        }
        const QString note
            = u"%1 whispers to one client, %2 gaps measured, shortest %3 at the client; floor %4"_s
                  .arg(WhisperCount)
                  .arg(gaps.size())
                  .arg(ms(gaps.isEmpty() ? 0.0 : percentile(gaps, 0)))
                  .arg(ms(TickMs));
        m_table.add(u"pacing"_s, u"gap between packets on one connection, median%1"_s.arg(m_label),
            ms(median(gaps)), note);
        m_table.add(u"pacing"_s,
            u"gap between packets on one connection, 99th percentile%1"_s.arg(m_label),
            ms(percentile(gaps, 99)), note);
        m_swarm->settle(300, 10000);
    }

    // The Announce menu's "Pairings" to every client: 30 lines each, from the console's
    // command until the last client has the last line.
    void announcePairings()
    {
        m_host.writeLine(u"/pairings"_s);
        if (!BenchClock::waitFor(
                [this] { return m_host.linesContaining("Pairings Retrieved Successfully") > 0; },
                10000)) {
            progress(u"the host did not fetch the pairings"_s);
            return;
        }
        const qsizetype clients = m_swarm->size();
        const int lines = PairingsMatches + 1;
        QList<double> spans;
        for (int run = 0; run < BroadcastRuns; ++run) {
            QList<qsizetype> seen;
            for (qsizetype k = 0; k < clients; ++k)
                seen << m_swarm->chatArrivals(k).size();
            const auto lastArrival = [&] {
                qint64 last = -1;
                for (qsizetype k = 0; k < clients; ++k) {
                    const qint64 at = arrivalSince(*m_swarm, k, seen.at(k), LastPairing);
                    if (at < 0)
                        return qint64(-1);
                    last = std::max(last, at);
                }
                return last;
            };
            const qint64 saidAt = BenchClock::nowNs();
            m_host.writeLine(u"/announce pairings"_s);
            BenchClock::waitFor([&] { return lastArrival() >= 0; },
                int(double(clients * lines) * TickMs * 3) + 10000);
            if (const qint64 last = lastArrival(); last >= 0)
                spans << BenchClock::nsToMs(last - saidAt);
            m_swarm->settle(300, 10000);
        }
        const double floor = double(m_fastDelivery ? lines - 1 : clients * lines - 1) * TickMs;
        m_table.add(u"pacing"_s,
            u"Announce \"Pairings\", %1 lines to %2 clients%3"_s.arg(lines).arg(clients).arg(
                m_label),
            ms(median(spans)),
            u"floor %1 (%2 packets one tick apart%3); median of %4 (%5 complete)"_s.arg(ms(floor))
                .arg(m_fastDelivery ? lines : clients * lines)
                .arg(m_fastDelivery ? u" on each connection, side by side; goal 200 ms"_s
                                    : QString())
                .arg(BroadcastRuns)
                .arg(spans.size()));
    }

    void idleCost()
    {
        const qint64 before = ProcStats::cpuTimeMs(m_host.pid());
        const qint64 startedAt = BenchClock::nowNs();
        BenchClock::pumpFor(m_settings.idleSeconds * 1000);
        const double wallMs = BenchClock::nsToMs(BenchClock::nowNs() - startedAt);
        const qint64 used = ProcStats::cpuTimeMs(m_host.pid()) - before;
        m_table.add(u"idle cost"_s,
            u"host CPU (user+sys), room open, %1 idle clients%2"_s.arg(m_swarm->size())
                .arg(m_label),
            u"%1 ms in %2 s (%3 % of a core)"_s.arg(used)
                .arg(wallMs / 1000.0, 0, 'f', 1)
                .arg(100.0 * double(used) / wallMs, 0, 'f', 2),
            u"/proc/<pid>/stat, 10 ms clock ticks"_s);
        m_table.add(u"memory"_s,
            u"host VmRSS, room open, %1 idle clients%2"_s.arg(m_swarm->size()).arg(m_label),
            mib(ProcStats::residentKb(m_host.pid())),
            u"of which the process's own (RssAnon) %1"_s.arg(
                mib(ProcStats::ownResidentKb(m_host.pid()))));
    }

    void relayMemory()
    {
        m_swarm->add(1);
        const qsizetype clients = m_swarm->size();
        if (!m_swarm->settle(500, 30000)) {
            progress(u"the extra client did not get in"_s);
            return;
        }
        // 63 clients each within their line limit ask for far more than the queue can send; the
        // room sheds lines to keep the wait bounded. Waves go on until the queue has delivered
        // the target number of packets.
        const qint64 target = m_settings.relayedLines;
        const qint64 deliveredBefore = m_swarm->chatPacketsReceived();
        const auto delivered = [&] { return m_swarm->chatPacketsReceived() - deliveredBefore; };
        QList<qint64> saidAtNs;
        const qsizetype listenerSeenBefore = m_swarm->chatArrivals(0).size();

        qint64 peakRssKb = 0;
        QTimer waves;
        waves.setInterval(WaveIntervalMs);
        const auto sayWave = [&] {
            if (delivered() >= target) {
                waves.stop();
                return;
            }
            for (qsizetype k = 0; k < clients; ++k) {
                saidAtNs << BenchClock::nowNs();
                m_swarm->client(k).perform(ClientAction{ClientAction::Kind::Say,
                    u"bench relay %1 "_s.arg(saidAtNs.size() - 1), 0, {}, 0});
            }
        };
        QObject::connect(&waves, &QTimer::timeout, &waves, sayWave);
        QTimer sampler;
        sampler.setInterval(100);
        QObject::connect(&sampler, &QTimer::timeout, &sampler,
            [&] { peakRssKb = std::max(peakRssKb, ProcStats::residentKb(m_host.pid())); });
        const qint64 startedAt = BenchClock::nowNs();
        const qint64 cpuBeforeMs = ProcStats::cpuTimeMs(m_host.pid());
        waves.start();
        sampler.start();
        sayWave();
        const bool complete = BenchClock::waitFor(
            [&] { return delivered() >= target; }, int(double(target) * TickMs * 3) + 30000);
        sampler.stop();
        waves.stop();
        const qint64 cpuUsedMs = ProcStats::cpuTimeMs(m_host.pid()) - cpuBeforeMs;
        const double seconds = BenchClock::nsToMs(BenchClock::nowNs() - startedAt) / 1000.0;
        BenchClock::pumpFor(500);
        const qint64 afterRssKb = ProcStats::residentKb(m_host.pid());
        peakRssKb = std::max(peakRssKb, afterRssKb); // a run shorter than one sample

        // The longest a relayed line waited, as one listener heard it, and who was told to wait.
        double longestWaitMs = 0;
        qint64 relayed = 0;
        const QList<ClientSwarm::Arrival> &heard = m_swarm->chatArrivals(0);
        for (qsizetype i = listenerSeenBefore; i < heard.size(); ++i) {
            const qsizetype at = heard.at(i).description.indexOf(u"bench relay "_s);
            if (at < 0)
                continue;
            const qsizetype number
                = heard.at(i).description.sliced(at + 12).section(u' ', 0, 0).toLongLong();
            if (number >= 0 && number < saidAtNs.size()) {
                longestWaitMs = std::max(
                    longestWaitMs, BenchClock::nsToMs(heard.at(i).atNs - saidAtNs.at(number)));
                ++relayed;
            }
        }
        qint64 busyNotices = 0;
        for (qsizetype k = 0; k < clients; ++k) {
            for (const ClientSwarm::Arrival &arrival : m_swarm->chatArrivals(k))
                busyNotices += arrival.description.contains(u"room is busy"_s) ? 1 : 0;
        }
        const QString counted = u"%1 lines said by %2 clients, %3 deliveries, %4 busy notices%5"_s
                                    .arg(saidAtNs.size())
                                    .arg(clients)
                                    .arg(delivered())
                                    .arg(busyNotices)
                                    .arg(complete ? QString() : u" (INCOMPLETE)"_s);
        m_table.add(
            u"memory"_s, u"host VmRSS, room open, no clients%1"_s.arg(m_label), mib(m_idleRssKb));
        m_table.add(u"memory"_s, u"host VmRSS, peak while relaying%1"_s.arg(m_label),
            mib(peakRssKb), counted);
        m_table.add(u"memory"_s,
            u"host VmRSS, %1 clients, after relaying%2"_s.arg(clients).arg(m_label),
            mib(afterRssKb), counted);
        // Shared, one packet per tick for the whole room; per connection, one per tick for each.
        const double ceiling = (m_fastDelivery ? double(clients) : 1.0) * 1000.0 / TickMs;
        m_table.add(u"pacing"_s,
            u"relay throughput (%1 clients saying lines)%2"_s.arg(clients).arg(m_label),
            u"%1 packets/s"_s.arg(double(delivered()) / seconds, 0, 'f', 1),
            u"ceiling %1 packets/s (one per tick%2); %3"_s.arg(ceiling, 0, 'f', 0)
                .arg(m_fastDelivery ? u" per connection"_s : QString())
                .arg(counted));
        m_table.add(u"pacing"_s, u"host CPU per delivered packet under that load%1"_s.arg(m_label),
            u"%1 us"_s.arg(delivered() > 0 ? 1000.0 * double(cpuUsedMs) / double(delivered()) : 0.0,
                0, 'f', 1),
            u"%1 ms user+sys in %2 s; %3"_s.arg(cpuUsedMs).arg(seconds, 0, 'f', 1).arg(counted));
        m_table.add(u"pacing"_s, u"longest wait of a relayed line under that load%1"_s.arg(m_label),
            ms(longestWaitMs),
            u"said until one listener heard it, %1 lines heard; the room sheds lines past %2 ms of "
            u"queue"_s.arg(relayed)
                .arg(OutgoingQueue::MaxRelayDelay.count()));
    }

private:
    bool allHave(const QString &marker) const
    {
        for (qsizetype k = 0; k < m_swarm->size(); ++k) {
            if (arrivalOf(*m_swarm, k, marker) < 0)
                return false;
        }
        return true;
    }

    const BenchSettings &m_settings;
    ResultTable &m_table;
    HostProcess m_host;
    LoopbackHttpServer m_league;
    bool m_fastDelivery;
    std::unique_ptr<ClientSwarm> m_swarm;
    std::unique_ptr<PanelWatchers> m_panels;
    QString m_label; // the pacing scheme, and what else watches the room while it is measured
    int m_round = 0; // keeps each round's markers apart from the last
    qint64 m_idleRssKb = -1;
};

} // namespace

void runRoomBench(const BenchSettings &settings, ResultTable &table, bool fastDelivery)
{
    const QString scheme = fastDelivery ? u"room (Fast Delivery)"_s : u"room"_s;
    RoomSession session(settings, table, fastDelivery);
    progress(u"%1: opening, seating %2 clients"_s.arg(scheme).arg(settings.clients));
    if (!session.open())
        return;
    progress(u"%1: pacing"_s.arg(scheme));
    session.broadcast();
    session.whisperGaps();
    progress(u"%1: announcing pairings"_s.arg(scheme));
    session.announcePairings();
    if (settings.panels > 0 && !fastDelivery) {
        progress(u"room: pacing with %1 panels watching"_s.arg(settings.panels));
        if (session.openPanels()) {
            session.broadcast();
            session.whisperGaps();
        }
    }
    progress(u"%1: idle for %2 s"_s.arg(scheme).arg(settings.idleSeconds));
    session.idleCost();
    progress(u"%1: relaying, %2 line deliveries"_s.arg(scheme).arg(settings.relayedLines));
    session.relayMemory();
}

#include "StartupBench.h"

#include "BenchClock.h"
#include "HostProcess.h"
#include "Percentiles.h"

#include <QProcess>
#include <QStandardPaths>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Milestones
{
    QList<double> firstOutputMs;
    QList<double> windowMs;
    QList<double> lobbyMs;
    QList<double> roomOpenMs;
};

double since(const HostProcess &host, qint64 atNs)
{
    return BenchClock::nsToMs(atNs - host.launchedAtNs());
}

// Notes when a top-level window is mapped on the X display. xev reports every map of a child of
// the root window as it happens, so no polling stands between the map and its time.
class WindowWatcher
{
public:
    static bool available()
    {
        return qEnvironmentVariableIsSet("DISPLAY")
            && !QStandardPaths::findExecutable(u"xev"_s).isEmpty();
    }

    WindowWatcher()
    {
        QObject::connect(&m_xev, &QProcess::readyReadStandardOutput, &m_xev, [this] {
            if (m_xev.readAllStandardOutput().contains("MapNotify"))
                m_lastMapAtNs = BenchClock::nowNs();
        });
        m_xev.start(u"xev"_s, {u"-root"_s, u"-event"_s, u"substructure"_s});
        m_xev.waitForStarted(5000);
        BenchClock::pumpFor(300); // xev has selected its events
    }

    ~WindowWatcher()
    {
        m_xev.kill();
        m_xev.waitForFinished(2000);
    }

    // The last map seen at or after the given time; -1 if none.
    qint64 mappedSince(qint64 sinceNs) const
    {
        return m_lastMapAtNs >= sinceNs ? m_lastMapAtNs : -1;
    }

private:
    QProcess m_xev;
    qint64 m_lastMapAtNs = -1;
};

// windows: null when the window's map is not watched.
void timeOneStart(const BenchSettings &settings, HostProcess::FrontEnd frontEnd,
    const WindowWatcher *windows, Milestones &milestones)
{
    HostProcess host(settings.hostProgram);
    if (!host.start(frontEnd))
        return;
    qint64 windowAtNs = -1;
    BenchClock::waitFor(
        [&] {
            if (windows && windowAtNs < 0)
                windowAtNs = windows->mappedSince(host.launchedAtNs());
            // The window front end prints nothing: its lobby packet is the last milestone.
            const bool ready = frontEnd == HostProcess::FrontEnd::Headless
                ? host.isRoomOpen()
                : host.firstLobbyPacketAtNs() >= 0;
            return ready && (!windows || windowAtNs >= 0);
        },
        15000);
    if (host.firstOutputAtNs() >= 0)
        milestones.firstOutputMs << since(host, host.firstOutputAtNs());
    if (windowAtNs >= 0)
        milestones.windowMs << since(host, windowAtNs);
    if (host.firstLobbyPacketAtNs() >= 0)
        milestones.lobbyMs << since(host, host.firstLobbyPacketAtNs());
    if (host.isRoomOpen())
        milestones.roomOpenMs << since(host, host.roomOpenAtNs());
    host.stop();
}

QString medianText(const QList<double> &values, int runs)
{
    if (values.isEmpty())
        return u"n/a"_s;
    return u"%1 ms"_s.arg(median(values), 0, 'f', 1)
        + (values.size() < runs ? u" (%1 of %2 runs)"_s.arg(values.size()).arg(runs) : QString());
}

} // namespace

void runStartupBench(const BenchSettings &settings, ResultTable &table)
{
    const int runs = settings.startupRuns;
    Milestones headless;
    for (int run = 0; run < runs; ++run)
        timeOneStart(settings, HostProcess::FrontEnd::Headless, nullptr, headless);
    const QString note = u"median of %1 launches"_s.arg(runs);
    table.add(u"start-up"_s, u"headless: launch to first console line"_s,
        medianText(headless.firstOutputMs, runs), note);
    table.add(u"start-up"_s, u"headless: launch to room open (lobby confirmed, listening)"_s,
        medianText(headless.roomOpenMs, runs), note);
    if (!settings.window)
        return;

    // On X the window is seen when it is mapped; without a display, offscreen, the first packet to
    // the lobby tells that the event loop runs, which starts right after the window is shown.
    const bool watchWindow = WindowWatcher::available();
    std::unique_ptr<WindowWatcher> windows;
    if (watchWindow)
        windows = std::make_unique<WindowWatcher>();
    else
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Milestones window;
    for (int run = 0; run < runs; ++run)
        timeOneStart(settings, HostProcess::FrontEnd::Window, windows.get(), window);
    if (watchWindow) {
        table.add(u"start-up"_s, u"window: launch to the window mapped on the X display"_s,
            medianText(window.windowMs, runs), note + u", Xvfb"_s);
    }
    table.add(u"start-up"_s, u"window: launch to first lobby packet (event loop running)"_s,
        medianText(window.lobbyMs, runs),
        note + (watchWindow ? u", Xvfb"_s : u", offscreen platform"_s));
}

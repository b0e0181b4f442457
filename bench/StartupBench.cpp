#include "StartupBench.h"

#include "BenchClock.h"
#include "HostProcess.h"
#include "Percentiles.h"

#include <QProcess>
#include <QStandardPaths>

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

// Whether a top-level X window whose name starts with "Vornic Host" exists on the display.
bool hostWindowOnDisplay()
{
    QProcess xwininfo;
    xwininfo.start(u"xwininfo"_s, {u"-root"_s, u"-tree"_s});
    if (!xwininfo.waitForFinished(2000))
        return false;
    return xwininfo.readAllStandardOutput().contains("\"Vornic Host");
}

bool canSeeWindows()
{
    return qEnvironmentVariableIsSet("DISPLAY")
        && !QStandardPaths::findExecutable(u"xwininfo"_s).isEmpty();
}

void timeOneStart(const BenchSettings &settings, HostProcess::FrontEnd frontEnd, bool watchWindow,
    Milestones &milestones)
{
    HostProcess host(settings.hostProgram);
    if (!host.start(frontEnd))
        return;
    qint64 windowAtNs = -1;
    BenchClock::waitFor(
        [&] {
            if (watchWindow && windowAtNs < 0 && hostWindowOnDisplay())
                windowAtNs = BenchClock::nowNs();
            // The window front end prints nothing: its lobby packet is the last milestone.
            const bool ready = frontEnd == HostProcess::FrontEnd::Headless
                ? host.isRoomOpen()
                : host.firstLobbyPacketAtNs() >= 0;
            return ready && (!watchWindow || windowAtNs >= 0);
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
        timeOneStart(settings, HostProcess::FrontEnd::Headless, false, headless);
    const QString note = u"median of %1 launches"_s.arg(runs);
    table.add(u"start-up"_s, u"headless: launch to first console line"_s,
        medianText(headless.firstOutputMs, runs), note);
    table.add(u"start-up"_s, u"headless: launch to room open (lobby confirmed, listening)"_s,
        medianText(headless.roomOpenMs, runs), note);
    if (!settings.window)
        return;

    // On X the window is seen by its title; without a display, offscreen, the first packet to
    // the lobby tells that the event loop runs, which starts right after the window is shown.
    const bool watchWindow = canSeeWindows();
    if (!watchWindow)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Milestones window;
    for (int run = 0; run < runs; ++run)
        timeOneStart(settings, HostProcess::FrontEnd::Window, watchWindow, window);
    if (watchWindow) {
        table.add(u"start-up"_s, u"window: launch to window on the X display"_s,
            medianText(window.windowMs, runs), note + u", Xvfb"_s);
    }
    table.add(u"start-up"_s, u"window: launch to first lobby packet (event loop running)"_s,
        medianText(window.lobbyMs, runs),
        note + (watchWindow ? u", Xvfb"_s : u", offscreen platform"_s));
}

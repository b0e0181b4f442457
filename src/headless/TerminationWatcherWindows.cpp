#include "headless/TerminationWatcher.h"

#include <QMetaObject>

#include <mutex>

#include <windows.h>

namespace {

// The system ends the process this long after a close, log-off or shutdown event at the latest
// (about 5 s for a closing console); the orderly shutdown normally takes well under a second.
constexpr DWORD LongestWaitMs = 4500;

std::mutex g_mutex;
TerminationWatcher *g_watcher = nullptr; // guarded by g_mutex
HANDLE g_shutDown = nullptr; // set once the watcher is gone: the program has shut down

BOOL WINAPI onConsoleEvent(DWORD event)
{
    HANDLE shutDown = nullptr;
    {
        const std::lock_guard lock(g_mutex);
        if (!g_watcher)
            return FALSE;
        // Posting an event is safe from any thread; the signal is emitted in the loop.
        QMetaObject::invokeMethod(
            g_watcher, &TerminationWatcher::terminationRequested, Qt::QueuedConnection);
        shutDown = g_shutDown;
    }
    const bool endsAtReturn
        = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    if (endsAtReturn && shutDown)
        WaitForSingleObject(shutDown, LongestWaitMs);
    return TRUE;
}

} // namespace

struct TerminationWatcher::Platform
{
};

TerminationWatcher::TerminationWatcher(QObject *parent)
    : QObject(parent)
    , m_platform(std::make_unique<Platform>())
{
    const std::lock_guard lock(g_mutex);
    g_watcher = this;
    if (!g_shutDown)
        g_shutDown = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    else
        ResetEvent(g_shutDown);
    SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
}

TerminationWatcher::~TerminationWatcher()
{
    const std::lock_guard lock(g_mutex);
    g_watcher = nullptr;
    // A handler waiting for the shutdown may return now; the handler stays registered (it does
    // nothing without a watcher) so that it never races its own removal.
    if (g_shutDown)
        SetEvent(g_shutDown);
}

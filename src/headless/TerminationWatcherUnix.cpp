#include "headless/TerminationWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_fds[2] = {-1, -1};

void handleSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_fds[0], &byte, 1);
}

} // namespace

struct TerminationWatcher::Platform
{
    std::unique_ptr<QSocketNotifier> notifier;
};

TerminationWatcher::TerminationWatcher(QObject *parent)
    : QObject(parent)
    , m_platform(std::make_unique<Platform>())
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_fds) != 0)
        return;
    m_platform->notifier = std::make_unique<QSocketNotifier>(g_fds[1], QSocketNotifier::Read);
    connect(m_platform->notifier.get(), &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(g_fds[1], &byte, 1) > 0)
            Q_EMIT terminationRequested();
    });
    struct sigaction action = {};
    action.sa_handler = &handleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

TerminationWatcher::~TerminationWatcher()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    m_platform->notifier.reset();
    for (int &fd : g_fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

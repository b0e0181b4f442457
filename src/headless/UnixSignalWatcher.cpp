#include "headless/UnixSignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

int UnixSignalWatcher::s_fds[2] = {-1, -1};

UnixSignalWatcher::UnixSignalWatcher(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_fds) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(s_fds[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(s_fds[1], &byte, 1) > 0)
            Q_EMIT terminationRequested();
    });
    struct sigaction action = {};
    action.sa_handler = &UnixSignalWatcher::handleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    m_notifier.reset();
    for (int &fd : s_fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void UnixSignalWatcher::handleSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(s_fds[0], &byte, 1);
}

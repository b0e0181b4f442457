#include "headless/StandardInput.h"

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

struct StandardInput::Platform
{
    std::unique_ptr<QSocketNotifier> notifier;
};

StandardInput::StandardInput(QObject *parent)
    : QObject(parent)
    , m_platform(std::make_unique<Platform>())
{
}

StandardInput::~StandardInput() = default;

void StandardInput::start()
{
    auto &notifier = m_platform->notifier;
    notifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, [this] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (got <= 0) {
            m_platform->notifier->setEnabled(false);
            Q_EMIT ended();
            return;
        }
        Q_EMIT received(QByteArray(buffer, got));
    });
}

#include "StdinLines.h"

#include <QSocketNotifier>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// A line longer than this is cut; typed commands are short.
constexpr qsizetype MaxLineLength = 64 * 1024;

} // namespace

StdinLines::StdinLines(QObject *parent)
    : QObject(parent)
{
}

bool StdinLines::isTerminal()
{
#ifdef Q_OS_UNIX
    return isatty(STDIN_FILENO) == 1;
#else
    return false;
#endif
}

void StdinLines::start()
{
#ifdef Q_OS_UNIX
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StdinLines::readAvailable);
#else
    QTimer::singleShot(0, this, &StdinLines::ended);
#endif
}

void StdinLines::readAvailable()
{
#ifdef Q_OS_UNIX
    char buffer[4096];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count <= 0) {
        m_notifier->setEnabled(false);
        if (!m_partial.isEmpty())
            Q_EMIT lineRead(QString::fromLocal8Bit(std::exchange(m_partial, {})));
        Q_EMIT ended();
        return;
    }
    m_partial.append(buffer, count);
    qsizetype newline = 0;
    while ((newline = m_partial.indexOf('\n')) >= 0) {
        const QByteArray line = m_partial.first(newline);
        m_partial.remove(0, newline + 1);
        Q_EMIT lineRead(QString::fromLocal8Bit(line));
    }
    if (m_partial.size() > MaxLineLength)
        Q_EMIT lineRead(QString::fromLocal8Bit(std::exchange(m_partial, {})));
#endif
}

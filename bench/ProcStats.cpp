#include "ProcStats.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <unistd.h>

namespace ProcStats {

namespace {

QByteArray readProcFile(qint64 pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1StringView(name)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

qint64 cpuTimeMs(qint64 pid)
{
    const QByteArray stat = readProcFile(pid, "stat");
    // The command name in parentheses may hold blanks; the numbered fields follow its ")".
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(nameEnd + 2).split(' ');
    // fields[0] is field 3 (state); utime and stime are fields 14 and 15.
    if (fields.size() < 13)
        return -1;
    const qint64 ticks = fields[11].toLongLong() + fields[12].toLongLong();
    return ticks * 1000 / sysconf(_SC_CLK_TCK);
}

qint64 statusKb(qint64 pid, const QByteArray &field)
{
    const QByteArray status = readProcFile(pid, "status");
    const QByteArray start = field + ':';
    for (const QByteArray &line : status.split('\n')) {
        if (line.startsWith(start))
            return line.mid(start.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

qint64 residentKb(qint64 pid)
{
    return statusKb(pid, "VmRSS");
}

qint64 ownResidentKb(qint64 pid)
{
    return statusKb(pid, "RssAnon");
}

} // namespace ProcStats

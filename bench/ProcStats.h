#pragma once

#include <QByteArray>
#include <QtGlobal>

// Readings of another process from /proc, as `ps` and `top` take them.
namespace ProcStats {

// User plus system CPU time in milliseconds (/proc/<pid>/stat); -1 when it cannot be read.
qint64 cpuTimeMs(qint64 pid);
// Resident set size in KiB (VmRSS in /proc/<pid>/status); -1 when it cannot be read.
qint64 residentKb(qint64 pid);
// The part of it that is the process's own memory, not mapped files such as shared libraries
// (RssAnon); -1 when it cannot be read.
qint64 ownResidentKb(qint64 pid);

} // namespace ProcStats

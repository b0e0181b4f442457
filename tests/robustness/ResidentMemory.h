#pragma once

#include <QFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// AddressSanitizer keeps freed memory in quarantine (up to 256 MiB), so the resident size says
// nothing about leaks there; LeakSanitizer checks for them instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool residentSizeTellsLeaks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool residentSizeTellsLeaks = false;
#else
constexpr bool residentSizeTellsLeaks = true;
#endif
#else
constexpr bool residentSizeTellsLeaks = true;
#endif

// The process's resident size in bytes from /proc/self/statm (0 where there is none).
inline qint64 residentBytes()
{
#ifndef Q_OS_UNIX
    return 0;
#else
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE) : 0;
#endif
}

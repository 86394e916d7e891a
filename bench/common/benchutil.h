#pragma once

// Small measuring helpers shared by the benchmarks.
#include <QFile>
#include <QString>

#include <ctime>
#include <sys/resource.h>

namespace tarnwell::bench {

// Resident memory of this process in MiB.
inline double rssMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// CPU time (user + system) this process used so far, in seconds.
inline double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace tarnwell::bench

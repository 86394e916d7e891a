#pragma once

// Small measuring helpers shared by the benchmarks.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <vector>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

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

// Idle CPU share in percent: the event loop runs alone for `windows` windows of `ms` each. The
// median is the figure, min and max the spread, which on a shared machine comes mostly from other
// processes evicting our code from the caches between two wake-ups. IDLE_WINDOWS and IDLE_SECONDS
// override the defaults (5 of 10 s).
// Wake-ups per second (voluntary context switches of the main thread) do not depend on the
// machine's load and show what the CPU share is made of: 2 for the lamp alone.
struct IdleShare {
    double median, min, max;
    double wakeUps;
    int windows, seconds;
};

// Voluntary context switches of the main (user-interface) thread so far.
inline long long wakeUps()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("voluntary_ctxt_switches:"))
            return line.mid(24).trimmed().toLongLong();
    return -1;
}

inline IdleShare idleShare(int windows = 5, int seconds = 10)
{
    if (qEnvironmentVariableIntValue("IDLE_WINDOWS") > 0)
        windows = qEnvironmentVariableIntValue("IDLE_WINDOWS");
    if (qEnvironmentVariableIntValue("IDLE_SECONDS") > 0)
        seconds = qEnvironmentVariableIntValue("IDLE_SECONDS");
    std::vector<double> shares;
    const long long wakeUps0 = wakeUps();
    QElapsedTimer all;
    all.start();
    for (int i = 0; i < windows; ++i) {
        const double cpu0 = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTimer::singleShot(seconds * 1000, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        shares.push_back((cpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0) * 100);
    }
    std::sort(shares.begin(), shares.end());
    const double perSecond = double(wakeUps() - wakeUps0) / (double(all.elapsed()) / 1000.0);
    return {shares[shares.size() / 2], shares.front(), shares.back(), perSecond, windows, seconds};
}

// Lets the event loop run for `ms` (start-up or a flood settles) without measuring.
inline void settle(int ms)
{
    QTimer::singleShot(ms, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// A throw-away configuration folder (XDG_CONFIG_HOME for this process, its folder "state" the
// XDG_STATE_HOME of the session logs) whose COM3 points at a pseudo-terminal; the benchmark
// plays the switch at masterFd(). The far end is kept open in raw mode, so the line discipline
// neither echoes nor translates. Create it before the application.
class PtyOnCom3 {
public:
    PtyOnCom3()
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        qputenv("XDG_STATE_HOME", (m_config.path() + QStringLiteral("/state")).toLocal8Bit());
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(m_master);
        unlockpt(m_master);
        m_slave = ::open(ptsname(m_master), O_RDWR | O_NOCTTY);
        termios tio{};
        tcgetattr(m_slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_slave, TCSANOW, &tio);
        QDir().mkpath(m_config.path() + QStringLiteral("/tarnwell/ports"));
        QFile::link(QString::fromLocal8Bit(ptsname(m_master)), m_config.path() + QStringLiteral("/tarnwell/ports/COM3"));
    }
    ~PtyOnCom3()
    {
        ::close(m_slave);
        ::close(m_master);
    }
    PtyOnCom3(const PtyOnCom3 &) = delete;
    PtyOnCom3 &operator=(const PtyOnCom3 &) = delete;

    int masterFd() const { return m_master; }

private:
    QTemporaryDir m_config;
    int m_master = -1;
    int m_slave = -1;
};

} // namespace tarnwell::bench

#pragma once

// Small measuring helpers shared by the benchmarks.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

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

// A throw-away configuration folder (XDG_CONFIG_HOME for this process) whose COM3 points at a
// pseudo-terminal; the benchmark plays the switch at masterFd(). The far end is kept open in raw
// mode, so the line discipline neither echoes nor translates. Create it before the application.
class PtyOnCom3 {
public:
    PtyOnCom3()
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
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

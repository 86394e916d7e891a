#include "serial/lockfiles.h"

#include "base/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwell {

namespace {


bool processAlive(qint64 pid)
{
    return pid > 0 && pid <= std::numeric_limits<pid_t>::max()
           && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

QString processName(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
}

struct LockInfo {
    qint64 pid = 0;           // 0: none could be read
    bool staleQtLock = false; // Qt's form, from this machine, its process gone
};

// The start of a regular file, read without ever waiting: opened non-blocking, and checked again
// once open, so that a FIFO put in its place meanwhile is not read either.
QByteArray readRegularFile(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        bytes.resize(512);
        ssize_t n;
        do
            n = ::read(fd, bytes.data(), size_t(bytes.size()));
        while (n < 0 && errno == EINTR);
        bytes.resize(n > 0 ? qsizetype(n) : 0);
    }
    ::close(fd);
    return bytes;
}

// A UUCP lock holds the owner's PID as text ("%10d\n") or, in the oldest form, as a 4-byte
// binary number; Qt's adds the program's name and the host's on the next lines.
LockInfo parseLock(const QByteArray &bytes)
{
    LockInfo info;
    const QList<QByteArray> lines = bytes.split('\n');
    bool ok = false;
    info.pid = lines.value(0).trimmed().toLongLong(&ok);
    if (!ok && bytes.size() == 4) {
        qint32 binary = 0;
        std::memcpy(&binary, bytes.constData(), 4);
        info.pid = binary;
    } else if (!ok) {
        info.pid = 0;
    }
    // Qt records the executable's name: only a lock that Tarnwell (or this very executable, a
    // test for one) left behind is taken over.
    const QString owner = QString::fromUtf8(lines.value(1));
    info.staleQtLock = lines.size() >= 4 && info.pid > 0 && !processAlive(info.pid)
                       && (owner == u"tarnwell" || owner == QFileInfo(QCoreApplication::applicationFilePath()).fileName())
                       && QString::fromUtf8(lines[2]) == QSysInfo::machineHostName();
    return info;
}

// What other than a regular file stands at a path, in words; empty for a regular file.
QString strangeKind(const QByteArray &path, const struct stat &link)
{
    struct stat st = link;
    if (S_ISLNK(link.st_mode) && ::stat(path.constData(), &st) != 0) {
        const QString target = QFileInfo(QFile::decodeName(path)).symLinkTarget();
        return QStringLiteral("一个指向不存在的 %1 的符号链接").arg(target);
    }
    if (S_ISREG(st.st_mode))
        return {};
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("一个命名管道(FIFO)");
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return QStringLiteral("一个设备文件");
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("一个文件夹");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("一个套接字");
    return QStringLiteral("一个特殊文件");
}

} // namespace

QString LockFiles::busyAdvice()
{
    return QStringLiteral(
        "请先关闭正在使用它的程序(如 minicom、picocom、screen、cutecom)再打开。"
        "USB串口线插上后也常被 ModemManager 或 brltty 占住："
        "用 sudo systemctl stop ModemManager 停止 ModemManager,用 sudo apt remove brltty 卸载 brltty");
}

QStringList LockFiles::defaultDirectories()
{
    return {QStringLiteral("/var/lock"),       QStringLiteral("/run/lock"),
            QStringLiteral("/var/lock/lockdev"), QStringLiteral("/var/spool/locks"),
            QStringLiteral("/var/spool/uucp"), QStringLiteral("/etc/locks"),
            QStringLiteral("/tmp"),            QStringLiteral("/var/tmp")};
}

QStringList LockFiles::fileNames(const QString &device)
{
    QString below = device;
    if (below.startsWith(QLatin1String("/dev/")))
        below = below.mid(5);
    QStringList names{QStringLiteral("LCK..") + QString(below).replace(u'/', u'_'),
                      QStringLiteral("LCK..") + QFileInfo(device).fileName()};
    names.removeDuplicates();
    return names;
}

void LockFiles::check(const QString &device, const QStringList &directories, const QString &portLabel)
{
    const QString failed = QStringLiteral("打开 %1 失败：").arg(portLabel);
    QStringList seen;
    for (const QString &dir : directories) {
        const QString real = QFileInfo(dir).canonicalFilePath();
        if (real.isEmpty() || seen.contains(real))
            continue;
        seen << real;
        for (const QString &name : fileNames(device)) {
            const QString path = real + QLatin1Char('/') + name;
            const QByteArray encoded = QFile::encodeName(path);
            struct stat st {};
            if (::lstat(encoded.constData(), &st) != 0) {
                if (errno == EACCES)
                    throw Error(failed + QStringLiteral(
                        "无权进入锁文件夹 %1,无法检查别的程序是否正在使用这个串口(那里的锁文件看不到)。"
                        "请让管理员放开这个文件夹的权限(例如 sudo chmod o+x %1)后再打开端口").arg(real));
                continue; // no lock of that name
            }
            if (const QString kind = strangeKind(encoded, st); !kind.isEmpty())
                throw Error(failed + QStringLiteral(
                    "锁文件的位置 %1 上是%2,不是锁文件。本程序不读也不删除它：确认它不是别的程序的锁后,"
                    "用 %3 %1 删除它,再打开端口")
                        .arg(path, kind, S_ISDIR(st.st_mode) ? QStringLiteral("sudo rm -r") : QStringLiteral("sudo rm")));
            const LockInfo lock = parseLock(readRegularFile(encoded));
            if (processAlive(lock.pid)) {
                const QString who = processName(lock.pid);
                throw Error(failed + QStringLiteral("串口正被进程 %1%2 占用(锁文件 %3)。%4")
                                .arg(lock.pid)
                                .arg(who.isEmpty() ? QString() : QStringLiteral(" ") + who, path, busyAdvice()));
            }
            if (lock.staleQtLock)
                continue;
            throw Error(failed + QStringLiteral("有锁文件 %1,但%2。本程序不删除别的程序的锁文件："
                                                "确认没有程序在用这个串口后,用 sudo rm %1 删除它,再打开端口")
                            .arg(path, lock.pid > 0 ? QStringLiteral("写它的进程 %1 已不在运行").arg(lock.pid)
                                                    : QStringLiteral("从中看不出是哪个进程写的")));
        }
    }
}

} // namespace tarnwell

// The simulator under a flood of typed text, with nobody reading its output: whatever comes in,
// its memory stays bounded (typeahead beyond its buffer, output nobody reads and bindings beyond
// a port's bound are dropped) and it keeps running. A starting configuration that is no file of
// a listing's size is refused at once, whatever it is.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/ioctl.h>
#include <unistd.h>

class SwitchSimFlood : public QObject {
    Q_OBJECT
private slots:
    void memoryBounded_data();
    void memoryBounded();
    void configRefused_data();
    void configRefused();
};

void SwitchSimFlood::configRefused_data()
{
    QTest::addColumn<QString>("config"); // @ stands for a temporary folder
    QTest::addColumn<QString>("why");
    QTest::newRow("endless device") << "/dev/zero" << "not a regular file";
    QTest::newRow("FIFO nobody writes") << "@/fifo" << "not a regular file";
    QTest::newRow("1 MiB and a byte") << "@/big.cfg" << "larger than 1 MiB";
}

void SwitchSimFlood::configRefused()
{
    QFETCH(QString, config);
    QFETCH(QString, why);
    QTemporaryDir dir;
    config.replace(u'@', dir.path());
    QVERIFY(::mkfifo(qPrintable(dir.filePath("fifo")), 0600) == 0);
    QFile big(dir.filePath("big.cfg"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.write(QByteArray((1 << 20) + 1, '#')) == (1 << 20) + 1);
    big.close();
    QProcess sim;
#ifndef TARNWELL_SANITIZED // the sanitizer's shadow memory needs more address space
    sim.setChildProcessModifier([] {
        const rlimit limit{1ul << 30, 1ul << 30}; // a run away read fails here, not in the machine
        ::setrlimit(RLIMIT_AS, &limit);
    });
#endif
    sim.start(QStringLiteral(TARNWELL_SWITCHSIM), {"--config", config});
    QVERIFY(sim.waitForFinished(20000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QVERIFY(sim.exitCode() != 0);
    const QString err = QString::fromLocal8Bit(sim.readAllStandardError());
    QVERIFY2(err.contains(config + ": " + why), qPrintable(err));
}

void SwitchSimFlood::memoryBounded_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("line"); // %1: a running number
    QTest::addColumn<int>("mib");      // typed in all
    QTest::newRow("help and overlong lines") << "0" << "?" + QString(300, u'x') + "?\r" << 16;
    QTest::newRow("a new binding each line") << "0" << "am user-bind mac-addr 00%1-e212-3456 ip-addr 10.1.1.5\r" << 16;
    QTest::newRow("listings typed ahead at 9600 baud") << "9600" << "dis cu\r  " << 80;
}

void SwitchSimFlood::memoryBounded()
{
#ifdef TARNWELL_SANITIZED
    QSKIP("AddressSanitizer's shadow memory and quarantine count as resident");
#endif
    QFETCH(QString, baud);
    QFETCH(QString, line);
    QFETCH(int, mib);
    QProcess sim;
    sim.start(QStringLiteral(TARNWELL_SWITCHSIM), {"--model", "3600", "--ports", "48", "--baud", baud});
    QVERIFY(sim.waitForReadyRead(30000));
    const int fd = ::open(sim.readLine().trimmed().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    QByteArray flood = "\rsys\rint eth 1/0/7\r";
    for (int n = 0; flood.size() < (mib << 20); ++n)
        flood += (line.contains(u"%1") ? line.arg(n % 0x10000, 4, 16, QLatin1Char('0')) : line).toLatin1();
    for (qsizetype at = 0; at < flood.size();) {
        const ssize_t n = ::write(fd, flood.constData() + at, size_t(std::min<qsizetype>(flood.size() - at, 65536)));
        pollfd p{fd, POLLOUT, 0};
        QVERIFY(n > 0 || (errno == EAGAIN && ::poll(&p, 1, 10000) == 1));
        at += std::max<ssize_t>(n, 0);
    }
    int queued = 1; // until the simulator has read everything
    QVERIFY(QTest::qWaitFor([&] { return ::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued == 0; }, 120000));
    QTest::qWait(500);
    QFile status(QStringLiteral("/proc/%1/status").arg(sim.processId()));
    QVERIFY(status.open(QIODevice::ReadOnly));
    const QByteArray text = status.readAll(); // "VmHWM:	   11936 kB"
    const long peakKiB = text.mid(text.indexOf("VmHWM:") + 6).trimmed().split(' ').front().toLong();
    qInfo("peak memory of the simulator: %ld KiB", peakKiB);
    QVERIFY2(peakKiB > 0 && peakKiB < 64 * 1024, qPrintable(QString::number(peakKiB)));
    QCOMPARE(sim.state(), QProcess::Running); // ended (killed) with the QProcess
    ::close(fd);
}

QTEST_GUILESS_MAIN(SwitchSimFlood)
#include "test_switchsimflood.moc"

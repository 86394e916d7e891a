// tarnwell-report on crafted logs in which many port blocks share one value that has no line
// end after it: the tool finishes normally, within a memory limit a few times the log, and
// its report stays a bounded multiple of the log. On inputs far larger than its memory bound
// (64 MiB), and on a device that never ends, its peak memory stays below that bound.
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>

#include <sys/resource.h>

namespace {

// The peak resident memory of a running process so far, in KiB (the kernel keeps the mark, so
// looking now and then misses only the last moments); -1 when it has ended.
qint64 peakOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace

class TestReportBounds : public QObject {
    Q_OBJECT
private slots:
    void craftedLog_data();
    void craftedLog();
    void largeInput_data();
    void largeInput();
};

void TestReportBounds::craftedLog_data()
{
    QTest::addColumn<QByteArray>("log");
    const QByteArray tail(500 * 1024, 'x');
    QTest::newRow("20000 ports, then one value to the end")
        << QByteArray("interface Ethernet1/0/1\r\n").repeated(20000) + " port access vlan 7" + tail + "#";
    QTest::newRow("one line: port and IP keywords alternate, no line end")
        << " sysname S3600\r\n" + QByteArray("interface Ethernet ip-addr ").repeated(36000) + tail + "#";
    // A binding counts for the nearest port keyword above it, else this gives 20000 x 20000 rows.
    QTest::newRow("20000 ports sharing 20000 bindings")
        << " sysname S3600\r\n" + QByteArray("interface Ethernet1/0/1\r\n").repeated(20000)
               + QByteArray("am user-bind mac-addr ip-addr ").repeated(20000) + tail + "#";
    QTest::newRow("LF line ends")
        << QByteArray("interface Ethernet1/0/1\n").repeated(20000) + " port trunk permit vlan 1" + tail + "#";
}

void TestReportBounds::craftedLog()
{
    QFETCH(QByteArray, log);
    QTemporaryFile in;
    QVERIFY(in.open() && in.write(log) == log.size() && in.flush());

    QProcess tool;
#ifndef TARNWELL_SANITIZED // AddressSanitizer reserves terabytes of address space up front
    tool.setChildProcessModifier([] { // without the bounds it needed gigabytes for a 1 MB log
        const rlimit limit{768u << 20, 768u << 20};
        ::setrlimit(RLIMIT_AS, &limit);
    });
#endif
    tool.start(QStringLiteral(TARNWELL_REPORT_TOOL), {in.fileName()});
    QVERIFY(tool.waitForStarted());
    QByteArray out;
    while (tool.state() != QProcess::NotRunning) {
        tool.waitForReadyRead(1000);
        out += tool.readAllStandardOutput();
        QVERIFY2(out.size() < 40 * log.size(), "the report grows far beyond the log");
    }
    out += tool.readAllStandardOutput();
    QVERIFY(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0);
    const QList<QByteArray> lines = out.split('\n');
    QVERIFY(lines.size() > 20000);
    for (const QByteArray &line : lines)
        QVERIFY(line.size() <= 2 * 256 + 64);
}

void TestReportBounds::largeInput_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("rows");
    // Large enough that holding the input as text, as the tool once did, takes 120 MiB and more.
    constexpr int kCopies = 1 << 18;
    QTest::newRow("NULs") << QString() << QByteArray(24 << 20, '\0') << 0;
    QTest::newRow("bare line feeds") << QString() << QByteArray(24 << 20, '\n') << 0;
    QTest::newRow("a long listing") << QString()
        << QByteArray("interface Ethernet1/0/1\r\n port access vlan 10\r\n"
                      " mac-address static 000f-e212-0001 vlan 10\r\n#\r\n").repeated(kCopies)
        << kCopies;
    QTest::newRow("a session log with one endless line")
        << QString() << "# Tarnwell 1.0.7\n10:00:00.000 >>> dis cu\n10:00:00.001 " + QByteArray(24 << 20, 'x') << 0;
    QTest::newRow("a device that never ends") << "/dev/zero" << QByteArray() << 0;
}

void TestReportBounds::largeInput()
{
#ifdef TARNWELL_SANITIZED
    QSKIP("AddressSanitizer's shadow memory counts as resident");
#endif
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(int, rows);
    QTemporaryFile in;
    if (file.isEmpty()) {
        QVERIFY(in.open() && in.write(content) == content.size() && in.flush());
        file = in.fileName();
        content = QByteArray();
    }
    QProcess tool;
    tool.start(QStringLiteral(TARNWELL_REPORT_TOOL), {file});
    QVERIFY(tool.waitForStarted());
    const qint64 pid = tool.processId();
    qint64 peak = 0;
    int lines = 0;
    // /dev/zero: until the tool has read more than the bound.
    const qint64 enough = file == u"/dev/zero" ? qint64(96) << 20 : -1;
    while (tool.state() != QProcess::NotRunning) {
        tool.waitForReadyRead(100);
        peak = std::max(peak, peakOf(pid));
        lines += tool.readAllStandardOutput().count('\n');
        QFile io(QStringLiteral("/proc/%1/io").arg(pid));
        if (enough > 0 && io.open(QIODevice::ReadOnly)
            && io.readAll().split('\n').value(0).mid(7).toLongLong() > enough)
            tool.kill();
    }
    lines += tool.readAllStandardOutput().count('\n');
    QVERIFY2(peak > 0 && peak < 64 * 1024, QByteArray::number(peak) + " KiB");
    if (enough < 0)
        QCOMPARE(lines, rows + 1);
}

QTEST_GUILESS_MAIN(TestReportBounds)
#include "test_reportbounds.moc"

// tarnwell-report on crafted logs in which many port blocks share one value that has no line
// end after it: the tool finishes normally, within a memory limit a few times the log, and
// its report stays a bounded multiple of the log.
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>

#include <sys/resource.h>

class TestReportBounds : public QObject {
    Q_OBJECT
private slots:
    void craftedLog_data();
    void craftedLog();
};

void TestReportBounds::craftedLog_data()
{
    QTest::addColumn<QByteArray>("log");
    const QByteArray tail(500 * 1024, 'x');
    QTest::newRow("20000 ports, then one value to the end")
        << QByteArray("interface Ethernet1/0/1\r\n").repeated(20000) + " port access vlan 7" + tail + "#";
    QTest::newRow("one line: port and IP keywords alternate, no line end")
        << " sysname S3600\r\n" + QByteArray("interface Ethernet ip-addr ").repeated(36000) + tail + "#";
    QTest::newRow("LF line ends")
        << QByteArray("interface Ethernet1/0/1\n").repeated(20000) + " port trunk permit vlan 1" + tail + "#";
}

void TestReportBounds::craftedLog()
{
    QFETCH(QByteArray, log);
    QTemporaryFile in;
    QVERIFY(in.open() && in.write(log) == log.size() && in.flush());

    QProcess tool;
#ifndef __SANITIZE_ADDRESS__ // AddressSanitizer reserves terabytes of address space up front
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

QTEST_GUILESS_MAIN(TestReportBounds)
#include "tst_reportbounds.moc"

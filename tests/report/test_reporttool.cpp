// Runs the built tarnwell-report as a technician would.


#include "listings.h"
#include "report/bindinfoparser.h"
#include "tarnwell_version.h"

#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

using namespace tarnwell;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// child: run in the tool's process before it starts (limits).
Run runTool(const QStringList &args, const QByteArray &input = QByteArray(), const std::function<void()> &child = {})
{
    QProcess p;
    if (child)
        p.setChildProcessModifier(child);
    p.start(QStringLiteral(TARNWELL_REPORT_TOOL), args);
    if (!p.waitForStarted(30000))
        return {};
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder(text);
}

} // namespace

class TestReportTool : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void report_data();
    void report();
    void commandLine_data();
    void commandLine();
    void fullTemporaryFolder();

private:
    QTemporaryDir m_dir;
    QString m_example;
};

void TestReportTool::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_example = m_dir.filePath(QStringLiteral("example.log"));
    QFile f(m_example);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(gbk(test::workedExample()));
    for (const char *name : {"A", "B"}) {
        QFile backup(m_dir.filePath(QStringLiteral("%1.cfg").arg(name)));
        QVERIFY(backup.open(QIODevice::WriteOnly));
        backup.write(QByteArray("#\r\n sysname ") + name + "\r\n#\r\nreturn\r\n");
    }
}

void TestReportTool::report_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("status");

    const QByteArray example3600 = QStringLiteral(
        "这是个3600，详细信息如下：\r\n"
        "1/0/1\t开启状态\tAccess类型\t10\t000f-e212-3456\t10.1.1.5\t\r\n"
        "1/0/2\t关闭状态\tTrunk类型\t1 10\t无MAC\t无IP\t\r\n"
        "1/0/10\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t\r\n").toUtf8();
    QTest::newRow("file") << QStringList{"@example"} << QByteArray() << example3600 << 0;

    // Without a name line the starting model decides the MAC and IP columns.
    const QString bare = test::crlf({"interface Ethernet1/0/3", " port access vlan 30 办公室",
                                     " am user-bind mac-addr 000f-e212-0003 ip-addr 10.0.0.3", "#"});
    QTest::newRow("default model 3100") << QStringList{} << gbk(bare)
                                        << u"这是个3100，详细信息如下：\r\n1/0/3\t开启状态\tAccess类型\t30 办公室\t无MAC\t无IP\t\r\n"_qs.toUtf8() << 0;
    QTest::newRow("--model 3600") << QStringList{"--model", "3600"} << gbk(bare)
                                  << u"这是个3600，详细信息如下：\r\n1/0/3\t开启状态\tAccess类型\t30 办公室\t000f-e212-0003\t10.0.0.3\t\r\n"_qs.toUtf8() << 0;
    // A log whose line ends were converted to LF reads as the capture it came from.
    QByteArray lfOnly = gbk(test::workedExample());
    lfOnly.replace("\r\n", "\n");
    QTest::newRow("LF-only log") << QStringList{} << lfOnly << example3600 << 0;
    // The name line needs its line end too: a 3100 log converted to LF is still a 3100.
    QByteArray lfOnly3100 = gbk(test::workedExample(" sysname SW3100-A", " mac-address static 000f-e212-3456 vlan 10"));
    lfOnly3100.replace("\r\n", "\n");
    QTest::newRow("LF-only log of a 3100") << QStringList{"--model", "3600"} << lfOnly3100
        << QStringLiteral("这是个3100，详细信息如下：\r\n"
                          "1/0/1\t开启状态\tAccess类型\t10\t000f-e212-3456\t无IP\t\r\n"
                          "1/0/2\t关闭状态\tTrunk类型\t1 10\t无MAC\t无IP\t\r\n"
                          "1/0/10\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t\r\n").toUtf8() << 0;

    // The name line ends at the LF read as CR LF: a 5500 is found by its name alone.
    QTest::newRow("LF-only log of a 5500") << QStringList{} << QByteArray(" sysname SW5500\ninterface Ethernet1/0/1\n#\n")
        << u"这是个5500，详细信息如下：\r\n1/0/1\t开启状态\t其它类型\t无VLAN\t\t\t\r\n"_qs.toUtf8() << 0;

    // Longer than a read block and than the rows held in memory; Chinese text on block borders.
    const QString listing = test::pagedListing(test::configLines(40000, true), 23).join(QString());
    QTest::newRow("long capture") << QStringList{} << gbk(listing)
                                  << formatBindReport(parseBindInfo(listing, SwitchModel::S3100)).toUtf8() << 0;

    // Invalid and four-byte GBK sequences inside a VLAN value, read as in one piece: 85 bytes a
    // block, so the ends of the 64 KiB read blocks fall on 32 successive bytes of the block.
    const QByteArray odd = QByteArray("\x81\x32" "a\x81\x30\x81\x30\xff").repeated(4)
                           + "\r\n#\r\ninterface Ethernet1/0/1\r\n port access vlan 55555";
    const QByteArray oddCapture = odd.repeated((2 << 20) / odd.size());
    QTest::newRow("invalid GBK across read blocks") << QStringList{} << oddCapture
        << formatBindReport(parseBindInfo(QStringDecoder("GB18030")(oddCapture), SwitchModel::S3100)).toUtf8() << 0;

    // Session logs: time prefixes, events and sent lines left out, "+++" parts joined, caret
    // notation read back (^M is a line end for a value), a listing ended by the next sent line
    // other than a space or a bare Enter (both page on).
    const QByteArray log = "# Tarnwell 1.0.7 COM1 /dev/ttyUSB0 9600,n,8,1\n"
        "10:00:00.000 <SW>\n10:00:01.000 >>> dis cu\n10:00:01.010 +++ dis cu\n"
        "10:00:01.020  sysname SW3600\n10:00:01.030 interface Ethernet1/0/\n10:00:01.100 +++ 1\n"
        "10:00:01.040  port access vlan 7^Mx\n10:00:01.050  am user-bind mac-addr 000f-e212-0001\n"
        "10:00:01.060   ---- More ----\n10:00:02.000 >>> <space>\n10:00:02.001 === 日志已满\n"
        "10:00:02.010 +++ ^[[16D am user-bind mac-addr 000f-e212-0002 ip-addr 10.0.0.2\n"
        "10:00:02.020 #\n10:00:02.030 <SW3600>\n10:00:03.000 >>> disp current-conf\n"
        "10:00:03.010 interface Ethernet1/0/2\n10:00:03.015 >>> \n10:00:03.020 #\n10:00:04.000 >>> sys\n"
        "10:00:04.010 interface Ethernet1/0/9\n10:00:04.020 #";
    const QByteArray first = u"这是个3600，详细信息如下：\r\n"
        "1/0/1\t开启状态\tAccess类型\t7\t000f-e212-0001\t10.0.0.2\t\r\n"
        "1/0/1\t开启状态\tAccess类型\t7\t000f-e212-0002\t10.0.0.2\t\r\n"_qs.toUtf8();
    // The second listing has no name line: it keeps the model the first one found.
    const QByteArray second = u"这是个3600，详细信息如下：\r\n1/0/2\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t\r\n"_qs.toUtf8();
    QTest::newRow("log: the last listing") << QStringList{"-"} << log << second << 0;
    QTest::newRow("log --all: a blank line between") << QStringList{"--all"} << log << first + "\r\n" + second << 0;
    QTest::newRow("log without a listing") << QStringList{} << log.left(log.indexOf(">>>")) << QByteArray() << 1;
}

void TestReportTool::report()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QFETCH(int, status);
    args.replaceInStrings(u"@example"_qs, m_example);
    const Run r = runTool(args, input);
    QCOMPARE(r.err.isEmpty(), status == 0);
    QCOMPARE(r.exitCode, status);
    QCOMPARE(r.out, expected);
}

void TestReportTool::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out"); // how standard output starts; empty: nothing written
    QTest::addColumn<QString>("err");    // how standard error starts; empty: nothing written

    const QByteArray usage = u"用法: tarnwell-report [--model 型号] [--all] [文件]\n"_qs.toUtf8();
    const QByteArray version = QByteArray("tarnwell-report ") + tarnwell::version::kVersion + "\n";
    const QString badModel = u"tarnwell-report: 未知型号 \"%1\"(可用 3100、3600、5500、9512)\n"_qs;
    const QString badOption = u"tarnwell-report: 未知选项 \"%1\"(用 --help 查看用法)\n"_qs;
    const QByteArray empty3100 = u"这是个3100，详细信息如下：\r\n"_qs.toUtf8();
    const QByteArray empty9512 = u"这是个9512，详细信息如下：\r\n"_qs.toUtf8();
    QTest::newRow("--help") << QStringList{"--help"} << 0 << usage << QString();
    QTest::newRow("-h after a model") << QStringList{"--model", "5500", "-h"} << 0 << usage << QString();
    QTest::newRow("--version") << QStringList{"--version", "--help"} << 0 << version << QString();
    QTest::newRow("help before a bad model") << QStringList{"--help", "--model", "1"} << 0 << usage << QString();
    QTest::newRow("bad model before help") << QStringList{"--model", "1", "--help"} << 2 << QByteArray() << badModel.arg("1");
    QTest::newRow("--model=") << QStringList{"--model="} << 2 << QByteArray() << badModel.arg("");
    QTest::newRow("last --model counts") << QStringList{"--model", "3600", "--model=9512"} << 0 << empty9512 << QString();
    QTest::newRow("--model takes the next word") << QStringList{"--model", "--all"} << 2 << QByteArray() << badModel.arg("--all");
    QTest::newRow("--model without a value") << QStringList{"-", "--model"} << 2 << QByteArray()
                                             << u"tarnwell-report: --model 缺少型号\n"_qs;
    QTest::newRow("unknown option") << QStringList{"--model", "3600", "--colour"} << 2 << QByteArray() << badOption.arg("--colour");
    QTest::newRow("a value to a flag") << QStringList{"--all=yes"} << 2 << QByteArray() << badOption.arg("--all=yes");
    QTest::newRow("joined short options") << QStringList{"-hh"} << 2 << QByteArray() << badOption.arg("-hh");
    QTest::newRow("after --, a file") << QStringList{"--", "--help"} << 2 << QByteArray()
                                      << u"tarnwell-report: 无法读取文件 \"--help\": "_qs;
    QTest::newRow("a directory") << QStringList{"@dir"} << 2 << QByteArray() << u"tarnwell-report: \"@dir\" 是目录, 不是文件\n"_qs;
    QTest::newRow("two files") << QStringList{"-", "-"} << 2 << QByteArray() << u"tarnwell-report: 只能给一个文件\n"_qs;
    QTest::newRow("- is standard input") << QStringList{"--all", "-"} << 0 << empty3100 << QString();
    QTest::newRow("--diff of two backups: status 1")
        << QStringList{"--diff", "@dir/A.cfg", "@dir/B.cfg"} << 1
        << QByteArray("--- @dir/A.cfg\n+++ @dir/B.cfg\n@@ -1,4 +1,4 @@\n #\n- sysname A\n+ sysname B\n #\n return\n") << QString();
    QTest::newRow("--diff of equal files: status 0, nothing")
        << QStringList{"--diff", "@dir/A.cfg", "@dir/A.cfg"} << 0 << QByteArray() << QString();
    QTest::newRow("--diff of one file") << QStringList{"--diff", "@dir/A.cfg"} << 2 << QByteArray()
                                        << u"tarnwell-report: --diff 需要两个文件\n"_qs;
    QTest::newRow("--diff of a directory") << QStringList{"--diff", "@dir/A.cfg", "@dir"} << 2 << QByteArray()
                                           << u"tarnwell-report: \"@dir\" 是目录, 不是文件\n"_qs;
}

void TestReportTool::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    args.replaceInStrings(u"@dir"_qs, m_dir.path());
    err.replace(u"@dir"_qs, m_dir.path());
    out.replace("@dir", m_dir.path().toUtf8());
    const Run r = runTool(args);
    QCOMPARE(r.exitCode, status);
    QCOMPARE(r.out.left(out.size()), out);
    QCOMPARE(r.out.isEmpty(), out.isEmpty());
    QCOMPARE(QString::fromUtf8(r.err.left(err.toUtf8().size())), err);
    QCOMPARE(r.err.isEmpty(), err.isEmpty());
}

// Rows beyond what is held in memory go to a temporary file; when it cannot grow (a full disk,
// here a file size limit) the message carries the system's reason.
void TestReportTool::fullTemporaryFolder()
{
    const QString listing = test::pagedListing(test::configLines(40000, true), 23).join(QString());
    const Run r = runTool({}, gbk(listing), [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1 << 20, 1 << 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    QCOMPARE(r.exitCode, 2);
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.startsWith(u"tarnwell-report: ") && err.contains(QString::fromLocal8Bit(std::strerror(EFBIG))),
             qPrintable(err));
}

QTEST_GUILESS_MAIN(TestReportTool)
#include "test_reporttool.moc"

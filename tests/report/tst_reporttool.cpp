// Runs the built tarnwell-report as a technician would.

#include "report/bindinfoparser.h"

#include "listings.h"

#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwell;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runTool(const QStringList &args, const QByteArray &input = QByteArray())
{
    QProcess p;
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
    void usageErrors_data();
    void usageErrors();
    void help();

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
}

void TestReportTool::report_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray example3600 = QStringLiteral(
        "这是个3600，详细信息如下：\r\n"
        "1/0/1\t开启状态\tAccess类型\t10\t000f-e212-3456\t10.1.1.5\t\r\n"
        "1/0/2\t关闭状态\tTrunk类型\t1 10\t无MAC\t无IP\t\r\n"
        "1/0/10\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t\r\n").toUtf8();
    QTest::newRow("file") << QStringList{"@example"} << QByteArray() << example3600;
    QTest::newRow("standard input") << QStringList{} << gbk(test::workedExample()) << example3600;
    QTest::newRow("dash is standard input")
        << QStringList{"--model", "5500", "-"} << gbk(test::workedExample()) << example3600;

    // Without a name line the starting model decides the MAC and IP columns.
    const QString bare = test::crlf({"interface Ethernet1/0/3", " port access vlan 30 办公室",
                                     " am user-bind mac-addr 000f-e212-0003 ip-addr 10.0.0.3", "#"});
    QTest::newRow("default model 3100") << QStringList{} << gbk(bare)
                                        << u"这是个3100，详细信息如下：\r\n1/0/3\t开启状态\tAccess类型\t30 办公室\t无MAC\t无IP\t\r\n"_qs.toUtf8();
    QTest::newRow("--model 3600") << QStringList{"--model", "3600"} << gbk(bare)
                                  << u"这是个3600，详细信息如下：\r\n1/0/3\t开启状态\tAccess类型\t30 办公室\t000f-e212-0003\t10.0.0.3\t\r\n"_qs.toUtf8();
    QTest::newRow("--model=9512") << QStringList{"--model=9512"} << gbk(bare)
                                  << u"这是个9512，详细信息如下：\r\n1/0/3\t开启状态\tAccess类型\t30 办公室\t\t\t\r\n"_qs.toUtf8();
    QTest::newRow("invalid byte becomes U+FFFD")
        << QStringList{} << QByteArray("interface Ethernet1/0/1\r\n port access vlan 7\xff\r\n#")
        << u"这是个3100，详细信息如下：\r\n1/0/1\t开启状态\tAccess类型\t7\uFFFD\t无MAC\t无IP\t\r\n"_qs.toUtf8();
    // A log whose line ends were converted to LF reads as the capture it came from.
    QByteArray lfOnly = gbk(test::workedExample());
    lfOnly.replace("\r\n", "\n");
    QTest::newRow("LF-only log") << QStringList{} << lfOnly << example3600;
    // Partly converted logs: every bare LF reads as CR LF.
    QByteArray lfWithOneCrLf = lfOnly;
    lfWithOneCrLf.replace("vlan 10\n", "vlan 10\r\n");
    QTest::newRow("LF log with one CR LF line") << QStringList{} << lfWithOneCrLf << example3600;
    QByteArray crLfWithOneLf = gbk(test::workedExample());
    crLfWithOneLf.replace("vlan 10\r\n", "vlan 10\n");
    QTest::newRow("CR LF log with one LF line") << QStringList{} << crLfWithOneLf << example3600;
    // A lone CR stays: it ends the IP value, and it is one of the 14 MAC characters.
    QByteArray loneCr = lfOnly;
    loneCr.replace("000f-e212-3456 ip-addr 10.1.1.5\n", "000f-e212\r3456 ip-addr 10.1.1.5\rold\n");
    QTest::newRow("lone CR stays")
        << QStringList{} << loneCr
        << QStringLiteral(
               "这是个3600，详细信息如下：\r\n"
               "1/0/1\t开启状态\tAccess类型\t10\t000f-e2123456\t10.1.1.5\t\r\n"
               "1/0/2\t关闭状态\tTrunk类型\t1 10\t无MAC\t无IP\t\r\n"
               "1/0/10\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t\r\n").toUtf8();
    QTest::newRow("empty input: header alone") << QStringList{} << QByteArray()
                                               << u"这是个3100，详细信息如下：\r\n"_qs.toUtf8();

    // A longer paged capture gives what the report box would hold for the same text.
    const QStringList lines = test::configLines(48, true);
    const QString capture = test::pagedListing(lines, 23).join(QString());
    QTest::newRow("48-port paged capture")
        << QStringList{} << gbk(capture) << FormatBindReport(ParseBindInfo(capture, "3100")).toUtf8();
}

void TestReportTool::report()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    args.replaceInStrings(u"@example"_qs, m_example);
    const Run r = runTool(args, input);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, expected);
}

void TestReportTool::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("missing file") << QStringList{"@dir/none.log"};
    QTest::newRow("directory") << QStringList{"@dir"};
    QTest::newRow("unknown option") << QStringList{"--verbose", "@example"};
    QTest::newRow("unknown short option") << QStringList{"-m", "3600"};
    QTest::newRow("--model without a value") << QStringList{"@example", "--model"};
    QTest::newRow("unknown model") << QStringList{"--model", "3700", "@example"};
    QTest::newRow("two files") << QStringList{"@example", "@example"};
}

void TestReportTool::usageErrors()
{
    QFETCH(QStringList, args);
    args.replaceInStrings(u"@example"_qs, m_example);
    args.replaceInStrings(u"@dir"_qs, m_dir.path());
    const Run r = runTool(args, gbk(test::workedExample()));
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QByteArray());
    QVERIFY(r.err.startsWith("tarnwell-report: "));
    QVERIFY2(r.err.endsWith('\n') && r.err.count('\n') == 1, r.err.constData());
}

void TestReportTool::help()
{
    const Run r = runTool({"--help"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(QString::fromUtf8(r.out).contains(u"--model"_qs));
}

QTEST_GUILESS_MAIN(TestReportTool)
#include "tst_reporttool.moc"

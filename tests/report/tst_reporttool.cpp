// Runs the built tarnwell-report as a technician would.


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

    // Without a name line the starting model decides the MAC and IP columns.
    const QString bare = test::crlf({"interface Ethernet1/0/3", " port access vlan 30 办公室",
                                     " am user-bind mac-addr 000f-e212-0003 ip-addr 10.0.0.3", "#"});
    QTest::newRow("default model 3100") << QStringList{} << gbk(bare)
                                        << u"这是个3100，详细信息如下：\r\n1/0/3\t开启状态\tAccess类型\t30 办公室\t无MAC\t无IP\t\r\n"_qs.toUtf8();
    QTest::newRow("--model 3600") << QStringList{"--model", "3600"} << gbk(bare)
                                  << u"这是个3600，详细信息如下：\r\n1/0/3\t开启状态\tAccess类型\t30 办公室\t000f-e212-0003\t10.0.0.3\t\r\n"_qs.toUtf8();
    // A log whose line ends were converted to LF reads as the capture it came from.
    QByteArray lfOnly = gbk(test::workedExample());
    lfOnly.replace("\r\n", "\n");
    QTest::newRow("LF-only log") << QStringList{} << lfOnly << example3600;
    // The name line needs its line end too: a 3100 log converted to LF is still a 3100.
    QByteArray lfOnly3100 = gbk(test::workedExample(" sysname SW3100-A", " mac-address static 000f-e212-3456 vlan 10"));
    lfOnly3100.replace("\r\n", "\n");
    QTest::newRow("LF-only log of a 3100") << QStringList{"--model", "3600"} << lfOnly3100
        << QStringLiteral("这是个3100，详细信息如下：\r\n"
                          "1/0/1\t开启状态\tAccess类型\t10\t000f-e212-3456\t无IP\t\r\n"
                          "1/0/2\t关闭状态\tTrunk类型\t1 10\t无MAC\t无IP\t\r\n"
                          "1/0/10\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t\r\n").toUtf8();
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

QTEST_GUILESS_MAIN(TestReportTool)
#include "tst_reporttool.moc"

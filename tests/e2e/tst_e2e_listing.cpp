// A 48-port switch's listing through the real capture: nine paging spaces show ten screens of
// 24 lines; a longer listing is paged on to its end.

#include "simbench.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwell;
using tarnwell::test::SimBench;

namespace {

// A starting configuration in which every port carries `extra` more lines than a bare port, so
// the listing grows by 48 * extra lines. Port 2 is bound; the descriptions are Chinese (GBK).
QByteArray longConfig(int extra)
{
    const QStringList lines{u" description 财务部-%1"_qs, u" broadcast-suppression 20"_qs,
                            u" loopback-detection enable"_qs, u" stp edged-port enable"_qs,
                            u" qos priority 3"_qs};
    QString text = u"#\r\n sysname SW3100-A\r\n#\r\nvlan 10\r\n#\r\n"_qs;
    for (int p = 1; p <= 48; ++p) {
        text += u"interface Ethernet1/0/%1\r\n"_qs.arg(p);
        for (int i = 0; i < extra; ++i)
            text += (i == 0 ? lines.at(0).arg(p) : lines.at(i % lines.size())) + u"\r\n"_qs;
        if (p == 2)
            text += u" port access vlan 10\r\n mac-address static 000f-e212-0002 vlan 10\r\n"_qs;
        text += u"#\r\n"_qs;
    }
    text += u"return\r\n"_qs;
    QStringEncoder gbk("GBK");
    return gbk(text);
}

QStringList portNames(int first, int last)
{
    QStringList names;
    for (int p = first; p <= last; ++p)
        names << u"1/0/%1"_qs.arg(p);
    return names;
}

} // namespace

class TestE2eListing : public QObject {
    Q_OBJECT
private slots:
    void fortyEightPorts_data();
    void fortyEightPorts();
};

void TestE2eListing::fortyEightPorts_data()
{
    QTest::addColumn<int>("extraLines"); // per port; -1: the simulator's own configuration
    QTest::addColumn<int>("lastPort");   // the last port in the report
    QTest::addColumn<QString>("lastRow");
    QTest::addColumn<bool>("fits");      // the listing ended within the nine spaces

    // About six screens: the last spaces arrive at the prompt and change nothing.
    QTest::newRow("fits in ten screens")
        << -1 << 48 << u"1/0/48\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t"_qs << true;
    // 7 lines per port after 16 lines of head: about fifteen screens, paged to the end.
    QTest::newRow("needs more than ten screens")
        << 5 << 48 << u"1/0/48\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t"_qs << false;
}

void TestE2eListing::fortyEightPorts()
{
    QFETCH(int, extraLines);
    QFETCH(int, lastPort);
    QFETCH(QString, lastRow);
    QFETCH(bool, fits);

    QTemporaryDir dir;
    QStringList arguments{"--ports", "48"};
    if (extraLines >= 0) {
        QFile config(dir.filePath("start.cfg"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        QVERIFY(config.write(longConfig(extraLines)) > 0);
        config.close();
        arguments << "--config" << config.fileName();
    }

    SimBench t;
    QString error;
    QVERIFY2(t.start(arguments, error), qPrintable(error));
    FrmMain &w = t.w();
    const qsizetype from = t.typeLine(QString());
    QVERIFY2(t.waitForText(u"<SW3100-A>"_qs, from), qPrintable(t.since(from)));

    const QString report = t.capture();
    QVERIFY(report.startsWith(u"这是个3100，详细信息如下：\r\n"_qs));
    QCOMPARE(test::reportPorts(report), portNames(1, lastPort));
    QCOMPARE(test::reportRow(report, u"1/0/%1"_qs.arg(lastPort)), lastRow);

    const QString listing = w.terminal().text();
    const qsizetype screens = listing.count(u"  ---- More ----"_qs);
    QVERIFY2(listing.contains(u"\r\nreturn\r\n<SW3100-A>"_qs), qPrintable(listing.right(300)));
    QCOMPARE(screens < 10, fits);
    QCOMPARE(t.boxes.texts(), QStringList());
    if (!fits) {
        QCOMPARE(test::reportRow(report, "1/0/2"), u"1/0/2\t开启状态\tAccess类型\t10\t000f-e212-0002\t无IP\t"_qs);
        QVERIFY(listing.contains(u"description 财务部-32\r\n"_qs)); // GBK decoded on the way in
    }

    bool ok = false;
    QCOMPARE(test::runReportTool(listing, {}, ok), w.reportText().toUtf8());
    QVERIFY(ok);
}

QTEST_MAIN(TestE2eListing)
#include "tst_e2e_listing.moc"

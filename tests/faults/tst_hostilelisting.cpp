// Listings that a confused or hostile far end might print, turned into the report: whatever the
// cells hold, the report keeps its shape for the spreadsheet it is pasted into. The header line
// with the model comes first, and every port line has exactly six tabs (a tab inside a cell is
// shown as a blank) and ends in CR LF.
#include "report/bindinfoparser.h"

#include <QStringDecoder>
#include <QTest>

using namespace tarnwell;

class TestHostileListing : public QObject {
    Q_OBJECT
private slots:
    void reportKeepsItsShape_data();
    void reportKeepsItsShape();
};

void TestHostileListing::reportKeepsItsShape_data()
{
    QTest::addColumn<QByteArray>("bytes"); // as received, decoded like the serial layer does
    QTest::addColumn<QStringList>("rows"); // the port lines expected, without their CR LF

    QTest::newRow("tab in the port name and the VLAN")
        << QByteArray("sysname SW3100\r\ninterface Ethernet1/0/4\tport access vlan\t9\r\n#\r\n")
        << QStringList{"1/0/4 \t开启状态\tAccess类型\t9\t无MAC\t无IP\t"};
    QTest::newRow("tab in an IP value")
        << QByteArray(" sysname SW3600\r\ninterface Ethernet1/0/1\r\n am user-bind mac-addr 000f-e212-0001"
                      " ip-addr 10.0.0.1\tx\r\n#\r\n")
        << QStringList{"1/0/1\t开启状态\t其它类型\t无VLAN\t000f-e212-0001\t10.0.0.1 x\t"};
    QTest::newRow("invalid GBK and escapes in the values")
        << QByteArray("interface Ethernet\xff\x1b[2J\r\n port access vlan \x81\r\n#\r\n")
        << QStringList{QString::fromUtf16(u"\uFFFD\x1b[2J\t开启状态\tAccess类型\t\uFFFD\t无MAC\t无IP\t")};
    QTest::newRow("lone CR and LF inside a value")
        << QByteArray("interface Ethernet1/0/2\r\n port trunk permit vlan 1\n2\r\n#")
        << QStringList{"1/0/2\t开启状态\t其它类型\t1\t无MAC\t无IP\t"};
}

void TestHostileListing::reportKeepsItsShape()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, rows);

    QStringDecoder gb18030("GB18030");
    const QString text = gb18030.decode(bytes);
    const BindInfoResult result = ParseBindInfo(text, QStringLiteral("3100"));
    const QString report = FormatBindReport(result);
    QStringList lines = report.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.first(), QStringLiteral("这是个%1，详细信息如下：").arg(result.switchModel));
    QCOMPARE(lines.last(), QString());
    lines = lines.mid(1, lines.size() - 2);
    QCOMPARE(lines, rows);
    for (const QString &line : lines) {
        QCOMPARE(line.count(u'\t'), 6);
        QVERIFY(!line.contains(u'\r') && !line.contains(u'\n'));
    }
}

QTEST_GUILESS_MAIN(TestHostileListing)
#include "tst_hostilelisting.moc"

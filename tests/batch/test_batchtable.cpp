// The rows of a pasted table: cell separators, the header, MAC forms, the marks and their
// reasons; and what the listing taken after a batch says about each row.
#include "batch/batchtable.h"
#include "batch/batchverify.h"

#include <QTest>

using namespace tarnwell;

class TestBatchTable : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void verify_data();
    void verify();
};

void TestBatchTable::parse_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<bool>("needsIp");
    QTest::addColumn<bool>("header");
    // Each row as "port|vlan|mac|ip|problem".
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("spreadsheet with header, CR LF, trailing empty cells")
        << u"端口\tVLAN\tMAC地址\r\n5\t10\t00:0F:E2:AA:00:08\t\r\n1/0/6\t10\t000F.E2AA.0009\r\n"_qs << false << true
        << QStringList{u"5|10|000f-e2aa-0008||"_qs, u"6|10|000f-e2aa-0009||"_qs};
    QTest::newRow("blank-separated, English header, 3600 with IP")
        << u"Port  VLAN   MAC            IP\n  Ethernet1/0/48   20  000fe2aa0010  10.1.1.48\n\n"_qs << true << true
        << QStringList{u"48|20|000f-e2aa-0010|10.1.1.48|"_qs};
    QTest::newRow("no header: first row is data")
        << u"7\t30\t000f-e2aa-0001"_qs << false << false << QStringList{u"7|30|000f-e2aa-0001||"_qs};
    QTest::newRow("each fault marked with its reason")
        << u"49\t10\t000f-e2aa-0001\n5\t4095\t000f-e2aa-0001\n5\t10\t000f-e2aa-001\n5\t10\n5\t10\t000f-e2aa-0001\tx\ty\n"_qs
        << false << false
        << QStringList{u"49|10|000f-e2aa-0001||端口号不对（1-48）：49"_qs, u"5|4095|000f-e2aa-0001||VLAN不对（1-4094）：4095"_qs,
                       u"5|10|000f-e2aa-001||MAC地址不对：000f-e2aa-001"_qs, u"5|10|||少了列：要端口、VLAN、MAC三列"_qs,
                       u"5|10|000f-e2aa-0001|x|多了列：只要端口、VLAN、MAC"_qs};
    QTest::newRow("3600: IP missing or wrong")
        << u"5\t10\t000f-e2aa-0001\n6\t10\t000f-e2aa-0002\t10.1.1.256\n"_qs << true << false
        << QStringList{u"5|10|000f-e2aa-0001||少了列：要端口、VLAN、MAC、IP四列"_qs,
                       u"6|10|000f-e2aa-0002|10.1.1.256|IP地址不对：10.1.1.256"_qs};
    QTest::newRow("3100 ignores an IP column; a repeated row is marked")
        << u"5\t10\t000f-e2aa-0001\t10.1.1.5\n1/0/5\t10\t000F-E2AA-0001\n5\t10\t000f-e2aa-0002\n"_qs << false << false
        << QStringList{u"5|10|000f-e2aa-0001|10.1.1.5|"_qs, u"5|10|000f-e2aa-0001||与第1行重复"_qs,
                       u"5|10|000f-e2aa-0002||"_qs};
    QTest::newRow("a header-like row after data is a bad row")
        << u"5\t10\t000f-e2aa-0001\nport\tvlan\tmac\n"_qs << false << false
        << QStringList{u"5|10|000f-e2aa-0001||"_qs, u"port|vlan|mac||端口号不对（1-48）：port"_qs};
}

void TestBatchTable::parse()
{
    QFETCH(QString, pasted);
    QFETCH(bool, needsIp);
    QFETCH(bool, header);
    QFETCH(QStringList, rows);
    const BatchTable table = BatchTable::parse(pasted, needsIp);
    QStringList got;
    for (const BatchRow &r : table.rows)
        got << (r.cells() << r.problem).join(u'|');
    QCOMPARE(got, rows);
    QCOMPARE(table.headerSkipped, header);
    QCOMPARE(table.sendable(), std::none_of(rows.begin(), rows.end(), [](const QString &r) { return !r.endsWith(u'|'); }));
}

void TestBatchTable::verify_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("bind");
    QTest::addColumn<QString>("row");     // port|vlan|mac|ip
    QTest::addColumn<QStringList>("table"); // the listing's rows: port|state|type|vlan|mac|ip
    QTest::addColumn<QString>("difference");

    const QString on = u"开启状态|Access类型"_qs, off = u"关闭状态|Access类型"_qs;
    QTest::newRow("3100 bound as asked") << "3100" << true << "5|10|000f-e2aa-0001|"
                                         << QStringList{"1/0/5|" + on + "|10|000f-e2aa-0001|无IP"} << "";
    QTest::newRow("3100 another of several MACs") << "3100" << true << "5|10|000f-e2aa-0002|"
                                                  << QStringList{"1/0/5|" + on + "|10|000f-e2aa-0001|无IP",
                                                                 "1/0/5|" + on + "|10|000f-e2aa-0002|无IP"}
                                                  << "";
    QTest::newRow("wrong VLAN, MAC missing, port shut")
        << "3100" << true << "5|10|000f-e2aa-0001|" << QStringList{"1/0/5|" + off + "|20|000f-e2aa-0009|无IP"}
        << u"端口是关闭状态；VLAN是20，不是10；没有绑定MAC 000f-e2aa-0001（绑定的是 000f-e2aa-0009）"_qs;
    QTest::newRow("VLAN 1 is not listed") << "3100" << true << "5|1|000f-e2aa-0001|"
                                          << QStringList{"1/0/5|" + on + "|无VLAN|000f-e2aa-0001|无IP"} << "";
    QTest::newRow("port absent") << "3100" << true << "48|10|000f-e2aa-0001|"
                                 << QStringList{"1/0/5|" + on + "|10|000f-e2aa-0001|无IP"} << u"列表中没有端口1/0/48"_qs;
    QTest::newRow("3600 IP differs") << "3600" << true << "5|10|000f-e2aa-0001|10.1.1.5"
                                     << QStringList{"1/0/5|" + on + "|10|000f-e2aa-0001|10.1.1.6"}
                                     << u"MAC 000f-e2aa-0001 绑定的IP是10.1.1.6，不是10.1.1.5"_qs;
    QTest::newRow("3600 nothing bound") << "3600" << true << "5|10|000f-e2aa-0001|10.1.1.5"
                                        << QStringList{"1/0/5|" + on + "|10|无MAC|无IP"}
                                        << u"没有绑定MAC 000f-e2aa-0001（端口没有绑定MAC）"_qs;
    QTest::newRow("unbound as asked") << "3100" << false << "5|10|000f-e2aa-0001|"
                                      << QStringList{"1/0/5|" + off + "|无VLAN|无MAC|无IP"} << "";
    QTest::newRow("unbind left everything")
        << "3600" << false << "5|10|000f-e2aa-0001|10.1.1.5" << QStringList{"1/0/5|" + on + "|10|000f-e2aa-0001|10.1.1.5"}
        << u"端口仍是开启状态；端口仍在VLAN 10；MAC 000f-e2aa-0001 仍绑定在端口上"_qs;
}

void TestBatchTable::verify()
{
    QFETCH(QString, model);
    QFETCH(bool, bind);
    QFETCH(QString, row);
    QFETCH(QStringList, table);
    QFETCH(QString, difference);
    const QStringList v = row.split(u'|');
    BatchRow r;
    r.port = v[0], r.vlan = v[1], r.mac = v[2], r.ip = v[3];
    BindInfoTable rows;
    for (const QString &t : table) {
        const QStringList c = t.split(u'|');
        rows << BindInfoRow{c[0], c[1], c[2], c[3], c[4], c[5]};
    }
    QCOMPARE(batchRowDifference(r, bind, rows, switchModelFromText(model)), difference);
}

QTEST_APPLESS_MAIN(TestBatchTable)
#include "test_batchtable.moc"

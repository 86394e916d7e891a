#include "report/bindinfoparser.h"

#include "listings.h"

#include <QTest>

using namespace tarnwell;
using tarnwell::test::crlf;

Q_DECLARE_METATYPE(tarnwell::ModelButton)
Q_DECLARE_METATYPE(tarnwell::SwitchModel)

namespace {

// The table as one string per row, cells joined by a vertical bar (blank rows included).
QStringList rowsOf(const BindInfoTable &table)
{
    QStringList rows;
    for (const BindInfoRow &row : table) {
        const auto cells = row.cells();
        rows << QStringList(cells.begin(), cells.end()).join(u'|');
    }
    return rows;
}

} // namespace

class TestBindInfoParser : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void reportText_data();
    void reportText();
    void modelText_data();
    void modelText();
};

void TestBindInfoParser::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("model");
    QTest::addColumn<ModelButton>("button");
    QTest::addColumn<QStringList>("rows");

    const QString port1 = crlf({"interface Ethernet1/0/1", " port access vlan 5", "#"});
    const QString row1In3100 = "1/0/1|开启状态|Access类型|5|无MAC|无IP";

    // The model before the call does not matter when the listing names one.
    QTest::newRow("worked example, 3600") << test::workedExample() << "3100" << "3600" << ModelButton::Sw3600
                          << QStringList{
                                 "1/0/1|开启状态|Access类型|10|000f-e212-3456|10.1.1.5",
                                 "1/0/2|关闭状态|Trunk类型|1 10|无MAC|无IP",
                                 "1/0/10|开启状态|其它类型|无VLAN|无MAC|无IP",
                             };
    QTest::newRow("worked example, 3100")
        << test::workedExample(" sysname SW3100-A", " mac-address static 000f-e212-3456 vlan 10")
        << "9512" << "3100" << ModelButton::Sw3100
        << QStringList{
               "1/0/1|开启状态|Access类型|10|000f-e212-3456|无IP",
               "1/0/2|关闭状态|Trunk类型|1 10|无MAC|无IP",
               "1/0/10|开启状态|其它类型|无VLAN|无MAC|无IP",
           };
    QTest::newRow("worked example, 5500") << test::workedExample(" sysname SW5500-A") << "3600" << "5500" << ModelButton::None
                          << QStringList{
                                 "1/0/1|开启状态|Access类型|10||",
                                 "1/0/2|关闭状态|Trunk类型|1 10||",
                                 "1/0/10|开启状态|其它类型|无VLAN||",
                             };
    // Model detection.
    QTest::newRow("empty text keeps the model") << "" << "3600" << "3600" << ModelButton::None
                                                << QStringList{};
    QTest::newRow("sysname is found in any case") << crlf({" SYSNAME sw3600"}) << "3100" << "3600"
                                                  << ModelButton::Sw3600 << QStringList{};
    QTest::newRow("no CR after sysname: 3600 through its hint")
        << " am user-bind mac-addr x\n sysname SW3600" << "3100" << "3600" << ModelButton::Sw3600
        << QStringList{};
    QTest::newRow("model word only below the name line does not count")
        << crlf({" sysname core", " description 3600 uplink", "5500"}) << "3100" << "3100"
        << ModelButton::None << QStringList{};
    QTest::newRow("5500 overrides rule 1 but its button stays")
        << crlf({" sysname SW5500", "3100", "#"}) + crlf({"interface Ethernet1/0/1",
                                                          " mac-address static 000f-e212-3456", "#"})
        << "3100" << "5500" << ModelButton::Sw3100 << QStringList{"1/0/1|开启状态|其它类型|无VLAN||"};

    // Finding port blocks.
    QTest::newRow("port keyword needs exactly one blank")
        << crlf({"interface  Ethernet1/0/1", " shutdown", "#", "interface GigabitEthernet1/1/1", "#"})
        << "3100" << "3100" << ModelButton::None << QStringList{};
    QTest::newRow("two port keywords share one block")
        << crlf({"interface Ethernet1/0/1", "interface Ethernet1/0/2", " port access vlan 7", "#"})
        << "3100" << "3100" << ModelButton::None
        << QStringList{"1/0/1|开启状态|Access类型|7|无MAC|无IP",
                       "1/0/2|开启状态|Access类型|7|无MAC|无IP"};
    QTest::newRow("no # after the port keyword: only the name")
        << crlf({"interface Ethernet1/0/4", " shutdown"}) << "3100" << "3100" << ModelButton::None
        << QStringList{"1/0/4|||||"};
    QTest::newRow("short name takes the next line's blank")
        << crlf({"interface Ethernet0/1", " port access vlan 3", "#"}) << "3100" << "3100"
        << ModelButton::None << QStringList{"0/1 |开启状态|Access类型|3|无MAC|无IP"};

    // Field values.
    QTest::newRow("access and trunk: access wins")
        << crlf({"interface Ethernet1/0/1", " port link-type trunk", " port trunk permit vlan 2",
                 " port access vlan 8", "#"})
        << "3100" << "3100" << ModelButton::None
        << QStringList{"1/0/1|开启状态|Access类型|8|无MAC|无IP"};
    QTest::newRow("no CR after the value: its line ends at LF")
        << "interface Ethernet1/0/1\r\n port access vlan 10 #\nreturn\n" << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/1|开启状态|Access类型|10 #|无MAC|无IP"};
    QTest::newRow("no line end after the value: the text's end, cut to 256")
        << "interface Ethernet1/0/1\r\n port access vlan 10 #" + QString(300, u'x') << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/1|开启状态|Access类型|10 #" + QString(252, u'x') + "|无MAC|无IP"};
    // Several bindings: a row each, the port's cells repeated.
    QTest::newRow("3100: a row per static MAC")
        << crlf({"interface Ethernet1/0/1", " port access vlan 4", " mac-address static 000f-e212-0001 vlan 4",
                 " mac-address static 000f-e212-0002 vlan 4", "#"})
        << "3100" << "3100" << ModelButton::None
        << QStringList{"1/0/1|开启状态|Access类型|4|000f-e212-0001|无IP",
                       "1/0/1|开启状态|Access类型|4|000f-e212-0002|无IP"};
    QTest::newRow("3600: a further binding takes only the IP on its own line")
        << crlf({"interface Ethernet1/0/2", " shutdown", " am user-bind mac-addr 000f-e212-0001",
                 " am user-bind mac-addr 000f-e212-0002", " am user-bind mac-addr 000f-e212-0003 ip-addr 10.0.0.3",
                 "#", " am user-bind mac-addr 000f-e212-0004 ip-addr 10.0.0.4"})
        << "3600" << "3600" << ModelButton::None
        << QStringList{"1/0/2|关闭状态|其它类型|无VLAN|000f-e212-0001|10.0.0.3",
                       "1/0/2|关闭状态|其它类型|无VLAN|000f-e212-0002|无IP",
                       "1/0/2|关闭状态|其它类型|无VLAN|000f-e212-0003|10.0.0.3"};
    QTest::newRow("3600: bindings of the other model's form give one row")
        << crlf({"interface Ethernet1/0/1", " mac-address static 000f-e212-0001 vlan 1",
                 " mac-address static 000f-e212-0002 vlan 1", "#"})
        << "3600" << "3600" << ModelButton::None << QStringList{"1/0/1|开启状态|其它类型|无VLAN|无MAC|无IP"};
    QTest::newRow("5500: one row whatever the bindings")
        << crlf({"interface Ethernet1/0/1", " am user-bind mac-addr 000f-e212-0001", " am user-bind mac-addr 000f-e212-0002", "#"})
        << "5500" << "5500" << ModelButton::None << QStringList{"1/0/1|开启状态|其它类型|无VLAN||"};
    QTest::newRow("shared block: a binding counts for the nearest port keyword above it")
        << crlf({"interface Ethernet1/0/1", " mac-address static 000f-e212-0001", "interface Ethernet1/0/2",
                 " mac-address static 000f-e212-0002", " mac-address static 000f-e212-0003", "#"})
        << "3100" << "3100" << ModelButton::None
        << QStringList{"1/0/1|开启状态|其它类型|无VLAN|000f-e212-0001|无IP",
                       "1/0/2|开启状态|其它类型|无VLAN|000f-e212-0002|无IP",
                       "1/0/2|开启状态|其它类型|无VLAN|000f-e212-0003|无IP"};
    // The farthest "#" a block may reach.
    const QString longBlock = "interface Ethernet1/0/1\r\n port access vlan 6\r\n";
    QTest::newRow("# at the block bound") << longBlock + QString(kMaxPortBlockLength - longBlock.size(), u'x') + "#"
        << "3100" << "3100" << ModelButton::None << QStringList{"1/0/1|开启状态|Access类型|6|无MAC|无IP"};
    QTest::newRow("# beyond the block bound") << longBlock + QString(kMaxPortBlockLength - longBlock.size() + 1, u'x') + "#"
        << "3100" << "3100" << ModelButton::None << QStringList{"1/0/1|||||"};
    QTest::newRow("3600: IP value keeps the rest of its line")
        << crlf({"interface Ethernet1/0/1", " am user-bind mac-addr 000f-e212-3456 ip-addr 10.1.1.5 vlan 3",
                 "#"})
        << "3600" << "3600" << ModelButton::None
        << QStringList{"1/0/1|开启状态|其它类型|无VLAN|000f-e212-3456|10.1.1.5 vlan 3"};
}

void TestBindInfoParser::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, before);
    QFETCH(QString, model);
    QFETCH(ModelButton, button);
    QFETCH(QStringList, rows);

    const BindInfoResult r = parseBindInfo(text, switchModelFromText(before));
    QCOMPARE(switchModelText(r.switchModel), model);
    QCOMPARE(r.selected, button);
    QCOMPARE(rowsOf(r.table), rows);

    // The same text in pieces: pieces of one character split every keyword and line end.
    for (const qsizetype piece : {qsizetype(1), qsizetype(7), qsizetype(65536)}) {
        if (piece < 1000 && text.size() > 100000)
            continue;
        BindInfoTable table;
        BindInfoReader reader([&](const BindInfoPort &port) { table += BindInfoRows(port, switchModelFromText(model)); });
        for (qsizetype at = 0; at < text.size(); at += piece)
            reader.add(text.mid(at, piece));
        reader.finish();
        QCOMPARE(switchModelText(reader.model(switchModelFromText(before)).switchModel), model);
        QCOMPARE(reader.model(switchModelFromText(before)).selected, button);
        QCOMPARE(rowsOf(table), rows);
    }
}

void TestBindInfoParser::reportText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("report");

    QTest::newRow("worked example, 3600")
        << test::workedExample() << "3100"
        << "这是个3600，详细信息如下：\r\n"
           "1/0/1\t开启状态\tAccess类型\t10\t000f-e212-3456\t10.1.1.5\t\r\n"
           "1/0/2\t关闭状态\tTrunk类型\t1 10\t无MAC\t无IP\t\r\n"
           "1/0/10\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t\r\n";
    QTest::newRow("blank row left out, later row kept")
        << crlf({"interface Ethernet", "", "", "#", "interface Ethernet1/0/2", "#"}) << "3100"
        << "这是个3100，详细信息如下：\r\n1/0/2\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t\r\n";
    // A tab inside a cell would shift every later column of the pasted table.
    QTest::newRow("tab in the port name and the VLAN")
        << "sysname SW3100\r\ninterface Ethernet1/0/4\tport access vlan\t9\r\n#\r\n" << "3100"
        << "这是个3100，详细信息如下：\r\n1/0/4 \t开启状态\tAccess类型\t9\t无MAC\t无IP\t\r\n";
    QTest::newRow("tab in an IP value")
        << " sysname SW3600\r\ninterface Ethernet1/0/1\r\n am user-bind mac-addr 000f-e212-0001 ip-addr 10.0.0.1\tx\r\n#"
        << "3100" << "这是个3600，详细信息如下：\r\n1/0/1\t开启状态\t其它类型\t无VLAN\t000f-e212-0001\t10.0.0.1 x\t\r\n";
    QTest::newRow("line ends inside cells are removed")
        << "interface Ethernet1/0/1\r\n mac-address static 0f\r\n#\r\nx\n port access vlan 2\n#"
        << "3100" << "这是个3100，详细信息如下：\r\n1/0/1\t开启状态\t其它类型\t无VLAN\t0f#x port\t无IP\t\r\n";
}

void TestBindInfoParser::reportText()
{
    QFETCH(QString, text);
    QFETCH(QString, before);
    QFETCH(QString, report);
    const QString got = formatBindReport(parseBindInfo(text, switchModelFromText(before)));
    QCOMPARE(got, report);
    for (const QString &line : got.split(u"\r\n"_qs).mid(1, -1)) {
        if (!line.isEmpty())
            QCOMPARE(line.count(u'\t'), 6);
    }
}

// The model's text is read from the report tool's command line and written in the header.
void TestBindInfoParser::modelText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<SwitchModel>("model");
    QTest::newRow("3100") << "3100" << SwitchModel::S3100;
    QTest::newRow("3600") << "3600" << SwitchModel::S3600;
    QTest::newRow("5500") << "5500" << SwitchModel::S5500;
    QTest::newRow("9512") << "9512" << SwitchModel::S9512;
    QTest::newRow("empty") << "" << SwitchModel::Unknown;
    QTest::newRow("blank before") << " 3100" << SwitchModel::Unknown;
    QTest::newRow("line end after") << "3600\r" << SwitchModel::Unknown;
    QTest::newRow("name as in sysname") << "SW3600" << SwitchModel::Unknown;
    QTest::newRow("one digit more") << "35000" << SwitchModel::Unknown;
    QTest::newRow("prefix of a model") << "951" << SwitchModel::Unknown;
    QTest::newRow("full-width digits") << "３１００" << SwitchModel::Unknown;
}

void TestBindInfoParser::modelText()
{
    QFETCH(QString, text);
    QFETCH(SwitchModel, model);
    QCOMPARE(switchModelFromText(text), model);
    QCOMPARE(switchModelText(model), model == SwitchModel::Unknown ? QString() : text);
}

QTEST_GUILESS_MAIN(TestBindInfoParser)
#include "test_bindinfoparser.moc"

#include "report/bindinfoparser.h"

#include "listings.h"
#include "referenceparser.h"

#include <QRandomGenerator>
#include <QTest>

using namespace tarnwell;
using tarnwell::test::crlf;

Q_DECLARE_METATYPE(tarnwell::ModelButton)

namespace {

// The table as one string per row, cells joined by a vertical bar (blank rows included).
QStringList rowsOf(const BindInfoTable &table)
{
    QStringList rows;
    for (const BindInfoRow &row : table)
        rows << QStringList(row.begin(), row.end()).join(u'|');
    return rows;
}

QString describe(const BindInfoResult &r)
{
    return QStringLiteral("model=%1 button=%2\n%3")
        .arg(r.switchModel)
        .arg(int(r.selected))
        .arg(rowsOf(r.table).join(u'\n'));
}

// Random text built from the words the rules look for, their near misses, line ends and other
// characters, so that keywords fall in and out of blocks and onto and off line ends.
QString randomText(QRandomGenerator &rng, int tokens)
{
    static const QStringList pieces = {
        "interface Ethernet", "interface ethernet", "INTERFACE ETHERNET", "interface  Ethernet",
        "interface Ethernet1/0/", "interface", "Ethernet", "#", "#", "#", "\r", "\n", "\r\n",
        "\r\n", "\r\n", " ", " ", "1", "0/", "12", "/", "sysname", "SysName ", "3100", "3600",
        "5500", "9512", "31", "00", "shutdown", "Shutdown", "port access vlan", "port access vlan ",
        "port link-type trunk", "port trunk permit vlan", "port trunk permit vlan 1 10",
        "mac-address static", "mac-address static ", "MAC-ADDRESS STATIC",
        "mac-address max-mac-count", "am user-bind mac-addr", "am user-bind mac-addr ",
        "Am User-Bind Mac-Addr", "ip-addr", "ip-addr ", "000f-e212-3456", "10.1.1.5", "vlan",
        "\x1b[42D", "  ---- More ----", "财务", "x", "-",
    };
    QString text;
    for (int i = 0; i < tokens; ++i)
        text += pieces.at(rng.bounded(int(pieces.size())));
    return text;
}

} // namespace

class TestBindInfoParser : public QObject {
    Q_OBJECT
private slots:
    void workedExample_data();
    void workedExample();
    void edgeCases_data();
    void edgeCases();
    void fortyEightPorts();
    void pagingArtefact_data();
    void pagingArtefact();
    void matchesReference_data();
    void matchesReference();
    void reportText_data();
    void reportText();
};

void TestBindInfoParser::workedExample_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("model");
    QTest::addColumn<ModelButton>("button");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("3600") << test::workedExample() << "3600" << ModelButton::Sw3600
                          << QStringList{
                                 "1/0/1|开启状态|Access类型|10|000f-e212-3456|10.1.1.5",
                                 "1/0/2|关闭状态|Trunk类型|1 10|无MAC|无IP",
                                 "1/0/10|开启状态|其它类型|无VLAN|无MAC|无IP",
                             };
    QTest::newRow("3100")
        << test::workedExample(" sysname SW3100-A", " mac-address static 000f-e212-3456 vlan 10")
        << "3100" << ModelButton::Sw3100
        << QStringList{
               "1/0/1|开启状态|Access类型|10|000f-e212-3456|无IP",
               "1/0/2|关闭状态|Trunk类型|1 10|无MAC|无IP",
               "1/0/10|开启状态|其它类型|无VLAN|无MAC|无IP",
           };
    QTest::newRow("5500") << test::workedExample(" sysname SW5500-A") << "5500" << ModelButton::None
                          << QStringList{
                                 "1/0/1|开启状态|Access类型|10||",
                                 "1/0/2|关闭状态|Trunk类型|1 10||",
                                 "1/0/10|开启状态|其它类型|无VLAN||",
                             };
}

void TestBindInfoParser::workedExample()
{
    QFETCH(QString, text);
    QFETCH(QString, model);
    QFETCH(ModelButton, button);
    QFETCH(QStringList, rows);

    // The model before the call must not matter here: detection decides.
    for (const QString &before : {u"3100"_qs, u"3600"_qs, u"9512"_qs}) {
        const BindInfoResult r = ParseBindInfo(text, before);
        QCOMPARE(r.switchModel, model);
        QCOMPARE(r.selected, button);
        QCOMPARE(rowsOf(r.table), rows);
    }
}

void TestBindInfoParser::edgeCases_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("model");
    QTest::addColumn<ModelButton>("button");
    QTest::addColumn<QStringList>("rows");

    const QString port1 = crlf({"interface Ethernet1/0/1", " port access vlan 5", "#"});
    const QString row1In3100 = "1/0/1|开启状态|Access类型|5|无MAC|无IP";

    // Model detection.
    QTest::newRow("empty text keeps the model") << "" << "3600" << "3600" << ModelButton::None
                                                << QStringList{};
    QTest::newRow("no sysname: model words ignored")
        << crlf({" SW3600", " am user-bind mac-addr 0"}) << "3100" << "3100" << ModelButton::None
        << QStringList{};
    QTest::newRow("sysname is found in any case") << crlf({" SYSNAME sw3600"}) << "3100" << "3600"
                                                  << ModelButton::Sw3600 << QStringList{};
    QTest::newRow("no CR after sysname: name line comparison fails")
        << port1 + " sysname SW3600" << "3100" << "3100" << ModelButton::None
        << QStringList{row1In3100};
    QTest::newRow("no CR after sysname: 3600 through its hint")
        << " am user-bind mac-addr x\n sysname SW3600" << "3100" << "3600" << ModelButton::Sw3600
        << QStringList{};
    QTest::newRow("no CR after sysname: 3100 through max-mac-count")
        << " mac-address max-mac-count 1\n sysname SW3100" << "3600" << "3100" << ModelButton::Sw3100
        << QStringList{};
    QTest::newRow("hint alone needs the model word somewhere")
        << crlf({" sysname core", " am user-bind mac-addr 1"}) << "3100" << "3100"
        << ModelButton::None << QStringList{};
    QTest::newRow("hints are case-insensitive")
        << crlf({" sysname core", " MAC-ADDRESS STATIC x", "3100"}) << "3600" << "3100"
        << ModelButton::Sw3100 << QStringList{};
    QTest::newRow("model word above the name line counts")
        << crlf({"H3C S3600 banner", " sysname core"}) << "3100" << "3600" << ModelButton::Sw3600
        << QStringList{};
    QTest::newRow("model word only below the name line does not count")
        << crlf({" sysname core", " description 3600 uplink", "5500"}) << "3100" << "3100"
        << ModelButton::None << QStringList{};
    QTest::newRow("model word inside a longer number") << crlf({" sysname A13100B"}) << "3600"
                                                       << "3100" << ModelButton::Sw3100
                                                       << QStringList{};
    QTest::newRow("3100 and 3600 on the name line: 3600 last")
        << crlf({" sysname 3600-3100"}) << "3100" << "3600" << ModelButton::Sw3600 << QStringList{};
    QTest::newRow("5500 overrides rule 1 but its button stays")
        << crlf({" sysname SW5500", "3100", "#"}) + crlf({"interface Ethernet1/0/1",
                                                          " mac-address static 000f-e212-3456", "#"})
        << "3100" << "5500" << ModelButton::Sw3100 << QStringList{"1/0/1|开启状态|其它类型|无VLAN||"};
    QTest::newRow("9512 on the name line") << crlf({" sysname S9512"}) << "3100" << "9512"
                                           << ModelButton::None << QStringList{};

    // Finding port blocks.
    QTest::newRow("lower-case port keyword, capital Shutdown")
        << crlf({"interface ethernet1/0/3", " Shutdown", "#"}) << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/3|开启状态|其它类型|无VLAN|无MAC|无IP"};
    QTest::newRow("port keyword needs exactly one blank")
        << crlf({"interface  Ethernet1/0/1", " shutdown", "#", "interface GigabitEthernet1/1/1", "#"})
        << "3100" << "3100" << ModelButton::None << QStringList{};
    QTest::newRow("keywords before the port keyword do not count")
        << crlf({" port access vlan 9", "interface Ethernet1/0/1", "#"}) << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/1|开启状态|其它类型|无VLAN|无MAC|无IP"};
    QTest::newRow("a # in mid-line ends the block")
        << crlf({"interface Ethernet1/0/1", " port access vlan 10 # note", " shutdown", "#"})
        << "3100" << "3100" << ModelButton::None
        << QStringList{"1/0/1|开启状态|Access类型|10 # note|无MAC|无IP"};
    QTest::newRow("first occurrence decides, not a later one")
        << crlf({"interface Ethernet1/0/1", "#", "interface Ethernet1/0/2", " shutdown", "#"})
        << "3100" << "3100" << ModelButton::None
        << QStringList{"1/0/1|开启状态|其它类型|无VLAN|无MAC|无IP",
                       "1/0/2|关闭状态|其它类型|无VLAN|无MAC|无IP"};
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
    QTest::newRow("empty name: blank row, next port in the next row")
        << crlf({"interface Ethernet", "", "", " shutdown", "#", "interface Ethernet1/0/2", "#"})
        << "3100" << "3100" << ModelButton::None
        << QStringList{"|关闭状态|其它类型|无VLAN|无MAC|无IP",
                       "1/0/2|开启状态|其它类型|无VLAN|无MAC|无IP"};
    QTest::newRow("port keyword at the very end") << "#\r\ninterface Ethernet" << "3100" << "3100"
                                                  << ModelButton::None << QStringList{"|||||"};
    QTest::newRow("port name cut by the end of the text") << "interface Ethernet1/" << "3100"
                                                          << "3100" << ModelButton::None
                                                          << QStringList{"1/|||||"};

    // Field values.
    QTest::newRow("access and trunk: access wins")
        << crlf({"interface Ethernet1/0/1", " port link-type trunk", " port trunk permit vlan 2",
                 " port access vlan 8", "#"})
        << "3100" << "3100" << ModelButton::None
        << QStringList{"1/0/1|开启状态|Access类型|8|无MAC|无IP"};
    QTest::newRow("trunk permit list without link-type line")
        << crlf({"interface Ethernet1/0/1", " port trunk permit vlan all", "#"}) << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/1|开启状态|其它类型|all|无MAC|无IP"};
    QTest::newRow("two blanks keep one in the VLAN")
        << crlf({"interface Ethernet1/0/1", " port access vlan  10", "#"}) << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/1|开启状态|Access类型| 10|无MAC|无IP"};
    QTest::newRow("keyword directly at its line end: empty value")
        << crlf({"interface Ethernet1/0/1", " port access vlan", "#"}) << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/1|开启状态|Access类型||无MAC|无IP"};
    QTest::newRow("keyword, one separator, line end: empty value")
        << crlf({"interface Ethernet1/0/1", " port access vlan ", "#"}) << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/1|开启状态|Access类型||无MAC|无IP"};
    QTest::newRow("no CR after the value: its line ends at LF")
        << "interface Ethernet1/0/1\r\n port access vlan 10 #\nreturn\n" << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/1|开启状态|Access类型|10 #|无MAC|无IP"};
    QTest::newRow("no line end after the value: the text's end, cut to 256")
        << "interface Ethernet1/0/1\r\n port access vlan 10 #" + QString(300, u'x') << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/1|开启状态|Access类型|10 #" + QString(252, u'x') + "|无MAC|无IP"};
    QTest::newRow("only the first static MAC")
        << crlf({"interface Ethernet1/0/1", " mac-address static 000f-e212-0001 vlan 1",
                 " mac-address static 000f-e212-0002 vlan 1", "#"})
        << "3100" << "3100" << ModelButton::None
        << QStringList{"1/0/1|开启状态|其它类型|无VLAN|000f-e212-0001|无IP"};
    QTest::newRow("MAC keyword is case-sensitive inside a block")
        << crlf({"interface Ethernet1/0/1", " MAC-ADDRESS STATIC 000f-e212-0001", "#"}) << "3100"
        << "3100" << ModelButton::None << QStringList{"1/0/1|开启状态|其它类型|无VLAN|无MAC|无IP"};
    QTest::newRow("MAC cut short by the end of the text")
        << "interface Ethernet1/0/1\r\n#\r\nmac-address static 000f" << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/1|开启状态|其它类型|无VLAN|无MAC|无IP"};
    QTest::newRow("MAC in block, text ends inside it")
        << "interface Ethernet1/0/1\r\n mac-address static 00#" << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/1|开启状态|其它类型|无VLAN|00#|无IP"};
    QTest::newRow("3600: IP value keeps the rest of its line")
        << crlf({"interface Ethernet1/0/1", " am user-bind mac-addr 000f-e212-3456 ip-addr 10.1.1.5 vlan 3",
                 "#"})
        << "3600" << "3600" << ModelButton::None
        << QStringList{"1/0/1|开启状态|其它类型|无VLAN|000f-e212-3456|10.1.1.5 vlan 3"};
    QTest::newRow("3600: ip-addr without MAC binding")
        << crlf({"interface Ethernet1/0/1", " ip-addr 10.0.0.1", "#"}) << "3600" << "3600"
        << ModelButton::None << QStringList{"1/0/1|开启状态|其它类型|无VLAN|无MAC|10.0.0.1"};
    QTest::newRow("3100 ignores the 3600 binding form")
        << crlf({"interface Ethernet1/0/1", " am user-bind mac-addr 000f-e212-3456 ip-addr 1.2.3.4", "#"})
        << "3100" << "3100" << ModelButton::None << QStringList{"1/0/1|开启状态|其它类型|无VLAN|无MAC|无IP"};
    QTest::newRow("shutdown inside a longer word counts")
        << crlf({"interface Ethernet1/0/1", " undo shutdownx", "#"}) << "3100" << "3100"
        << ModelButton::None << QStringList{"1/0/1|关闭状态|其它类型|无VLAN|无MAC|无IP"};
    QTest::newRow("control characters and replacement characters pass through")
        << QString::fromUtf8("interface Ethernet\x01\xEF\xBF\xBD\r\n port access vlan \x1b[1m\r\n#")
        << "3100" << "3100" << ModelButton::None
        << QStringList{QString::fromUtf8("\x01\xEF\xBF\xBD p|开启状态|Access类型|\x1b[1m|无MAC|无IP")};
}

void TestBindInfoParser::edgeCases()
{
    QFETCH(QString, text);
    QFETCH(QString, before);
    QFETCH(QString, model);
    QFETCH(ModelButton, button);
    QFETCH(QStringList, rows);

    const BindInfoResult r = ParseBindInfo(text, before);
    QCOMPARE(r.switchModel, model);
    QCOMPARE(r.selected, button);
    QCOMPARE(rowsOf(r.table), rows);
    // Every hand-written case also holds for the literal reading of the rules.
    QCOMPARE(describe(r), describe(test::referenceParseBindInfo(text, before)));
}

void TestBindInfoParser::fortyEightPorts()
{
    const QStringList lines = test::configLines(48, true);
    const BindInfoResult r = ParseBindInfo(crlf(lines), "3100");
    QCOMPARE(r.switchModel, u"3600"_qs);
    QCOMPARE(r.table.size(), 48);
    for (int i = 0; i < 48; ++i)
        QCOMPARE(r.table[i][0], QStringLiteral("1/0/%1").arg(i + 1));
    QCOMPARE(QStringList(r.table[46].begin(), r.table[46].end()).join(u'|'),
             u"1/0/47|开启状态|Access类型|10|000f-e247-342f|10.1.4.47"_qs);
    QCOMPARE(QStringList(r.table[47].begin(), r.table[47].end()).join(u'|'),
             u"1/0/48|开启状态|Trunk类型|1 10 20|无MAC|无IP"_qs);

    const QStringList report = FormatBindReport(r).split(u"\r\n"_qs);
    QCOMPARE(report.size(), 1 + 48 + 1); // header, 48 ports, nothing after the last CR LF
    QVERIFY(report.at(48).startsWith(u"1/0/48\t"_qs));
}

void TestBindInfoParser::pagingArtefact_data()
{
    QTest::addColumn<int>("pageLines");
    QTest::newRow("every line") << 1;
    QTest::newRow("every 2 lines") << 2;
    QTest::newRow("every 3 lines") << 3;
    QTest::newRow("every 5 lines") << 5;
    QTest::newRow("23-line pages") << 23;
}

void TestBindInfoParser::pagingArtefact()
{
    // The prompt and its erasing fall between lines; with six-character port names nothing the
    // parser reads changes.
    QFETCH(int, pageLines);
    for (const bool model3600 : {false, true}) {
        const QStringList lines = test::configLines(30, model3600);
        const QString clean = QStringLiteral("dis cu\r\n") + crlf(lines);
        const QString paged = test::pagedListing(lines, pageLines).join(QString());
        QVERIFY(paged.contains(test::morePrompt() + test::moreErase() + lines.at(pageLines)));
        QCOMPARE(describe(ParseBindInfo(paged, "3100")), describe(ParseBindInfo(clean, "3100")));
    }

    // A short name right before the prompt takes the prompt's first blank, as any next line's.
    const QString shortName = QStringLiteral("interface Ethernet0/1\r\n") + test::morePrompt()
                              + test::moreErase() + QStringLiteral(" port access vlan 4\r\n#\r\n");
    const BindInfoResult r = ParseBindInfo(shortName, "3100");
    QCOMPARE(rowsOf(r.table), QStringList{"0/1 |开启状态|Access类型|4|无MAC|无IP"});
}

void TestBindInfoParser::matchesReference_data()
{
    QTest::addColumn<int>("tokens");
    QTest::addColumn<int>("count");
    QTest::newRow("short texts") << 12 << 4000;
    QTest::newRow("medium texts") << 60 << 1500;
    QTest::newRow("long texts") << 300 << 200;
}

void TestBindInfoParser::matchesReference()
{
    QFETCH(int, tokens);
    QFETCH(int, count);
    QRandomGenerator rng(quint32(tokens) * 7919u); // fixed seed: the same texts every run
    const QStringList models = {"3100", "3600", "5500", "9512"};
    for (int i = 0; i < count; ++i) {
        const QString text = randomText(rng, tokens);
        const QString before = models.at(rng.bounded(int(models.size())));
        const QString got = describe(ParseBindInfo(text, before));
        const QString want = describe(test::referenceParseBindInfo(text, before));
        if (got != want)
            qWarning().noquote() << "text:" << text.toUtf8().toPercentEncoding(" /#-.");
        QCOMPARE(got, want);
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
    QTest::newRow("worked example, 5500: empty cells keep their tabs")
        << test::workedExample(" sysname SW5500-A") << "3100"
        << "这是个5500，详细信息如下：\r\n"
           "1/0/1\t开启状态\tAccess类型\t10\t\t\t\r\n"
           "1/0/2\t关闭状态\tTrunk类型\t1 10\t\t\t\r\n"
           "1/0/10\t开启状态\t其它类型\t无VLAN\t\t\t\r\n";
    QTest::newRow("nothing received: header alone, model unchanged")
        << "" << "3600" << "这是个3600，详细信息如下：\r\n";
    QTest::newRow("blank row left out, later row kept")
        << crlf({"interface Ethernet", "", "", "#", "interface Ethernet1/0/2", "#"}) << "3100"
        << "这是个3100，详细信息如下：\r\n1/0/2\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t\r\n";
    QTest::newRow("port without #: name and five empty cells")
        << "interface Ethernet1/0/9\r\n" << "3100" << "这是个3100，详细信息如下：\r\n1/0/9\t\t\t\t\t\t\r\n";
    QTest::newRow("line ends inside cells are removed")
        << "interface Ethernet1/0/1\r\n mac-address static 0f\r\n#\r\nx\n port access vlan 2\n#"
        << "3100" << "这是个3100，详细信息如下：\r\n1/0/1\t开启状态\t其它类型\t无VLAN\t0f#x port\t无IP\t\r\n";
}

void TestBindInfoParser::reportText()
{
    QFETCH(QString, text);
    QFETCH(QString, before);
    QFETCH(QString, report);
    const QString got = FormatBindReport(ParseBindInfo(text, before));
    QCOMPARE(got, report);
    for (const QString &line : got.split(u"\r\n"_qs).mid(1, -1)) {
        if (!line.isEmpty())
            QCOMPARE(line.count(u'\t'), 6);
    }
}

QTEST_GUILESS_MAIN(TestBindInfoParser)
#include "tst_bindinfoparser.moc"

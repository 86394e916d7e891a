// The simulated switch console driven directly: what a technician and the program's scripts
// type, what the switch answers, and the listing the binding report reads.
#include "simrig.h"

#include <QTest>

using namespace tarnwell;
using tarnwell::test::SimRig;

namespace {

const QByteArray kWipe = "\x1b[42D" + QByteArray(42, ' ') + "\x1b[42D";


// A rig logged in at the entry switch's user view.
SimRig::Setup plain(sim::Model model = sim::Model::S3100)
{
    SimRig::Setup s;
    s.model = model;
    return s;
}

} // namespace

class SwitchSimConsole : public QObject {
    Q_OBJECT
private slots:


    void abbreviationsChangeState_data();
    void abbreviationsChangeState();




    void paging_data();
    void paging();
    void captureSpacesAfterShortListing();



    void layout_data();
    void layout();
};

void SwitchSimConsole::abbreviationsChangeState_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QStringList>("block");

    const int m3100 = int(sim::Model::S3100), m3600 = int(sim::Model::S3600);
    const QByteArrayList enter{"sys", "int eth 1/0/5"};
    QTest::newRow("3100 bind script") << m3100
        << enter + QByteArrayList{"undo shut", "port acc vlan 10", "mac-addr static 000f-e212-3456 vlan 10"}
        << QStringList{" port access vlan 10", " mac-address static 000f-e212-3456 vlan 10"};
    QTest::newRow("3600 bind script") << m3600
        << enter + QByteArrayList{"undo shut", "port acc vlan 10", "am user-bind mac-addr 000f-e212-3456 ip-addr 10.1.1.5"}
        << QStringList{" port access vlan 10", " am user-bind mac-addr 000f-e212-3456 ip-addr 10.1.1.5"};
}

void SwitchSimConsole::abbreviationsChangeState()
{
    QFETCH(int, model);
    QFETCH(QByteArrayList, lines);
    QFETCH(QStringList, block);
    SimRig rig(plain(sim::Model(model)));
    rig.type("\r");
    for (const QByteArray &line : lines)
        rig.type(line + '\r'); // each script line ends in a lone carriage return
    rig.type("return\r");
    QCOMPARE(rig.portBlock(5), block);
}

void SwitchSimConsole::paging_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("linesShown");
    QTest::addColumn<bool>("ended");

    QTest::newRow("space") << QByteArray(" ") << 24 << false;
    QTest::newRow("q") << QByteArray("q") << 0 << true;
}

void SwitchSimConsole::paging()
{
    QFETCH(QByteArray, key);
    QFETCH(int, linesShown);
    QFETCH(bool, ended);
    SimRig::Setup setup = plain();
    setup.ports = 48;
    SimRig rig(setup);
    rig.type("\r");
    const QByteArray first = rig.type("dis cu\r");
    QVERIFY(first.startsWith("dis cu\r\n#\r\n sysname SW3100-A\r\n#\r\n"));
    QVERIFY(first.endsWith("\r\n  ---- More ----"));
    QCOMPARE(first.count("\r\n"), 1 + 24);
    QCOMPARE(rig.type("x"), QByteArray()); // other keys wait

    const QByteArray next = rig.type(key);
    QVERIFY2(next.startsWith(kWipe), next.constData());
    if (ended) {
        QCOMPARE(next, kWipe + "<SW3100-A>");
        QVERIFY(!rig.type("sys\r").contains("Unrecognized"));
        return;
    }
    // The next line follows the wipe directly, without a line end of its own.
    QVERIFY(next.mid(kWipe.size()).startsWith("interface Ethernet") || next.mid(kWipe.size()).startsWith("#"));
    QVERIFY(next.endsWith("\r\n  ---- More ----"));
    QCOMPARE(next.count("\r\n"), linesShown);
}

void SwitchSimConsole::captureSpacesAfterShortListing()
{
    // The program sends "dis cu" and nine spaces; a 24-port listing needs three of them, and the
    // rest become blanks at the start of the next line, which the switch ignores.
    SimRig rig(plain());
    rig.type("\r");
    QByteArray all = rig.type("dis cu\r");
    for (int i = 0; i < 9; ++i)
        all += rig.type(" ");
    const int pages = int(all.count("  ---- More ----"));
    QVERIFY(pages >= 2);
    QVERIFY(all.endsWith("return\r\n<SW3100-A>" + QByteArray(9 - pages, ' ')));
    QVERIFY(rig.type("sys\r").endsWith("[SW3100-A]"));
}

// The configuration listing as the binding report reads it.
void SwitchSimConsole::layout_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("ports");
    QTest::newRow("3100, 24") << int(sim::Model::S3100) << 24;
    QTest::newRow("3600, 48") << int(sim::Model::S3600) << 48;
}

void SwitchSimConsole::layout()
{
    QFETCH(int, model);
    QFETCH(int, ports);
    SimRig::Setup setup;
    setup.model = sim::Model(model);
    setup.ports = ports;
    setup.user = "tech";
    setup.password = "pw";
    SimRig rig(setup);
    rig.type("\rtech\rpw\r");
    const QString number = sim::modelNumber(setup.model);
    const QString other = setup.model == sim::Model::S3100 ? "3600" : "3100";
    const QStringList lines = rig.listing();

    QCOMPARE(lines.first(), QString("#"));
    QCOMPARE(lines.at(1), " sysname SW" + number + "-A"); // the model number is in the name line
    QCOMPARE(lines.last(), QString("return"));
    QVERIFY(!lines.join('\n').contains(other)); // the other class's number appears nowhere
    // One block per port, in order, each closed by "#"; no other line reads as a port block.
    int port = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].contains("interface ethernet", Qt::CaseInsensitive))
            continue;
        ++port;
        QCOMPARE(lines[i], QString("interface Ethernet1/0/%1").arg(port));
        QVERIFY(lines.indexOf("#", i) > i);
        QVERIFY(lines.indexOf("#", i) < lines.indexOf(QString("interface Ethernet1/0/%1").arg(port + 1), i) || port == ports);
    }
    QCOMPARE(port, ports);
    for (const QString &line : lines)
        QVERIFY2(!line.contains('\r') && !line.contains('\n'), qPrintable(line));
}

QTEST_GUILESS_MAIN(SwitchSimConsole)
#include "test_switchsimconsole.moc"

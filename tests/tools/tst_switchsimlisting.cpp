// The configuration listing of the simulated switch: its layout (what the binding report reads),
// starting configurations in that layout, and the paced output.
#include "simrig.h"

#include "commandset.h"
#include "configreader.h"
#include "configwriter.h"

#include <QTest>

using namespace tarnwell;
using tarnwell::test::SimRig;

class SwitchSimListing : public QObject {
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void startingConfigRoundTrip();
    void startingConfigKeepsUnknownLines();
    void startingConfigErrors_data();
    void startingConfigErrors();
    void lineDelayPacesOutput();
};

void SwitchSimListing::layout_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("ports");
    QTest::newRow("3100, 24") << int(sim::Model::S3100) << 24;
    QTest::newRow("3100, 48") << int(sim::Model::S3100) << 48;
    QTest::newRow("3600, 24") << int(sim::Model::S3600) << 24;
    QTest::newRow("3600, 48") << int(sim::Model::S3600) << 48;
}

void SwitchSimListing::layout()
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

void SwitchSimListing::startingConfigRoundTrip()
{
    sim::SwitchProfile profile;
    profile.model = sim::Model::S3600;
    profile.address = "10.0.0.1";
    sim::SwitchConfig config("Lab3600", 24);
    config.port(1).shutdown = true;
    config.setAccessVlan(2, 30);
    config.setLinkType(3, sim::LinkType::Trunk);
    config.port(3).trunkPermit = {1, 10, 11, 12, 40};
    config.addUserBind(4, {"000f-e212-3456", "10.1.1.5"});
    config.addUserBind(4, {"000f-e212-3457", "10.1.1.6"});
    config.setLinkType(5, sim::LinkType::Hybrid);
    config.port(6).extraLines = {" description printer"};
    config.extraBlocks = {{"ntp-service unicast-server 10.0.0.254"}};

    std::string text;
    for (const std::string &line : sim::writeConfig(config, profile))
        text += line + "\r\n";
    sim::SwitchConfig read("default", 24);
    std::string error;
    QVERIFY2(sim::readConfig(text, sim::buildCommandSet(profile.model, 24), read, error), error.c_str());
    QCOMPARE(read.sysname, config.sysname);
    QVERIFY(read.vlans == config.vlans);
    for (int p = 1; p <= 24; ++p)
        QVERIFY2(read.port(p) == config.port(p), qPrintable(QString::number(p)));
    QVERIFY(read.extraBlocks == config.extraBlocks);
    QCOMPARE(sim::writeConfig(read, profile), sim::writeConfig(config, profile));
}

void SwitchSimListing::startingConfigKeepsUnknownLines()
{
    // Extra lines make a listing longer, e.g. to need more pages than the program pages through.
    const std::string text = "#\n sysname Edge3100\n#\nvlan 10\n#\n"
                             "interface Ethernet1/0/7\n description lab bench\n port access vlan 10\n"
                             " broadcast-suppression 20\n#\nreturn\n";
    sim::SwitchConfig config("default", 24);
    std::string error;
    QVERIFY(sim::readConfig(text, sim::buildCommandSet(sim::Model::S3100, 24), config, error));
    QCOMPARE(config.sysname, std::string("Edge3100"));
    QCOMPARE(config.port(7).accessVlan, 10);
    QCOMPARE(config.port(7).extraLines, (std::vector<std::string>{" description lab bench", " broadcast-suppression 20"}));
    const auto lines = sim::writeConfig(config, {});
    const auto at = std::find(lines.begin(), lines.end(), "interface Ethernet1/0/7");
    QVERIFY(at != lines.end());
    QCOMPARE(std::vector<std::string>(at, at + 5),
             (std::vector<std::string>{"interface Ethernet1/0/7", " port access vlan 10", " description lab bench",
                                       " broadcast-suppression 20", "#"}));
}

void SwitchSimListing::startingConfigErrors_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("port beyond the switch") << QByteArray("#\n sysname X\n#\ninterface Ethernet1/0/25\n#\n")
                                            << "line 4: Ethernet1/0/25 is not a port of a 24-port switch";
    QTest::newRow("port of another slot") << QByteArray("#\ninterface Ethernet2/0/1\n#\n")
                                          << "line 2: Ethernet2/0/1 is not a port of a 24-port switch";
    QTest::newRow("VLAN out of range") << QByteArray("#\nvlan 5000\n#\n") << "line 2: not a VLAN: vlan 5000";
}

void SwitchSimListing::startingConfigErrors()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    sim::SwitchConfig config("default", 24);
    std::string message;
    QVERIFY(!sim::readConfig(text.toStdString(), sim::buildCommandSet(sim::Model::S3100, 24), config, message));
    QCOMPARE(QString::fromStdString(message), error);
}

void SwitchSimListing::lineDelayPacesOutput()
{
    SimRig::Setup setup;
    setup.lineDelayMs = 40;
    SimRig rig(setup);
    QCOMPARE(rig.type("\r"), QByteArray("\r\n")); // the prompt waits for the next line slot
    QCOMPARE(rig.wait(39), QByteArray());
    QCOMPARE(rig.wait(1), QByteArray("<SW3100-A>"));
    QCOMPARE(rig.type("dis cu\r"), QByteArray("dis cu\r\n"));
    QCOMPARE(rig.wait(40), QByteArray("#\r\n"));
    QCOMPARE(rig.wait(40), QByteArray(" sysname SW3100-A\r\n"));
    // Typing goes on while the listing trickles out; its echo comes after the queued lines.
    QCOMPARE(rig.type("q"), QByteArray());
    const QByteArray rest = rig.wait(40 * 30);
    QVERIFY(rest.endsWith("\x1b[42D<SW3100-A>"));
    QCOMPARE(rest.count("\r\n"), 22);
}

QTEST_GUILESS_MAIN(SwitchSimListing)
#include "tst_switchsimlisting.moc"

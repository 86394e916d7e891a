// Port-setting lists: what each pick pushes into the serial control and the status label, how
// loaded values are selected, and the error path of an unusable settings string.
#include "console/linesettings.h"
#include "console/portsettings.h"
#include "support/fakeserialcontrol.h"
#include "support/messagerecorder.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <memory>

using namespace tarnwell;

namespace {

struct Fixture {
    QComboBox c2, c3, c4, c5, c6, c7;
    QLabel label;
    test::FakeSerialControl serial;
    PortSettings::Controls controls{&c2, &c3, &c4, &c5, &c6, &c7, &label};
    std::unique_ptr<PortSettings> settings;

    Fixture()
    {
        PortSettings::populate(controls);
        // The real serial layer's check, so refused strings behave as in the program.
        serial.acceptSettings = [](const QString &s) {
            try {
                parseLineSettings(s);
                return true;
            } catch (...) {
                return false;
            }
        };
        settings = std::make_unique<PortSettings>(serial, controls);
        settings->connectLists();
    }
};

const QString kHandshake = QStringLiteral(" 握手:");

} // namespace

class TestPortSettings : public QObject {
    Q_OBJECT
private slots:
    void defaultsOnFirstStart();
    void eachPickIsAppliedAtOnce_data();
    void eachPickIsAppliedAtOnce();
    void fillFromLoaded_data();
    void fillFromLoaded();
    void storedParityLetter_data();
    void storedParityLetter();
    void nothingAppliedWhileDisabled();
    void closesAnOpenPortBeforeApplying();
};

void TestPortSettings::defaultsOnFirstStart()
{
    Fixture f;
    QCOMPARE(f.label.text(), QStringLiteral("当前设置:COM3 9600,N,8,1"));
    QCOMPARE(f.c2.currentIndex(), -1); // nothing selected before the fill
    test::MessageRecorder boxes;
    f.settings->FillCommLists();
    QCOMPARE(f.c2.currentText(), QStringLiteral("COM3"));
    QCOMPARE(f.c4.currentText(), QStringLiteral("无"));
    QCOMPARE(f.serial.commPort(), 3);
    QCOMPARE(f.serial.settings(), QStringLiteral("9600,n,8,1"));
    QCOMPARE(f.serial.handshaking(), 0);
    QCOMPARE(f.label.text(), QStringLiteral("设置:COM3 9600,n,8,1") + kHandshake + QStringLiteral("无"));
    QVERIFY(f.settings->ApplyEnabled);
    QVERIFY(f.settings->applied());
    QVERIFY(boxes.boxes.isEmpty());
    QCOMPARE(f.settings->CommSettings.Check, QStringLiteral("n"));
    QCOMPARE(f.settings->CommSettings.Stop, QStringLiteral("1"));
}

void TestPortSettings::eachPickIsAppliedAtOnce_data()
{
    QTest::addColumn<int>("list"); // 2..7
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("handshake");
    QTest::addColumn<QString>("labelEnd");
    QTest::newRow("odd parity") << 4 << 1 << 3 << "9600,o,8,1" << 0 << "无";
    QTest::newRow("even parity") << 4 << 2 << 3 << "9600,e,8,1" << 0 << "无";
    QTest::newRow("38400") << 3 << 5 << 3 << "38400,n,8,1" << 0 << "无";
    QTest::newRow("1200") << 3 << 0 << 3 << "1200,n,8,1" << 0 << "无";
    QTest::newRow("1.5 stop bits") << 6 << 1 << 3 << "9600,n,8,1.5" << 0 << "无";
    QTest::newRow("7 data bits") << 5 << 2 << 3 << "9600,n,7,1" << 0 << "无";
    QTest::newRow("RTSXon/Xoff") << 7 << 3 << 3 << "9600,n,8,1" << 3 << "RTSXon/Xoff";
    QTest::newRow("Xon/Xoff") << 7 << 1 << 3 << "9600,n,8,1" << 1 << "Xon/Xoff";
    QTest::newRow("COM10") << 2 << 9 << 10 << "9600,n,8,1" << 0 << "无";
    QTest::newRow("COM16") << 2 << 15 << 16 << "9600,n,8,1" << 0 << "无";
}

void TestPortSettings::eachPickIsAppliedAtOnce()
{
    QFETCH(int, list);
    QFETCH(int, index);
    QFETCH(int, port);
    QFETCH(QString, settings);
    QFETCH(int, handshake);
    QFETCH(QString, labelEnd);
    Fixture f;
    f.settings->FillCommLists();
    QComboBox *lists[] = {&f.c2, &f.c3, &f.c4, &f.c5, &f.c6, &f.c7};
    lists[list - 2]->setCurrentIndex(index); // a pick raises the selection event
    QCOMPARE(f.serial.commPort(), port);
    QCOMPARE(f.serial.settings(), settings);
    QCOMPARE(f.serial.handshaking(), handshake);
    QCOMPARE(f.label.text(),
             QStringLiteral("设置:COM%1 %2").arg(port).arg(settings) + kHandshake + labelEnd);
    const auto &rec = f.settings->CommSettings;
    QCOMPARE(int(rec.PortNum), port);
    QCOMPARE(QString::number(rec.Speed) + ',' + rec.Check + ',' + QString::number(rec.Data) + ','
                 + rec.Stop, settings);
    QCOMPARE(int(rec.HandShake), handshake);
}

void TestPortSettings::fillFromLoaded_data()
{
    QTest::addColumn<int>("portNum");
    QTest::addColumn<int>("speed");
    QTest::addColumn<QString>("check");
    QTest::addColumn<int>("data");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<int>("handshake");
    QTest::addColumn<QString>("expectedSettings");
    QTest::addColumn<int>("expectedPort");
    QTest::newRow("stored values") << 5 << 38400 << "e" << 7 << "2" << 2 << "38400,e,7,2" << 5;
    QTest::newRow("port 0 falls back") << 0 << 38400 << "e" << 7 << "2" << 2 << "9600,n,8,1" << 3;
    QTest::newRow("port 17 falls back") << 17 << 38400 << "e" << 7 << "2" << 2 << "9600,n,8,1" << 3;
    QTest::newRow("odd speed falls back") << 5 << 9601 << "o" << 8 << "1" << 0 << "9600,n,8,1" << 3;
    QTest::newRow("stop 3 falls back") << 5 << 9600 << "o" << 8 << "3" << 0 << "9600,n,8,1" << 3;
    QTest::newRow("data 9 falls back") << 5 << 9600 << "o" << 9 << "1" << 0 << "9600,n,8,1" << 3;
    QTest::newRow("handshake 4 falls back") << 5 << 9600 << "o" << 8 << "1" << 4 << "9600,n,8,1" << 3;
}

void TestPortSettings::fillFromLoaded()
{
    QFETCH(int, portNum);
    QFETCH(int, speed);
    QFETCH(QString, check);
    QFETCH(int, data);
    QFETCH(QString, stop);
    QFETCH(int, handshake);
    QFETCH(QString, expectedSettings);
    QFETCH(int, expectedPort);
    Fixture f;
    test::MessageRecorder boxes;
    f.settings->CommSettings = {qint16(portNum), speed, check, qint16(data), stop, qint16(handshake)};
    f.settings->SettingsLoaded = true;
    f.settings->FillCommLists();
    QVERIFY(boxes.boxes.isEmpty()); // falling back is silent
    QCOMPARE(f.serial.settings(), expectedSettings);
    QCOMPARE(f.serial.commPort(), expectedPort);
    QCOMPARE(f.c2.currentText(), QStringLiteral("COM%1").arg(expectedPort));
    QVERIFY(f.settings->ApplyEnabled);
}

void TestPortSettings::storedParityLetter_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("settings");
    QTest::newRow("N as the status label shows it") << "N" << "9600,n,8,1";
    QTest::newRow("upper-case O") << "O" << "9600,o,8,1";
    QTest::newRow("empty: the default entry") << "" << "9600,n,8,1";
    QTest::newRow("unknown: the default entry") << "x" << "9600,n,8,1";
}

// A parity letter in either case selects its entry; a missing or unknown one the default entry,
// without a message; the other stored values are selected as usual.
void TestPortSettings::storedParityLetter()
{
    QFETCH(QString, check);
    QFETCH(QString, settings);
    Fixture f;
    test::MessageRecorder boxes;
    f.settings->CommSettings = {5, 9600, check, 8, QStringLiteral("1"), 0};
    f.settings->SettingsLoaded = true;
    f.settings->FillCommLists();
    QVERIFY(boxes.boxes.isEmpty());
    QCOMPARE(f.serial.settings(), settings);
    QCOMPARE(f.serial.commPort(), 5);
    QCOMPARE(f.settings->CommSettings.Check, settings.section(u',', 1, 1));
    QVERIFY(f.settings->applied());
}

void TestPortSettings::nothingAppliedWhileDisabled()
{
    Fixture f;
    f.settings->FillCommLists();
    f.settings->ApplyEnabled = false; // as while the port is open
    f.c3.setCurrentIndex(0);
    QCOMPARE(f.serial.settings(), QStringLiteral("9600,n,8,1"));
    f.settings->ApplyEnabled = true;
    f.c3.setCurrentIndex(1);
    QCOMPARE(f.serial.settings(), QStringLiteral("2400,n,8,1"));
}

void TestPortSettings::closesAnOpenPortBeforeApplying()
{
    Fixture f;
    f.settings->FillCommLists();
    f.serial.setPortOpen(true);
    f.c3.setCurrentIndex(0);
    QVERIFY(!f.serial.portOpen());
    QCOMPARE(f.serial.settings(), QStringLiteral("1200,n,8,1"));
}

QTEST_MAIN(TestPortSettings)
#include "test_portsettings.moc"

// The real serial control over a pseudo-terminal: open/close, bytes both ways, GBK, device loss.
#include "base/error.h"
#include "serial/portresolver.h"
#include "serial/portserialcontrol.h"
#include "support/pty.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <termios.h>

using namespace tarnwell;

class TestSerialControl : public QObject {
    Q_OBJECT
private slots:
    void opensTheOverriddenDeviceAndSendsBytesExactly();
    void decodesGbkSplitAcrossReads_data();
    void decodesGbkSplitAcrossReads();
    void lineSettingsReachTheDevice_data();
    void lineSettingsReachTheDevice();
    void speedChangesWhileOpen_data();
    void speedChangesWhileOpen();
    void breakHoldsTheLineForAWhile();
};

void TestSerialControl::opensTheOverriddenDeviceAndSendsBytesExactly()
{
    test::ConfigHome home;
    test::Pty pty;
    home.linkPort(5, pty.slavePath());
    PortSerialControl serial;
    home.confine(serial);
    serial.setCommPort(5);
    serial.setPortOpen(true);
    QVERIFY(serial.portOpen());
    QCOMPARE(serial.deviceName(), pty.slavePath());

    // Every byte value the program can produce from text, plus GBK for Chinese.
    serial.output(QStringLiteral("dis cu\r\t ?") + QChar(11) + QStringLiteral("中文"));
    const QByteArray expected = QByteArray("dis cu\r\t ?\x0b") + QByteArray("\xd6\xd0\xce\xc4");
    QVERIFY(pty.waitForReceived(expected.size()));
    QCOMPARE(pty.received(), expected);

    serial.setPortOpen(false);
    QVERIFY(!serial.portOpen());
    serial.setPortOpen(false); // closing a closed port does nothing
}

void TestSerialControl::decodesGbkSplitAcrossReads_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("expected");
    QTest::newRow("split inside a character") << QByteArray("ab\xd6") << QByteArray("\xd0" "cd")
                                              << QStringLiteral("ab中cd");
    QTest::newRow("invalid byte becomes replacement") << QByteArray("a\xff" "b") << QByteArray()
                                                      << QStringLiteral("a\uFFFDb");
}

void TestSerialControl::decodesGbkSplitAcrossReads()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, expected);
    test::ConfigHome home;
    test::Pty pty;
    home.linkPort(1, pty.slavePath());
    PortSerialControl serial;
    home.confine(serial);
    serial.setCommPort(1);
    serial.setPortOpen(true);

    QString got;
    connect(&serial, &SerialControl::onComm, this, [&] { got += serial.input(); });
    pty.write(first);
    QVERIFY(QTest::qWaitFor([&] { return !got.isEmpty() || first.size() < 4; }, 5000));
    QTest::qWait(50); // let the first chunk arrive on its own
    if (!second.isEmpty())
        pty.write(second);
    QVERIFY2(QTest::qWaitFor([&] { return got == expected; }, 5000), qPrintable(got));
}

void TestSerialControl::lineSettingsReachTheDevice_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("handshake");
    QTest::addColumn<int>("speed");
    QTest::addColumn<uint>("cflagsSet"); // of PARODD CSTOPB CRTSCTS (a pty always clears PARENB)
    QTest::addColumn<uint>("iflagsSet"); // of IXON IXOFF

    QTest::newRow("38400 n 8 1") << "38400,n,8,1" << 0 << int(B38400) << 0u << 0u;
    QTest::newRow("odd, Xon/Xoff") << "9600,o,8,1" << 1 << int(B9600) << uint(PARODD)
                                   << uint(IXON | IXOFF);
    QTest::newRow("even, 2 stop, RTS") << "1200,e,7,2" << 2 << int(B1200) << uint(CSTOPB | CRTSCTS)
                                       << 0u;
    QTest::newRow("RTS and Xon/Xoff") << "2400,n,8,1" << 3 << int(B2400) << uint(CRTSCTS)
                                      << uint(IXON | IXOFF);
}

// What the lists choose is what the device is set to when the port opens.
void TestSerialControl::lineSettingsReachTheDevice()
{
    QFETCH(QString, settings);
    QFETCH(int, handshake);
    QFETCH(int, speed);
    QFETCH(uint, cflagsSet);
    QFETCH(uint, iflagsSet);
    test::ConfigHome home;
    test::Pty pty;
    home.linkPort(4, pty.slavePath());
    PortSerialControl serial;
    home.confine(serial);
    serial.setCommPort(4);
    serial.setSettings(settings);
    serial.setHandshaking(handshake);
    QVERIFY_THROWS_EXCEPTION(Error, serial.setSettings(QStringLiteral("9600,,8,1")));
    serial.setPortOpen(true);
    termios tio{};
    QCOMPARE(::tcgetattr(pty.masterFd(), &tio), 0);
    QCOMPARE(int(cfgetospeed(&tio)), speed);
    QCOMPARE(uint(tio.c_cflag & (PARODD | CSTOPB | CRTSCTS)), cflagsSet);
    QCOMPARE(uint(tio.c_iflag & (IXON | IXOFF)), iflagsSet);
}

void TestSerialControl::speedChangesWhileOpen_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("speed"); // what the device is set to afterwards
    QTest::addColumn<bool>("refused");
    QTest::newRow("115200") << "115200,n,8,1" << int(B115200) << false;
    QTest::newRow("57600") << "57600,n,8,1" << int(B57600) << false;
    QTest::newRow("down to 1200") << "1200,n,8,1" << int(B1200) << false;
    QTest::newRow("1.5 stop bits refused, speed kept") << "115200,n,8,1.5" << int(B9600) << true;
}

// A new speed reaches the open device without closing it, and bytes still flow afterwards.
void TestSerialControl::speedChangesWhileOpen()
{
    QFETCH(QString, settings);
    QFETCH(int, speed);
    QFETCH(bool, refused);
    test::ConfigHome home;
    test::Pty pty;
    home.linkPort(2, pty.slavePath());
    PortSerialControl serial;
    home.confine(serial);
    serial.setCommPort(2);
    serial.setPortOpen(true);
    QSignalSpy closed(&serial, &SerialControl::closed);
    if (refused)
        QVERIFY_THROWS_EXCEPTION(Error, serial.setSettings(settings));
    else
        serial.setSettings(settings);
    QCOMPARE(serial.settings(), refused ? QStringLiteral("9600,n,8,1") : settings);
    termios tio{};
    QCOMPARE(::tcgetattr(pty.masterFd(), &tio), 0);
    QCOMPARE(int(cfgetospeed(&tio)), speed);
    QVERIFY(serial.portOpen());
    QCOMPARE(closed.count(), 0);
    serial.outputBytes(QByteArray("\x01\x00\xfe", 3));
    QVERIFY(pty.waitForReceived(3));
    QCOMPARE(pty.received(), QByteArray("\x01\x00\xfe", 3));
}

// A pty has no line to hold, so what is seen is the call: the break state on, then off by itself.
void TestSerialControl::breakHoldsTheLineForAWhile()
{
    test::ConfigHome home;
    test::Pty pty;
    home.linkPort(3, pty.slavePath());
    PortSerialControl serial;
    home.confine(serial);
    serial.setCommPort(3);
    QVERIFY_THROWS_EXCEPTION(Error, serial.sendBreak());
    serial.setPortOpen(true);
    QElapsedTimer held;
    held.start();
    serial.sendBreak();
    QVERIFY(serial.breakActive());
    serial.sendBreak(); // part of the one that lasts
    QTRY_VERIFY_WITH_TIMEOUT(!serial.breakActive(), 5000);
    QVERIFY(held.elapsed() >= SerialControl::kBreakMs - 5);
    QVERIFY(serial.portOpen());
}

QTEST_MAIN(TestSerialControl)
#include "test_serialcontrol.moc"

// The real serial control over a pseudo-terminal: open/close, bytes both ways, GBK, device loss.
#include "console/error.h"
#include "console/portresolver.h"
#include "console/portserialcontrol.h"
#include "support/pty.h"

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
    void openErrorsNameDeviceAndCause_data();
    void openErrorsNameDeviceAndCause();
    void secondOpenOfSameDeviceIsBusy();
    void farEndClosingClosesThePortOnce_data();
    void farEndClosingClosesThePortOnce();
    void outputWhileClosedThrows();
    void settingsTakeEffectAtOpen();
};

void TestSerialControl::opensTheOverriddenDeviceAndSendsBytesExactly()
{
    test::ConfigHome home;
    test::Pty pty;
    home.linkPort(5, pty.slavePath());
    PortSerialControl serial;
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
    QTest::newRow("whole") << QByteArray("\xd6\xd0\xce\xc4") << QByteArray() << QStringLiteral("中文");
    QTest::newRow("split inside a character") << QByteArray("ab\xd6") << QByteArray("\xd0" "cd")
                                              << QStringLiteral("ab中cd");
    QTest::newRow("invalid byte becomes replacement") << QByteArray("a\xff" "b") << QByteArray()
                                                      << QStringLiteral("a\uFFFDb");
    QTest::newRow("control bytes pass unchanged") << QByteArray("\r\n\x1b[42D\x08") << QByteArray("\x00", 1)
                                                  << QString::fromLatin1("\r\n\x1b[42D\x08") + QChar(0);
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

void TestSerialControl::openErrorsNameDeviceAndCause_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expectedWords");
    QTest::newRow("no device for COMn") << "none" << "COM7 没有对应的串口设备";
    QTest::newRow("dangling override") << "dangling" << "没有这个设备";
    QTest::newRow("directory") << "directory" << "目录";
}

void TestSerialControl::openErrorsNameDeviceAndCause()
{
    QFETCH(QString, kind);
    QFETCH(QString, expectedWords);
    test::ConfigHome home;
    QTemporaryDir empty; // no /dev devices and no sysfs: nothing is detected
    PortSerialControl serial;
    serial.setResolver(PortResolver(empty.path(), empty.path()));
    if (kind == QLatin1String("dangling"))
        home.linkPort(7, empty.path() + QStringLiteral("/ttyUSB9"));
    else if (kind == QLatin1String("directory"))
        home.linkPort(7, empty.path());
    serial.setCommPort(7);
    try {
        serial.setPortOpen(true);
        QFAIL("open succeeded");
    } catch (const Error &e) {
        QVERIFY2(e.description().contains(expectedWords), qPrintable(e.description()));
        if (kind != QLatin1String("none"))
            QVERIFY2(e.description().contains(empty.path()), qPrintable(e.description()));
    }
    QVERIFY(!serial.portOpen());
}

void TestSerialControl::secondOpenOfSameDeviceIsBusy()
{
    test::ConfigHome home;
    test::Pty pty;
    home.linkPort(2, pty.slavePath());
    PortSerialControl first, second;
    first.setCommPort(2);
    second.setCommPort(2);
    first.setPortOpen(true);
    try {
        second.setPortOpen(true);
        QFAIL("second open succeeded");
    } catch (const Error &e) {
        QVERIFY2(e.description().contains(QStringLiteral("占用")), qPrintable(e.description()));
        QVERIFY(e.description().contains(pty.slavePath()));
    }
    QVERIFY(!second.portOpen());
}

void TestSerialControl::farEndClosingClosesThePortOnce_data()
{
    QTest::addColumn<bool>("writeFirst");
    QTest::newRow("noticed while reading") << false;
    QTest::newRow("noticed by a write") << true;
}

void TestSerialControl::farEndClosingClosesThePortOnce()
{
    QFETCH(bool, writeFirst);
    test::ConfigHome home;
    auto pty = std::make_unique<test::Pty>();
    home.linkPort(3, pty->slavePath());
    const QString device = pty->slavePath();
    PortSerialControl serial;
    serial.setCommPort(3);
    serial.setPortOpen(true);
    QSignalSpy lost(&serial, &SerialControl::portLost);
    pty.reset(); // master and our slave fd gone: the device hangs up
    if (writeFirst) {
        // Before the event loop sees the hang-up: the write must not report success.
        QVERIFY_THROWS_EXCEPTION(PortLostError, serial.output(QStringLiteral("dis cu\r")));
        QCOMPARE(lost.count(), 1);
    } else {
        QVERIFY(lost.wait(5000));
    }
    QVERIFY(!serial.portOpen());
    QTest::qWait(200);
    QCOMPARE(lost.count(), 1);
    QVERIFY(lost.at(0).at(0).toString().contains(device));
}

void TestSerialControl::outputWhileClosedThrows()
{
    PortSerialControl serial;
    QVERIFY_THROWS_EXCEPTION(Error, serial.output(QStringLiteral("x")));
    QVERIFY(serial.input().isEmpty());
}

void TestSerialControl::settingsTakeEffectAtOpen()
{
    test::ConfigHome home;
    test::Pty pty;
    home.linkPort(4, pty.slavePath());
    PortSerialControl serial;
    serial.setCommPort(4);
    serial.setSettings(QStringLiteral("38400,n,8,1"));
    QCOMPARE(serial.settings(), QStringLiteral("38400,n,8,1"));
    QVERIFY_THROWS_EXCEPTION(Error, serial.setSettings(QStringLiteral("9600,,8,1")));
    QCOMPARE(serial.settings(), QStringLiteral("38400,n,8,1")); // refused string leaves it
    serial.setPortOpen(true);
    termios tio{};
    QCOMPARE(::tcgetattr(pty.masterFd(), &tio), 0);
    QCOMPARE(cfgetospeed(&tio), speed_t(B38400));
}

QTEST_MAIN(TestSerialControl)
#include "test_serialcontrol.moc"

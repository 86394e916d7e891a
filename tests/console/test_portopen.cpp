// Opening the real serial control when the device is not free or cannot do what is asked: other
// programs' lock files and exclusive opens, 1.5 stop bits, a COM number without a device; and
// what the messages tell the user.
#include "console/error.h"
#include "console/portserialcontrol.h"
#include "support/files.h"
#include "support/pty.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace tarnwell;

namespace {

// The error the open raises; empty when it opened.
QString openError(PortSerialControl &serial)
{
    try {
        serial.setPortOpen(true);
    } catch (const Error &e) {
        return e.description();
    }
    return {};
}

qint64 finishedPid()
{
    QProcess p;
    p.start(QStringLiteral("true"), {});
    p.waitForFinished();
    return p.processId() > 0 ? p.processId() : 999999;
}

// Only the COMn links of the test's configuration resolve; no device of the machine is found.
void safeResolver(PortSerialControl &serial)
{
    static QTemporaryDir none;
    serial.setResolver(PortResolver(none.path(), none.path()));
    serial.setCommPort(3);
}

} // namespace

class TestPortOpen : public QObject {
    Q_OBJECT
private slots:
    void lockFileOfAnotherProgram_data();
    void lockFileOfAnotherProgram();
    void exclusiveOpenByAnotherProgram();
    void oneAndAHalfStopBitsRefused();
    void noDeviceNamesThePortsThatHaveOne();
    void lostDeviceMessageIsChineseOnly();
};

void TestPortOpen::lockFileOfAnotherProgram_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("UUCP text PID, live, an hour old") << QByteArray("         1\n") << "进程 1";
    QTest::newRow("binary PID, live") << QByteArray("\x01\x00\x00\x00", 4) << "进程 1";
    QTest::newRow("PID of a finished process") << QByteArray::number(finishedPid()) + '\n' << "不在运行";
    QTest::newRow("no PID to read") << QByteArray("busy\n") << "sudo rm";
}

// Honoured however old, never removed.
void TestPortOpen::lockFileOfAnotherProgram()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, mentions);
    test::ConfigHome home;
    test::Pty pty;
    QTemporaryDir locks;
    home.linkPort(3, pty.slavePath());
    const QString lock = locks.path() + QStringLiteral("/LCK..") + pty.slavePath().mid(5).replace(u'/', u'_');
    test::writeFile(lock, content);
    QFile f(lock);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    f.close();

    PortSerialControl serial;
    safeResolver(serial);
    serial.setLockDirectories({locks.path()});
    const QString error = openError(serial);
    QVERIFY2(error.contains(mentions) && error.contains(lock), qPrintable(error));
    QVERIFY(!serial.portOpen());
    QCOMPARE(test::readFile(lock), content);
}

void TestPortOpen::exclusiveOpenByAnotherProgram()
{
    test::ConfigHome home;
    test::Pty pty;
    home.linkPort(3, pty.slavePath());
    const int other = ::open(QFile::encodeName(pty.slavePath()).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(other >= 0);
    QCOMPARE(::ioctl(other, TIOCEXCL), 0);
    QTemporaryDir locks;
    PortSerialControl serial;
    safeResolver(serial);
    serial.setLockDirectories({locks.path()});
    const QString error = openError(serial);
    ::ioctl(other, TIOCNXCL);
    ::close(other);
    QVERIFY2(error.contains(QStringLiteral("占用")) || error.contains(QStringLiteral("独占")), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("ModemManager")) && error.contains(QStringLiteral("brltty")), qPrintable(error));
    QVERIFY(!serial.portOpen());
}

void TestPortOpen::oneAndAHalfStopBitsRefused()
{
    test::ConfigHome home;
    test::Pty pty;
    home.linkPort(3, pty.slavePath());
    QTemporaryDir locks;
    PortSerialControl serial;
    safeResolver(serial);
    serial.setLockDirectories({locks.path()});
    serial.setSettings(QStringLiteral("9600,n,8,1.5"));
    const QString error = openError(serial);
    QVERIFY2(error.contains(QStringLiteral("1.5")), qPrintable(error));
    QVERIFY(!serial.portOpen());
    serial.setSettings(QStringLiteral("9600,n,8,2"));
    QVERIFY(openError(serial).isEmpty());
}

void TestPortOpen::noDeviceNamesThePortsThatHaveOne()
{
    test::ConfigHome home;
    QTemporaryDir dev;
    test::writeFile(dev.filePath(QStringLiteral("ttyUSB0")), "");
    test::writeFile(dev.filePath(QStringLiteral("ttyACM0")), "");
    PortSerialControl serial;
    serial.setResolver(PortResolver(dev.path(), dev.path()));
    serial.setCommPort(3);
    const QString error = openError(serial);
    QVERIFY2(error.contains(QStringLiteral("COM3")) && error.contains(QStringLiteral("COM1("))
                 && error.contains(QStringLiteral("COM2(")), qPrintable(error));
}

void TestPortOpen::lostDeviceMessageIsChineseOnly()
{
    test::ConfigHome home;
    auto pty = std::make_unique<test::Pty>();
    const QString device = pty->slavePath();
    home.linkPort(3, device);
    QTemporaryDir locks;
    PortSerialControl serial;
    safeResolver(serial);
    serial.setLockDirectories({locks.path()});
    serial.setPortOpen(true);
    QSignalSpy lost(&serial, &SerialControl::portLost);
    pty.reset();
    QVERIFY(lost.wait(5000));
    const QString text = lost.at(0).at(0).toString().remove(device);
    QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("[A-Za-z]{4,}"))), qPrintable(text));
}

QTEST_MAIN(TestPortOpen)
#include "test_portopen.moc"

// Opening the real serial control when the device is not free or cannot do what is asked:
// other programs' lock files and exclusive opens, 1.5 stop bits, a COM number without a device;
// and what the messages tell the user. Only the test's own links resolve: no device of the
// machine is ever reached.
#include "base/error.h"
#include "serial/portserialcontrol.h"
#include "support/files.h"
#include "support/pty.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace tarnwell;

class TestPortOpen : public QObject {
    Q_OBJECT
private slots:
    void refused_data();
    void refused();
    void lostDeviceMessageIsChineseOnly();
};

void TestPortOpen::refused_data()
{
    // "lock", "exclusive", "1.5", "no device", or what stands at the lock's name: "fifo",
    // "dangling link", "folder"; "unsearchable": the lock folder cannot be entered
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("lock");     // lock file content, an hour old
    QTest::addColumn<QStringList>("mentions");
    const QStringList busy{"进程 1", "LCK..", "ModemManager", "brltty"};
    const QByteArray gone = QByteArray::number(0x3fffffff); // above any PID Linux hands out
    QTest::newRow("UUCP text PID, live") << "lock" << QByteArray("         1\n") << busy;
    QTest::newRow("binary PID, live") << "lock" << QByteArray("\x01\x00\x00\x00", 4) << busy;
    QTest::newRow("PID of a finished process") << "lock" << gone + '\n' << QStringList{"不在运行", "sudo rm"};
    QTest::newRow("Qt lock of another program, finished")
        << "lock" << gone + "\nminicom\n" + QSysInfo::machineHostName().toUtf8() + "\nid\n"
        << QStringList{"不在运行", "sudo rm"};
    QTest::newRow("no PID to read") << "lock" << QByteArray("busy\n") << QStringList{"sudo rm"};
    // Never opened, so never waited on: a FIFO would block an open() for a writer for ever.
    QTest::newRow("FIFO at the lock's name") << "fifo" << QByteArray() << QStringList{"命名管道", "sudo rm", "LCK.."};
    QTest::newRow("dangling link at the lock's name") << "dangling link" << QByteArray() << QStringList{"符号链接", "gone", "sudo rm"};
    QTest::newRow("folder at the lock's name") << "folder" << QByteArray() << QStringList{"文件夹", "sudo rm -r"};
    QTest::newRow("lock folder that cannot be entered") << "unsearchable" << QByteArray() << QStringList{"无权进入锁文件夹", "chmod"};
    QTest::newRow("opened exclusively elsewhere") << "exclusive" << QByteArray() << QStringList{"ModemManager", "brltty"};
    QTest::newRow("1.5 stop bits") << "1.5" << QByteArray() << QStringList{"1.5"};
    QTest::newRow("no device: names those present") << "no device" << QByteArray() << QStringList{"COM3", "COM1(", "COM2("};
}

void TestPortOpen::refused()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, lock);
    QFETCH(QStringList, mentions);
    test::ConfigHome home;
    test::Pty pty;
    QTemporaryDir dev, locks;
    PortSerialControl serial;
    serial.setResolver(PortResolver(dev.path(), dev.path()));
    serial.setLockDirectories({locks.path()});
    serial.setCommPort(3);
    if (kind == u"no device") {
        test::writeFile(dev.filePath(QStringLiteral("ttyUSB0")), "");
        test::writeFile(dev.filePath(QStringLiteral("ttyACM0")), "");
    } else {
        home.linkPort(3, pty.slavePath());
    }
    const QString lockPath = locks.filePath(QStringLiteral("LCK..") + pty.slavePath().mid(5).replace(u'/', u'_'));
    if (kind == u"lock") {
        test::writeFile(lockPath, lock);
        QFile f(lockPath);
        QVERIFY(f.open(QIODevice::ReadWrite)
                && f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    }
    const int other = kind == u"exclusive" ? ::open(QFile::encodeName(pty.slavePath()).constData(), O_RDWR | O_NOCTTY) : -1;
    if (other >= 0)
        QCOMPARE(::ioctl(other, TIOCEXCL), 0);
    if (kind == u"1.5")
        serial.setSettings(QStringLiteral("9600,n,8,1.5"));
    const QByteArray lockName = QFile::encodeName(lockPath);
    if (kind == u"fifo")
        QCOMPARE(::mkfifo(lockName.constData(), 0666), 0);
    if (kind == u"dangling link")
        QCOMPARE(::symlink(QFile::encodeName(locks.filePath(QStringLiteral("gone"))).constData(), lockName.constData()), 0);
    if (kind == u"folder")
        QVERIFY(QDir().mkdir(lockPath));
    if (kind == u"unsearchable") {
        QCOMPARE(::chmod(QFile::encodeName(locks.path()).constData(), 0), 0);
        // The port's override link stays readable for the ordinary user the open runs as.
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        for (const QString &dir : {config, config + QStringLiteral("/tarnwell"), config + QStringLiteral("/tarnwell/ports")})
            QCOMPARE(::chmod(QFile::encodeName(dir).constData(), 0755), 0);
    }

    QString error;
    // Root enters any folder: the open runs as an ordinary user there.
    const bool asNobody = kind == u"unsearchable" && ::geteuid() == 0 && ::seteuid(65534) == 0;
    try {
        serial.setPortOpen(true);
    } catch (const Error &e) {
        error = e.description();
    }
    if (asNobody)
        QCOMPARE(::seteuid(0), 0);
    ::chmod(QFile::encodeName(locks.path()).constData(), 0700);
    if (other >= 0)
        ::close(other);
    for (const QString &word : mentions)
        QVERIFY2(error.contains(word), qPrintable(error));
    QVERIFY(!serial.portOpen());
    if (kind == u"lock")
        QCOMPARE(test::readFile(lockPath), lock); // never removed or taken over
}

void TestPortOpen::lostDeviceMessageIsChineseOnly()
{
    test::ConfigHome home;
    auto pty = std::make_unique<test::Pty>();
    const QString device = pty->slavePath();
    home.linkPort(3, device);
    QTemporaryDir none;
    PortSerialControl serial;
    serial.setResolver(PortResolver(none.path(), none.path()));
    serial.setLockDirectories({none.path()});
    serial.setCommPort(3);
    serial.setPortOpen(true);
    QSignalSpy lost(&serial, &SerialControl::portLost);
    pty.reset();
    QVERIFY(lost.wait(5000));
    const QString text = lost.at(0).at(0).toString().remove(device);
    QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("[A-Za-z]{4,}"))), qPrintable(text));
}

QTEST_MAIN(TestPortOpen)
#include "test_portopen.moc"

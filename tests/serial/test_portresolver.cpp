// COMn resolution: user override first, then USB, ACM and UART-backed ttyS devices in numeric
// order; nothing is opened to find out.
#include "serial/portresolver.h"
#include "support/pty.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwell;

class TestPortResolver : public QObject {
    Q_OBJECT
private slots:
    void ordersDevicesByGroupAndNumber();
    void overrideWins();

private:
    // A fake /dev with the given names (plain files) and a sysfs with ttyS UART types.
    static void makeDevices(const QString &root, const QStringList &names,
                            const QMap<QString, QString> &uartTypes);
};

void TestPortResolver::makeDevices(const QString &root, const QStringList &names,
                                   const QMap<QString, QString> &uartTypes)
{
    QDir().mkpath(root + "/dev");
    for (const QString &n : names) {
        QFile f(root + "/dev/" + n);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    for (auto it = uartTypes.begin(); it != uartTypes.end(); ++it) {
        QDir().mkpath(root + "/sys/" + it.key());
        QFile f(root + "/sys/" + it.key() + "/type");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(it.value().toLatin1() + "\n");
    }
}

void TestPortResolver::ordersDevicesByGroupAndNumber()
{
    test::ConfigHome home;
    QTemporaryDir root;
    makeDevices(root.path(), {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyACM0", "ttyUSB10", "ttyUSB2", "ttyUSBx", "tty1"},
                {{"ttyS0", "4"}, {"ttyS1", "0"}, {"ttyS2", "4"}, {"ttyS10", "4"}});
    const PortResolver r(root.path() + "/dev", root.path() + "/sys");
    const QString dev = root.path() + "/dev/";
    QCOMPARE(r.detectedDevices(), QStringList({dev + "ttyUSB2", dev + "ttyUSB10", dev + "ttyACM0",
                                               dev + "ttyS0", dev + "ttyS2", dev + "ttyS10"}));
    QCOMPARE(r.resolve(1).device, dev + "ttyUSB2");
    QCOMPARE(r.resolve(3).device, dev + "ttyACM0");
    QCOMPARE(r.resolve(6).device, dev + "ttyS10");
    QVERIFY(r.resolve(7).device.isEmpty());
    QVERIFY(r.resolve(0).device.isEmpty());
}

void TestPortResolver::overrideWins()
{
    test::ConfigHome home;
    QTemporaryDir root;
    makeDevices(root.path(), {"ttyUSB0"}, {});
    test::Pty pty;
    home.linkPort(1, pty.slavePath());
    const PortResolver r(root.path() + "/dev", root.path() + "/sys");
    QCOMPARE(r.resolve(1).device, pty.slavePath());
    QVERIFY(r.resolve(1).override);
    QCOMPARE(r.resolve(2).device, QString()); // overrides do not shift the detected devices
    // A link to a by-id name, itself a relative link: the device behind both is opened, so its
    // lock is the one other programs take.
    const QString byId = root.path() + "/serial/by-id/usb-adapter-port0";
    QVERIFY(QDir().mkpath(root.path() + "/serial/by-id"));
    QVERIFY(QFile::link("../../dev/ttyUSB0", byId));
    home.linkPort(3, byId);
    QCOMPARE(r.resolve(3).device, QFileInfo(root.path() + "/dev/ttyUSB0").canonicalFilePath());
    home.linkPort(2, root.path() + "/dev/missing");
    QCOMPARE(r.resolve(2).device, root.path() + "/dev/missing"); // dangling: opening will say so
}

QTEST_APPLESS_MAIN(TestPortResolver)
#include "test_portresolver.moc"

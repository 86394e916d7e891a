// Start-up with settings files a person may well have: a parity letter in upper case or none,
// CR-only line ends, a value that cannot be read. No dialog that would come back at every
// start, the next save puts things right, and the port that opens is the one the label names.
#include "console/portserialcontrol.h"
#include "support/files.h"
#include "support/messagerecorder.h"
#include "support/pty.h"
#include "ui/frmmain.h"
#include "ui/memoryinfo.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace tarnwell;

namespace {

QString selections(const FrmMain &w)
{
    QStringList out;
    for (const QComboBox *c : {w.Combo2, w.Combo3, w.Combo4, w.Combo5, w.Combo6, w.Combo7})
        out << (c->currentIndex() < 0 ? QStringLiteral("-") : c->currentText());
    return out.join(u'|');
}

} // namespace

class TestStartupRecovery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { setMemoryStatusSource([] { return std::optional<MemoryStatus>(); }); }
    void cleanupTestCase() { setMemoryStatusSource(nullptr); }
    void fileAsWrittenByHand_data();
    void fileAsWrittenByHand();
    void failedLoadOpensWhatTheLabelShows();
};

void TestStartupRecovery::fileAsWrittenByHand_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QByteArray>("savedCheck"); // the Check line in the file after the close
    const QByteArray head = "[h3c_comm]\nPortNum=5\nSpeed=19200\n";
    const QByteArray tail = "Data=8\nStop=1\nHandShake=0\n";
    const QString com5 = QStringLiteral("COM5|19200|无|8|1|无");
    QTest::newRow("Check=N") << head + "Check=N\n" + tail << com5 << QByteArray("\nCheck=n\n");
    QTest::newRow("Check=O") << head + "Check=O\n" + tail << QStringLiteral("COM5|19200|奇校验|8|1|无")
                             << QByteArray("\nCheck=o\n");
    QTest::newRow("Check empty") << head + "Check=\n" + tail << com5 << QByteArray("\nCheck=n\n");
    QTest::newRow("no Check key") << head + tail << com5 << QByteArray("\nCheck=n\n");
    QTest::newRow("CR-only line ends")
        << QByteArray("[h3c_comm]\rPortNum=5\rSpeed=19200\rCheck=e\rData=7\rStop=2\rHandShake=1\r")
        << QStringLiteral("COM5|19200|偶校验|7|2|Xon/Xoff") << QByteArray("\rCheck=e\r");
}

void TestStartupRecovery::fileAsWrittenByHand()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, selected);
    QFETCH(QByteArray, savedCheck);
    test::ConfigHome home;
    const QString path = home.appDir() + QStringLiteral("/h3c_config.ini");
    test::writeFile(path, file);
    for (int run = 0; run < 2; ++run) {
        test::MessageRecorder boxes;
        FrmMain w;
        QVERIFY2(boxes.boxes.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
        QCOMPARE(selections(w), selected);
        QVERIFY(w.close());
        QVERIFY2(boxes.boxes.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
        const QByteArray saved = test::readFile(path);
        QVERIFY2(saved.contains(savedCheck), saved.constData());
        QCOMPARE(saved.count("Check="), 1);
    }
}

// The lists stay empty after the error dialog; the label names COM3 9600,N,8,1, and that is
// what opens.
void TestStartupRecovery::failedLoadOpensWhatTheLabelShows()
{
    test::ConfigHome home;
    test::Pty pty;
    home.linkPort(3, pty.slavePath());
    // Should another port open, it is never one of the machine's devices.
    for (int n : {1, 2, 4})
        home.linkPort(n, home.path() + QStringLiteral("/no-device"));
    test::writeFile(home.appDir() + QStringLiteral("/h3c_config.ini"),
                    "[h3c_comm]\nPortNum=x\nSpeed=9600\nCheck=n\nData=8\nStop=1\nHandShake=0\n");
    test::MessageRecorder boxes;
    FrmMain w;
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(selections(w), QStringLiteral("-|-|-|-|-|-"));
    QVERIFY(w.Lbl_ComSettings->text().contains(QStringLiteral("COM3 9600,N,8,1")));
    QTest::mouseClick(w.Cmd_Switch, Qt::LeftButton);
    QCOMPARE(boxes.boxes.size(), 1);
    auto *serial = qobject_cast<PortSerialControl *>(&w.serial());
    QVERIFY(serial && serial->portOpen());
    QCOMPARE(serial->deviceName(), pty.slavePath());
    QCOMPARE(serial->settings(), QStringLiteral("9600,n,8,1"));
    QVERIFY(w.close());
}

QTEST_MAIN(TestStartupRecovery)
#include "test_startup_recovery.moc"

// The far end of the console line vanishing (cable pulled, adapter gone): while the port is
// merely open, and while a script waits in one of its pauses. Afterwards the user sees one error
// dialog naming the device, the window in its Closed state (open caption, lamp unlit and still,
// port lists usable again), the script ended without a second dialog for its next write (the
// capture reports what came and says the port was lost), and the program idle rather than
// spinning on the dead device.
#include "support/window.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <sys/resource.h>

using namespace tarnwell;
using namespace tarnwell::test;
namespace {
// CPU time of this process (user + system), in milliseconds.
qint64 cpuMs()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return qint64(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}
} // namespace

class TestPortLost : public QObject {
    Q_OBJECT
private slots:
    void farEndVanishes_data();
    void farEndVanishes();
};

void TestPortLost::farEndVanishes_data()
{
    QTest::addColumn<QString>("script");   // button clicked after opening; empty: none
    QTest::addColumn<int>("vanishAtMs");   // after the click (or after opening)
    QTest::addColumn<QByteArray>("sent");  // what reached the line before the loss
    QTest::addColumn<QString>("then");     // the box after the error dialog, if any

    QTest::newRow("port open, idle") << QString() << 100 << QByteArray() << QString();
    // tel, user (500 ms each), then the password and its 1000 ms pause: lost in that pause.
    QTest::newRow("login waits after the user password")
        << QStringLiteral("Cmd_Login") << 1400 << QByteArray("tel 10.0.0.2\radmin\rsecret1\r") << QString();
    // "dis cu" and a paging space every second: lost after the third; the report says so.
    QTest::newRow("capture waits between paging spaces")
        << QStringLiteral("Cmd_GetBindInfo") << 2500 << QByteArray("dis cu\r   ")
        << QStringLiteral("串口设备已断开，配置列表没有收完，结果中没有任何端口。");
}

void TestPortLost::farEndVanishes()
{
    QFETCH(QString, script);
    QFETCH(int, vanishAtMs);
    QFETCH(QByteArray, sent);
    QFETCH(QString, then);

    WindowRig rig;
    FrmMain &w = rig.start();
    w.Txt_ManageIP->setText(QStringLiteral("10.0.0.2"));
    w.Txt_User_Name->setText(QStringLiteral("admin"));
    w.Txt_User_PSD->setText(QStringLiteral("secret1"));
    w.Txt_Super_Name->setText(QStringLiteral("super"));
    w.Txt_Super_PSD->setText(QStringLiteral("secret2"));

    w.Cmd_Switch->click();
    QVERIFY(w.serial().portOpen());
    QCOMPARE(w.Cmd_Switch->text(), QStringLiteral("点击关闭"));
    QVERIFY(!w.Combo2->isEnabled());

    QTimer::singleShot(vanishAtMs, &rig.pty, [&] {
        QVERIFY(rig.pty.waitForReceived(int(sent.size()), 5000));
        rig.pty.closeMaster();
    });
    if (script.isEmpty()) {
        QVERIFY(QTest::qWaitFor([&] { return !w.serial().portOpen(); }, 10000));
    } else {
        // The script runs inside the click and returns when it has ended.
        QPushButton *button = w.findChild<QPushButton *>(script);
        QVERIFY(button);
        button->click();
        QVERIFY(QTest::qWaitFor([&] { return !w.serial().portOpen(); }, 10000));
    }
    QCOMPARE(rig.pty.received(), sent);

    // The error dialog naming the device that went away, and what the capture got.
    if (!then.isEmpty()) {
        QVERIFY(QTest::qWaitFor([&] { return rig.boxes.boxes.size() == 2; }, 5000));
        QCOMPARE(rig.boxes.boxes[1].text, then);
        QVERIFY(w.reportText().startsWith(QStringLiteral("这是个")));
    }
    QCOMPARE(rig.boxes.boxes.size(), then.isEmpty() ? 1 : 2);
    QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("出错喽"));
    QVERIFY2(rig.boxes.boxes[0].text.contains(rig.pty.slavePath()), qPrintable(rig.boxes.boxes[0].text));
    QVERIFY(rig.boxes.boxes[0].text.endsWith(QStringLiteral(",请联系Dervik!")));

    // The Closed state.
    QCOMPARE(w.Cmd_Switch->text(), QStringLiteral("点击开启"));
    QVERIFY(!w.Timer2->isActive());
    QVERIFY(!w.Timer1->isActive());
    QCOMPARE(w.reportText().isEmpty(), then.isEmpty());
    QVERIFY(!w.Image2->isHidden());
    QVERIFY(w.Image3->isHidden());
    QVERIFY(w.Combo2->isEnabled());
    // No wait message left in the input line, where the next Enter would send it.
    QCOMPARE(w.Text2->text(), QString());

    // Idle, not spinning on the dead device: over one second of waiting in the event loop the
    // process uses a small part of a core (a spin would use all of it).
    const qint64 cpu0 = cpuMs();
    QElapsedTimer idle;
    idle.start();
    QTest::qWait(1000);
    const qint64 used = cpuMs() - cpu0;
    QVERIFY2(used < idle.elapsed() / 2, qPrintable(QString::number(used)));
    const qsizetype boxes = rig.boxes.boxes.size();

    // The window closes normally afterwards.
    QVERIFY(w.close());
    QCOMPARE(rig.boxes.boxes.size(), boxes);
}

QTEST_MAIN(TestPortLost)
#include "tst_portlost.moc"

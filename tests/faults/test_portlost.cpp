// The far end of the console line vanishing (cable pulled, adapter gone): while the port is
// merely open, and while a script waits in one of its pauses. Afterwards the user sees one notice
// naming the device and where the logs are (no box to wait on), the window in its Closed state (open caption, lamp unlit and still,
// port lists usable again), the script ended without a second dialog for its next write (the
// capture reports what came and says the port was lost), the program idle rather than spinning
// on the dead device, and the session log ended with the loss. When COMn stands for a device
// again the port opens by itself, unless the user took over or the watch ran out, and the notice
// closes; a port that keeps dropping is opened at most so often, in one notice.
#include "support/controls.h"
#include "serial/portreconnector.h"
#include "support/files.h"
#include "support/window.h"
#include "session/sessionrecording.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
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

// Every session log of the rig, oldest first, each as its text.
QStringList logs(const ConfigHome &home)
{
    const QDir dir(home.stateDir() + QStringLiteral("/tarnwell/logs"));
    QStringList texts;
    for (const QString &name : dir.entryList({"COM3-*.log"}, QDir::Files, QDir::Name))
        texts << QString::fromUtf8(readFile(dir.filePath(name)));
    return texts;
}
} // namespace

class TestPortLost : public QObject {
    Q_OBJECT
private slots:
    void farEndVanishes_data();
    void farEndVanishes();
    void reconnect_data();
    void reconnect();
    void dropsAgainAndAgain();
    void unwritableLogFolder();
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
    test::control<QLineEdit>(w, "Txt_ManageIP")->setText(QStringLiteral("10.0.0.2"));
    test::control<QLineEdit>(w, "Txt_User_Name")->setText(QStringLiteral("admin"));
    test::control<QLineEdit>(w, "Txt_User_PSD")->setText(QStringLiteral("secret1"));
    test::control<QLineEdit>(w, "Txt_Super_Name")->setText(QStringLiteral("super"));
    test::control<QLineEdit>(w, "Txt_Super_PSD")->setText(QStringLiteral("secret2"));

    test::control<QPushButton>(w, "Cmd_Switch")->click();
    QVERIFY(w.serial().portOpen());
    QCOMPARE(test::control<QPushButton>(w, "Cmd_Switch")->text(), QStringLiteral("点击关闭"));
    QVERIFY(!test::control<QComboBox>(w, "Combo2")->isEnabled());

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

    // The notice naming the device that went away, and what the capture got.
    if (!then.isEmpty()) {
        QVERIFY(QTest::qWaitFor([&] { return rig.boxes.boxes.size() == 1; }, 5000));
        QCOMPARE(rig.boxes.boxes[0].text, then);
        QVERIFY(w.reportText().startsWith(QStringLiteral("这是个")));
    }
    QCOMPARE(rig.boxes.boxes.size(), then.isEmpty() ? 0 : 1);
    QCOMPARE(rig.boxes.notices.size(), 1);
    const test::MessageRecorder::Box lost = rig.boxes.notices[0];
    QCOMPARE(lost.title, QStringLiteral("出错喽"));
    QVERIFY2(lost.text.contains(rig.pty.slavePath()) && lost.text.contains(rig.home.stateDir() + "/tarnwell/logs")
                 && !lost.text.contains(u"请联系"),
             qPrintable(lost.text));

    // The Closed state.
    QCOMPARE(test::control<QPushButton>(w, "Cmd_Switch")->text(), QStringLiteral("点击开启"));
    QVERIFY(!test::control<QTimer>(w, "Timer2")->isActive());
    QVERIFY(!w.capture().timer1().isActive());
    QCOMPARE(w.reportText().isEmpty(), then.isEmpty());
    QVERIFY(!test::control<QLabel>(w, "Image2")->isHidden());
    QVERIFY(test::control<QLabel>(w, "Image3")->isHidden());
    QVERIFY(test::control<QComboBox>(w, "Combo2")->isEnabled());
    // No wait message left in the input line, where the next Enter would send it.
    QCOMPARE(test::control<QLineEdit>(w, "Text2")->text(), QString());

    // Idle, not spinning on the dead device: over one second of waiting in the event loop the
    // process uses a small part of a core (a spin would use all of it).
    const qint64 cpu0 = cpuMs();
    QElapsedTimer idle;
    idle.start();
    QTest::qWait(1000);
    const qint64 used = cpuMs() - cpu0;
    QVERIFY2(used < idle.elapsed() / 2, qPrintable(QString::number(used)));
    const qsizetype boxes = rig.boxes.boxes.size();

    // The log holds what was sent up to the loss, passwords masked.
    const QStringList texts = logs(rig.home);
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts[0].contains(QStringLiteral(" === 端口已断开：串口设备 ") + rig.pty.slavePath()), qPrintable(texts[0]));
    // An operation cut off by the loss ends in the log before it.
    if (!script.isEmpty())
        QVERIFY2(texts[0].contains(QRegularExpression(QStringLiteral(" === 结束：[^\n]*\\(端口已断开\\)\n[^\n]* === 端口已断开"))),
                 qPrintable(texts[0]));

    // The window closes normally afterwards.
    QVERIFY(w.close());
    QCOMPARE(rig.boxes.boxes.size(), boxes);
}

void TestPortLost::reconnect_data()
{
    QTest::addColumn<QString>("meanwhile"); // what happens while the device is away
    QTest::addColumn<int>("dialogs");       // what the user did
    QTest::addColumn<QString>("notice");    // the last notice, empty: closed
    QTest::newRow("device back") << QString() << 0 << QString();
    QTest::newRow("settings changed") << QStringLiteral("settings") << 0 << QString();
    QTest::newRow("opened by hand") << QStringLiteral("click") << 1 << QString();
    QTest::newRow("time limit passed") << QStringLiteral("limit") << 0 << QStringLiteral("不再等待");
}

void TestPortLost::reconnect()
{
    QFETCH(QString, meanwhile);
    QFETCH(int, dialogs);
    QFETCH(QString, notice);
    WindowRig rig;
    FrmMain &w = rig.start();
    PortReconnector &watch = w.recording().reconnector();
    watch.setLimitMs(meanwhile == u"limit" ? 300 : 60000);
    rig.open();
    rig.pty.write("<H3C>");
    QTRY_VERIFY(w.terminal().text().endsWith(u"<H3C>"));
    test::control<QLineEdit>(w, "Text2")->setText(QStringLiteral("dis cu"));
    test::control<QPushButton>(w, "Cmd_Send_Enter")->click();
    test::control<QPushButton>(w, "Cmd_PSD")->click(); // the input line masked: a password typed there
    test::control<QLineEdit>(w, "Text2")->setText(QStringLiteral("secret1"));
    test::control<QPushButton>(w, "Cmd_Send_Enter")->click();
    test::control<QPushButton>(w, "Cmd_PSD")->click();
    std::optional<OperationGate::Ticket> ticket = w.operations().tryBegin(QStringLiteral("登录"));
    ticket->setOutcome(QStringLiteral("完成"));
    ticket.reset();

    QFile::remove(rig.home.appDir() + QStringLiteral("/ports/COM3"));
    rig.pty.closeMaster();
    QTRY_VERIFY(!w.serial().portOpen());
    QVERIFY(watch.watching());
    if (meanwhile == u"settings")
        test::control<QComboBox>(w, "Combo3")->setCurrentIndex(test::control<QComboBox>(w, "Combo3")->findText(QStringLiteral("19200")));
    else if (meanwhile == u"click")
        test::control<QPushButton>(w, "Cmd_Switch")->click(); // no device: refused, and the watch ends
    else if (meanwhile == u"limit")
        QTRY_VERIFY(!watch.watching());

    Pty second;
    rig.home.linkPort(3, second.slavePath());
    if (!meanwhile.isEmpty()) {
        QTest::qWait(1500);
        QVERIFY(!w.serial().portOpen());
        QVERIFY(!watch.watching());
        QCOMPARE(rig.boxes.boxes.size(), dialogs);
        QVERIFY(rig.boxes.notice().contains(notice) && notice.isEmpty() == rig.boxes.notice().isEmpty());
        return;
    }
    QTRY_VERIFY2_WITH_TIMEOUT(w.serial().portOpen(),
                              qPrintable(QStringLiteral("still watching: %1; the notice: %2")
                                             .arg(watch.watching())
                                             .arg(rig.boxes.notice())),
                              5000);
    QVERIFY(!watch.watching());
    QCOMPARE(test::control<QPushButton>(w, "Cmd_Switch")->text(), QStringLiteral("点击关闭"));
    QVERIFY(test::control<QTimer>(w, "Timer2")->isActive());
    QVERIFY(!test::control<QComboBox>(w, "Combo2")->isEnabled());
    const QString text = w.terminal().text();
    QVERIFY2(text.contains(QRegularExpression(QStringLiteral("<H3C>\r\n—— 串口已重新连接 \\d\\d:\\d\\d:\\d\\d ——\r\n$"))),
             qPrintable(text));
    QVERIFY(second.received().isEmpty()); // the line in the pane is not sent
    test::control<QPushButton>(w, "Cmd_Send_Enter")->click();
    QVERIFY(second.waitForReceived(1));
    QCOMPARE(rig.boxes.boxes.size(), dialogs);
    QCOMPARE(rig.boxes.notice(), QString()); // the loss's advice would now close the port

    // The first log ends with the loss, the second goes on from the reconnection.
    QVERIFY(w.close());
    const QStringList texts = logs(rig.home);
    QCOMPARE(texts.size(), 2);
    const QString time = QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ");
    const auto matches = [&](const QString &log, const QStringList &lines) {
        return log.contains(QRegularExpression(time + lines.join(QStringLiteral("\n") + time) + QStringLiteral("\n")));
    };
    QVERIFY2(matches(texts[0], {"<H3C>", ">>> dis cu", ">>> \\*{6}", "=== 开始：登录", "=== 结束：登录\\(完成\\)", "=== 端口已断开：串口设备 .*"}),
             qPrintable(texts[0]));
    QVERIFY(!texts[0].contains(u"secret"));
    QVERIFY2(texts[1].startsWith(QStringLiteral("# Tarnwell ")) && texts[1].contains(second.slavePath()), qPrintable(texts[1]));
    QVERIFY2(matches(texts[1], {"=== 串口已重新连接", ">>> ", "=== 端口已关闭"}), qPrintable(texts[1]));
}

// Lost as soon as it is back: one notice counting the losses and no box to wait on; opened again
// at most kMaxReopenings times a minute (each a log file), which is said once, then again later.
void TestPortLost::dropsAgainAndAgain()
{
    WindowRig rig;
    FrmMain &w = rig.start();
    rig.open();
    std::vector<std::unique_ptr<Pty>> ptys;
    Pty *far = &rig.pty;
    const QString waits = QStringLiteral("暂停一分钟");
    for (int loss = 1; loss <= PortReconnector::kMaxReopenings + 1; ++loss) {
        far->closeMaster();
        QTRY_VERIFY(!w.serial().portOpen());
        const QString said = rig.boxes.notice();
        QVERIFY2(said.contains(loss > 1 ? QStringLiteral("(已断开 %1 次)").arg(loss) : QStringLiteral("自动重新打开")), qPrintable(said));
        ptys.push_back(std::make_unique<Pty>());
        far = ptys.back().get();
        rig.home.linkPort(3, far->slavePath());
        if (loss <= PortReconnector::kMaxReopenings)
            QTRY_VERIFY(w.serial().portOpen());
    }
    QTest::qWait(2500); // the watch looks again every second
    QVERIFY(!w.serial().portOpen());
    QVERIFY(rig.boxes.notice().contains(waits));
    const auto &notices = rig.boxes.notices;
    QCOMPARE(std::count_if(notices.begin(), notices.end(), [&](const auto &n) { return n.text.contains(waits); }), 1);
    QCOMPARE(logs(rig.home).size(), 1 + PortReconnector::kMaxReopenings);
    QCOMPARE(rig.boxes.boxes.size(), 0);
    w.recording().reconnector().setReopeningWindowMs(1); // as if the minute had passed
    QTRY_VERIFY(w.serial().portOpen());
    QCOMPARE(rig.boxes.notice(), QString());
}

void TestPortLost::unwritableLogFolder()
{
    WindowRig rig;
    writeFile(rig.home.stateDir() + QStringLiteral("/tarnwell"), "a file where the log folder goes");
    FrmMain &w = rig.start();
    // Said once, at the first opening; the port works all the same.
    for (int i = 0; i < 2; ++i) {
        rig.open();
        test::control<QLineEdit>(w, "Text2")->setText(QStringLiteral("dis cu"));
        test::control<QPushButton>(w, "Cmd_Send_Enter")->click();
        QVERIFY(rig.pty.waitForReceived(7 * (i + 1)));
        test::control<QPushButton>(w, "Cmd_Switch")->click();
        QVERIFY(!w.serial().portOpen());
    }
    QCOMPARE(rig.boxes.boxes.size(), 1);
    QVERIFY2(rig.boxes.boxes[0].text.contains(rig.home.stateDir() + QStringLiteral("/tarnwell/logs")),
             qPrintable(rig.boxes.boxes[0].text));
}

QTEST_MAIN(TestPortLost)
#include "test_portlost.moc"

// The scripts over the real serial control on a pseudo-terminal, with the real clock: the bytes
// on the wire, each pause at least its length, received text handled during a pause, and a
// click during a pause interleaving two scripts.
#include "console/messagebox.h"
#include "scripts/commandscripts.h"
#include "ptylink.h"
#include "scriptfixture.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

using namespace tarnwell;
using tarnwell::test::PtyLink;

class TestScriptsPty : public QObject {
    Q_OBJECT
private slots:
    void linesAndPausesOnTheWire_data();
    void linesAndPausesOnTheWire();
    void receivedTextHandledDuringPause();
    void clickDuringPauseInterleaves();
};

void TestScriptsPty::linesAndPausesOnTheWire_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QList<QByteArray>>("lines"); // bytes on the wire, one entry per line
    QTest::addColumn<QList<int>>("pauses");       // after each line; -1 none
    QTest::addColumn<QString>("message");

    QTest::newRow("login, Chinese user name as GBK")
        << "login"
        << QStringList{"ManageIP=10.0.0.2", QStringLiteral("UserName=张三"), "UserPSD=pw 1",
                       "SuperName=root", "SuperPSD=pw2"}
        << "3100"
        << QList<QByteArray>{"tel 10.0.0.2\r", "\xD5\xC5\xC8\xFD\r", "pw 1\r", "root\r", "pw2\r"}
        << QList<int>{500, 500, 1000, 500, 1000}
        << QStringLiteral("登录完毕，注意此功能需要在>状态下使用！");
    QTest::newRow("bind 3100")
        << "bind" << QStringList{"PortNum=12", "Vlan=100", "Mac=00e0-fc12-3456"} << "3100"
        << QList<QByteArray>{"sys\r", "int eth 1/0/12\r", "undo shut\r", "port acc vlan 100\r",
                             "mac-addr static 00e0-fc12-3456 vlan 100\r"}
        << QList<int>{500, 500, 500, 500, -1} << QStringLiteral("操作完毕！");
    QTest::newRow("unbind 3600 after a user login")
        << "unbind"
        << QStringList{"UserName=admin", "UserPSD=h3c", "PortNum=3", "Vlan=7", "Mac=m1",
                       "IP=10.1.1.3"}
        << "3600"
        << QList<QByteArray>{"admin\r", "h3c\r", "sys\r", "int eth 1/0/3\r", "shut\r",
                             "undo port acc vlan 7\r",
                             "undo am user-bind mac-addr m1 ip-addr 10.1.1.3\r"}
        << QList<int>{500, 500, 500, 500, 500, 500, -1} << QStringLiteral("操作完毕！");
    QTest::newRow("save") << "save" << QStringList() << "3100"
                          << QList<QByteArray>{"save\r", "y \r", "\r"} << QList<int>{500, 500, 500}
                          << QStringLiteral("保存大概需要5-10秒，为保险起见，请完毕后列举绑定信息检查！");
    QTest::newRow("reboot") << "reboot" << QStringList() << "3100"
                            << QList<QByteArray>{"sys\r", "reboot \r"} << QList<int>{500, 500}
                            << QStringLiteral("重启大概需要5-10秒，需要在登录进交换机的前提下进行。");
}

void TestScriptsPty::linesAndPausesOnTheWire()
{
    QFETCH(QString, script);
    QFETCH(QStringList, boxes);
    QFETCH(QString, model);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QList<int>, pauses);
    QFETCH(QString, message);

    PtyLink link;
    test::FakeInputs inputs;
    inputs.fill(boxes);
    inputs.model = model;
    test::MessageRecorder recorder;
    qint64 boxAtNs = -1;
    recorder.onShown = [&](const test::MessageRecorder::Box &) { boxAtNs = link.clock.nsecsElapsed(); };

    CommandScripts scripts(link, inputs);
    test::runScript(scripts, script);

    QCOMPARE(recorder.texts(), QStringList{message});
    const QByteArray wire = lines.join();
    QVERIFY(link.waitForBytes(wire.size()));
    QTest::qWait(50); // nothing more may follow
    QCOMPARE(link.received, wire);
    QCOMPARE(link.sends.size(), lines.size()); // one output() per line

    qint64 offset = 0;
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const qint64 next = k + 1 < lines.size() ? link.sends[k + 1].atNs : boxAtNs;
        const qint64 gapNs = next - link.sends[k].atNs;
        const qint64 wantNs = qint64(qMax(pauses[k], 0)) * 1000000;
        QVERIFY2(gapNs >= wantNs, qPrintable(QStringLiteral("line %1: %2 ms, want at least %3")
                                                 .arg(k).arg(gapNs / 1e6).arg(pauses[k])));
        QVERIFY2(gapNs < wantNs + 3000 * qint64(1000000), "pause far too long");
        // The next line reached the far end no earlier than the pause after this one.
        offset += lines[k].size();
        if (k + 1 < lines.size())
            QVERIFY(link.arrivalNs(offset) - link.sends[k].atNs >= wantNs);
    }
}

// The switch's answer arriving during a pause is read there (the terminal shows it at once).
void TestScriptsPty::receivedTextHandledDuringPause()
{
    PtyLink link;
    test::FakeInputs inputs;
    test::MessageRecorder recorder;
    QString shown;
    qint64 shownAtNs = -1, boxAtNs = -1;
    connect(&link.port, &SerialControl::onComm, this, [&] {
        shown += link.port.input();
        shownAtNs = link.clock.nsecsElapsed();
    });
    recorder.onShown = [&](const test::MessageRecorder::Box &) { boxAtNs = link.clock.nsecsElapsed(); };
    QTimer::singleShot(100, this, [&] { link.pty.write("\r\n<H3C>reboot\r\n Continue? [Y/N]"); });

    CommandScripts scripts(link, inputs);
    scripts.reboot();
    QCOMPARE(shown, QStringLiteral("\r\n<H3C>reboot\r\n Continue? [Y/N]"));
    QVERIFY(shownAtNs > 0 && shownAtNs < boxAtNs);
}

// Two buttons of a stand-in window wired like the main window's. A click on 重启 during the
// first pause of 保存 runs the whole reboot script inside that pause; the save goes on after.
void TestScriptsPty::clickDuringPauseInterleaves()
{
    PtyLink link;
    test::FakeInputs inputs;
    test::MessageRecorder recorder;
    CommandScripts scripts(link, inputs);

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *save = new QPushButton(QStringLiteral("保存"), &window);
    auto *reboot = new QPushButton(QStringLiteral("重启"), &window);
    layout->addWidget(save);
    layout->addWidget(reboot);
    connect(save, &QPushButton::clicked, &window, [&] { trapErrors([&] { scripts.save(); }); });
    connect(reboot, &QPushButton::clicked, &window, [&] { trapErrors([&] { scripts.reboot(); }); });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTimer::singleShot(200, reboot, [&] { QTest::mouseClick(reboot, Qt::LeftButton); });
    QTest::mouseClick(save, Qt::LeftButton);

    const QByteArray wire = "save\rsys\rreboot \ry \r\r";
    QVERIFY(link.waitForBytes(wire.size()));
    QCOMPARE(link.received, wire);
    QCOMPARE(recorder.texts(),
             (QStringList{QStringLiteral("重启大概需要5-10秒，需要在登录进交换机的前提下进行。"),
                          QStringLiteral("保存大概需要5-10秒，为保险起见，请完毕后列举绑定信息检查！")}));
    QCOMPARE(link.sends.size(), 5);
    // The interrupted save goes on right after the nested reboot, its own pause long over.
    QVERIFY(link.sends[3].atNs - link.sends[2].atNs >= 500 * qint64(1000000));
    QVERIFY(link.sends[4].atNs - link.sends[3].atNs >= 500 * qint64(1000000));
}

QTEST_MAIN(TestScriptsPty)
#include "test_scripts_pty.moc"

// A working session through the real window: log in at the console, telnet on to the managed
// switch with the advanced login, bind a port, save, change more, reboot, log in again and see
// that the saved binding is there and the unsaved one is gone. The save dialogue is answered by
// the script's blind lines; the reboot question by the user at the input line.

#include "simbench.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace tarnwell;
using tarnwell::test::SimBench;

namespace {

const QString kConsolePassword = u"console-pw"_qs;
const QString kRemotePassword = u"tech-pw"_qs;
const QString kSuperPassword = u"super-pw"_qs;

const QStringList kSimArguments{"--user", "admin", "--password", kConsolePassword,
                                "--remote-model", "3600", "--remote-user", "tech",
                                "--remote-password", kRemotePassword, "--remote-user-level", "1",
                                "--remote-super-password", kSuperPassword,
                                "--save-delay", "500", "--boot-delay", "2000"};

const QString kLoginDone = u"登录完毕，注意此功能需要在>状态下使用！"_qs;

} // namespace

class TestE2eLogin : public QObject {
    Q_OBJECT
private slots:
    void managedSwitchSaveAndReboot();

private:
    // Fills the login boxes, clicks 登录 and waits for the managed switch's prompt at level 3.
    void loginToManaged(SimBench &t, const QString &address);
    void bind(SimBench &t, const QString &port, const QString &mac, const QString &ip,
              const QString &message = QStringLiteral("操作完毕！"));
};

void TestE2eLogin::loginToManaged(SimBench &t, const QString &address)
{
    FrmMain &w = t.w();
    w.Txt_ManageIP->setText(address);
    w.Txt_User_Name->setText(u"tech"_qs);
    w.Txt_User_PSD->setText(kRemotePassword);
    w.Txt_Super_Name->setText(u"super"_qs);
    w.Txt_Super_PSD->setText(kSuperPassword);
    t.boxes.boxes.clear();
    const qsizetype from = t.mark();
    w.Cmd_Login->click();
    QCOMPARE(t.boxes.texts(), QStringList{kLoginDone});
    QVERIFY2(t.waitForText(u" User privilege level is 3"_qs, from), qPrintable(t.since(from)));
    QVERIFY2(t.waitForText(u"this.\r\n Privilege note: 0-VISIT, 1-MONITOR, 2-SYSTEM, 3-MANAGE\r\n<SW3600-B>"_qs, from),
             qPrintable(t.since(from)));
    const QString answer = t.since(from);
    QVERIFY2(answer.contains(u"tech\r\nPassword:\r\n<SW3600-B>super\r\n"_qs), qPrintable(answer));
    QVERIFY2(answer.contains(u" Password:"_qs), qPrintable(answer)); // the level change asked
    QVERIFY(!answer.contains(kRemotePassword));                      // passwords are not echoed
    QVERIFY(!answer.contains(kSuperPassword));
    QVERIFY2(!answer.contains(u"% "_qs), qPrintable(answer));
    t.clearLoginBoxes();
}

void TestE2eLogin::bind(SimBench &t, const QString &port, const QString &mac, const QString &ip,
                        const QString &message)
{
    FrmMain &w = t.w();
    w.Txt_PortNum->setText(port);
    w.Txt_Vlan->setText(u"20"_qs);
    w.Txt_Mac->setText(mac);
    w.Txt_IP->setText(ip);
    t.boxes.boxes.clear();
    const qsizetype from = t.mark();
    w.Cmd_Try_Bind->click();
    QCOMPARE(t.boxes.texts(), QStringList{message});
    QVERIFY2(t.waitForText(u"am user-bind mac-addr "_qs + mac + u" ip-addr "_qs + ip + u"\r\n[SW3600-B-Ethernet1/0/"_qs
                               + port + u']',
                           from),
             qPrintable(t.since(from)));
    const QString answer = t.since(from);
    QVERIFY2(!answer.mid(answer.indexOf(u"int eth"_qs)).contains(u"% "_qs), qPrintable(answer));
}

void TestE2eLogin::managedSwitchSaveAndReboot()
{
    SimBench t;
    QString error;
    QVERIFY2(t.start(kSimArguments, error), qPrintable(error));
    FrmMain &w = t.w();

    // The console login: Enter, wait for the question, then only the user name and password.
    qsizetype from = t.typeLine(QString());
    QVERIFY2(t.waitForText(u"Login authentication\r\n\r\n\r\nUsername:"_qs, from), qPrintable(t.since(from)));
    w.Txt_User_Name->setText(u"admin"_qs);
    w.Txt_User_PSD->setText(kConsolePassword);
    from = t.mark();
    w.Cmd_Login->click();
    QCOMPARE(t.boxes.texts(), QStringList{kLoginDone});
    QVERIFY2(t.waitForText(u"admin\r\nPassword:\r\n<SW3100-A>"_qs, from), qPrintable(t.since(from)));
    QVERIFY(!t.since(from).contains(kConsolePassword));

    // On to the managed switch, a 3600: telnet, its login, the level change.
    from = t.mark();
    loginToManaged(t, u"10.0.0.2"_qs);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(t.since(from).contains(u"tel 10.0.0.2\r\nTrying 10.0.0.2 ...\r\nPress CTRL+K to abort\r\n"
                                   u"Connected to 10.0.0.2 ...\r\n"_qs));

    w.Opt_Sw3600->click();
    QCOMPARE(w.SwitchModel, u"3600"_qs);
    bind(t, u"7"_qs, u"00e0-fc00-0007"_qs, u"10.2.0.7"_qs);
    if (QTest::currentTestFailed())
        return;

    // Save: "save", "y " and an empty line answer the question and take the default file.
    t.boxes.boxes.clear();
    from = t.mark();
    w.Cmd_Save->click();
    QCOMPARE(t.boxes.texts(), QStringList{u"保存大概需要5-10秒，为保险起见，请完毕后列举绑定信息检查！"_qs});
    QVERIFY2(t.waitForText(u" Unit1 save configuration flash:/config.cfg successfully\r\n[SW3600-B-Ethernet1/0/7]"_qs, from),
             qPrintable(t.since(from)));
    QVERIFY2(t.since(from).startsWith(u"save\r\nThe configuration will be written to the device. Are you sure?[Y/N]y \r\n"
                                      u"Please input the file name(*.cfg)[flash:/config.cfg]\r\n"
                                      u"(To leave the existing filename unchanged, press the enter key):\r\n"
                                      u"Now saving current configuration to the device.\r\n"_qs),
             qPrintable(t.since(from)));
    QVERIFY(w.Text2->text().isEmpty());

    // A change after the save, then the reboot; the user answers its question.
    bind(t, u"8"_qs, u"00e0-fc00-0008"_qs, u"10.2.0.8"_qs, u"操作完毕！"_qs);
    if (QTest::currentTestFailed())
        return;
    t.boxes.boxes.clear();
    from = t.mark();
    w.Cmd_Reboot->click();
    QCOMPARE(t.boxes.texts(), QStringList{u"重启大概需要5-10秒，需要在登录进交换机的前提下进行。\n\n交换机在等待回答：\nThis will reboot device. Continue? [Y/N]\n"
                                            u"请在输入区输入回答后按回车。"_qs});
    QVERIFY2(t.waitForText(u"reboot \r\n This will reboot device. Continue? [Y/N]"_qs, from), qPrintable(t.since(from)));
    from = t.typeLine(u"y"_qs);
    QVERIFY2(t.waitForText(u"y\r\n Reboot device by command.\r\n\r\nThe connection was closed by the remote host!\r\n<SW3100-A>"_qs,
                           from),
             qPrintable(t.since(from)));

    // While the managed switch boots, a telnet gets no answer: 中断 (Ctrl+K) gives it up.
    bool connected = false;
    for (int attempt = 0; attempt < 10 && !connected; ++attempt) {
        from = t.typeLine(u"tel 10.0.0.2"_qs);
        QVERIFY2(t.waitForText(u"Press CTRL+K to abort\r\n"_qs, from), qPrintable(t.since(from)));
        // An answer comes with the same output; a few seconds more only cover a split read.
        connected = t.waitForText(u"Connected to 10.0.0.2 ...\r\n"_qs, from, 3000);
        if (connected) {
            QVERIFY2(t.waitForText(u"Username:"_qs, from), qPrintable(t.since(from)));
        } else {
            from = t.mark();
            w.Cmd_Break->click();
            QVERIFY2(t.waitForText(u"<SW3100-A>"_qs, from), qPrintable(t.since(from)));
        }
    }
    QVERIFY(connected);
    loginToManaged(t, QString()); // the telnet is up: no address line this time
    if (QTest::currentTestFailed())
        return;

    const QString report = t.capture();
    QVERIFY2(report.startsWith(u"这是个3600，详细信息如下：\r\n"_qs), qPrintable(report.left(200)));
    QVERIFY(w.terminal().text().contains(u" sysname SW3600-B\r\n"_qs));
    QCOMPARE(test::reportRow(report, "1/0/7"), u"1/0/7\t开启状态\tAccess类型\t20\t00e0-fc00-0007\t10.2.0.7\t"_qs);
    QCOMPARE(test::reportRow(report, "1/0/8"), u"1/0/8\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t"_qs);
    QCOMPARE(test::reportPorts(report).size(), 24);
}

QTEST_MAIN(TestE2eLogin)
#include "tst_e2e_login.moc"

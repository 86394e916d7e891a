// The real window against the simulator where a real switch bites: a fully bound 48-port
// listing over ten screens, what the switch refused or asks at the end of a script, and pasted
// text with line breaks.

#include "support/controls.h"
#include "simbench.h"
#include "ui/pasteinput.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace tarnwell;
using tarnwell::test::SimBench;

class TestE2eReplies : public QObject {
    Q_OBJECT
private slots:
    void fullyBound48Ports();
    void scriptMessages_data();
    void scriptMessages();
    void login_data();
    void login();
    void bindAfterTelnetLogin();
    void pastedText_data();
    void pastedText();
};

// Log lines in the listing and at random, and the prompt wiped in 16 columns: the paging ends
// with "return" all the same.
void TestE2eReplies::fullyBound48Ports()
{
    SimBench t;
    QString error;
    QVERIFY2(t.start({"--ports", "48", "--bind-every-port", "--line-delay", "3", "--erase-columns", "16",
                      "--log-in-listing", "--log-every", "700"}, error), qPrintable(error));
    const qsizetype from = t.typeLine(QString());
    QVERIFY2(t.waitForText(u"<SW3100-A>"_qs, from), qPrintable(t.since(from)));

    const QString report = t.capture();
    QStringList ports;
    for (int p = 1; p <= 48; ++p)
        ports << u"1/0/%1"_qs.arg(p);
    QCOMPARE(test::reportPorts(report), ports);
    QCOMPARE(test::reportRow(report, u"1/0/48"_qs), u"1/0/48\t开启状态\tAccess类型\t10\t000f-e200-0048\t无IP\t"_qs);
    QVERIFY(t.text().count(u"---- More ----"_qs) > 10);
    QVERIFY2(t.text().contains(u"return\r\n<SW3100-A>"_qs), qPrintable(t.text().right(400)));
    QCOMPARE(t.boxes.texts(), QStringList());
}

void TestE2eReplies::scriptMessages_data()
{
    QTest::addColumn<QStringList>("options");
    // Typed before the click, each waited for: a line, or "?text" typed and sent with 提示.
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("vlan");
    QTest::addColumn<QString>("message");

    QTest::newRow("clean binding among log lines: message unchanged")
        << QStringList{"--log-every", "300"} << QStringList() << "Cmd_Try_Bind" << "5" << "10" << u"操作完毕！"_qs;
    const QString vlan99 = u"绑定没有完成：交换机拒绝了 port acc vlan 99\n\n交换机的回答：\nError: VLAN 99 does not exist.\n\n"
                           u"交换机已接受（已生效）：\nsys\nint eth 1/0/5\nundo shut\n端口现在已开启（undo shut），但还没有绑定。\n\n"
                           u"以下各行没有发送：\nmac-addr static 000f-e212-3456 vlan 99"_qs;
    QTest::newRow("VLAN the switch refuses: the binding line stays unsent")
        << QStringList{"--strict-vlans"} << QStringList() << "Cmd_Try_Bind" << "5" << "99" << vlan99;
    // Each answer 1.5 s late, at a console's pace: the refusal is quoted whole and still stops
    // the script before the binding line.
    QTest::newRow("refusal over a slow hop") << QStringList{"--strict-vlans", "--answer-delay", "1500", "--baud", "9600"}
                                             << QStringList() << "Cmd_Try_Bind" << "5" << "99" << vlan99;
    QTest::newRow("port number the switch refuses: no port is shut")
        << QStringList{} << QStringList() << "Cmd_Try_Undo" << "30" << "10"
        << u"解除绑定没有完成：交换机拒绝了 int eth 1/0/30\n\n交换机的回答：\n% Wrong parameter found at '^' position.\n\n"
           u"交换机已接受（已生效）：\nsys\n\n"
           u"以下各行没有发送：\nshut\nundo port acc vlan 10\nundo mac-addr static 000f-e212-3456 vlan 10"_qs;
    QTest::newRow("save waits for its outcome")
        << QStringList{"--save-delay", "4000"} << QStringList() << "Cmd_Save" << "1" << ""
        << u"保存大概需要5-10秒，为保险起见，请完毕后列举绑定信息检查！\n\n交换机报告：\n"
           u"Unit1 save configuration flash:/config.cfg successfully"_qs;
    QTest::newRow("save done before the last Enter")
        << QStringList{"--quick-save"} << QStringList() << "Cmd_Save" << "1" << ""
        << u"保存大概需要5-10秒，为保险起见，请完毕后列举绑定信息检查！\n\n交换机报告：\n"
           u"Configuration is saved to device successfully."_qs;
    const QString rebootAsks = u"重启大概需要5-10秒，需要在登录进交换机的前提下进行。\n\n交换机在等待回答：\n"
                               u"This will reboot device. Continue? [Y/N]\n请在输入区输入回答后按回车。"_qs;
    QTest::newRow("reboot asks") << QStringList{"--strict-reboot"} << QStringList() << "Cmd_Reboot" << "1" << "" << rebootAsks;
    QTest::newRow("reboot from port view, where the switch refuses it")
        << QStringList{"--strict-reboot"} << QStringList{"sys", "int eth 1/0/3"} << "Cmd_Reboot" << "1" << "" << rebootAsks;
    QTest::newRow("binding after help left text on the switch's line")
        << QStringList() << QStringList{"?dis"} << "Cmd_Try_Bind" << "5" << "10" << u"操作完毕！"_qs;
}

void TestE2eReplies::scriptMessages()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, typed);
    QFETCH(QString, button);
    QFETCH(QString, port);
    QFETCH(QString, vlan);
    QFETCH(QString, message);
    SimBench t;
    QString error;
    QVERIFY2(t.start(options, error), qPrintable(error));
    FrmMain &w = t.w();
    qsizetype from = t.typeLine(QString());
    QVERIFY2(t.waitForText(u"<SW3100-A>"_qs, from), qPrintable(t.since(from)));
    for (const QString &line : typed) {
        from = t.mark();
        if (line.startsWith(u'?')) {
            test::control<QLineEdit>(w, "Text2")->setText(line.mid(1));
            test::control<QPushButton>(w, "Cmd_WenHao")->click();
            QVERIFY2(t.waitForText(u"\r\n<SW3100-A>"_qs + line.mid(1) + u' ', from), qPrintable(t.since(from)));
        } else {
            t.typeLine(line);
            QVERIFY2(t.waitForText(u"]"_qs, from), qPrintable(t.since(from)));
        }
    }
    t.clearLoginBoxes();
    test::control<QLineEdit>(w, "Txt_PortNum")->setText(port);
    test::control<QLineEdit>(w, "Txt_Vlan")->setText(vlan);
    test::control<QLineEdit>(w, "Txt_Mac")->setText(u"000f-e212-3456"_qs);
    from = t.mark();
    t.run(w.findChild<QPushButton *>(button));
    QCOMPARE(t.boxes.texts(), QStringList{message});
    QVERIFY2(!t.since(from).contains(u"% Unrecognized"_qs), qPrintable(t.since(from)));
}

void TestE2eReplies::login_data()
{
    QTest::addColumn<QStringList>("boxes"); // 管理IP, 用户名, 密码, 高级用户名, 高级密码
    QTest::addColumn<QString>("message");
    const QString done = u"登录完毕，注意此功能需要在>状态下使用！"_qs;
    QTest::newRow("telnet, login, super with its password")
        << QStringList{"10.0.0.2", "admin", "admin", "super", "Secret99"} << done;
    QTest::newRow("logged in already: user name and password not typed as commands")
        << QStringList{"", "admin", "Secret99", "", ""}
        << done + u"\n\n交换机已在命令行，没有要求登录，用户名和密码没有发送。"_qs;
    QTest::newRow("telnet to a silent host: nothing typed into it")
        << QStringList{"10.0.0.9", "admin", "Secret99", "", ""}
        << u"登录没有完成：交换机没有要求输入用户名，已停止。\n\n交换机已接受（已生效）：\ntel 10.0.0.9\n\n"
           u"以下各行没有发送：\nadmin\n******\n\n交换机最后显示：\nTrying 10.0.0.9 ...\nPress CTRL+K to abort"_qs;
}

// The password never reaches the switch as a command, nor any message or the terminal.
void TestE2eReplies::login()
{
    QFETCH(QStringList, boxes);
    QFETCH(QString, message);
    SimBench t;
    QString error;
    QVERIFY2(t.start({"--remote-user-level", "1", "--remote-super-password", "Secret99"}, error), qPrintable(error));
    FrmMain &w = t.w();
    qsizetype from = t.typeLine(QString());
    QVERIFY2(t.waitForText(u"<SW3100-A>"_qs, from), qPrintable(t.since(from)));
    const QList<QLineEdit *> edits{test::control<QLineEdit>(w, "Txt_ManageIP"), test::control<QLineEdit>(w, "Txt_User_Name"), test::control<QLineEdit>(w, "Txt_User_PSD"), test::control<QLineEdit>(w, "Txt_Super_Name"), test::control<QLineEdit>(w, "Txt_Super_PSD")};
    for (qsizetype i = 0; i < edits.size(); ++i)
        edits[i]->setText(boxes[i]);
    from = t.mark();
    t.run(test::control<QPushButton>(w, "Cmd_Login"));
    QCOMPARE(t.boxes.texts(), QStringList{message});
    QVERIFY2(!t.since(from).contains(u"Secret99"_qs), qPrintable(t.since(from)));
    if (boxes[0] == u"10.0.0.2")
        QVERIFY2(t.since(from).endsWith(u"<SW3100-B>"_qs), qPrintable(t.since(from)));
}

// Bound where 登录 led, with the login boxes still filled: no telnet from inside the managed
// switch, so one quit leads back to the access switch.
void TestE2eReplies::bindAfterTelnetLogin()
{
    SimBench t;
    QString error;
    QVERIFY2(t.start({"--remote-model", "3600"}, error), qPrintable(error));
    FrmMain &w = t.w();
    qsizetype from = t.typeLine(QString());
    QVERIFY2(t.waitForText(u"<SW3100-A>"_qs, from), qPrintable(t.since(from)));
    t.clearLoginBoxes();
    test::control<QLineEdit>(w, "Txt_ManageIP")->setText(u"10.0.0.2"_qs);
    test::control<QLineEdit>(w, "Txt_User_Name")->setText(u"admin"_qs);
    test::control<QLineEdit>(w, "Txt_User_PSD")->setText(u"admin"_qs);
    t.run(test::control<QPushButton>(w, "Cmd_Login"));
    QCOMPARE(t.boxes.texts(), QStringList{u"登录完毕，注意此功能需要在>状态下使用！"_qs});
    test::control<QRadioButton>(w, "Opt_Sw3600")->click();
    test::control<QLineEdit>(w, "Txt_PortNum")->setText(u"4"_qs);
    test::control<QLineEdit>(w, "Txt_Vlan")->setText(u"10"_qs);
    test::control<QLineEdit>(w, "Txt_Mac")->setText(u"000f-e212-3456"_qs);
    test::control<QLineEdit>(w, "Txt_IP")->setText(u"10.1.1.4"_qs);
    from = t.mark();
    t.run(test::control<QPushButton>(w, "Cmd_Try_Bind"));
    QCOMPARE(t.boxes.texts().value(1), u"操作完毕！\n\n交换机已在 SW3600-B（10.0.0.2）的命令行，登录的各行没有再发送。"_qs);
    QVERIFY2(!t.since(from).contains(u"tel 10.0.0.2"_qs), qPrintable(t.since(from)));
    from = t.typeLine(u"return"_qs);
    QVERIFY2(t.waitForText(u"<SW3600-B>"_qs, from), qPrintable(t.since(from)));
    from = t.typeLine(u"quit"_qs);
    QVERIFY2(t.waitForText(u"<SW3100-A>"_qs, from), qPrintable(t.since(from)));
}

// Several pasted lines go to the switch one by one, once the question is answered; a line the
// switch refuses ends the paste, and the message names it and what was not sent.
void TestE2eReplies::pastedText_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("shown");   // what the terminal shows at the end
    QTest::addColumn<QString>("message"); // the message at the end; empty: none
    QTest::newRow("all taken") << u"sys\r\nint eth 1/0/7\nreturn\n"_qs << u"[SW3100-A-Ethernet1/0/7]return\r\n<SW3100-A>"_qs
                               << QString();
    QTest::newRow("second refused: the third is not sent")
        << u"sys\r\nint eth 1/0/77\nreturn\n"_qs << u"[SW3100-A]"_qs
        << u"粘贴的第 2 行（共 3 行）被交换机拒绝：int eth 1/0/77\n\n交换机的回答：\n% Wrong parameter found at '^' position.\n\n"
           u"其后的 1 行没有发送，第一行是：\nreturn"_qs;
}

void TestE2eReplies::pastedText()
{
    QFETCH(QString, pasted);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    SimBench t;
    QString error;
    QVERIFY2(t.start({}, error), qPrintable(error));
    FrmMain &w = t.w();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    qsizetype from = t.typeLine(QString());
    QVERIFY2(t.waitForText(u"<SW3100-A>"_qs, from), qPrintable(t.since(from)));
    QString asked;
    w.pasteInput().ask = [&](QWidget *, const QString &question) { return asked = question, true; };
    QGuiApplication::clipboard()->setText(pasted);
    test::control<QLineEdit>(w, "Text2")->setFocus();
    from = t.mark();
    QTest::keyClick(test::control<QLineEdit>(w, "Text2"), Qt::Key_V, Qt::ControlModifier);
    QVERIFY2(t.waitForText(shown, from), qPrintable(t.since(from)));
    QVERIFY2(asked.contains(u"3 行"_qs) && asked.contains(u"int eth 1/0/7"_qs), qPrintable(asked));
    // The paste ends once the answer to its last line is in.
    QTRY_COMPARE_WITH_TIMEOUT(test::control<QLineEdit>(w, "Text2")->text(), QString(), test::kPromptTimeoutMs);
    QCOMPARE(t.boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QVERIFY2(!t.since(from).contains(u"]return"_qs) || message.isEmpty(), qPrintable(t.since(from)));
}

QTEST_MAIN(TestE2eReplies)
#include "test_e2e_replies.moc"

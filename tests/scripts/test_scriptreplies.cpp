// What the scripts make of the switch's answers and of pasted text: error lines with the command
// they answered, a question left open, how far an answer has come, the paging prompt, pasted
// lines, the binding values and the MAC forms.
#include "switch/bindvalues.h"
#include "scripts/commandscripts.h"
#include "scripts/pastesender.h"
#include "switch/switchreply.h"

#include <QTest>

using namespace tarnwell;

class TestScriptReplies : public QObject {
    Q_OBJECT
private slots:
    void closingMessage_data();
    void closingMessage();
    void pagingPrompt_data();
    void pagingPrompt();
    void pastes_data();
    void pastes();
    void answerStates_data();
    void answerStates();
    void values_data();
    void values();
};

void TestScriptReplies::closingMessage_data()
{
    QTest::addColumn<QStringList>("chunks"); // as received, in pieces
    QTest::addColumn<QString>("message");
    const QString log = u"%Apr  5 07:02:03:671 2000 H3C SHELL/5/LOGIN:- 1 - admin(192.168.1.98) in unit1 login"_qs;

    QTest::newRow("VLAN refused, a log line between echo and error, split in pieces")
        << QStringList{u"[H3C-Ethernet1/0/5]port acc vlan 99\r\n"_qs + log + u"\r\nErr"_qs, u"or: VLAN 99 does not exist.\r\n"_qs}
        << u"操作完毕！\n\n交换机报错：\n命令：port acc vlan 99\nError: VLAN 99 does not exist."_qs;
    QTest::newRow("sys refused in port view: already in a system view")
        << QStringList{u"[H3C-Ethernet1/0/5]sys\r\n              ^\r\n % Unrecognized command found at '^' position.\r\n[H3C-Ethernet1/0/5]"_qs}
        << u"操作完毕！"_qs;
    QTest::newRow("login failure: no echo to tell the command")
        << QStringList{u"Username:admin\r\nPassword:\r\n% Username or password is invalid!\r\n\r\nUsername:"_qs}
        << u"操作完毕！\n\n交换机报错：\n% Username or password is invalid!"_qs;
    QTest::newRow("error on the first line received")
        << QStringList{u"% Unrecognized command found at '^' position.\r\n"_qs}
        << u"操作完毕！\n\n交换机报错：\n% Unrecognized command found at '^' position."_qs;
    QTest::newRow("question answered: nothing to add")
        << QStringList{u"<H3C>save\r\nAre you sure?[Y/N]y \r\n"_qs, u"Now saving...\r\n"_qs}
        << u"操作完毕！"_qs;
    QTest::newRow("question followed by a log line is named")
        << QStringList{u"<H3C>reboot\r\n This will reboot device. Continue? [Y/N]"_qs, u"\r\n"_qs + log + u"\r\n"_qs}
        << u"操作完毕！\n\n交换机在等待回答：\nThis will reboot device. Continue? [Y/N]\n请在输入区输入回答后按回车。"_qs;
    QTest::newRow("error words inside echoes and listings are no errors")
        << QStringList{u"<H3C>display Error: x\r\n description % Wrong\r\n%Apr 15 07:02:03:671 2000 H3C X\r\n"_qs}
        << u"操作完毕！"_qs;
}

void TestScriptReplies::closingMessage()
{
    QFETCH(QStringList, chunks);
    QFETCH(QString, message);
    ReplyCollector collector;
    for (const QString &chunk : chunks)
        collector.add(chunk);
    QCOMPARE(messageWithReply(u"操作完毕！"_qs, readSwitchReply(collector.text())), message);
}

void TestScriptReplies::pagingPrompt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("paging");
    QTest::newRow("prompt") << u"interface Ethernet1/0/9\r\n  ---- More ----"_qs << true;
    QTest::newRow("log line after the prompt")
        << u"#\r\n  ---- More ----\r\n%Apr  5 07:02:03:671 2000 H3C IFNET/5/UPDOWN:- 1 - up\r\n"_qs << true;
    QTest::newRow("prompt wiped, next page coming")
        << u"  ---- More ----\x1b[16D                \x1b[16D"_qs << false;
    QTest::newRow("listing ended") << u"  ---- More ----\x1b[42D \x1b[42Dreturn\r\n<H3C>"_qs << false;
    QTest::newRow("nothing") << QString() << false;
}

void TestScriptReplies::pagingPrompt()
{
    QFETCH(QString, text);
    QFETCH(bool, paging);
    QCOMPARE(endsAtPagingPrompt(text), paging);
}

void TestScriptReplies::pastes_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("one line") << u"dis cu"_qs << QStringList{"dis cu"};
    QTest::newRow("spreadsheet cell") << u"000f-e212-3456\r\n"_qs << QStringList{"000f-e212-3456"};
    QTest::newRow("three lines, mixed ends, an empty one")
        << u"sys\rint eth 1/0/5\r\n\nreturn\n"_qs << QStringList{"sys", "int eth 1/0/5", "", "return"};
    QTest::newRow("two cells of a row") << u"10\t20"_qs << QStringList{"10\t20"};
    QTest::newRow("empty cells before the value") << u"\t\r\n0011-2233-4455"_qs << QStringList{"\t", "0011-2233-4455"};
}

void TestScriptReplies::pastes()
{
    QFETCH(QString, pasted);
    QFETCH(QStringList, lines);
    QCOMPARE(PasteSender::linesOf(pasted), lines);
}

void TestScriptReplies::answerStates_data()
{
    QTest::addColumn<QString>("sinceSent");
    QTest::addColumn<int>("state");
    const int silent = int(Answer::Silent), unfinished = int(Answer::Unfinished), waiting = int(Answer::Waiting);
    QTest::newRow("nothing") << QString() << silent;
    QTest::newRow("only a log line") << u"\r\n%Apr  5 07:02:03:671 2000 H3C X\r\n"_qs << silent;
    QTest::newRow("echo begun") << u"int eth"_qs << unfinished;
    QTest::newRow("echo, no prompt yet") << u"int eth 1/0/5\r\n"_qs << unfinished;
    QTest::newRow("prompt typed on") << u"sys\r\n[SW]x"_qs << unfinished;
    QTest::newRow("telnet trying") << u"Trying 10.0.0.9 ...\r\nPress CTRL+K to abort\r\n"_qs << unfinished;
    QTest::newRow("port prompt, a log line after it")
        << u"\r\n[SW-Ethernet1/0/5]\r\n%Apr  5 07:02:03:671 2000 H3C X\r\n"_qs << waiting;
    QTest::newRow("password asked") << u"admin\r\nPassword:"_qs << waiting;
    QTest::newRow("question") << u"reboot\r\n Continue? [Y/N]"_qs << waiting;
    QTest::newRow("paging") << u"\r\n  ---- More ----"_qs << waiting;
}

void TestScriptReplies::answerStates()
{
    QFETCH(QString, sinceSent);
    QFETCH(int, state);
    QCOMPARE(int(answerState(sinceSent)), state);
}

void TestScriptReplies::values_data()
{
    QTest::addColumn<QString>("field"); // port, vlan, mac (as converted), ip
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result"); // "ok", "bad", or the converted MAC
    const auto row = [](const char *field, const QString &typed, const char *result) {
        QTest::addRow("%s %s", field, qPrintable(typed)) << QString::fromLatin1(field) << typed << QString::fromUtf8(result);
    };
    for (const char *good : {"1", "9", "24", "48", "05"})
        row("port", QString::fromLatin1(good), "ok");
    for (const char *bad : {"", " ", "0", "49", "100", "1/0/5", "abc", "5 ", "+5", "-1", "4８"})
        row("port", QString::fromUtf8(bad), "bad");
    for (const char *good : {"1", "10", "4094", "0099"})
        row("vlan", QString::fromLatin1(good), "ok");
    for (const char *bad : {"", "0", "4095", "5000", "abc", "1 0", " 10", "10000", "１０"})
        row("vlan", QString::fromUtf8(bad), "bad");
    for (const char *good : {"1.2.3.4", "0.0.0.0", "255.255.255.255", "192.168.001.9"})
        row("ip", QString::fromLatin1(good), "ok");
    for (const char *bad : {"", "300.1.1.1", "1.2.3", "1.2.3.4.5", "1..3.4", "a.b.c.d", "1.2.3.4 ", "1.2.3.1000"})
        row("ip", QString::fromLatin1(bad), "bad");
    const char *same = "000f-e2aa-0008";
    for (const char *form : {"00:0F:E2:AA:00:08", "00-0f-e2-aa-00-08", "000f.e2aa.0008", "000FE2AA0008",
                             "000F-E2AA-0008", " 000f-e2aa-0008 "})
        row("mac", QString::fromLatin1(form), same);
    // Not complete or mixed forms are left as they are, and refused when sent.
    for (const char *bad : {"000f-e2aa-00411", "000f-e2aa-000", "00:0f-e2:aa-00:08", "000f:e2aa:0008", "000g-e2aa-0008", ""})
        row("mac", QString::fromLatin1(bad), "bad");
}

void TestScriptReplies::values()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    if (field == u"mac") {
        const QString mac = bindvalues::switchMac(typed);
        QCOMPARE(bindvalues::isSwitchMac(mac) ? mac : u"bad"_qs, result);
        return;
    }
    const bool ok = field == u"port" ? bindvalues::isPort(typed)
                    : field == u"vlan" ? bindvalues::isVlan(typed)
                                       : bindvalues::isIPv4(typed);
    QCOMPARE(ok ? u"ok"_qs : u"bad"_qs, result);
}

QTEST_MAIN(TestScriptReplies)
#include "test_scriptreplies.moc"

// What the scripts make of the switch's answers and of pasted text: error lines with the command
// they answered, a question left open, the paging prompt, pasted lines, port numbers.
#include "scripts/commandscripts.h"
#include "scripts/pastesender.h"
#include "scripts/scriptinputs.h"
#include "scripts/switchreply.h"

#include <QLineEdit>
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
    void portNumbers();
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
    QTest::addColumn<QString>("inBox"); // what a script box keeps of it
    QTest::newRow("one line") << u"dis cu"_qs << QStringList{"dis cu"} << u"dis cu"_qs;
    QTest::newRow("spreadsheet cell") << u"000f-e212-3456\r\n"_qs << QStringList{"000f-e212-3456"}
                                      << u"000f-e212-3456"_qs;
    QTest::newRow("three lines, mixed ends, an empty one")
        << u"sys\rint eth 1/0/5\r\n\nreturn\n"_qs << QStringList{"sys", "int eth 1/0/5", "", "return"}
        << u"sysint eth 1/0/5return"_qs;
    QTest::newRow("tab") << u"10\t20"_qs << QStringList{"10\t20"} << u"1020"_qs;
}

void TestScriptReplies::pastes()
{
    QFETCH(QString, pasted);
    QFETCH(QStringList, lines);
    QFETCH(QString, inBox);
    QCOMPARE(PasteSender::linesOf(pasted), lines);

    QLineEdit box;
    LineEditInputs inputs;
    inputs.setBox(ScriptBox::Mac, &box);
    box.insert(pasted);
    QCOMPARE(box.text(), inBox);
    box.setText(u"x"_qs + pasted);
    QCOMPARE(inputs.text(ScriptBox::Mac), u"x"_qs + inBox);
}

void TestScriptReplies::portNumbers()
{
    for (const char *good : {"1", "9", "24", "48", "05"})
        QVERIFY2(CommandScripts::isPortNumber(QString::fromLatin1(good)), good);
    for (const char *bad : {"", " ", "0", "49", "100", "1/0/5", "abc", "5 ", "+5", "-1", "4８"})
        QVERIFY2(!CommandScripts::isPortNumber(QString::fromUtf8(bad)), bad);
}

QTEST_MAIN(TestScriptReplies)
#include "test_scriptreplies.moc"

// The command scripts on a virtual clock: the exact lines and pauses of every script, boxes read
// as each line goes out, values checked first, what a switch answers (refusals, slow answers,
// passwords not asked for, the save's outcome), a lost port, a click inside a pause, and the
// window closing (or being destroyed) during a pause.
#include "base/error.h"
#include "scripts/commandscripts.h"
#include "scripts/scriptinputs.h"
#include "support/fakeserialcontrol.h"
#include "support/messagerecorder.h"
#include "support/virtualclock.h"

#include <QTest>

#include <map>

using namespace tarnwell;

namespace {

// The window as the scripts see it: boxes, SwitchModel and the input line.
class FakeInputs : public ScriptInputs {
public:
    QString text(ScriptBox box) const override
    {
        auto it = boxes.find(box);
        return it == boxes.end() ? QString() : it->second;
    }
    SwitchModel switchModel() const override { return model; }

    // "Name=value" entries, Name one of the box names below.
    void fill(const QStringList &entries)
    {
        static const std::map<QString, ScriptBox> names = {
            {"ManageIP", ScriptBox::ManageIP}, {"UserName", ScriptBox::UserName},
            {"UserPSD", ScriptBox::UserPassword}, {"SuperName", ScriptBox::SuperName},
            {"SuperPSD", ScriptBox::SuperPassword}, {"PortNum", ScriptBox::PortNum},
            {"Vlan", ScriptBox::Vlan}, {"Mac", ScriptBox::Mac}, {"IP", ScriptBox::IP}};
        for (const QString &e : entries)
            boxes[names.at(e.section(u'=', 0, 0))] = e.section(u'=', 1);
    }

    std::map<ScriptBox, QString> boxes;
    SwitchModel model = SwitchModel::S3100;
};

// Starts a script by name as the window's click does.
void click(CommandScripts &scripts, const QString &name)
{
    const std::map<QString, void (CommandScripts::*)()> actions = {
        {"login", &CommandScripts::login}, {"bind", &CommandScripts::bind},
        {"unbind", &CommandScripts::unbind}, {"save", &CommandScripts::save},
        {"reboot", &CommandScripts::reboot}};
    (scripts.*actions.at(name))();
}

// Clicks each script of "a,b" in turn and lets the clock run it to its end.
void run(CommandScripts &scripts, test::VirtualClock &clock, const QString &names)
{
    for (const QString &name : names.split(u',')) {
        click(scripts, name);
        clock.run();
    }
}

const QString kLoginDone = QStringLiteral("[Tarnwell] 登录完毕，注意此功能需要在>状态下使用！");
const QString kDone = QStringLiteral("[Tarnwell] 操作完毕！");
const QString kSaved = QStringLiteral("[Tarnwell] 保存大概需要5-10秒，为保险起见，请完毕后列举绑定信息检查！");
const QString kRebooting = QStringLiteral("[Tarnwell] 重启大概需要5-10秒，需要在登录进交换机的前提下进行。");
const QString kFailed = QStringLiteral("[出错喽] ") + errorDialogText(QStringLiteral("端口未打开"));

const QStringList kLogin = {"ManageIP=10.0.0.2", "UserName=admin", "UserPSD=pw1", "SuperName=root",
                            "SuperPSD=pw2"};
const QStringList kPort = {"PortNum=7", "Vlan=20", "Mac=0011-2233-4455", "IP=192.168.1.9"};

// Written lines as "text<CR> ~pause" (the pause until the next entry; none when it follows at
// once), message boxes as "[title] text".
QStringList loginLines(int passwordPause)
{
    const QString p = QStringLiteral(" ~%1").arg(passwordPause);
    return {"tel 10.0.0.2<CR> ~500", "admin<CR> ~500", "pw1<CR>" + p, "root<CR> ~500", "pw2<CR>" + p};
}
QStringList portLines(bool bind, const QString &last)
{
    const QString undo = bind ? QString() : QStringLiteral("undo ");
    return {"sys<CR> ~500", "int eth 1/0/7<CR> ~500", (bind ? "undo shut" : "shut") + QStringLiteral("<CR> ~500"),
            undo + "port acc vlan 20<CR> ~500", undo + last + "<CR>", kDone};
}
const QString k3100Last = QStringLiteral("mac-addr static 0011-2233-4455 vlan 20");
const QString k3600Last = QStringLiteral("am user-bind mac-addr 0011-2233-4455 ip-addr 192.168.1.9");

struct Trace {
    struct Entry {
        qint64 at;
        QString text;
        bool write;
    };
    test::VirtualClock clock{0x1000};
    test::FakeSerialControl serial;
    FakeInputs inputs;
    test::MessageRecorder boxes;
    OperationEngine engine;
    QList<Entry> entries;
    qsizetype seen = 0;
    bool cleared = false; // the end asks the window to empty the input line
    QString outcome;      // as the session log records it

    Trace()
    {
        // As the window shows an operation's end.
        QObject::connect(&engine, &OperationEngine::finished, [this](const OperationEnd &end) {
            if (!end.message.isEmpty())
                messageBox(end.message, end.title);
            cleared = end.clearInputLine;
        });
        QObject::connect(&engine, &OperationEngine::failed, [](const QString &description) { errorDialog(description); });
        engine.gate().observe({}, [this](const QString &, const QString &o) { outcome = o; });
        serial.setPortOpen(true);
        serial.clock = [this] { return clock.now; };
        boxes.onShown = [this](const test::MessageRecorder::Box &b) {
            collect();
            entries.append({clock.now, QStringLiteral("[%1] %2").arg(b.title, b.text), false});
        };
    }
    void collect()
    {
        for (; seen < serial.writes.size(); ++seen)
            entries.append({serial.writes[seen].atMs,
                            QString(serial.writes[seen].text).replace(u'\r', u"<CR>"_qs), true});
    }
    QStringList formatted()
    {
        collect();
        QStringList out;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            QString s = entries[i].text;
            if (entries[i].write && i + 1 < entries.size() && entries[i + 1].at > entries[i].at)
                s += QStringLiteral(" ~%1").arg(entries[i + 1].at - entries[i].at - 1);
            out << s;
        }
        return out;
    }
    QStringList timed()
    {
        collect();
        QStringList out;
        for (const Entry &e : entries)
            out << QStringLiteral("%1 %2").arg(e.at).arg(e.text);
        return out;
    }
};

} // namespace

class TestCommandScripts : public QObject {
    Q_OBJECT
private slots:
    void script_data();
    void script();
    void clickDuringPause_data();
    void clickDuringPause();
    void switchAnswers_data();
    void switchAnswers();
    void windowDestroyedWhileWaiting_data();
    void windowDestroyedWhileWaiting();
};

void TestCommandScripts::script_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("model");
    // What happens meanwhile: "<ms> fill <entries>", "<ms> model <m>", "<ms> close" (the port
    // goes), "<ms> cancel" (the window closes), "before cancel"; empty: nothing.
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("clears"); // the input line is emptied at the end

    QTest::newRow("login: all five") << "login" << kLogin << "3100" << "" << loginLines(1000) + QStringList{kLoginDone}
                                     << false;
    QTest::newRow("bind 3100") << "bind" << kPort << "3100" << "" << portLines(true, k3100Last) << false;
    QTest::newRow("unbind 3100") << "unbind" << kPort << "3100" << "" << portLines(false, k3100Last) << false;
    QTest::newRow("unbind 3600") << "unbind" << kPort << "3600" << "" << portLines(false, k3600Last) << false;
    QTest::newRow("bind after full login: 1000 ms after passwords")
        << "bind" << kLogin + kPort << "3100" << "" << loginLines(1000) + portLines(true, k3100Last) << false;
    QTest::newRow("unbind after full login: 500 ms after passwords")
        << "unbind" << kLogin + kPort << "3600" << "" << loginLines(500) + portLines(false, k3600Last) << false;
    const QString badVlan = QStringLiteral("[Tarnwell] 请输入正确的VLAN号（1-4094的数字）！");
    QTest::newRow("bind: VLAN blank, nothing sent, not even the login")
        << "bind" << kLogin + QStringList{"PortNum=48", "Vlan= ", "Mac=0011-2233-4455"} << "3100" << "" << QStringList{badVlan} << false;
    QTest::newRow("unbind: VLAN 5000") << "unbind" << QStringList{"PortNum=4", "Vlan=5000", "Mac=0011-2233-4455"} << "3100" << ""
                                       << QStringList{badVlan} << false;
    QTest::newRow("bind: MAC with a digit too many")
        << "bind" << QStringList{"PortNum=4", "Vlan=10", "Mac=000f-e2aa-00411"} << "3100" << ""
        << QStringList{"[Tarnwell] 请输入正确的MAC地址（如000f-e2aa-0008）！"} << false;
    QTest::newRow("bind 3600: IP 300.1.1.1") << "bind" << kPort.mid(0, 3) + QStringList{"IP=300.1.1.1"} << "3600" << ""
                                             << QStringList{"[Tarnwell] 请输入正确的IP地址（如192.168.1.9）！"} << false;
    QTest::newRow("unbind 3100: IP not needed, MAC of another form sent in the switch's")
        << "unbind" << QStringList{"PortNum=7", "Vlan=20", "Mac=00:11:22:33:44:55", "IP=x"} << "3100" << ""
        << portLines(false, k3100Last) << false;
    const QStringList noPort{"[Tarnwell] 请先输入正确端口号！"};
    QTest::newRow("bind: empty port number sends nothing") << "bind" << kLogin + QStringList{"Vlan=20"} << "3100" << "" << noPort << false;
    QTest::newRow("bind: port number 1/0/5 refused") << "bind" << kLogin + QStringList{"PortNum=1/0/5"} << "3100" << "" << noPort << false;
    QTest::newRow("bind: port number with a blank refused") << "bind" << QStringList{"PortNum=24 "} << "3100" << "" << noPort << false;
    QTest::newRow("unbind: port number 49 refused") << "unbind" << QStringList{"PortNum=49"} << "3100" << "" << noPort << false;
    QTest::newRow("bind 5500: login, then refusal")
        << "bind" << kLogin + kPort << "5500" << ""
        << loginLines(1000) + QStringList{"[无法操作] 5500好多光口，绑定方法学习中"} << false;
    QTest::newRow("save") << "save" << QStringList() << "3100" << ""
                          << QStringList{"save<CR> ~500", "y <CR> ~500", "<CR> ~500", kSaved} << true;
    QTest::newRow("reboot: Ctrl+Z to user view first") << "reboot" << QStringList() << "3100" << ""
                            << QStringList{"\x1a ~500", "reboot <CR> ~500", kRebooting} << true;

    // Lines go out at 0, 501, 1002, ...: a change at 250 falls into the first pause.
    QTest::newRow("login: user name typed during the address pause")
        << "login" << QStringList{"ManageIP=1.2.3.4", "UserName=old"} << "3100" << "250 fill UserName=new,UserPSD=p"
        << QStringList{"tel 1.2.3.4<CR> ~500", "new<CR> ~500", "p<CR> ~1000", kLoginDone} << false;
    QTest::newRow("unbind: MAC and VLAN changed before the last line")
        << "unbind" << kPort << "3100" << "1700 fill Mac=ffff-ffff-ffff,Vlan=30"
        << QStringList{"sys<CR> ~500", "int eth 1/0/7<CR> ~500", "shut<CR> ~500", "undo port acc vlan 20<CR> ~500",
                       "undo mac-addr static ffff-ffff-ffff vlan 30<CR>", kDone} << false;
    QTest::newRow("bind: model recognised during the login is used")
        << "bind" << QStringList{"ManageIP=10.0.0.2"} + kPort << "3100" << "250 model 3600"
        << QStringList{"tel 10.0.0.2<CR> ~500"} + portLines(true, k3600Last) << false;

    QTest::newRow("login, port closed: error at the first line")
        << "login" << kLogin << "3100" << "before close" << QStringList{kFailed} << false;
    QTest::newRow("bind: port lost in the third pause")
        << "bind" << kPort << "3100" << "1200 close"
        << QStringList{"sys<CR> ~500", "int eth 1/0/7<CR> ~500", "undo shut<CR> ~500", kFailed} << false;
    QTest::newRow("save: port lost before the empty line")
        << "save" << QStringList() << "3100" << "800 close" << QStringList{"save<CR> ~500", "y <CR> ~500", kFailed}
        << false;

    // The window closing cancels the scripts: nothing more is sent, no message, no error
    // dialog (the port is closed by then), the input line left alone.
    QTest::newRow("save, closed in the last pause")
        << "save" << QStringList() << "3100" << "1100 cancel" << QStringList{"save<CR> ~500", "y <CR> ~500", "<CR>"}
        << false;
}

void TestCommandScripts::script()
{
    QFETCH(QString, script);
    QFETCH(QStringList, boxes);
    QFETCH(QString, model);
    QFETCH(QString, event);
    QFETCH(QStringList, expected);
    QFETCH(bool, clears);

    Trace t;
    t.inputs.fill(boxes);
    t.inputs.model = switchModelFromText(model);
    CommandScripts scripts(t.serial, t.inputs, t.engine);
    const QString when = event.section(u' ', 0, 0), what = event.section(u' ', 1, 1);
    const QString arg = event.section(u' ', 2);
    const auto act = [&] {
        if (what == u"fill")
            t.inputs.fill(arg.split(u','));
        else if (what == u"model")
            t.inputs.model = switchModelFromText(arg);
        else {
            if (what == u"cancel")
                t.engine.cancel();
            t.serial.setPortOpen(false); // closing the window closes the port too
        }
    };
    if (when == u"before")
        act();
    else if (!when.isEmpty())
        t.clock.at(when.toLongLong(), act);
    run(scripts, t.clock, script);

    QCOMPARE(t.formatted(), expected);
    QCOMPARE(t.cleared, clears);
    QVERIFY(!t.engine.busy());
}

void TestCommandScripts::clickDuringPause_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<qint64>("clickAt");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("reboot inside the first save pause")
        << "save" << qint64(100) << "reboot" << QStringList()
        << QStringList{"0 save<CR>", "501 y <CR>", "1002 <CR>", "1503 " + kSaved};
    QTest::newRow("second bind inside the last bind pause")
        << "bind" << qint64(1600) << "bind" << QStringList{"UserName=admin"} + kPort
        << QStringList{"0 admin<CR>", "501 sys<CR>", "1002 int eth 1/0/7<CR>", "1503 undo shut<CR>",
                       "2004 port acc vlan 20<CR>", "2505 mac-addr static 0011-2233-4455 vlan 20<CR>", "2505 " + kDone};
}

// A click on another script during a pause is ignored: nothing interleaves on the wire, the
// running script keeps its pauses.
void TestCommandScripts::clickDuringPause()
{
    QFETCH(QString, first);
    QFETCH(qint64, clickAt);
    QFETCH(QString, second);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, expected);

    Trace t;
    t.inputs.fill(boxes);
    CommandScripts scripts(t.serial, t.inputs, t.engine);
    t.clock.at(clickAt, [&] { click(scripts, second); });
    run(scripts, t.clock, first);
    QCOMPARE(t.timed(), expected);
}

void TestCommandScripts::switchAnswers_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("boxes");
    // The switch: "<line sent>|<ms later>|<what it prints>", several for one line in order; the
    // first entry with an empty line sent is the prompt shown before the click.
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("expected"); // timed, as in clickDuringPause; "= " the outcome

    const QString caret = u"\r\n      ^\r\n % Wrong parameter found at '^' position.\r\n[SW]"_qs;
    const QString sys = u"sys|30|sys\r\nSystem View: return to User View with Ctrl+Z.\r\n[SW]"_qs;
    QTest::newRow("port beyond the switch: stops after the refused line")
        << "bind" << kPort << QStringList{u"|0|<SW>"_qs, sys, u"int eth 1/0/7|40|int eth 1/0/7"_qs + caret}
        << QStringList{"0 sys<CR>", "501 int eth 1/0/7<CR>",
                       u"1002 [Tarnwell] 绑定没有完成：交换机拒绝了 int eth 1/0/7\n\n交换机的回答：\n% Wrong parameter found at '^' position."
                       u"\n\n交换机已接受（已生效）：\nsys\n\n以下各行没有发送：\nundo shut\nport acc vlan 20\nmac-addr static 0011-2233-4455 vlan 20"_qs,
                       u"= 被交换机拒绝：int eth 1/0/7"_qs};
    QStringList flood{u"|0|<SW>"_qs, u"reboot |5|reboot \r\n"_qs};
    for (int i = 0; i < 30; ++i)
        flood << u"reboot |10|Error: "_qs + QString(300, u'x') + u"\r\n"_qs;
    QTest::newRow("thirty long error lines: ten listed, cut, the rest counted")
        << "reboot" << QStringList() << flood
        << QStringList{"0 reboot <CR>", u"501 [Tarnwell] 重启没有完成：交换机拒绝了 reboot \n\n交换机的回答："_qs
                                            + (u"\nError: "_qs + QString(192, u'x') + u"…"_qs).repeated(10)
                                            + u"\n……另有20行报错未列出"_qs, u"= 被交换机拒绝：reboot "_qs};
    const QString logged = u"|0|<SW>"_qs;
    QTest::newRow("logged in already: user name and passwords kept back, super sent")
        << "login" << kLogin.mid(1) << QStringList{logged}
        << QStringList{"0 root<CR>", "501 " + kLoginDone + u"\n\n交换机已在命令行，没有要求登录，用户名和密码没有发送。"_qs, u"= 完成"_qs};
    const QString super = u"super|20|super\r\n User privilege level is 3\r\n<SW>"_qs;
    QTest::newRow("super refused: the message opens with the refusal, names what took effect")
        << "login" << QStringList{"SuperName=super", "SuperPSD=pw2"}
        << QStringList{u"|0|Username:"_qs, u"super|20|super\r\n % Username or password is invalid!\r\nUsername:"_qs}
        << QStringList{u"0 [Tarnwell] 登录没有完成：交换机不在用户视图（<…>），super 没有发送。\n\n以下各行没有发送：\nsuper\n******"
                       u"\n\n交换机最后显示：\nUsername:"_qs, u"= 交换机不在用户视图（<…>），super 没有发送。"_qs};
    QTest::newRow("super raises the level without asking: its password is skipped")
        << "login" << QStringList{"SuperName=super", "SuperPSD=pw2"}
        << QStringList{logged, u"super|20|super\r\n User privilege level is 3\r\n<SW>"_qs}
        << QStringList{"0 super<CR>", "501 " + kLoginDone + u"\n\n交换机已在命令行，没有要求输入密码，密码没有发送。"_qs, u"= 完成"_qs};
    QTest::newRow("password asked: sent, shown as ******")
        << "login" << QStringList{"UserName=admin", "UserPSD=pw1"}
        << QStringList{u"|0|Username:"_qs, u"admin|20|admin\r\nPassword:"_qs, u"******|20|\r\n<SW>"_qs}
        << QStringList{"0 admin<CR>", "501 pw1<CR>", "1502 " + kLoginDone, u"= 完成"_qs};
    QTest::newRow("asked for a user name: the password is not typed as one")
        << "login" << QStringList{"UserPSD=pw1", "SuperName=super"} << QStringList{u"|0|\r\nUsername:"_qs}
        << QStringList{u"0 [Tarnwell] 登录没有完成：交换机没有要求输入密码，已停止。\n\n以下各行没有发送：\n"
                       u"******\nsuper\n\n交换机最后显示：\nUsername:"_qs, u"= 交换机没有要求输入密码，已停止。"_qs};
    const QString trying = u"tel 10.0.0.9|40|tel 10.0.0.9\r\nTrying 10.0.0.9 ...\r\nPress CTRL+K to abort\r\n"_qs;
    QTest::newRow("telnet to a silent host: 3 s more, then nothing typed into it")
        << "login" << QStringList{"ManageIP=10.0.0.9", "UserName=admin", "UserPSD=pw1"} << QStringList{logged, trying}
        << QStringList{"0 tel 10.0.0.9<CR>",
                       u"3510 [Tarnwell] 登录没有完成：交换机没有要求输入用户名，已停止。\n\n交换机已接受（已生效）：\ntel 10.0.0.9\n\n"
                       u"以下各行没有发送：\nadmin\n******\n\n交换机最后显示：\nTrying 10.0.0.9 ...\nPress CTRL+K to abort"_qs,
                       u"= 交换机没有要求输入用户名，已停止。"_qs};
    QTest::newRow("telnet alone, no answer: not reported as logged in")
        << "login" << QStringList{"ManageIP=10.0.0.9"} << QStringList{logged, trying}
        << QStringList{"0 tel 10.0.0.9<CR>", u"3510 [Tarnwell] 登录没有完成：交换机没有回到命令行提示符。\n\n交换机最后显示：\n"
                                             u"Trying 10.0.0.9 ...\nPress CTRL+K to abort"_qs, u"= 未完成：交换机没有回到命令行提示符。"_qs};
    QTest::newRow("slow hop: the next line waits for the prompt")
        << "unbind" << kPort << QStringList{u"|0|<SW>"_qs, u"sys|20|sys\r\n"_qs, u"sys|1500|[SW]"_qs}
        << QStringList{"0 sys<CR>", "1521 int eth 1/0/7<CR>", "2022 shut<CR>", "2523 undo port acc vlan 20<CR>",
                       "3024 undo mac-addr static 0011-2233-4455 vlan 20<CR>", "3525 " + kDone, u"= 完成"_qs};
    QTest::newRow("refusal printed slowly: quoted whole")
        << "bind" << kPort << QStringList{u"|0|[SW]"_qs, u"port acc vlan 20|20|port acc vlan 20\r\nError: VLAN 20 does"_qs,
                                          u"port acc vlan 20|900| not exist.\r\n[SW]"_qs}
        << QStringList{"0 sys<CR>", "501 int eth 1/0/7<CR>", "1002 undo shut<CR>", "1503 port acc vlan 20<CR>",
                       u"2463 [Tarnwell] 绑定没有完成：交换机拒绝了 port acc vlan 20\n\n交换机的回答：\nError: VLAN 20 does not exist.\n\n"
                       u"交换机已接受（已生效）：\nsys\nint eth 1/0/7\nundo shut\n端口现在已开启（undo shut），但还没有绑定。\n\n"
                       u"以下各行没有发送：\nmac-addr static 0011-2233-4455 vlan 20"_qs, u"= 被交换机拒绝：port acc vlan 20"_qs};
    // Where 管理IP already led: no second telnet from inside it.
    const QStringList hop{u"|0|<SW3100-A>"_qs, u"tel 10.0.0.2|20|tel 10.0.0.2\r\nTrying 10.0.0.2 ...\r\nConnected to 10.0.0.2 ...\r\n"
                                               u"\r\nLogin authentication\r\n\r\nUsername:"_qs,
                          u"admin|20|admin\r\nPassword:"_qs, u"******|20|\r\n<SW3600-B>"_qs};
    const QStringList hopBoxes{"ManageIP=10.0.0.2", "UserName=admin", "UserPSD=pw1"};
    QTest::newRow("bind after a telnet login: no second login inside the managed switch")
        << "login,bind" << hopBoxes + kPort << hop
        << QStringList{"0 tel 10.0.0.2<CR>", "501 admin<CR>", "1002 pw1<CR>", "2003 " + kLoginDone, "2003 sys<CR>",
                       "2504 int eth 1/0/7<CR>", "3005 undo shut<CR>", "3506 port acc vlan 20<CR>",
                       "4007 mac-addr static 0011-2233-4455 vlan 20<CR>",
                       "4508 " + kDone + u"\n\n交换机已在 SW3600-B（10.0.0.2）的命令行，登录的各行没有再发送。"_qs, u"= 完成"_qs};
    QTest::newRow("管理IP without user name: the port lines are not typed at Username:")
        << "bind" << QStringList{"ManageIP=10.0.0.2"} + kPort << hop
        << QStringList{"0 tel 10.0.0.2<CR>",
                       u"501 [Tarnwell] 绑定没有完成：交换机在等待输入用户名，还没有登录。\n\n交换机已接受（已生效）：\ntel 10.0.0.2\n\n以下各行没有发送：\n"
                       u"sys\nint eth 1/0/7\nundo shut\nport acc vlan 20\nmac-addr static 0011-2233-4455 vlan 20\n\n交换机最后显示：\n"
                       u"Login authentication\nUsername:"_qs, u"= 交换机在等待输入用户名，还没有登录。"_qs};
    QTest::newRow("at Username: the login starts from the user name")
        << "login" << hopBoxes << QStringList{u"|0|\r\nUsername:"_qs, hop[2], hop[3]}
        << QStringList{"0 admin<CR>", "501 pw1<CR>", "1502 " + kLoginDone, u"= 完成"_qs};
    QTest::newRow("in system view: no telnet typed where it is refused")
        << "login" << hopBoxes << QStringList{u"|0|[SW3100-A-Ethernet1/0/7]"_qs}
        << QStringList{u"0 [Tarnwell] 登录没有完成：交换机不在用户视图，telnet 只能在 <…> 提示符下使用，tel 10.0.0.2 没有发送。请先输入 return 回到用户视图。"
                       u"\n\n以下各行没有发送：\ntel 10.0.0.2\nadmin\n******\n\n交换机最后显示：\n[SW3100-A-Ethernet1/0/7]"_qs,
                       u"= 交换机不在用户视图，telnet 只能在 <…> 提示符下使用，tel 10.0.0.2 没有发送。请先输入 return 回到用户视图。"_qs};
    // The switch keeps what 提示 or 补齐 left on its line: erased before the first line.
    QTest::newRow("reboot in user view after help: the typed text erased, no Ctrl+Z")
        << "reboot" << QStringList() << QStringList{u"|0|\r\n<SW>dis "_qs, u"reboot |20|reboot \r\n This will reboot device. Continue? [Y/N]"_qs}
        << QStringList{"0 \b\b\b\b", "0 reboot <CR>", "501 " + kRebooting + u"\n\n交换机在等待回答：\nThis will reboot device. Continue? [Y/N]"
                                                                          u"\n请在输入区输入回答后按回车。"_qs, u"= 完成"_qs};
    QTest::newRow("reboot in port view: Ctrl+Z first, after a completed word")
        << "reboot" << QStringList() << QStringList{u"|0|[SW-Ethernet1/0/7]dis\b\b\bdisplay "_qs, u"\x1a|20|\r\n<SW>"_qs}
        << QStringList{"0 \b\b\b\b\b\b\b\b", "0 \x1a", "501 reboot <CR>", "1002 " + kRebooting, u"= 完成"_qs};
    QTest::newRow("answer to the last line comes in the pause after it")
        << "bind" << kPort << QStringList{u"|0|[SW]"_qs, u"mac-addr static 0011-2233-4455 vlan 20|300|mac-addr static"
                                                        u" 0011-2233-4455 vlan 20\r\nError: VLAN 20 does not exist.\r\n[SW]"_qs}
        << QStringList{"0 sys<CR>", "501 int eth 1/0/7<CR>", "1002 undo shut<CR>", "1503 port acc vlan 20<CR>",
                       "2004 mac-addr static 0011-2233-4455 vlan 20<CR>",
                       u"2505 [Tarnwell] 绑定没有完成：交换机拒绝了 mac-addr static 0011-2233-4455 vlan 20\n\n交换机的回答：\n"
                       u"Error: VLAN 20 does not exist.\n\n交换机已接受（已生效）：\nsys\nint eth 1/0/7\nundo shut\nport acc vlan 20\n"
                       u"端口现在已开启（undo shut），但还没有绑定。"_qs, u"= 被交换机拒绝：mac-addr static 0011-2233-4455 vlan 20"_qs};
    const QStringList saving{u"|0|<SW>"_qs, u"save|20|save\r\nAre you sure?[Y/N]"_qs,
                             u"y |20|y \r\n(To leave the existing filename unchanged, press the enter key):"_qs,
                             u"|20|\r\nSaving configuration flash:/config.cfg. Please wait...\r\n"_qs};
    QTest::newRow("save: the message waits for the outcome")
        << "save" << QStringList()
        << saving + QStringList{u"|20000|....\r\n Unit1 save configuration flash:/config.cfg successfully\r\n<SW>"_qs}
        << QStringList{"0 save<CR>", "501 y <CR>", "1002 <CR>",
                       "21036 " + kSaved + u"\n\n交换机报告：\nUnit1 save configuration flash:/config.cfg successfully"_qs, u"= 完成"_qs};
    QTest::newRow("save: no outcome within 60 s")
        << "save" << QStringList() << saving
        << QStringList{"0 save<CR>", "501 y <CR>", "1002 <CR>", u"61530 [Tarnwell] 保存没有确认：等了60秒，交换机还没有报告保存的结果。"_qs,
                       u"= 未见保存结果"_qs};
    QTest::newRow("save done before the last Enter: its success is reported")
        << "save" << QStringList()
        << QStringList{u"|0|<SW>"_qs, u"save|20|save\r\nAre you sure?[Y/N]"_qs,
                       u"y |20|y \r\n Configuration is saved to device successfully.\r\n<SW>"_qs, u"|20|\r\n<SW>"_qs}
        << QStringList{"0 save<CR>", "501 y <CR>", "1002 <CR>",
                       "1503 " + kSaved + u"\n\n交换机报告：\nConfiguration is saved to device successfully."_qs, u"= 完成"_qs};
}

void TestCommandScripts::switchAnswers()
{
    QFETCH(QString, script);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, expected);

    Trace t;
    t.inputs.fill(boxes);
    CommandScripts scripts(t.serial, t.inputs, t.engine);
    scripts.watchReplies();
    scripts.received(answers.takeFirst().section(u'|', 2));
    QObject::connect(&t.serial, &SerialControl::sent, [&](const QString &shown) {
        qint64 at = t.clock.now;
        for (const QString &a : answers)
            if (const QString line = a.section(u'|', 0, 0); line + u'\r' == shown || (line.size() == 1 && line == shown)) {
                at += a.section(u'|', 1, 1).toLongLong();
                t.clock.at(at, [&scripts, text = a.section(u'|', 2)] { scripts.received(text); });
            }
    });
    run(scripts, t.clock, script);
    QCOMPARE(t.timed() << u"= "_qs + t.outcome, expected);
    QVERIFY(!t.serial.written().contains(u"pw1\r"_qs) || boxes.contains(u"UserPSD=pw1"_qs));
}

void TestCommandScripts::windowDestroyedWhileWaiting_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<qint64>("destroyAt");
    QTest::addColumn<int>("writesBefore");

    QTest::newRow("login") << "login" << qint64(700) << 2;
    QTest::newRow("bind") << "bind" << qint64(1800) << 3;
    QTest::newRow("save") << "save" << qint64(1200) << 3;
}

// The window, with the scripts, their inputs and the serial control, is destroyed inside a
// pause: the script returns without touching any of them (the sanitizer build checks).
void TestCommandScripts::windowDestroyedWhileWaiting()
{
    QFETCH(QString, script);
    QFETCH(qint64, destroyAt);
    QFETCH(int, writesBefore);

    test::VirtualClock clock;
    test::MessageRecorder boxes;
    struct Window {
        test::FakeSerialControl serial;
        FakeInputs inputs;
        OperationEngine engine;
        CommandScripts scripts{serial, inputs, engine};
    };
    auto *window = new Window;
    window->serial.setPortOpen(true);
    window->inputs.fill(kLogin + kPort);
    int writes = 0;
    clock.at(destroyAt, [&] {
        writes = int(window->serial.writes.size());
        delete window;
        window = nullptr;
    });
    click(window->scripts, script);
    clock.run();
    QVERIFY(!window);
    QCOMPARE(writes, writesBefore);
    QVERIFY(boxes.boxes.isEmpty());
}

QTEST_MAIN(TestCommandScripts)
#include "test_commandscripts.moc"

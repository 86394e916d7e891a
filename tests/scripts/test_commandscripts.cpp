// The command scripts on a virtual clock: exact lines and pauses for every script, model and
// box combination; boxes read at send time; refusals; errors; a click inside a pause; a window
// closing (or being destroyed) during a pause.
#include "console/error.h"
#include "console/messagebox.h"
#include "scripts/commandscripts.h"
#include "scriptfixture.h"

#include <QTest>

#include <memory>

using namespace tarnwell;
using tarnwell::test::ScriptTrace;

namespace {

const QString kApp = QStringLiteral("Tarnwell");
const QString kLoginDone = QStringLiteral("[Tarnwell] 登录完毕，注意此功能需要在>状态下使用！");
const QString kDone = QStringLiteral("[Tarnwell] 操作完毕！");
const QString kNoPort = QStringLiteral("[Tarnwell] 请先输入正确端口号！");
const QString kRefuse5500 = QStringLiteral("[无法操作] 5500好多光口，绑定方法学习中");
const QString kRefuse9512 = QStringLiteral("[无法操作] 9512好多光口，绑定方法学习中");
const QString kRefuseUnknown = QStringLiteral("[无法操作] 不晓得是什么交换机！问交换机管理员吧。");
const QString kSaved = QStringLiteral("[Tarnwell] 保存大概需要5-10秒，为保险起见，请完毕后列举绑定信息检查！");
const QString kRebooting = QStringLiteral("[Tarnwell] 重启大概需要5-10秒，需要在登录进交换机的前提下进行。");

// One expected write: the text, its CR, and the pause after it (-1: none).
QString line(const QString &text, int pause = -1)
{
    QString s = text + QStringLiteral("<CR>");
    if (pause >= 0)
        s += QStringLiteral(" ~%1").arg(pause);
    return s;
}

const QStringList kFullLogin = {
    QStringLiteral("ManageIP=10.0.0.2"), QStringLiteral("UserName=admin"),
    QStringLiteral("UserPSD=pw1"),       QStringLiteral("SuperName=root"),
    QStringLiteral("SuperPSD=pw2"),
};

QStringList loginLines(int passwordPause)
{
    return {line(QStringLiteral("tel 10.0.0.2"), 500), line(QStringLiteral("admin"), 500),
            line(QStringLiteral("pw1"), passwordPause), line(QStringLiteral("root"), 500),
            line(QStringLiteral("pw2"), passwordPause)};
}

const QStringList kPortBoxes = {QStringLiteral("PortNum=7"), QStringLiteral("Vlan=20"),
                                QStringLiteral("Mac=0011-2233-4455"),
                                QStringLiteral("IP=192.168.1.9")};

QStringList bind3100()
{
    return {line(QStringLiteral("sys"), 500), line(QStringLiteral("int eth 1/0/7"), 500),
            line(QStringLiteral("undo shut"), 500), line(QStringLiteral("port acc vlan 20"), 500),
            line(QStringLiteral("mac-addr static 0011-2233-4455 vlan 20")), kDone};
}
QStringList unbind3100()
{
    return {line(QStringLiteral("sys"), 500), line(QStringLiteral("int eth 1/0/7"), 500),
            line(QStringLiteral("shut"), 500), line(QStringLiteral("undo port acc vlan 20"), 500),
            line(QStringLiteral("undo mac-addr static 0011-2233-4455 vlan 20")), kDone};
}
QStringList bind3600()
{
    return {line(QStringLiteral("sys"), 500), line(QStringLiteral("int eth 1/0/7"), 500),
            line(QStringLiteral("undo shut"), 500), line(QStringLiteral("port acc vlan 20"), 500),
            line(QStringLiteral("am user-bind mac-addr 0011-2233-4455 ip-addr 192.168.1.9")), kDone};
}
QStringList unbind3600()
{
    return {line(QStringLiteral("sys"), 500), line(QStringLiteral("int eth 1/0/7"), 500),
            line(QStringLiteral("shut"), 500), line(QStringLiteral("undo port acc vlan 20"), 500),
            line(QStringLiteral("undo am user-bind mac-addr 0011-2233-4455 ip-addr 192.168.1.9")),
            kDone};
}
const QStringList kSaveLines = {line(QStringLiteral("save"), 500), line(QStringLiteral("y "), 500),
                                line(QString(), 500), kSaved};
const QStringList kRebootLines = {line(QStringLiteral("sys"), 500),
                                  line(QStringLiteral("reboot "), 500), kRebooting};

// Runs a script by name as the window's click handler does: inside the error trap.
void click(CommandScripts &scripts, const QString &name)
{
    trapErrors([&] { test::runScript(scripts, name); });
}

bool clearsInputLine(const QString &script)
{
    return script == QLatin1String("save") || script == QLatin1String("reboot");
}

} // namespace

class TestCommandScripts : public QObject {
    Q_OBJECT
private slots:
    void scriptContent_data();
    void scriptContent();
    void boxesReadWhenSent_data();
    void boxesReadWhenSent();
    void portClosed_data();
    void portClosed();
    void clickDuringPause_data();
    void clickDuringPause();
    void cancelledWhileWaiting_data();
    void cancelledWhileWaiting();
    void windowDestroyedWhileWaiting_data();
    void windowDestroyedWhileWaiting();
};

void TestCommandScripts::scriptContent_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("expected");

    const QString m3100 = QStringLiteral("3100");
    QTest::newRow("login: all empty") << "login" << QStringList() << m3100 << QStringList{kLoginDone};
    QTest::newRow("login: all five") << "login" << kFullLogin << m3100 << loginLines(1000) + QStringList{kLoginDone};
    QTest::newRow("login: user and password")
        << "login" << QStringList{"UserName=admin", "UserPSD=pw1"} << m3100
        << QStringList{line("admin", 500), line("pw1", 1000), kLoginDone};
    QTest::newRow("login: advanced pair only")
        << "login" << QStringList{"SuperName=root", "SuperPSD=pw2"} << m3100
        << QStringList{line("root", 500), line("pw2", 1000), kLoginDone};
    QTest::newRow("login: blanks are text")
        << "login" << QStringList{"ManageIP= ", "UserPSD=  ", "SuperPSD= x "} << m3100
        << QStringList{line("tel  ", 500), line("  ", 1000), line(" x ", 1000), kLoginDone};
    QTest::newRow("login: Chinese user name")
        << "login" << QStringList{QStringLiteral("UserName=张三")} << m3100
        << QStringList{line(QStringLiteral("张三"), 500), kLoginDone};
    QTest::newRow("login: port boxes play no part")
        << "login" << kPortBoxes << QStringLiteral("5500") << QStringList{kLoginDone};

    QTest::newRow("bind 3100") << "bind" << kPortBoxes << m3100 << bind3100();
    QTest::newRow("unbind 3100") << "unbind" << kPortBoxes << m3100 << unbind3100();
    QTest::newRow("bind 3600") << "bind" << kPortBoxes << "3600" << bind3600();
    QTest::newRow("unbind 3600") << "unbind" << kPortBoxes << "3600" << unbind3600();
    QTest::newRow("bind 3100 after full login: 1000 ms after passwords")
        << "bind" << kFullLogin + kPortBoxes << m3100 << loginLines(1000) + bind3100();
    QTest::newRow("unbind 3100 after full login: 500 ms after passwords")
        << "unbind" << kFullLogin + kPortBoxes << m3100 << loginLines(500) + unbind3100();
    QTest::newRow("bind 3100: empty VLAN and MAC go out as they are")
        << "bind" << QStringList{"PortNum=3"} << m3100
        << QStringList{line("sys", 500), line("int eth 1/0/3", 500), line("undo shut", 500),
                       line("port acc vlan ", 500), line("mac-addr static  vlan "), kDone};
    QTest::newRow("unbind 3600: empty MAC and IP")
        << "unbind" << QStringList{"PortNum=3", "Vlan=5"} << "3600"
        << QStringList{line("sys", 500), line("int eth 1/0/3", 500), line("shut", 500),
                       line("undo port acc vlan 5", 500), line("undo am user-bind mac-addr  ip-addr "),
                       kDone};
    QTest::newRow("bind: port number of one blank refused")
        << "bind" << QStringList{"PortNum= ", "Vlan=1", "Mac=m"} << m3100 << QStringList{kNoPort};
    QTest::newRow("bind: text as typed, no trimming")
        << "bind" << QStringList{"PortNum=48", "Vlan= 9", "Mac=AA-bb ", "IP=x"} << m3100
        << QStringList{line("sys", 500), line("int eth 1/0/48", 500), line("undo shut", 500),
                       line("port acc vlan  9", 500), line("mac-addr static AA-bb  vlan  9"), kDone};
    QTest::newRow("unbind: port number 49 refused")
        << "unbind" << QStringList{"PortNum=49"} << m3100 << QStringList{kNoPort};
    QTest::newRow("bind: port number 1/0/5 refused")
        << "bind" << kFullLogin + QStringList{"PortNum=1/0/5"} << m3100 << QStringList{kNoPort};

    QTest::newRow("bind: empty port number sends nothing at all")
        << "bind" << kFullLogin + QStringList{"PortNum=", "Vlan=20", "Mac=m"} << m3100
        << QStringList{kNoPort};
    QTest::newRow("unbind: empty port number sends nothing at all")
        << "unbind" << kFullLogin + QStringList{"Vlan=20", "Mac=m"} << "3600" << QStringList{kNoPort};
    QTest::newRow("bind: empty port number before the model refusal")
        << "bind" << QStringList() << "5500" << QStringList{kNoPort};

    QTest::newRow("bind 5500: login, then refusal")
        << "bind" << kFullLogin + kPortBoxes << "5500" << loginLines(1000) + QStringList{kRefuse5500};
    QTest::newRow("unbind 5500: login, then refusal")
        << "unbind" << kFullLogin + kPortBoxes << "5500" << loginLines(500) + QStringList{kRefuse5500};
    QTest::newRow("bind 9512") << "bind" << kFullLogin + kPortBoxes << "9512"
                               << loginLines(1000) + QStringList{kRefuse9512};
    QTest::newRow("unbind 9512, no login") << "unbind" << kPortBoxes << "9512" << QStringList{kRefuse9512};
    QTest::newRow("bind unknown model") << "bind" << kFullLogin + kPortBoxes << "S5100"
                                        << loginLines(1000) + QStringList{kRefuseUnknown};
    QTest::newRow("unbind empty model") << "unbind" << kPortBoxes << "" << QStringList{kRefuseUnknown};
    QTest::newRow("bind: model compared exactly") << "bind" << kPortBoxes << "3100 "
                                                  << QStringList{kRefuseUnknown};

    QTest::newRow("save") << "save" << QStringList() << m3100 << kSaveLines;
    QTest::newRow("reboot") << "reboot" << QStringList() << m3100 << kRebootLines;
    QTest::newRow("reboot ignores the boxes") << "reboot" << kFullLogin + kPortBoxes << "" << kRebootLines;
}

void TestCommandScripts::scriptContent()
{
    QFETCH(QString, script);
    QFETCH(QStringList, boxes);
    QFETCH(QString, model);
    QFETCH(QStringList, expected);

    ScriptTrace t;
    t.inputs.fill(boxes);
    t.inputs.model = model;
    CommandScripts scripts(t.serial, t.inputs);
    click(scripts, script);

    QCOMPARE(t.formatted(), expected);
    // Each line is one write of its text and one CR.
    for (const auto &w : t.serial.writes)
        QVERIFY(w.text.endsWith(QLatin1Char('\r')) && w.text.count(QLatin1Char('\r')) == 1
                && !w.text.contains(QLatin1Char('\n')));
    const bool cleared = clearsInputLine(script);
    QCOMPARE(t.inputs.inputLineClears, cleared ? 1 : 0);
    QCOMPARE(t.inputs.text2, cleared ? QString() : QStringLiteral("typed before"));
}

void TestCommandScripts::boxesReadWhenSent_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<qint64>("changeAt");
    QTest::addColumn<QStringList>("change");
    QTest::addColumn<QString>("modelAfter");
    QTest::addColumn<QStringList>("expected");

    // Lines go out at 0, 501, 1002, ...: a change at 250 falls into the first pause.
    QTest::newRow("login: user name typed during the address pause")
        << "login" << QStringList{"ManageIP=1.2.3.4", "UserName=old"} << qint64(250)
        << QStringList{"UserName=new", "UserPSD=p"} << ""
        << QStringList{line("tel 1.2.3.4", 500), line("new", 500), line("p", 1000), kLoginDone};
    QTest::newRow("login: box emptied during a pause is skipped")
        << "login" << QStringList{"ManageIP=1.2.3.4", "UserName=old", "UserPSD=p"} << qint64(250)
        << QStringList{"UserName="} << ""
        << QStringList{line("tel 1.2.3.4", 500), line("p", 1000), kLoginDone};
    QTest::newRow("bind: port number changed during the login")
        << "bind" << QStringList{"ManageIP=1.2.3.4"} + kPortBoxes << qint64(250)
        << QStringList{"PortNum=9"} << ""
        << QStringList{line("tel 1.2.3.4", 500), line("sys", 500), line("int eth 1/0/9", 500),
                       line("undo shut", 500), line("port acc vlan 20", 500),
                       line("mac-addr static 0011-2233-4455 vlan 20"), kDone};
    QTest::newRow("bind: port number emptied after the check")
        << "bind" << QStringList{"ManageIP=1.2.3.4"} + kPortBoxes << qint64(250)
        << QStringList{"PortNum="} << ""
        << QStringList{line("tel 1.2.3.4", 500), line("sys", 500), line("int eth 1/0/", 500),
                       line("undo shut", 500), line("port acc vlan 20", 500),
                       line("mac-addr static 0011-2233-4455 vlan 20"), kDone};
    QTest::newRow("unbind: MAC and VLAN changed before the last line")
        << "unbind" << kPortBoxes << qint64(1700) << QStringList{"Mac=ffff-ffff-ffff", "Vlan=30"} << ""
        << QStringList{line("sys", 500), line("int eth 1/0/7", 500), line("shut", 500),
                       line("undo port acc vlan 20", 500),
                       line("undo mac-addr static ffff-ffff-ffff vlan 30"), kDone};
    QTest::newRow("bind: model recognised during the login is used")
        << "bind" << QStringList{"ManageIP=1.2.3.4"} + kPortBoxes << qint64(250) << QStringList()
        << "3600" << QStringList{line("tel 1.2.3.4", 500)} + bind3600();
    QTest::newRow("bind: model 5500 recognised during the login refuses")
        << "bind" << QStringList{"ManageIP=1.2.3.4"} + kPortBoxes << qint64(250) << QStringList()
        << "5500" << QStringList{line("tel 1.2.3.4", 500), kRefuse5500};
    QTest::newRow("bind: model read once, after the login")
        << "bind" << kPortBoxes << qint64(250) << QStringList() << "3600" << bind3100();
}

void TestCommandScripts::boxesReadWhenSent()
{
    QFETCH(QString, script);
    QFETCH(QStringList, boxes);
    QFETCH(qint64, changeAt);
    QFETCH(QStringList, change);
    QFETCH(QString, modelAfter);
    QFETCH(QStringList, expected);

    ScriptTrace t;
    t.inputs.fill(boxes);
    t.clock.at(changeAt, [&] {
        t.inputs.fill(change);
        if (!modelAfter.isEmpty())
            t.inputs.model = modelAfter;
    });
    CommandScripts scripts(t.serial, t.inputs);
    click(scripts, script);
    QCOMPARE(t.formatted(), expected);
}

void TestCommandScripts::portClosed_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("model");
    QTest::addColumn<qint64>("closeAt"); // -1: closed from the start
    QTest::addColumn<QStringList>("expected");

    const QString failed = QStringLiteral("[出错喽] 端口未打开,请联系Dervik!");
    QTest::newRow("login, closed: error at the first line")
        << "login" << kFullLogin << "3100" << qint64(-1) << QStringList{failed};
    QTest::newRow("login, all empty: message without the port")
        << "login" << QStringList() << "3100" << qint64(-1) << QStringList{kLoginDone};
    QTest::newRow("bind, empty port number: message without the port")
        << "bind" << kFullLogin << "3100" << qint64(-1) << QStringList{kNoPort};
    QTest::newRow("unbind, no login, 9512: refusal without the port")
        << "unbind" << kPortBoxes << "9512" << qint64(-1) << QStringList{kRefuse9512};
    QTest::newRow("bind, no login, 3100: error at sys")
        << "bind" << kPortBoxes << "3100" << qint64(-1) << QStringList{failed};
    QTest::newRow("save, closed") << "save" << QStringList() << "3100" << qint64(-1) << QStringList{failed};
    QTest::newRow("reboot, closed") << "reboot" << QStringList() << "3100" << qint64(-1) << QStringList{failed};
    QTest::newRow("bind: port lost in the third pause")
        << "bind" << kPortBoxes << "3100" << qint64(1200)
        << QStringList{line("sys", 500), line("int eth 1/0/7", 500), line("undo shut", 500), failed};
    QTest::newRow("login: port lost after the password")
        << "login" << kFullLogin << "3100" << qint64(1500)
        << QStringList{line("tel 10.0.0.2", 500), line("admin", 500), line("pw1", 1000), failed};
    QTest::newRow("save: port lost before the empty line")
        << "save" << QStringList() << "3100" << qint64(800)
        << QStringList{line("save", 500), line("y ", 500), failed};
}

// A failed write ends the script in the error dialog: nothing after it, no closing message, and
// Text2 keeps its text.
void TestCommandScripts::portClosed()
{
    QFETCH(QString, script);
    QFETCH(QStringList, boxes);
    QFETCH(QString, model);
    QFETCH(qint64, closeAt);
    QFETCH(QStringList, expected);

    ScriptTrace t;
    t.inputs.fill(boxes);
    t.inputs.model = model;
    if (closeAt < 0)
        t.serial.setPortOpen(false);
    else
        t.clock.at(closeAt, [&] { t.serial.setPortOpen(false); });
    CommandScripts scripts(t.serial, t.inputs);
    click(scripts, script);
    QCOMPARE(t.formatted(), expected);
    QCOMPARE(t.inputs.text2, QStringLiteral("typed before"));
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
        << QStringList{"0 save<CR>", "100 sys<CR>", "601 reboot <CR>", "1102 " + kRebooting,
                       "1102 y <CR>", "1603 <CR>", "2104 " + kSaved};
    QTest::newRow("save inside save")
        << "save" << qint64(600) << "save" << QStringList()
        << QStringList{"0 save<CR>", "501 y <CR>", "600 save<CR>", "1101 y <CR>", "1602 <CR>",
                       "2103 " + kSaved, "2103 <CR>", "2604 " + kSaved};
    QTest::newRow("login inside the last bind pause")
        << "bind" << qint64(1600) << "login" << QStringList{"UserName=admin"} + kPortBoxes
        << QStringList{"0 admin<CR>", "501 sys<CR>", "1002 int eth 1/0/7<CR>", "1503 undo shut<CR>",
                       "1600 admin<CR>", "2101 " + kLoginDone, "2101 port acc vlan 20<CR>",
                       "2602 mac-addr static 0011-2233-4455 vlan 20<CR>", "2602 " + kDone};
    QTest::newRow("short nested script ends inside the pause")
        << "unbind" << qint64(100) << "login" << kPortBoxes
        << QStringList{"0 sys<CR>", "100 " + kLoginDone, "501 int eth 1/0/7<CR>", "1002 shut<CR>",
                       "1503 undo port acc vlan 20<CR>",
                       "2004 undo mac-addr static 0011-2233-4455 vlan 20<CR>", "2004 " + kDone};
}

// A click during a pause runs its script at once, inside the pause; the interrupted script
// goes on with its next line as soon as its pause has passed.
void TestCommandScripts::clickDuringPause()
{
    QFETCH(QString, first);
    QFETCH(qint64, clickAt);
    QFETCH(QString, second);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, expected);

    ScriptTrace t;
    t.inputs.fill(boxes);
    CommandScripts scripts(t.serial, t.inputs);
    t.clock.at(clickAt, [&] { click(scripts, second); });
    click(scripts, first);
    QCOMPARE(t.timed(), expected);
}

void TestCommandScripts::cancelledWhileWaiting_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<qint64>("cancelAt"); // -1: before the click; -2: while its box is open
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("login, in the password pause")
        << "login" << kFullLogin << qint64(1500)
        << QStringList{line("tel 10.0.0.2", 500), line("admin", 500), line("pw1")};
    QTest::newRow("bind, in the login pause")
        << "bind" << QStringList{"UserName=admin"} + kPortBoxes << qint64(10) << QStringList{line("admin")};
    QTest::newRow("save, in the last pause")
        << "save" << QStringList() << qint64(1100)
        << QStringList{line("save", 500), line("y ", 500), line(QString())};
    QTest::newRow("reboot, while its box is open")
        << "reboot" << QStringList() << qint64(-2) << kRebootLines;
    QTest::newRow("login started after the close") << "login" << QStringList() << qint64(-1) << QStringList();
    QTest::newRow("save started after the close") << "save" << QStringList() << qint64(-1) << QStringList();
}

// The window closing cancels the scripts: the waiting one sends nothing more, shows no message
// (also no error dialog, though the port is closed by then) and leaves Text2 alone.
void TestCommandScripts::cancelledWhileWaiting()
{
    QFETCH(QString, script);
    QFETCH(QStringList, boxes);
    QFETCH(qint64, cancelAt);
    QFETCH(QStringList, expected);

    ScriptTrace t;
    t.inputs.fill(boxes);
    CommandScripts scripts(t.serial, t.inputs);
    auto closeWindow = [&] {
        scripts.cancel();
        t.serial.setPortOpen(false); // the shutdown closes the port
    };
    if (cancelAt == -1)
        closeWindow();
    else if (cancelAt == -2)
        t.boxes.onShown = [&, record = t.boxes.onShown](const test::MessageRecorder::Box &b) {
            record(b);
            closeWindow();
        };
    else
        t.clock.at(cancelAt, closeWindow);
    click(scripts, script);
    QCOMPARE(t.formatted(), expected);
    QCOMPARE(t.inputs.inputLineClears, 0);
    QVERIFY(scripts.cancelled());
}

void TestCommandScripts::windowDestroyedWhileWaiting_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<qint64>("destroyAt");
    QTest::addColumn<int>("writesBefore");

    QTest::newRow("login") << "login" << qint64(700) << 2;
    QTest::newRow("bind") << "bind" << qint64(1800) << 3;
    QTest::newRow("unbind") << "unbind" << qint64(100) << 1;
    QTest::newRow("save") << "save" << qint64(1200) << 3;
    QTest::newRow("reboot") << "reboot" << qint64(300) << 1;
}

// The window, with the scripts object, its inputs and the serial control, is destroyed inside a
// pause (a deferred delete delivered there): the script must return without touching any of
// them. The address sanitizer build turns any such access into a failure.
void TestCommandScripts::windowDestroyedWhileWaiting()
{
    QFETCH(QString, script);
    QFETCH(qint64, destroyAt);
    QFETCH(int, writesBefore);

    test::VirtualClock clock;
    test::MessageRecorder boxes;
    struct Window {
        test::FakeSerialControl serial;
        test::FakeInputs inputs;
        CommandScripts scripts{serial, inputs};
    };
    auto *window = new Window;
    window->serial.setPortOpen(true);
    window->inputs.fill(kFullLogin + kPortBoxes);
    int writes = 0;
    clock.at(destroyAt, [&] {
        writes = int(window->serial.writes.size());
        delete window;
        window = nullptr;
    });
    CommandScripts &scripts = window->scripts;
    click(scripts, script);
    QVERIFY(!window);
    QCOMPARE(writes, writesBefore);
    QVERIFY(boxes.boxes.isEmpty());
}

QTEST_MAIN(TestCommandScripts)
#include "test_commandscripts.moc"

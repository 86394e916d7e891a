// The command scripts on a virtual clock: the exact lines and pauses of every script, boxes read
// as each line goes out, refusals, a lost port, a click inside a pause, and the window closing
// (or being destroyed) during a pause.
#include "console/error.h"
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
    QString switchModel() const override { return model; }
    void clearInputLine() override { text2.clear(); }

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
    QString model = QStringLiteral("3100");
    QString text2 = QStringLiteral("typed before");
};

// Runs a script by name as the window's click handler does: inside the error trap.
void click(CommandScripts &scripts, const QString &name)
{
    const std::map<QString, void (CommandScripts::*)()> actions = {
        {"login", &CommandScripts::login}, {"bind", &CommandScripts::bind},
        {"unbind", &CommandScripts::unbind}, {"save", &CommandScripts::save},
        {"reboot", &CommandScripts::reboot}};
    trapErrors([&] { (scripts.*actions.at(name))(); });
}

const QString kLoginDone = QStringLiteral("[Tarnwell] 登录完毕，注意此功能需要在>状态下使用！");
const QString kDone = QStringLiteral("[Tarnwell] 操作完毕！");
const QString kSaved = QStringLiteral("[Tarnwell] 保存大概需要5-10秒，为保险起见，请完毕后列举绑定信息检查！");
const QString kRebooting = QStringLiteral("[Tarnwell] 重启大概需要5-10秒，需要在登录进交换机的前提下进行。");
const QString kFailed = QStringLiteral("[出错喽] 端口未打开,请联系Dervik!");

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
    QList<Entry> entries;
    qsizetype seen = 0;

    Trace()
    {
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
    void windowDestroyedWhileWaiting_data();
    void windowDestroyedWhileWaiting();
};

void TestCommandScripts::script_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("model");
    // What happens meanwhile: "<ms> fill <entries>", "<ms> model <m>", "<ms> close" (the port
    // goes), "<ms> cancel" (the window closes), "before cancel", "box cancel" (while the
    // script's message is open); empty: nothing.
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
    QTest::newRow("bind: empty boxes and blanks go out as typed")
        << "bind" << QStringList{"PortNum=48", "Vlan= "} << "3100" << ""
        << QStringList{"sys<CR> ~500", "int eth 1/0/48<CR> ~500", "undo shut<CR> ~500", "port acc vlan  <CR> ~500",
                       "mac-addr static  vlan  <CR>", kDone} << false;
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
    QTest::newRow("reboot") << "reboot" << QStringList() << "3100" << ""
                            << QStringList{"sys<CR> ~500", "reboot <CR> ~500", kRebooting} << true;

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
    QTest::newRow("reboot, closed while its box is open")
        << "reboot" << QStringList() << "3100" << "box cancel"
        << QStringList{"sys<CR> ~500", "reboot <CR> ~500", kRebooting} << false;
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
    t.inputs.model = model;
    CommandScripts scripts(t.serial, t.inputs);
    const QString when = event.section(u' ', 0, 0), what = event.section(u' ', 1, 1);
    const QString arg = event.section(u' ', 2);
    const auto act = [&] {
        if (what == u"fill")
            t.inputs.fill(arg.split(u','));
        else if (what == u"model")
            t.inputs.model = arg;
        else {
            if (what == u"cancel")
                scripts.cancel();
            t.serial.setPortOpen(false); // closing the window closes the port too
        }
    };
    if (when == u"before")
        act();
    else if (when == u"box")
        t.boxes.onShown = [&, record = t.boxes.onShown](const test::MessageRecorder::Box &b) {
            record(b);
            act();
        };
    else if (!when.isEmpty())
        t.clock.at(when.toLongLong(), act);
    click(scripts, script);

    QCOMPARE(t.formatted(), expected);
    QCOMPARE(t.inputs.text2, clears ? QString() : QStringLiteral("typed before"));
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
    QTest::newRow("login inside the last bind pause")
        << "bind" << qint64(1600) << "login" << QStringList{"UserName=admin"} + kPort
        << QStringList{"0 admin<CR>", "501 sys<CR>", "1002 int eth 1/0/7<CR>", "1503 undo shut<CR>",
                       "1600 admin<CR>", "2101 " + kLoginDone, "2101 port acc vlan 20<CR>",
                       "2602 mac-addr static 0011-2233-4455 vlan 20<CR>", "2602 " + kDone};
}

// A click during a pause runs its script at once, inside the pause; the interrupted script
// goes on with its next line as soon as its own pause has passed.
void TestCommandScripts::clickDuringPause()
{
    QFETCH(QString, first);
    QFETCH(qint64, clickAt);
    QFETCH(QString, second);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, expected);

    Trace t;
    t.inputs.fill(boxes);
    CommandScripts scripts(t.serial, t.inputs);
    t.clock.at(clickAt, [&] { click(scripts, second); });
    click(scripts, first);
    QCOMPARE(t.timed(), expected);
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
        CommandScripts scripts{serial, inputs};
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
    QVERIFY(!window);
    QCOMPARE(writes, writesBefore);
    QVERIFY(boxes.boxes.isEmpty());
}

QTEST_MAIN(TestCommandScripts)
#include "test_commandscripts.moc"

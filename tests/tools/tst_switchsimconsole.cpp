// The simulated switch console driven directly: what a technician and the program's scripts
// type, and what the switch answers.
#include "simrig.h"

#include <QTest>

using namespace tarnwell;
using tarnwell::test::SimRig;

namespace {

const QByteArray kWipe = "\x1b[42D" + QByteArray(42, ' ') + "\x1b[42D";

QByteArray caret(int column, const char *error)
{
    return QByteArray(column, ' ') + "^\r\n % " + error + " found at '^' position.\r\n";
}

// A rig logged in at the entry switch's user view.
SimRig::Setup plain(sim::Model model = sim::Model::S3100)
{
    SimRig::Setup s;
    s.model = model;
    return s;
}

} // namespace

class SwitchSimConsole : public QObject {
    Q_OBJECT
private slots:
    void enterWithoutLoginShowsPrompt();

    void prompts_data();
    void prompts();

    void abbreviationsChangeState_data();
    void abbreviationsChangeState();

    void errorsWithCaret_data();
    void errorsWithCaret();

    void lineEditing_data();
    void lineEditing();

    void tabCompletion_data();
    void tabCompletion();
    void help_data();
    void help();

    void paging_data();
    void paging();
    void captureSpacesAfterShortListing();

    void login_data();
    void login();
    void logoutAsksForLoginAgain();

    void telnetToDeadAddressHangsUntilCtrlK();
    void programLoginScriptThroughManagedSwitch_data();
    void programLoginScriptThroughManagedSwitch();
    void superUnlocksSystemView();
    void telnetLoginFailsThreeTimesClosesConnection();

    void saveDialogueWithProgramLines();
    void saveAnsweredNoKeepsSavedConfig();
    void rebootRestoresSavedConfigAndAsksForLogin();
    void rebootOfManagedSwitchClosesTelnet();
};

void SwitchSimConsole::enterWithoutLoginShowsPrompt()
{
    SimRig rig(plain());
    QCOMPARE(rig.type("abc"), QByteArray()); // an idle console ignores everything but Enter
    QCOMPARE(rig.type("\r"), QByteArray("\r\n<SW3100-A>"));
}

void SwitchSimConsole::prompts_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QByteArray>("lastAnswer");

    QTest::newRow("sys") << QByteArray("sys\r")
                         << QByteArray("sys\r\nSystem View: return to User View with Ctrl+Z.\r\n[SW3100-A]");
    QTest::newRow("system-view") << QByteArray("system-view\r")
                                 << QByteArray("system-view\r\nSystem View: return to User View with Ctrl+Z.\r\n[SW3100-A]");
    QTest::newRow("int eth") << QByteArray("sys\rint eth 1/0/5\r") << QByteArray("int eth 1/0/5\r\n[SW3100-A-Ethernet1/0/5]");
    QTest::newRow("full glued") << QByteArray("sys\rinterface Ethernet1/0/24\r")
                                << QByteArray("interface Ethernet1/0/24\r\n[SW3100-A-Ethernet1/0/24]");
    QTest::newRow("upper case, short glued") << QByteArray("sys\rINT E1/0/3\r") << QByteArray("INT E1/0/3\r\n[SW3100-A-Ethernet1/0/3]");
    QTest::newRow("port to port") << QByteArray("sys\rint eth 1/0/5\rint eth 1/0/6\r")
                                  << QByteArray("int eth 1/0/6\r\n[SW3100-A-Ethernet1/0/6]");
    QTest::newRow("quit from port") << QByteArray("sys\rint eth 1/0/5\rquit\r") << QByteArray("quit\r\n[SW3100-A]");
    QTest::newRow("quit twice") << QByteArray("sys\rint eth 1/0/5\rquit\r") + "quit\r" << QByteArray("quit\r\n<SW3100-A>");
    QTest::newRow("return") << QByteArray("sys\rint eth 1/0/5\rreturn\r") << QByteArray("return\r\n<SW3100-A>");
    QTest::newRow("Ctrl+Z drops the line") << QByteArray("sys\rint eth 1/0/5\rund\x1a")
                                           << QByteArray("und\r\n<SW3100-A>");
    QTest::newRow("Ctrl+Z in user view") << QByteArray("\x1a") << QByteArray();
    QTest::newRow("sysname") << QByteArray("sys\rsysname Core3100\r") << QByteArray("sysname Core3100\r\n[Core3100]");
    QTest::newRow("leading blanks") << QByteArray("     sys\r")
                                    << QByteArray("     sys\r\nSystem View: return to User View with Ctrl+Z.\r\n[SW3100-A]");
}

void SwitchSimConsole::prompts()
{
    QFETCH(QByteArray, typed);
    QFETCH(QByteArray, lastAnswer);
    SimRig rig(plain());
    rig.type("\r");
    // Each line's answer is checked on its own: everything before the last line is set-up.
    const qsizetype cut = typed.lastIndexOf('\r', typed.size() - 2);
    if (cut >= 0)
        rig.type(typed.left(cut + 1));
    QCOMPARE(rig.type(typed.mid(cut + 1)), lastAnswer);
}

void SwitchSimConsole::abbreviationsChangeState_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QStringList>("block");

    const int m3100 = int(sim::Model::S3100), m3600 = int(sim::Model::S3600);
    const QByteArrayList enter{"sys", "int eth 1/0/5"};
    QTest::newRow("3100 bind script") << m3100
        << enter + QByteArrayList{"undo shut", "port acc vlan 10", "mac-addr static 000f-e212-3456 vlan 10"}
        << QStringList{" port access vlan 10", " mac-address static 000f-e212-3456 vlan 10"};
    QTest::newRow("3100 unbind script") << m3100
        << enter + QByteArrayList{"undo shut", "port acc vlan 10", "mac-addr static 000f-e212-3456 vlan 10",
                                  "shut", "undo port acc vlan 10", "undo mac-addr static 000f-e212-3456 vlan 10"}
        << QStringList{" shutdown"};
    QTest::newRow("3600 bind script") << m3600
        << enter + QByteArrayList{"undo shut", "port acc vlan 10", "am user-bind mac-addr 000f-e212-3456 ip-addr 10.1.1.5"}
        << QStringList{" port access vlan 10", " am user-bind mac-addr 000f-e212-3456 ip-addr 10.1.1.5"};
    QTest::newRow("3600 unbind script") << m3600
        << enter + QByteArrayList{"port acc vlan 10", "am user-bind mac-addr 000f-e212-3456 ip-addr 10.1.1.5",
                                  "shut", "undo port acc vlan 10", "undo am user-bind mac-addr 000f-e212-3456 ip-addr 10.1.1.5"}
        << QStringList{" shutdown"};
    QTest::newRow("full words, short MAC groups") << m3100
        << QByteArrayList{"system-view", "interface Ethernet1/0/5", "shutdown", "port access vlan 20",
                          "mac-address static f-E2-3456 vlan 20"}
        << QStringList{" shutdown", " port access vlan 20", " mac-address static 000f-00e2-3456 vlan 20"};
    QTest::newRow("trunk") << m3100
        << enter + QByteArrayList{"port link-type trunk", "port trunk permit vlan 10 20 to 22"}
        << QStringList{" port link-type trunk", " port trunk permit vlan 1 10 20 to 22"};
    QTest::newRow("back to access") << m3100
        << enter + QByteArrayList{"port link-type trunk", "port trunk permit vlan all", "undo port link-type"}
        << QStringList{};
    QTest::newRow("MAC moves to the last port bound") << m3100
        << QByteArrayList{"sys", "int eth 1/0/5", "mac-addr static 000f-e212-3456 vlan 10", "int eth 1/0/6",
                          "mac-addr static 000f-e212-3456 vlan 10", "int eth 1/0/5", "port acc vlan 10"}
        << QStringList{" port access vlan 10"};
    QTest::newRow("undo of an entry not there") << m3100
        << enter + QByteArrayList{"mac-addr static 000f-e212-3456 vlan 10", "undo mac-addr static 000f-e212-9999 vlan 10"}
        << QStringList{" mac-address static 000f-e212-3456 vlan 10"};
    QTest::newRow("rejected command changes nothing") << m3600
        << enter + QByteArrayList{"mac-addr static 000f-e212-3456 vlan 10", "port acc vlan 0"}
        << QStringList{};
}

void SwitchSimConsole::abbreviationsChangeState()
{
    QFETCH(int, model);
    QFETCH(QByteArrayList, lines);
    QFETCH(QStringList, block);
    SimRig rig(plain(sim::Model(model)));
    rig.type("\r");
    for (const QByteArray &line : lines)
        rig.type(line + '\r'); // each script line ends in a lone carriage return
    rig.type("return\r");
    QCOMPARE(rig.portBlock(5), block);
}

void SwitchSimConsole::errorsWithCaret_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray user = "<SW3100-A>", port = "[SW3100-A-Ethernet1/0/5]";
    const int u = int(user.size()), p = int(port.size());
    const QByteArray toPort = "sys\rint eth 1/0/5\r";
    QTest::newRow("unknown word") << QByteArray() << QByteArray("dsp cu")
                                  << caret(u, "Unrecognized command") + user;
    QTest::newRow("unknown second word") << QByteArray() << QByteArray("dis cux")
                                         << caret(u + 4, "Unrecognized command") + user;
    QTest::newRow("incomplete") << QByteArray() << QByteArray("dis") << caret(u + 3, "Incomplete command") + user;
    QTest::newRow("ambiguous") << QByteArray() << QByteArray("s") << caret(u, "Ambiguous command") + user;
    QTest::newRow("too many") << QByteArray() << QByteArray("dis cu now") << caret(u + 7, "Too many parameters") + user;
    QTest::newRow("leading blanks shift the caret") << QByteArray() << QByteArray("   dsp")
                                                    << caret(u + 3, "Unrecognized command") + user;
    // In system view "sys" is the start of "sysname", which needs a name.
    QTest::newRow("sys inside system view") << QByteArray("sys\r") << QByteArray("sys")
                                            << caret(10 + 3, "Incomplete command") + "[SW3100-A]";
    QTest::newRow("port beyond 24") << QByteArray("sys\r") << QByteArray("int eth 1/0/25")
                                    << caret(10 + 8, "Wrong parameter") + "[SW3100-A]";
    QTest::newRow("glued port 0") << QByteArray("sys\r") << QByteArray("int eth1/0/0")
                                  << caret(10 + 7, "Wrong parameter") + "[SW3100-A]";
    QTest::newRow("port without number") << QByteArray("sys\r") << QByteArray("int eth")
                                         << caret(10 + 7, "Incomplete command") + "[SW3100-A]";
    QTest::newRow("VLAN out of range") << toPort << QByteArray("port acc vlan 4095")
                                       << caret(p + 14, "Wrong parameter") + port;
    QTest::newRow("empty VLAN of the script") << toPort << QByteArray("port acc vlan ")
                                              << caret(p + 13, "Incomplete command") + port;
    QTest::newRow("bad MAC") << toPort << QByteArray("mac-addr static 000f-e212-345g vlan 10")
                             << caret(p + 16, "Wrong parameter") + port;
    QTest::newRow("MAC without VLAN") << toPort << QByteArray("mac-addr static 000f-e212-3456 vlan ")
                                      << caret(p + 35, "Incomplete command") + port;
    QTest::newRow("3600 form on a 3100") << toPort << QByteArray("am user-bind mac-addr 000f-e212-3456 ip-addr 10.1.1.5")
                                         << caret(p, "Unrecognized command") + port;
    QTest::newRow("port command in system view") << QByteArray("sys\r") << QByteArray("undo shut")
                                                 << caret(10, "Unrecognized command") + "[SW3100-A]";
    QTest::newRow("trunk range backwards") << toPort << QByteArray("port trunk permit vlan 10 to 5")
                                           << caret(p + 29, "Wrong parameter") + port;
}

void SwitchSimConsole::errorsWithCaret()
{
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, answer);
    SimRig rig(plain());
    rig.type("\r" + setup);
    QCOMPARE(rig.type(line + '\r'), line + "\r\n" + answer);
}

void SwitchSimConsole::lineEditing_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray sysView = "System View: return to User View with Ctrl+Z.\r\n[SW3100-A]";
    QTest::newRow("backspace") << QByteArray("syx\bs\r") << QByteArray("syx\b \bs\r\n") + sysView;
    QTest::newRow("DEL") << QByteArray("sysx\x7f\r") << QByteArray("sysx\b \b\r\n") + sysView;
    QTest::newRow("backspace on empty line") << QByteArray("\bsys\r") << QByteArray("sys\r\n") + sysView;
    QTest::newRow("CR LF is one line end") << QByteArray("\r\n") << QByteArray("\r\n<SW3100-A>");
    QTest::newRow("CR CR is two") << QByteArray("\r\r") << QByteArray("\r\n<SW3100-A>\r\n<SW3100-A>");
    QTest::newRow("lone LF ends a line") << QByteArray("sys\n") << QByteArray("sys\r\n") + sysView;
    QTest::newRow("cursor keys ignored") << QByteArray("s\x1b[Dys\r") << QByteArray("sys\r\n") + sysView;
    QTest::newRow("other controls ignored") << QByteArray("s\x01y\x0bs\r") << QByteArray("sys\r\n") + sysView;
}

void SwitchSimConsole::lineEditing()
{
    QFETCH(QByteArray, typed);
    QFETCH(QByteArray, answer);
    SimRig rig(plain());
    rig.type("\r");
    QCOMPARE(rig.type(typed), answer);
}

void SwitchSimConsole::tabCompletion_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("command") << QByteArray("dis\t") << QByteArray("play ");
    QTest::newRow("second word") << QByteArray("dis cu\t") << QByteArray("rrent-configuration ");
    QTest::newRow("ambiguous: nothing") << QByteArray("s\t") << QByteArray();
    QTest::newRow("unknown: nothing") << QByteArray("xyz\t") << QByteArray();
    QTest::newRow("after a blank: nothing") << QByteArray("dis \t") << QByteArray();
    QTest::newRow("completed line runs") << QByteArray("sy\t\r")
                                         << QByteArray("stem-view \r\nSystem View: return to User View with Ctrl+Z.\r\n[SW3100-A]");
}

void SwitchSimConsole::tabCompletion()
{
    QFETCH(QByteArray, typed);
    QFETCH(QByteArray, answer);
    SimRig rig(plain());
    rig.type("\r");
    const QByteArray echo = typed.left(typed.indexOf('\t')).replace('\t', "");
    QCOMPARE(rig.type(typed), echo + answer);
}

void SwitchSimConsole::help_data()
{
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArrayList>("items");
    QTest::addColumn<QByteArray>("prompt");

    QTest::newRow("user view") << QByteArray() << QByteArray()
        << QByteArrayList{"display", "quit", "reboot", "save", "super", "system-view", "telnet"} << QByteArray("<SW3100-A>");
    QTest::newRow("display") << QByteArray() << QByteArray("dis")
        << QByteArrayList{"current-configuration", "saved-configuration", "version"} << QByteArray("<SW3100-A>");
    QTest::newRow("complete command") << QByteArray() << QByteArray("dis cu") << QByteArrayList{"<cr>"} << QByteArray("<SW3100-A>");
    QTest::newRow("super level") << QByteArray() << QByteArray("super") << QByteArrayList{"INTEGER<0-3>", "<cr>"}
                                 << QByteArray("<SW3100-A>");
    QTest::newRow("port words") << QByteArray("sys\rint eth 1/0/5\r") << QByteArray("port")
        << QByteArrayList{"access", "link-type", "trunk"} << QByteArray("[SW3100-A-Ethernet1/0/5]");
    QTest::newRow("undo words") << QByteArray("sys\rint eth 1/0/5\r") << QByteArray("undo")
        << QByteArrayList{"mac-address", "port", "shutdown"} << QByteArray("[SW3100-A-Ethernet1/0/5]");
}

void SwitchSimConsole::help()
{
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, line);
    QFETCH(QByteArrayList, items);
    QFETCH(QByteArray, prompt);
    SimRig rig(plain());
    rig.type("\r" + setup);
    // The program's hint button sends the line followed by " ?".
    const QByteArray sent = line.isEmpty() ? QByteArray("?") : line + " ?";
    const QByteArray answer = rig.type(sent);
    QVERIFY2(answer.startsWith(sent + "\r\n"), answer.constData());
    const QByteArray again = "\r\n\r\n" + prompt + sent.chopped(1);
    QVERIFY2(answer.endsWith(again), answer.constData()); // the line is offered again for editing
    QByteArrayList words;
    for (const QByteArray &row : answer.mid(sent.size() + 2).chopped(again.size()).split('\n'))
        words << row.trimmed().split(' ').front();
    QCOMPARE(words, items);
    // The typed part stays on the line for editing.
    QCOMPARE(rig.type("\x7f"), line.isEmpty() ? QByteArray() : QByteArray("\b \b"));
}

void SwitchSimConsole::paging_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("linesShown");
    QTest::addColumn<bool>("ended");

    QTest::newRow("space") << QByteArray(" ") << 24 << false;
    QTest::newRow("enter") << QByteArray("\r") << 1 << false;
    QTest::newRow("enter CR LF") << QByteArray("\r\n") << 1 << false;
    QTest::newRow("q") << QByteArray("q") << 0 << true;
    QTest::newRow("Ctrl+C") << QByteArray("\x03") << 0 << true;
}

void SwitchSimConsole::paging()
{
    QFETCH(QByteArray, key);
    QFETCH(int, linesShown);
    QFETCH(bool, ended);
    SimRig::Setup setup = plain();
    setup.ports = 48;
    SimRig rig(setup);
    rig.type("\r");
    const QByteArray first = rig.type("dis cu\r");
    QVERIFY(first.startsWith("dis cu\r\n#\r\n sysname SW3100-A\r\n#\r\n"));
    QVERIFY(first.endsWith("\r\n  ---- More ----"));
    QCOMPARE(first.count("\r\n"), 1 + 24);
    QCOMPARE(rig.type("x"), QByteArray()); // other keys wait

    const QByteArray next = rig.type(key);
    QVERIFY2(next.startsWith(kWipe), next.constData());
    if (ended) {
        QCOMPARE(next, kWipe + "<SW3100-A>");
        QVERIFY(!rig.type("sys\r").contains("Unrecognized"));
        return;
    }
    // The next line follows the wipe directly, without a line end of its own.
    QVERIFY(next.mid(kWipe.size()).startsWith("interface Ethernet") || next.mid(kWipe.size()).startsWith("#"));
    QVERIFY(next.endsWith("\r\n  ---- More ----"));
    QCOMPARE(next.count("\r\n"), linesShown);
}

void SwitchSimConsole::captureSpacesAfterShortListing()
{
    // The program sends "dis cu" and nine spaces; a 24-port listing needs three of them, and the
    // rest become blanks at the start of the next line, which the switch ignores.
    SimRig rig(plain());
    rig.type("\r");
    QByteArray all = rig.type("dis cu\r");
    for (int i = 0; i < 9; ++i)
        all += rig.type(" ");
    const int pages = int(all.count("  ---- More ----"));
    QVERIFY(pages >= 2);
    QVERIFY(all.endsWith("return\r\n<SW3100-A>" + QByteArray(9 - pages, ' ')));
    QVERIFY(rig.type("sys\r").endsWith("[SW3100-A]"));
}

void SwitchSimConsole::login_data()
{
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("right") << QByteArray("tech") << QByteArray("s3cret") << true;
    QTest::newRow("wrong password") << QByteArray("tech") << QByteArray("s3cre") << false;
    QTest::newRow("wrong user") << QByteArray("tec") << QByteArray("s3cret") << false;
    QTest::newRow("user in upper case") << QByteArray("TECH") << QByteArray("s3cret") << false;
    QTest::newRow("trailing blank") << QByteArray("tech") << QByteArray("s3cret ") << false;
    QTest::newRow("empty") << QByteArray() << QByteArray() << false;
}

void SwitchSimConsole::login()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, password);
    QFETCH(bool, accepted);
    SimRig::Setup setup = plain();
    setup.user = "tech";
    setup.password = "s3cret";
    SimRig rig(setup);
    QCOMPARE(rig.type("\r"), QByteArray("\r\nLogin authentication\r\n\r\n\r\nUsername:"));
    QCOMPARE(rig.type(user + '\r'), user + "\r\nPassword:");
    const QByteArray answer = rig.type(password + '\r');
    if (!password.isEmpty())
        QVERIFY(!answer.contains(password)); // passwords are not echoed
    if (accepted) {
        QCOMPARE(answer, QByteArray("\r\n<SW3100-A>"));
        return;
    }
    QCOMPARE(answer, QByteArray("\r\n% Username or password is invalid!\r\n\r\nUsername:"));
    // Refused: commands are still user names; the right pair gets in afterwards.
    QCOMPARE(rig.type("sys\r"), QByteArray("sys\r\nPassword:"));
    QVERIFY(!rig.type("x\r").contains("System View"));
    rig.type("tech\r");
    QVERIFY(rig.type("s3cret\r").endsWith("<SW3100-A>"));
}

void SwitchSimConsole::logoutAsksForLoginAgain()
{
    SimRig::Setup setup = plain();
    setup.user = "tech";
    setup.password = "pw";
    SimRig rig(setup);
    rig.type("\rtech\rpw\r");
    QVERIFY(rig.type("quit\r").endsWith("Press ENTER to get started.\r\n"));
    QCOMPARE(rig.type("sys\r"), QByteArray("\r\nLogin authentication\r\n\r\n\r\nUsername:"));
}

void SwitchSimConsole::telnetToDeadAddressHangsUntilCtrlK()
{
    SimRig rig(plain());
    rig.type("\r");
    QCOMPARE(rig.type("tel 10.0.0.9\r"), QByteArray("tel 10.0.0.9\r\nTrying 10.0.0.9 ...\r\nPress CTRL+K to abort\r\n"));
    // The rest of the program's login script vanishes into the hanging connection.
    QCOMPARE(rig.type("admin\radminpw\r \t?\x1a"), QByteArray());
    rig.wait(600000);
    QCOMPARE(rig.type("\x0b"), QByteArray("<SW3100-A>"));
    QVERIFY(rig.type("sys\r").endsWith("[SW3100-A]"));
}

void SwitchSimConsole::programLoginScriptThroughManagedSwitch_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("finalPrompt");
    QTest::addColumn<int>("level");

    QTest::newRow("all five steps") << QByteArrayList{"tel 10.0.0.2", "admin", "adminpw", "super", "secret"}
                                    << QByteArray("<SW3600-B>") << 3;
    QTest::newRow("without advanced login") << QByteArrayList{"tel 10.0.0.2", "admin", "adminpw"}
                                            << QByteArray("<SW3600-B>") << 1;
    QTest::newRow("wrong advanced password") << QByteArrayList{"tel 10.0.0.2", "admin", "adminpw", "super", "guess"}
                                             << QByteArray("<SW3600-B>") << 1;
    QTest::newRow("wrong login password") << QByteArrayList{"tel 10.0.0.2", "admin", "x", "super", "secret"}
                                          << QByteArray("Username:") << 0;
}

void SwitchSimConsole::programLoginScriptThroughManagedSwitch()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, finalPrompt);
    QFETCH(int, level);
    SimRig::Setup setup = plain();
    setup.remoteLevel = 1;
    SimRig rig(setup);
    rig.type("\r");
    QByteArray all;
    for (const QByteArray &line : lines)
        all += rig.type(line + '\r');
    QVERIFY2(all.endsWith(finalPrompt), all.constData());
    QVERIFY(all.contains("Connected to 10.0.0.2 ..."));
    QVERIFY(!all.contains("adminpw") && !all.contains("secret"));
    QCOMPARE(rig.sim.console().innermost().level(), level);
}

void SwitchSimConsole::superUnlocksSystemView()
{
    SimRig::Setup setup = plain();
    setup.remoteLevel = 1;
    SimRig rig(setup);
    rig.type("\rtel 10.0.0.2\radmin\radminpw\r");
    QVERIFY(rig.type("sys\r").contains("Unrecognized command"));
    QCOMPARE(rig.type("super\r"), QByteArray("super\r\n Password:"));
    QVERIFY(rig.type("secret\r").contains("User privilege level is 3"));
    QVERIFY(rig.type("sys\r").endsWith("[SW3600-B]"));
    // Changes land on the managed switch, and quit comes back to the entry switch.
    rig.type("int eth 1/0/2\rshut\rreturn\r");
    QCOMPARE(rig.portBlock(2), QStringList{" shutdown"});
    QCOMPARE(rig.type("quit\r"), QByteArray("quit\r\n\r\nThe connection was closed by the remote host!\r\n<SW3100-A>"));
    QCOMPARE(rig.portBlock(2), QStringList{});
}

void SwitchSimConsole::telnetLoginFailsThreeTimesClosesConnection()
{
    SimRig rig(plain());
    rig.type("\rtel 10.0.0.2\r");
    rig.type("a\rb\ra\rb\r");
    QVERIFY(rig.type("a\rb\r").endsWith("The connection was closed by the remote host!\r\n<SW3100-A>"));
}

void SwitchSimConsole::saveDialogueWithProgramLines()
{
    SimRig rig(plain());
    rig.type("\rsys\rint eth 1/0/5\rport acc vlan 10\rquit\rquit\r");
    QCOMPARE(rig.type("save\r"), QByteArray("save\r\nThe configuration will be written to the device. Are you sure?[Y/N]"));
    QCOMPARE(rig.type("y \r"), QByteArray("y \r\nPlease input the file name(*.cfg)[flash:/config.cfg]\r\n"
                                          "(To leave the existing filename unchanged, press the enter key):"));
    QCOMPARE(rig.type("\r"), QByteArray("\r\nNow saving current configuration to the device.\r\n"
                                        "Saving configuration flash:/config.cfg. Please wait...\r\n"));
    QCOMPARE(rig.type("dis"), QByteArray()); // typed while saving: read afterwards
    QVERIFY(rig.sim.device(0).saved().port(5).accessVlan == 1);
    QCOMPARE(rig.wait(1500), QByteArray("............\r\n Unit1 save configuration flash:/config.cfg successfully\r\n"
                                        "<SW3100-A>dis"));
    QCOMPARE(rig.sim.device(0).saved().port(5).accessVlan, 10);
}

void SwitchSimConsole::saveAnsweredNoKeepsSavedConfig()
{
    SimRig rig(plain());
    rig.type("\rsys\rint eth 1/0/5\rshut\r");
    rig.type("save\r");
    QCOMPARE(rig.type("n\r"), QByteArray("n\r\n[SW3100-A-Ethernet1/0/5]"));
    rig.wait(10000);
    QVERIFY(!rig.sim.device(0).saved().port(5).shutdown);
}

void SwitchSimConsole::rebootRestoresSavedConfigAndAsksForLogin()
{
    SimRig::Setup setup = plain();
    setup.user = "tech";
    setup.password = "pw";
    SimRig rig(setup);
    rig.type("\rtech\rpw\rsys\rint eth 1/0/5\rshut\rquit\rquit\rsave\ry \r\r");
    rig.wait(1500);
    rig.type("sys\rint eth 1/0/6\rshut\rquit\r");
    // The program's reboot script: "sys", then "reboot " at the system-view prompt.
    rig.type("quit\rsys\r");
    QCOMPARE(rig.type("reboot \r"), QByteArray("reboot \r\n This will reboot device. Continue? [Y/N]"));
    QCOMPARE(rig.type("y\r"), QByteArray("y\r\n Reboot device by command.\r\n"));
    QCOMPARE(rig.type("\r"), QByteArray()); // nothing answers while it restarts
    const QByteArray banner = rig.wait(3000);
    QVERIFY2(banner.startsWith("\r\nStarting......\r\n"), banner.constData());
    QVERIFY(banner.endsWith("Press ENTER to get started.\r\n"));
    QCOMPARE(rig.type("\r"), QByteArray("\r\nLogin authentication\r\n\r\n\r\nUsername:"));
    rig.type("tech\rpw\r");
    QCOMPARE(rig.portBlock(5), QStringList{" shutdown"});
    QCOMPARE(rig.portBlock(6), QStringList{}); // not saved, so lost
}

void SwitchSimConsole::rebootOfManagedSwitchClosesTelnet()
{
    SimRig rig(plain());
    rig.type("\rtel 10.0.0.2\radmin\radminpw\r");
    rig.type("reboot\r");
    QVERIFY(rig.type("y\r").endsWith("The connection was closed by the remote host!\r\n<SW3100-A>"));
    // While it restarts it does not answer, afterwards it does.
    QVERIFY(rig.type("tel 10.0.0.2\r").endsWith("Press CTRL+K to abort\r\n"));
    rig.type("\x0b");
    rig.wait(3000);
    QVERIFY(rig.type("tel 10.0.0.2\r").endsWith("Username:"));
}

QTEST_GUILESS_MAIN(SwitchSimConsole)
#include "tst_switchsimconsole.moc"

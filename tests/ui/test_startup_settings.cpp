// The port settings from one run to the next, through the whole window and a real settings
// file: what start-up selects and applies, what shutdown writes, files written by hand, and a
// file that cannot be loaded.
#include "support/controls.h"
#include "serial/portserialcontrol.h"
#include "support/files.h"
#include "support/window.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

using namespace tarnwell;
using test::readFile;
using test::writeFile;

namespace {

const QByteArray kDefaultsFile = "[h3c_comm]\nPortNum=3\nSpeed=9600\nCheck=n\nData=8\nStop=1\nHandShake=0\n";
const QString kDefaultSelections = QStringLiteral("COM3|9600|无|8|1|无");

QList<QComboBox *> lists(const FrmMain &w) { return {test::control<QComboBox>(w, "Combo2"), test::control<QComboBox>(w, "Combo3"), test::control<QComboBox>(w, "Combo4"), test::control<QComboBox>(w, "Combo5"), test::control<QComboBox>(w, "Combo6"), test::control<QComboBox>(w, "Combo7")}; }

// The six lists' selected texts, "-" where nothing is selected.
QString selections(const FrmMain &w)
{
    QStringList out;
    for (const QComboBox *c : lists(w))
        out << (c->currentIndex() < 0 ? QStringLiteral("-") : c->currentText());
    return out.join(u'|');
}

// Picks the given texts in Combo2..Combo7; an empty text leaves that list.
void pick(const FrmMain &w, const QStringList &texts)
{
    for (int i = 0; i < 6; ++i)
        if (!texts[i].isEmpty())
            lists(w)[i]->setCurrentIndex(lists(w)[i]->findText(texts[i]));
}

// One run of the program on the fake port, in a configuration home shared between runs.
struct Run {
    Run() : w(std::unique_ptr<test::FakeSerialControl>(serial = new test::FakeSerialControl)) {}
    test::MemoryGate gate;
    test::MessageRecorder boxes;
    test::FakeSerialControl *serial = nullptr;
    FrmMain w;
};

} // namespace

class TestStartupSettings : public QObject {
    Q_OBJECT
private slots:
    void savedAndRestored_data();
    void savedAndRestored();
    void badFileAtStartUp_data();
    void badFileAtStartUp();
    void failedLoad_data();
    void failedLoad();
};

void TestStartupSettings::savedAndRestored_data()
{
    QTest::addColumn<QByteArray>("before"); // empty: no file
    QTest::addColumn<QStringList>("picks"); // texts for Combo2..Combo7 in the first run
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("applied"); // port, settings, handshaking
    QTest::addColumn<QByteArray>("saved");
    const QByteArray com5 = "[h3c_comm]\nPortNum=5\nSpeed=19200\nCheck=?\nData=8\nStop=1\nHandShake=0\n";
    const auto check = [&](const char *letter) { return QByteArray(com5).replace("?", letter); };
    const QString com5None = QStringLiteral("COM5|19200|无|8|1|无");

    QTest::newRow("first run: the defaults") << QByteArray() << QStringList(6) << kDefaultSelections
                                             << "COM3 9600,n,8,1 0" << kDefaultsFile;
    QTest::newRow("all six picked") << QByteArray() << QStringList{"COM16", "1200", "偶校验", "5", "1.5", "RTSXon/Xoff"}
                                    << "COM16|1200|偶校验|5|1.5|RTSXon/Xoff" << "COM16 1200,e,5,1.5 3"
                                    << QByteArray("[h3c_comm]\nPortNum=16\nSpeed=1200\nCheck=e\nData=5\nStop=1.5\nHandShake=3\n");
    // Files as a person writes them: no dialog that would come back at every start.
    QTest::newRow("Check=N") << check("N") << QStringList(6) << com5None << "COM5 19200,n,8,1 0" << check("n");
    QTest::newRow("Check=O") << check("O") << QStringList(6) << "COM5|19200|奇校验|8|1|无" << "COM5 19200,o,8,1 0"
                             << check("o");
    QTest::newRow("Check empty") << check("") << QStringList(6) << com5None << "COM5 19200,n,8,1 0" << check("n");
    QTest::newRow("no Check key") << QByteArray(com5).replace("Check=?\n", "") << QStringList(6) << com5None
                                  << "COM5 19200,n,8,1 0" << QByteArray(com5).replace("Check=?\n", "") + "Check=n\n";
    const QByteArray cr = "[h3c_comm]\rPortNum=5\rSpeed=19200\rCheck=E\rData=7\rStop=2\rHandShake=1\r";
    QTest::newRow("CR-only line ends") << cr << QStringList(6) << "COM5|19200|偶校验|7|2|Xon/Xoff"
                                       << "COM5 19200,e,7,2 1" << QByteArray(cr).replace("E", "e");
}

// Each pick is applied at once; shutdown writes the choice, the next start selects and applies it.
void TestStartupSettings::savedAndRestored()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, picks);
    QFETCH(QString, selected);
    QFETCH(QString, applied);
    QFETCH(QByteArray, saved);
    test::ConfigHome home;
    const QString ini = home.appDir() + QStringLiteral("/h3c_config.ini");
    if (!before.isEmpty())
        writeFile(ini, before);
    for (int run = 0; run < 2; ++run) {
        Run r;
        if (run == 0)
            pick(r.w, picks);
        QCOMPARE(selections(r.w), selected);
        QCOMPARE(QStringLiteral("COM%1 %2 %3").arg(r.serial->commPort()).arg(r.serial->settings()).arg(r.serial->handshaking()),
                 applied);
        QVERIFY(test::control<QLabel>(r.w, "Lbl_ComSettings")->text().startsWith(u"设置:"_qs + applied.section(u' ', 0, 1) + u" 握手:"_qs));
        QCOMPARE(readFile(ini), run ? saved : before.isEmpty() ? QByteArray("<unreadable>") : before);
        QVERIFY(r.w.close());
        QCOMPARE(r.boxes.texts(), QStringList());
        QCOMPARE(readFile(ini), saved);
    }
}

void TestStartupSettings::badFileAtStartUp_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: a folder in its place
    QTest::addColumn<QString>("dialogMentions"); // empty: no dialog expected
    QTest::addColumn<QByteArray>("afterClose");  // empty: the file as it was

    // A load that fails ends start-up before the lists are filled: nothing is selected and the
    // file, whose good values the record does not hold, is left as it was.
    QTest::newRow("missing Data") << QByteArray("[h3c_comm]\nPortNum=5\nSpeed=19200\nCheck=o\nStop=1\nHandShake=0\n")
                                  << "Data" << QByteArray();
    QTest::newRow("binary junk") << QByteArray("[h3c_comm]\nPortNum=3\x01\x02\x00\x7f\n", 24) << "h3c_config.ini" << QByteArray();
    QTest::newRow("a folder in its place") << QByteArray() << "h3c_config.ini" << QByteArray();
    // Values that load but cannot be selected: the defaults, silently, saved at shutdown.
    QTest::newRow("Stop 3") << QByteArray(kDefaultsFile).replace("Stop=1", "Stop=3") << "" << kDefaultsFile;
    QTest::newRow("PortNum 17") << QByteArray(kDefaultsFile).replace("PortNum=3", "PortNum=17") << "" << kDefaultsFile;
}

void TestStartupSettings::badFileAtStartUp()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, dialogMentions);
    QFETCH(QByteArray, afterClose);
    test::ConfigHome home;
    const QString ini = home.appDir() + QStringLiteral("/h3c_config.ini");
    if (content.isEmpty())
        QVERIFY(QDir().mkpath(ini));
    else
        writeFile(ini, content);
    Run run;
    FrmMain &w = run.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w)); // the window opens in every case
    const bool fails = !dialogMentions.isEmpty();
    QCOMPARE(run.boxes.boxes.size(), fails ? 1 : 0);
    if (fails) {
        QCOMPARE(run.boxes.boxes[0].title, QStringLiteral("出错喽"));
        QVERIFY2(run.boxes.boxes[0].text.contains(dialogMentions), qPrintable(run.boxes.boxes[0].text));
    }
    QCOMPARE(selections(w), fails ? QStringLiteral("-|-|-|-|-|-") : kDefaultSelections);
    // Opening and closing the port applies nothing.
    QTest::mouseClick(test::control<QPushButton>(w, "Cmd_Switch"), Qt::LeftButton);
    QTest::mouseClick(test::control<QPushButton>(w, "Cmd_Switch"), Qt::LeftButton);
    QVERIFY(!run.serial->portOpen() && run.serial->openCount == 1);
    QVERIFY(w.close());
    QCOMPARE(run.boxes.boxes.size(), fails ? 1 : 0); // shutdown reports nothing
    if (content.isEmpty())
        QVERIFY(QFileInfo(ini).isDir() && QDir(ini).isEmpty());
    else
        QCOMPARE(readFile(ini), afterClose.isEmpty() ? content : afterClose);
    QCOMPARE(QDir(home.appDir()).entryList(QDir::Files | QDir::Hidden).size(), content.isEmpty() ? 0 : 1);
}

void TestStartupSettings::failedLoad_data()
{
    QTest::addColumn<QStringList>("picks"); // Combo2..Combo7, after the port was opened and closed
    QTest::addColumn<bool>("saved");
    QTest::newRow("nothing picked") << QStringList(6) << false;
    QTest::newRow("two lists picked") << QStringList{"COM7", "2400", "", "", "", ""} << false;
    QTest::newRow("all six lists picked") << QStringList{"COM7", "2400", "偶校验", "7", "2", "RTS"} << true;
}

// After the error dialog the lists stay empty; the label names COM3 9600,N,8,1 and that is what
// opens. The file is saved once the user has applied a complete choice of his own, and only then.
void TestStartupSettings::failedLoad()
{
    QFETCH(QStringList, picks);
    QFETCH(bool, saved);
    test::WindowRig rig; // COM3 on a pseudo-terminal; should another port open, it is no device
    for (int n : {1, 2, 4})
        rig.home.linkPort(n, rig.home.path() + QStringLiteral("/no-device"));
    const QString ini = rig.home.appDir() + QStringLiteral("/h3c_config.ini");
    const QByteArray before = "; mine\n[h3c_comm]\nPortNum=x\nSpeed=9600\nCheck=n\nData=8\nStop=1\nHandShake=0\n[keep]\na=b\n";
    writeFile(ini, before);
    FrmMain &w = rig.start(false);
    QCOMPARE(selections(w), QStringLiteral("-|-|-|-|-|-"));
    QCOMPARE(test::control<QLabel>(w, "Lbl_ComSettings")->text(), QStringLiteral("当前设置:COM3 9600,N,8,1"));
    rig.open();
    QCOMPARE(qobject_cast<PortSerialControl *>(&w.serial())->deviceName(), rig.pty.slavePath());
    QCOMPARE(w.serial().settings(), QStringLiteral("9600,n,8,1"));
    QCOMPARE(rig.boxes.boxes.size(), 1); // the error dialog, nothing on opening
    QTest::mouseClick(test::control<QPushButton>(w, "Cmd_Switch"), Qt::LeftButton);
    pick(w, picks);
    QVERIFY(w.close());
    QCOMPARE(readFile(ini), saved ? QByteArray("; mine\n[h3c_comm]\nPortNum=7\nSpeed=2400\nCheck=e\nData=7\nStop=2\nHandShake=2\n[keep]\na=b\n")
                                  : before);
}

QTEST_MAIN(TestStartupSettings)
#include "test_startup_settings.moc"

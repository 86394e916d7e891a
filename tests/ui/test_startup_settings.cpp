// The port settings from one run to the next, through the whole window and a real settings
// file: what start-up selects and applies, what shutdown writes, what a bad file does.
#include "support/files.h"
#include "console/messagebox.h"
#include "support/fakeserialcontrol.h"
#include "support/messagerecorder.h"
#include "support/pty.h"
#include "ui/frmmain.h"
#include "ui/memoryinfo.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <memory>

using namespace tarnwell;
using test::readFile;
using test::writeFile;

namespace {

const QByteArray kDefaultsFile = "[h3c_comm]\nPortNum=3\nSpeed=9600\nCheck=n\nData=8\nStop=1\nHandShake=0\n";
const QString kInitialStatus = QStringLiteral("当前设置:COM3 9600,N,8,1");

struct Run {
    test::ConfigHome &home;
    test::MessageRecorder boxes;
    test::FakeSerialControl *serial = nullptr;
    std::unique_ptr<FrmMain> w;

    explicit Run(test::ConfigHome &h) : home(h)
    {
        auto fake = std::make_unique<test::FakeSerialControl>();
        serial = fake.get();
        w = std::make_unique<FrmMain>(std::move(fake));
    }
    void close()
    {
        QVERIFY(w->close());
        w.reset();
    }
};

QString iniPath(const test::ConfigHome &home)
{
    return home.appDir() + QStringLiteral("/h3c_config.ini");
}

// The six lists' selected texts, "-" where nothing is selected.
QString selections(const FrmMain &w)
{
    QStringList out;
    for (const QComboBox *c : {w.Combo2, w.Combo3, w.Combo4, w.Combo5, w.Combo6, w.Combo7})
        out << (c->currentIndex() < 0 ? QStringLiteral("-") : c->currentText());
    return out.join(u'|');
}

const QString kDefaultSelections = QStringLiteral("COM3|9600|无|8|1|无");

void pick(QComboBox *list, const QString &text)
{
    const int i = list->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    list->setCurrentIndex(i);
}

QByteArray junk()
{
    QByteArray bytes(4096, '\0');
    QRandomGenerator gen(20240607);
    for (char &c : bytes)
        c = char(gen.bounded(256));
    bytes[10] = '\0'; // certainly binary
    return bytes;
}

} // namespace

class TestStartupSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void firstRunWritesTheSevenLines();
    void changedChoiceRestoredAtNextStart_data();
    void changedChoiceRestoredAtNextStart();
    void otherContentSurvives();
    void badFileAtStartUp_data();
    void badFileAtStartUp();
    void failedLoadThenUserPicks_data();
    void failedLoadThenUserPicks();
};

void TestStartupSettings::initTestCase()
{
    setMemoryStatusSource([] { return std::optional<MemoryStatus>(); }); // no closing fade
}

void TestStartupSettings::cleanupTestCase()
{
    setMemoryStatusSource(nullptr);
}

void TestStartupSettings::firstRunWritesTheSevenLines()
{
    test::ConfigHome home;
    QVERIFY(!QFileInfo::exists(iniPath(home)));
    Run run(home);
    QCOMPARE(selections(*run.w), kDefaultSelections);
    QCOMPARE(run.serial->commPort(), 3);
    QCOMPARE(run.serial->settings(), QStringLiteral("9600,n,8,1"));
    QCOMPARE(run.serial->handshaking(), 0);
    QVERIFY(!QFileInfo::exists(iniPath(home))); // nothing is written before shutdown
    run.close();
    QCOMPARE(readFile(iniPath(home)), kDefaultsFile);
    QVERIFY(run.boxes.boxes.isEmpty());
}

void TestStartupSettings::changedChoiceRestoredAtNextStart_data()
{
    QTest::addColumn<QStringList>("picks"); // texts for Combo2..Combo7, empty: left as is
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("handshake");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("speed only") << QStringList{"", "38400", "", "", "", ""} << "38400,n,8,1" << 3 << 0
                                << QByteArray("[h3c_comm]\nPortNum=3\nSpeed=38400\nCheck=n\nData=8\nStop=1\nHandShake=0\n");
    QTest::newRow("all six") << QStringList{"COM16", "1200", "偶校验", "5", "1.5", "RTSXon/Xoff"}
                             << "1200,e,5,1.5" << 16 << 3
                             << QByteArray("[h3c_comm]\nPortNum=16\nSpeed=1200\nCheck=e\nData=5\nStop=1.5\nHandShake=3\n");
    QTest::newRow("odd parity, 2 stop bits, COM1") << QStringList{"COM1", "", "奇校验", "7", "2", "Xon/Xoff"}
                                                   << "9600,o,7,2" << 1 << 1
                                                   << QByteArray("[h3c_comm]\nPortNum=1\nSpeed=9600\nCheck=o\nData=7\nStop=2\nHandShake=1\n");
}

void TestStartupSettings::changedChoiceRestoredAtNextStart()
{
    QFETCH(QStringList, picks);
    QFETCH(QString, settings);
    QFETCH(int, port);
    QFETCH(int, handshake);
    QFETCH(QByteArray, file);
    test::ConfigHome home;
    QString expected;
    {
        Run run(home);
        const QList<QComboBox *> lists{run.w->Combo2, run.w->Combo3, run.w->Combo4,
                                       run.w->Combo5, run.w->Combo6, run.w->Combo7};
        for (int i = 0; i < 6; ++i)
            if (!picks[i].isEmpty())
                pick(lists[i], picks[i]);
        expected = selections(*run.w);
        QCOMPARE(run.serial->settings(), settings);
        run.close();
        QVERIFY(run.boxes.boxes.isEmpty());
    }
    QCOMPARE(readFile(iniPath(home)), file);

    Run again(home);
    QCOMPARE(selections(*again.w), expected);
    QCOMPARE(again.serial->commPort(), port);
    QCOMPARE(again.serial->settings(), settings);
    QCOMPARE(again.serial->handshaking(), handshake);
    QVERIFY(again.w->Lbl_ComSettings->text().startsWith(QStringLiteral("设置:COM%1 %2 握手:").arg(port).arg(settings)));
    QVERIFY(again.boxes.boxes.isEmpty());
    again.close();
    QCOMPARE(readFile(iniPath(home)), file); // an unchanged choice rewrites nothing
}

void TestStartupSettings::otherContentSurvives()
{
    test::ConfigHome home;
    const QByteArray before = "; written by hand\r\n"
                              "[other]\r\n"
                              "PortNum=99\r\n"
                              "\r\n"
                              "[H3C_Comm]\r\n"
                              "portnum=5\r\n"
                              "Speed=19200\r\n"
                              "; a comment inside the section\r\n"
                              "Check=o\r\n"
                              "Data=7\r\n"
                              "Stop=2\r\n"
                              "HandShake=1\r\n"
                              "Note=keep me\r\n"
                              "\r\n"
                              "[tail]\r\n"
                              "x=1";
    writeFile(iniPath(home), before);
    {
        Run run(home);
        QCOMPARE(selections(*run.w), QStringLiteral("COM5|19200|奇校验|7|2|Xon/Xoff"));
        QCOMPARE(run.serial->settings(), QStringLiteral("19200,o,7,2"));
        pick(run.w->Combo3, "4800");
        run.close();
        QVERIFY(run.boxes.boxes.isEmpty());
    }
    QByteArray after = before;
    after.replace("Speed=19200", "Speed=4800");
    QCOMPARE(readFile(iniPath(home)), after);
}

void TestStartupSettings::badFileAtStartUp_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("directory");
    QTest::addColumn<QStringList>("dialogMentions"); // empty: no dialog expected
    QTest::addColumn<QByteArray>("afterClose");      // empty: the file as it was

    const QByteArray noData = "[h3c_comm]\nPortNum=5\nSpeed=19200\nCheck=o\nStop=1\nHandShake=0\n";
    const QByteArray letters = "[h3c_comm]\nPortNum=abc\nSpeed=9600\nCheck=n\nData=8\nStop=1\nHandShake=0\n";
    const QByteArray longPort = "[h3c_comm]\nPortNum=" + QByteArray(200, '1')
                                + "\nSpeed=9600\nCheck=n\nData=8\nStop=1\nHandShake=0\n";
    const QByteArray stop3 = "[h3c_comm]\nPortNum=3\nSpeed=9600\nCheck=n\nData=8\nStop=3\nHandShake=0\n";
    const QByteArray longStop = "[h3c_comm]\nPortNum=3\nSpeed=9600\nCheck=n\nData=8\nStop="
                                + QByteArray(200, '1') + "\nHandShake=0\n";
    const QByteArray port17 = "[h3c_comm]\nPortNum=17\nSpeed=9600\nCheck=n\nData=8\nStop=1\nHandShake=0\n";

    // A load that fails ends start-up before the lists are filled: nothing is selected and the
    // file, whose good values the record does not hold, is left as it was.
    QTest::newRow("missing Data") << noData << false << QStringList{"Data"} << QByteArray();
    QTest::newRow("PortNum not a number") << letters << false << QStringList{"PortNum", "abc"} << QByteArray();
    QTest::newRow("PortNum of 200 digits") << longPort << false << QStringList{"PortNum"} << QByteArray();
    QTest::newRow("binary junk") << junk() << false << QStringList{"h3c_config.ini"} << QByteArray();
    QTest::newRow("a folder in its place") << QByteArray() << true << QStringList{"h3c_config.ini"} << QByteArray();
    // Values that load but cannot be selected: the defaults, silently, saved at shutdown.
    QTest::newRow("Stop 3") << stop3 << false << QStringList() << kDefaultsFile;
    QTest::newRow("Stop of 200 characters") << longStop << false << QStringList() << kDefaultsFile;
    QTest::newRow("PortNum 17") << port17 << false << QStringList() << kDefaultsFile;
}

void TestStartupSettings::badFileAtStartUp()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, directory);
    QFETCH(QStringList, dialogMentions);
    QFETCH(QByteArray, afterClose);
    test::ConfigHome home;
    if (directory)
        QVERIFY(QDir().mkpath(iniPath(home)));
    else
        writeFile(iniPath(home), content);

    Run run(home);
    FrmMain &w = *run.w;
    run.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(&w)); // the window opens in every case
    QVERIFY(w.windowTitle().startsWith(QStringLiteral("Tarnwell V1.0.7     -  ")));
    const bool fails = !dialogMentions.isEmpty();
    if (fails) {
        QCOMPARE(run.boxes.boxes.size(), 1);
        const test::MessageRecorder::Box box = run.boxes.boxes.first();
        QCOMPARE(box.title, QStringLiteral("出错喽"));
        QVERIFY2(box.text.endsWith(QStringLiteral(",请联系Dervik!")), qPrintable(box.text));
        for (const QString &word : dialogMentions)
            QVERIFY2(box.text.contains(word), qPrintable(box.text));
        QCOMPARE(selections(w), QStringLiteral("-|-|-|-|-|-"));
        QCOMPARE(w.Lbl_ComSettings->text(), kInitialStatus);
        QVERIFY(!w.portSettings().ApplyEnabled);
        QVERIFY(!w.startedUp());
        QCOMPARE(run.serial->commPort(), 1); // nothing applied to the serial control
    } else {
        QVERIFY2(run.boxes.boxes.isEmpty(), qPrintable(run.boxes.texts().join('\n')));
        QCOMPARE(selections(w), kDefaultSelections);
        QCOMPARE(run.serial->commPort(), 3);
        QCOMPARE(run.serial->settings(), QStringLiteral("9600,n,8,1"));
        QVERIFY(w.portSettings().ApplyEnabled);
    }
    // Opening and closing the port applies nothing.
    QTest::mouseClick(w.Cmd_Switch, Qt::LeftButton);
    QVERIFY(run.serial->portOpen());
    QTest::mouseClick(w.Cmd_Switch, Qt::LeftButton);
    QVERIFY(!run.serial->portOpen());

    run.close();
    QCOMPARE(run.boxes.boxes.size(), fails ? 1 : 0); // shutdown reports nothing
    if (directory) {
        QVERIFY(QFileInfo(iniPath(home)).isDir());
        QVERIFY(QDir(iniPath(home)).isEmpty());
    } else {
        QCOMPARE(readFile(iniPath(home)), afterClose.isEmpty() ? content : afterClose);
    }
    // No stray temporary files beside it.
    QCOMPARE(QDir(home.appDir()).entryList(QDir::Files | QDir::Hidden).size(), directory ? 0 : 1);
}

void TestStartupSettings::failedLoadThenUserPicks_data()
{
    QTest::addColumn<QStringList>("picks"); // Combo2..Combo7 in the order picked
    QTest::addColumn<bool>("saved");
    QTest::newRow("all six lists picked") << QStringList{"COM7", "2400", "偶校验", "7", "2", "RTS"} << true;
    QTest::newRow("two lists picked") << QStringList{"COM7", "2400", "", "", "", ""} << false;
    QTest::newRow("nothing picked") << QStringList{"", "", "", "", "", ""} << false;
}

// After a failed load, the file is saved once the user has applied a complete choice of his
// own, and only then.
void TestStartupSettings::failedLoadThenUserPicks()
{
    QFETCH(QStringList, picks);
    QFETCH(bool, saved);
    test::ConfigHome home;
    const QByteArray before = "; mine\n[h3c_comm]\nPortNum=x\nSpeed=9600\nCheck=n\nData=8\nStop=1\nHandShake=0\n[keep]\na=b\n";
    writeFile(iniPath(home), before);
    Run run(home);
    FrmMain &w = *run.w;
    QCOMPARE(run.boxes.boxes.size(), 1);
    // The lists take picks again once the port has been opened and closed.
    QTest::mouseClick(w.Cmd_Switch, Qt::LeftButton);
    QTest::mouseClick(w.Cmd_Switch, Qt::LeftButton);
    QVERIFY(w.portSettings().ApplyEnabled);
    const QList<QComboBox *> lists{w.Combo2, w.Combo3, w.Combo4, w.Combo5, w.Combo6, w.Combo7};
    for (int i = 0; i < 6; ++i)
        if (!picks[i].isEmpty())
            pick(lists[i], picks[i]);
    if (saved) {
        QCOMPARE(run.serial->settings(), QStringLiteral("2400,e,7,2"));
        QVERIFY(w.Lbl_ComSettings->text().startsWith(QStringLiteral("设置:COM7 2400,e,7,2 握手:RTS")));
    }
    run.close();
    const QByteArray expected = saved ? QByteArray("; mine\n[h3c_comm]\nPortNum=7\nSpeed=2400\nCheck=e\nData=7\nStop=2\nHandShake=2\n[keep]\na=b\n")
                                      : before;
    QCOMPARE(readFile(iniPath(home)), expected);
}

QTEST_MAIN(TestStartupSettings)
#include "test_startup_settings.moc"

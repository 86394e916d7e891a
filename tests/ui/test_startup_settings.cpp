// The port settings from one run to the next, through the whole window and a real settings
// file: what start-up selects and applies, what shutdown writes, what a bad file does.
#include "support/files.h"
#include "support/window.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTest>

using namespace tarnwell;
using test::readFile;
using test::writeFile;

namespace {

const QByteArray kDefaultsFile = "[h3c_comm]\nPortNum=3\nSpeed=9600\nCheck=n\nData=8\nStop=1\nHandShake=0\n";
const QString kDefaultSelections = QStringLiteral("COM3|9600|无|8|1|无");

// One run of the program on the fake port, in a configuration home shared between runs.
struct Run {
    explicit Run(test::ConfigHome &) // created inside the home, which sets the settings folder
    {
        auto fake = std::make_unique<test::FakeSerialControl>();
        serial = fake.get();
        w = std::make_unique<FrmMain>(std::move(fake));
    }
    QList<QComboBox *> lists() const { return {w->Combo2, w->Combo3, w->Combo4, w->Combo5, w->Combo6, w->Combo7}; }
    // The six lists' selected texts, "-" where nothing is selected.
    QString selections() const
    {
        QStringList out;
        for (const QComboBox *c : lists())
            out << (c->currentIndex() < 0 ? QStringLiteral("-") : c->currentText());
        return out.join(u'|');
    }
    // Picks the given texts in Combo2..Combo7; an empty text leaves that list.
    void pick(const QStringList &texts)
    {
        for (int i = 0; i < 6; ++i)
            if (!texts[i].isEmpty())
                lists()[i]->setCurrentIndex(lists()[i]->findText(texts[i]));
    }
    void close()
    {
        QVERIFY(w->close());
        w.reset();
    }
    test::MemoryGate gate;
    test::MessageRecorder boxes;
    test::FakeSerialControl *serial = nullptr;
    std::unique_ptr<FrmMain> w;
};

} // namespace

class TestStartupSettings : public QObject {
    Q_OBJECT
private slots:
    void choiceRestoredAtNextStart_data();
    void choiceRestoredAtNextStart();
    void badFileAtStartUp_data();
    void badFileAtStartUp();
    void failedLoadThenUserPicks_data();
    void failedLoadThenUserPicks();
};

void TestStartupSettings::choiceRestoredAtNextStart_data()
{
    QTest::addColumn<QStringList>("picks"); // texts for Combo2..Combo7, empty: left as is
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("handshake");
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("first run: the defaults") << QStringList(6) << "9600,n,8,1" << 3 << 0 << kDefaultsFile;
    QTest::newRow("all six") << QStringList{"COM16", "1200", "偶校验", "5", "1.5", "RTSXon/Xoff"} << "1200,e,5,1.5" << 16 << 3
                             << QByteArray("[h3c_comm]\nPortNum=16\nSpeed=1200\nCheck=e\nData=5\nStop=1.5\nHandShake=3\n");
}

// Each pick is applied at once; shutdown writes the choice, the next start selects and applies it.
void TestStartupSettings::choiceRestoredAtNextStart()
{
    QFETCH(QStringList, picks);
    QFETCH(QString, settings);
    QFETCH(int, port);
    QFETCH(int, handshake);
    QFETCH(QByteArray, file);
    test::ConfigHome home;
    const QString ini = home.appDir() + QStringLiteral("/h3c_config.ini");
    QString selected;
    {
        Run run(home);
        QCOMPARE(run.selections(), kDefaultSelections);
        run.pick(picks);
        selected = run.selections();
        QCOMPARE(run.serial->settings(), settings);
        QCOMPARE(run.serial->commPort(), port);
        QVERIFY(!QFileInfo::exists(ini)); // nothing is written before shutdown
        run.close();
        QVERIFY(run.boxes.boxes.isEmpty());
    }
    QCOMPARE(readFile(ini), file);
    Run again(home);
    QCOMPARE(again.selections(), selected);
    QCOMPARE(again.serial->commPort(), port);
    QCOMPARE(again.serial->settings(), settings);
    QCOMPARE(again.serial->handshaking(), handshake);
    QVERIFY(again.w->Lbl_ComSettings->text().startsWith(QStringLiteral("设置:COM%1 %2 握手:").arg(port).arg(settings)));
    again.close();
    QCOMPARE(readFile(ini), file);
    QVERIFY(again.boxes.boxes.isEmpty());
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
    Run run(home);
    FrmMain &w = *run.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w)); // the window opens in every case
    QVERIFY(w.windowTitle().startsWith(QStringLiteral("Tarnwell V1.0.7     -  ")));
    const bool fails = !dialogMentions.isEmpty();
    QCOMPARE(run.boxes.boxes.size(), fails ? 1 : 0);
    if (fails) {
        QCOMPARE(run.boxes.boxes[0].title, QStringLiteral("出错喽"));
        QVERIFY2(run.boxes.boxes[0].text.contains(dialogMentions), qPrintable(run.boxes.boxes[0].text));
        QCOMPARE(run.selections(), QStringLiteral("-|-|-|-|-|-"));
        QCOMPARE(w.Lbl_ComSettings->text(), QStringLiteral("当前设置:COM3 9600,N,8,1"));
        QCOMPARE(run.serial->commPort(), 1); // nothing applied to the serial control
    } else {
        QCOMPARE(run.selections(), kDefaultSelections);
        QCOMPARE(run.serial->settings(), QStringLiteral("9600,n,8,1"));
    }
    // Opening and closing the port applies nothing.
    QTest::mouseClick(w.Cmd_Switch, Qt::LeftButton);
    QTest::mouseClick(w.Cmd_Switch, Qt::LeftButton);
    QVERIFY(!run.serial->portOpen() && run.serial->openCount == 1);
    run.close();
    QCOMPARE(run.boxes.boxes.size(), fails ? 1 : 0); // shutdown reports nothing
    if (content.isEmpty())
        QVERIFY(QFileInfo(ini).isDir() && QDir(ini).isEmpty());
    else
        QCOMPARE(readFile(ini), afterClose.isEmpty() ? content : afterClose);
    QCOMPARE(QDir(home.appDir()).entryList(QDir::Files | QDir::Hidden).size(), content.isEmpty() ? 0 : 1);
}

void TestStartupSettings::failedLoadThenUserPicks_data()
{
    QTest::addColumn<QStringList>("picks"); // Combo2..Combo7
    QTest::addColumn<bool>("saved");
    QTest::newRow("all six lists picked") << QStringList{"COM7", "2400", "偶校验", "7", "2", "RTS"} << true;
    QTest::newRow("two lists picked") << QStringList{"COM7", "2400", "", "", "", ""} << false;
}

// After a failed load, the file is saved once the user has applied a complete choice of his
// own, and only then.
void TestStartupSettings::failedLoadThenUserPicks()
{
    QFETCH(QStringList, picks);
    QFETCH(bool, saved);
    test::ConfigHome home;
    const QString ini = home.appDir() + QStringLiteral("/h3c_config.ini");
    const QByteArray before = "; mine\n[h3c_comm]\nPortNum=x\nSpeed=9600\nCheck=n\nData=8\nStop=1\nHandShake=0\n[keep]\na=b\n";
    writeFile(ini, before);
    Run run(home);
    QCOMPARE(run.boxes.boxes.size(), 1);
    // The lists take picks again once the port has been opened and closed.
    QTest::mouseClick(run.w->Cmd_Switch, Qt::LeftButton);
    QTest::mouseClick(run.w->Cmd_Switch, Qt::LeftButton);
    run.pick(picks);
    run.close();
    QCOMPARE(readFile(ini), saved ? QByteArray("; mine\n[h3c_comm]\nPortNum=7\nSpeed=2400\nCheck=e\nData=7\nStop=2\nHandShake=2\n[keep]\na=b\n")
                                  : before);
}

QTEST_MAIN(TestStartupSettings)
#include "test_startup_settings.moc"

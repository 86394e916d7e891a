// Start-up and shutdown of the main window: the caption, the state the window starts in, the
// memory figures, the closing fade behind its 1020 MiB gate and the opacity helper.
#include "scripts/delay.h"
#include "settings/settingsfile.h"
#include "support/fakeserialcontrol.h"
#include "support/messagerecorder.h"
#include "support/pty.h"
#include "tarnwell_version.h"
#include "console/terminalview.h"
#include "ui/frmmain.h"
#include "ui/memoryinfo.h"
#include "ui/module1.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace tarnwell;

namespace {

constexpr quint64 kMiB = 1024 * 1024;
constexpr quint64 kGiB = 1024 * kMiB;

// Figures beyond what signed 32-bit counts can hold.
MemoryStatus bigMachine()
{
    MemoryStatus s;
    s.memoryLoad = 37;
    s.totalPhys = 6 * kGiB;
    s.availPhys = 1234567890;
    s.totalPageFile = 10 * kGiB;
    s.availPageFile = 3 * kGiB;
    s.totalVirtual = quint64(1) << 47;
    s.availVirtual = (quint64(1) << 47) - kGiB;
    return s;
}

MemoryStatus withTotalPhys(quint64 bytes)
{
    MemoryStatus s;
    s.memoryLoad = 50;
    s.totalPhys = bytes;
    s.availPhys = bytes / 2;
    return s;
}

struct MemorySource {
    explicit MemorySource(std::optional<MemoryStatus> s)
    {
        setMemoryStatusSource([s] { return s; });
    }
    ~MemorySource() { setMemoryStatusSource(nullptr); }
};

// A virtual clock for Delay that notes, at the start of every pause, the window's opacity,
// whether the port is closed and whether the settings file is written by then.
class FadeWatch : public DelayClock {
public:
    struct Step {
        qreal opacity;
        bool portOpen;
        bool saved;
    };
    FadeWatch(FrmMain *w, QString ini) : m_w(w), m_ini(std::move(ini)) { m_previous = setDelayClock(this); }
    ~FadeWatch() override { setDelayClock(m_previous); }

    quint32 tickCount() override { return quint32(now); }
    void processEvents() override
    {
        steps.append({m_w->windowOpacity(), m_w->serial().portOpen(), QFileInfo::exists(m_ini)});
    }
    void waitForEvents(quint32 ms) override { now += ms; }

    QList<Step> steps;
    qint64 now = 0;

private:
    FrmMain *m_w;
    QString m_ini;
    DelayClock *m_previous = nullptr;
};

struct Window {
    test::ConfigHome home;
    test::MessageRecorder boxes;
    test::FakeSerialControl *serial = nullptr;
    std::unique_ptr<FrmMain> w;

    explicit Window(bool portOpenBefore = false)
    {
        auto fake = std::make_unique<test::FakeSerialControl>();
        serial = fake.get();
        if (portOpenBefore)
            serial->setPortOpen(true);
        w = std::make_unique<FrmMain>(std::move(fake));
    }
    QString ini() const { return home.appDir() + QStringLiteral("/h3c_config.ini"); }
};

} // namespace

class TestStartupShutdown : public QObject {
    Q_OBJECT
private slots:
    void caption();
    void startUpState();
    void memoryFigures_data();
    void memoryFigures();
    void memoryFiguresWithoutStatus();
    void memoryFromTheMachine();
    void fadeGate_data();
    void fadeGate();
    void setWindowAlpha_data();
    void setWindowAlpha();
};

void TestStartupShutdown::caption()
{
    MemorySource none(std::nullopt);
    Window t;
    const QString description = QString::fromUtf8(version::kFileDescription);
    QVERIFY(!description.trimmed().isEmpty());
    QCOMPARE(t.w->windowTitle(), QStringLiteral("Tarnwell V1.0.7") + QStringLiteral("     -  ") + description);
    // The caption stays through the window's work.
    t.w->show();
    QTest::mouseClick(t.w->Cmd_Switch, Qt::LeftButton);
    QTest::mouseClick(t.w->Cmd_Switch, Qt::LeftButton);
    t.w->Combo3->setCurrentIndex(0);
    QCOMPARE(t.w->windowTitle(), QStringLiteral("Tarnwell V1.0.7     -  ") + description);
}

// A port left open by whoever had the serial control before is closed; the rest is the form's
// initial state and the defaults applied once.
void TestStartupShutdown::startUpState()
{
    MemorySource none(std::nullopt);
    Window t(true);
    FrmMain &w = *t.w;
    QVERIFY(t.boxes.boxes.isEmpty());
    QVERIFY(w.startedUp());
    QVERIFY(!w.serial().portOpen());
    QCOMPARE(t.serial->openCount, 1); // only the test's own open
    QCOMPARE(SystemDirectory, t.home.appDir());
    QVERIFY(QFileInfo(t.home.appDir()).isDir());
    QCOMPARE(w.Combo1->currentText(), QStringLiteral("12"));
    QCOMPARE(w.Text1->font().pointSizeF(), 12.0);
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(!w.Timer2->isActive());
    QCOMPARE(w.SwitchModel, QStringLiteral("3100"));
    QVERIFY(w.portSettings().ApplyEnabled);
    QVERIFY(!w.Image2->isHidden());
    QVERIFY(w.Image3->isHidden());
    QVERIFY(w.Opt_Sw3100->isChecked() && !w.Opt_Sw3600->isChecked());
    QVERIFY(w.Option1->isChecked() && !w.Option2->isChecked());
    QCOMPARE(w.Cmd_Switch->text(), QStringLiteral("点击开启"));
    QCOMPARE(w.Cmd_PSD->text(), QStringLiteral("明文"));
    QCOMPARE(w.Text2->echoMode(), QLineEdit::Normal);
    QCOMPARE(w.Txt_PortNum->text(), QStringLiteral("1"));
    for (QLineEdit *box : {w.Text2, w.Txt_ManageIP, w.Txt_User_Name, w.Txt_User_PSD, w.Txt_Super_Name,
                           w.Txt_Super_PSD, w.Txt_Mac, w.Txt_IP, w.Txt_Vlan})
        QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    QVERIFY(w.Text1->shownText().isEmpty());
    QVERIFY(w.Text3->toPlainText().isEmpty());
    QCOMPARE(t.serial->commPort(), 3);
    QCOMPARE(t.serial->settings(), QStringLiteral("9600,n,8,1"));
    QCOMPARE(w.Lbl_ComSettings->text(), QStringLiteral("设置:COM3 9600,n,8,1 握手:无"));
}

void TestStartupShutdown::memoryFigures_data()
{
    QTest::addColumn<int>("selector");
    QTest::addColumn<bool>("unitMiB");
    QTest::addColumn<double>("expected");
    QTest::newRow("0 load, MiB flag") << 0 << true << 37.0;
    QTest::newRow("0 load, KiB flag") << 0 << false << 37.0;
    QTest::newRow("1 total phys 6 GiB") << 1 << true << 6144.0;
    QTest::newRow("1 total phys in KiB") << 1 << false << 6291456.0;
    QTest::newRow("2 phys in use") << 2 << true << 4966.62;
    QTest::newRow("3 phys available") << 3 << true << 1177.38;
    // Single precision: 1205632.705 KiB is held as 1205632.75.
    QTest::newRow("3 phys available in KiB") << 3 << false << 1205632.75;
    QTest::newRow("4 page file") << 4 << true << 10240.0;
    QTest::newRow("5 page file in use") << 5 << true << 7168.0;
    QTest::newRow("6 page file available") << 6 << true << 3072.0;
    QTest::newRow("7 virtual 128 TiB") << 7 << true << 134217728.0;
    QTest::newRow("7 virtual in KiB") << 7 << false << 137438953472.0;
    QTest::newRow("8 virtual in use") << 8 << true << 1024.0;
    QTest::newRow("9 virtual available") << 9 << true << 134216704.0;
    QTest::newRow("10") << 10 << true << -1.0;
    QTest::newRow("-1") << -1 << false << -1.0;
    QTest::newRow("32767") << 32767 << true << -1.0;
}

void TestStartupShutdown::memoryFigures()
{
    QFETCH(int, selector);
    QFETCH(bool, unitMiB);
    QFETCH(double, expected);
    MemorySource source(bigMachine());
    Window t;
    const bool unit = unitMiB;
    QCOMPARE(t.w->GetMemoryInfo(qint16(selector), unit), expected);
    QCOMPARE(unit, unitMiB);
}

void TestStartupShutdown::memoryFiguresWithoutStatus()
{
    MemorySource none(std::nullopt);
    Window t;
    for (int selector : {0, 1, 9}) {
        QCOMPARE(t.w->GetMemoryInfo(qint16(selector), true), -1.0);
        QCOMPARE(t.w->GetMemoryInfo(qint16(selector), false), -1.0);
    }
}

// The real figures agree with the kernel's total.
void TestStartupShutdown::memoryFromTheMachine()
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    QVERIFY(meminfo.open(QIODevice::ReadOnly));
    double totalKiB = -1;
    for (const QByteArray &line : meminfo.readAll().split('\n'))
        if (line.startsWith("MemTotal:"))
            totalKiB = line.mid(9).trimmed().split(' ').value(0).toDouble();
    QVERIFY(totalKiB > 0);
    MemorySource none(std::nullopt);
    Window t;
    setMemoryStatusSource(nullptr);
    const double total = t.w->GetMemoryInfo(1, true);
    QVERIFY2(qAbs(total - totalKiB / 1024) < 0.01 + total * 1e-6, qPrintable(QString::number(total)));
    const double load = t.w->GetMemoryInfo(0, false);
    QVERIFY(load >= 0 && load <= 100);
    setMemoryStatusSource([] { return std::optional<MemoryStatus>(); }); // no fade at the end
}

void TestStartupShutdown::fadeGate_data()
{
    QTest::addColumn<quint64>("totalPhys"); // 0: no figures at all
    QTest::addColumn<double>("figure");
    QTest::addColumn<bool>("fades");
    QTest::newRow("1019.99 MiB") << quint64(1069536379) << 1019.99 << false;
    QTest::newRow("1020.00 MiB") << quint64(1020 * kMiB) << 1020.0 << true;
    QTest::newRow("one byte short of 1020 MiB rounds to 1020.00") << quint64(1020 * kMiB - 1) << 1020.0 << true;
    QTest::newRow("16 GiB") << quint64(16 * kGiB) << 16384.0 << true;
    QTest::newRow("512 MiB") << quint64(512 * kMiB) << 512.0 << false;
    QTest::newRow("no memory figures") << quint64(0) << -1.0 << false;
}

void TestStartupShutdown::fadeGate()
{
    QFETCH(quint64, totalPhys);
    QFETCH(double, figure);
    QFETCH(bool, fades);
    MemorySource source(totalPhys ? std::optional<MemoryStatus>(withTotalPhys(totalPhys)) : std::nullopt);
    Window t;
    FrmMain &w = *t.w;
    QCOMPARE(w.GetMemoryInfo(1, true), figure);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.Cmd_Switch, Qt::LeftButton);
    QVERIFY(w.serial().portOpen());
    QCOMPARE(w.windowOpacity(), 1.0);

    FadeWatch watch(&w, t.ini());
    QVERIFY(w.close());
    QVERIFY(!w.isVisible());
    QVERIFY(!w.serial().portOpen());
    QVERIFY(QFileInfo::exists(t.ini()));
    QVERIFY(t.boxes.boxes.isEmpty());
    if (!fades) {
        QCOMPARE(watch.steps.size(), 0);
        QCOMPARE(w.windowOpacity(), 1.0);
        return;
    }
    // 51 steps of 5 down to 0, each followed by a pause of 10 ms, after the port was closed
    // and the settings saved.
    QCOMPARE(watch.steps.size(), 51);
    for (int i = 1; i <= 51; ++i) {
        const FadeWatch::Step &s = watch.steps[i - 1];
        const qreal want = (255 - 5 * i) / 255.0;
        QVERIFY2(qAbs(s.opacity - want) <= 1.0 / 255, qPrintable(QStringLiteral("step %1: %2").arg(i).arg(s.opacity)));
        if (i > 1)
            QVERIFY(s.opacity < watch.steps[i - 2].opacity);
        QVERIFY(!s.portOpen);
        QVERIFY(s.saved);
    }
    QCOMPARE(watch.steps.last().opacity, 0.0);
    QVERIFY(watch.now >= 51 * 10);
}

void TestStartupShutdown::setWindowAlpha_data()
{
    QTest::addColumn<int>("opacity");
    QTest::addColumn<int>("result");
    QTest::addColumn<qreal>("after"); // the window's opacity afterwards
    QTest::newRow("256") << 256 << 1 << 1.0;
    QTest::newRow("-1") << -1 << 1 << 1.0;
    QTest::newRow("32767") << 32767 << 1 << 1.0;
    QTest::newRow("0") << 0 << 0 << 0.0;
    QTest::newRow("255") << 255 << 0 << 1.0;
    QTest::newRow("128") << 128 << 0 << 128 / 255.0;
}

void TestStartupShutdown::setWindowAlpha()
{
    QFETCH(int, opacity);
    QFETCH(int, result);
    QFETCH(qreal, after);
    MemorySource none(std::nullopt);
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(SetWindowAlpha(&w, qint16(opacity)), result);
    QVERIFY2(qAbs(w.windowOpacity() - after) <= 1.0 / 255, qPrintable(QString::number(w.windowOpacity())));
    // A control inside the window is no window: nothing done, reported as a failure.
    QCOMPARE(SetWindowAlpha(w.Text1, 100), 2);
    QVERIFY(qAbs(w.windowOpacity() - after) <= 1.0 / 255);
}

QTEST_MAIN(TestStartupShutdown)
#include "test_startup_shutdown.moc"

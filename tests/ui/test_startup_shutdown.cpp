// Start-up and shutdown of the main window: the state the window starts in, and the closing
// fade behind its 1020 MiB gate, after the port is closed and the settings are saved.
#include "scripts/delay.h"
#include "settings/settingsfile.h"
#include "support/window.h"
#include "tarnwell_version.h"
#include "console/terminalview.h"
#include "ui/frmmain.h"
#include "ui/memoryinfo.h"

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

using Window = test::FakeWindow;

} // namespace

class TestStartupShutdown : public QObject {
    Q_OBJECT
private slots:
    void startUpState();
    void fadeGate_data();
    void fadeGate();
};

// A port left open by whoever had the serial control before is closed; the rest is the form's
// initial state and the defaults applied once.
void TestStartupShutdown::startUpState()
{
    Window t(true);
    FrmMain &w = *t.w;
    QVERIFY(t.boxes.boxes.isEmpty());
    QVERIFY(w.startedUp());
    QVERIFY(!w.serial().portOpen());
    QCOMPARE(t.serial->openCount, 1); // only the test's own open
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(!w.Timer2->isActive());
    QCOMPARE(w.SwitchModel, QStringLiteral("3100"));
    QVERIFY(w.portSettings().ApplyEnabled);
    QVERIFY(!w.Image2->isHidden());
    QVERIFY(w.Image3->isHidden());
    QVERIFY(w.Opt_Sw3100->isChecked() && !w.Opt_Sw3600->isChecked());
    QCOMPARE(w.Cmd_Switch->text(), QStringLiteral("点击开启"));
    QCOMPARE(w.Text2->echoMode(), QLineEdit::Normal);
    QCOMPARE(t.serial->commPort(), 3);
    QCOMPARE(t.serial->settings(), QStringLiteral("9600,n,8,1"));
    QCOMPARE(w.Lbl_ComSettings->text(), QStringLiteral("设置:COM3 9600,n,8,1 握手:无"));
}

void TestStartupShutdown::fadeGate_data()
{
    QTest::addColumn<quint64>("totalPhys"); // 0: no figures at all
    QTest::addColumn<double>("figure");
    QTest::addColumn<bool>("fades");
    QTest::newRow("1019.99 MiB") << quint64(1069536379) << 1019.99 << false;
    QTest::newRow("1020.00 MiB") << quint64(1020 * kMiB) << 1020.0 << true;
    QTest::newRow("no memory figures") << quint64(0) << -1.0 << false;
}

void TestStartupShutdown::fadeGate()
{
    QFETCH(quint64, totalPhys);
    QFETCH(double, figure);
    QFETCH(bool, fades);
    Window t;
    MemorySource source(totalPhys ? std::optional<MemoryStatus>(withTotalPhys(totalPhys)) : std::nullopt);
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

QTEST_MAIN(TestStartupShutdown)
#include "test_startup_shutdown.moc"

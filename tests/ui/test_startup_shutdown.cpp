// The closing fade behind its 1020 MiB gate, after the port is closed and the settings saved.
#include "support/controls.h"
#include "support/virtualclock.h"
#include "support/window.h"
#include "ui/frmmain.h"
#include "ui/memoryinfo.h"
#include "ui/terminalview.h"

#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace tarnwell;

namespace {

// A virtual clock that notes, at the start of every pause, the window's opacity, whether the
// port is closed and whether the settings file is written by then.
class FadeWatch : public test::VirtualClock {
public:
    struct Step {
        qreal opacity;
        bool portOpen;
        bool saved;
    };
    FadeWatch(FrmMain *w, QString ini) : m_w(w), m_ini(std::move(ini)) {}
    quint64 schedule(quint32 ms, std::function<void()> fire) override
    {
        steps.append({m_w->windowOpacity(), m_w->serial().portOpen(), QFileInfo::exists(m_ini)});
        return VirtualClock::schedule(ms, std::move(fire));
    }
    QList<Step> steps;

private:
    FrmMain *m_w;
    QString m_ini;
};

using Window = test::FakeWindow;

} // namespace

class TestStartupShutdown : public QObject {
    Q_OBJECT
private slots:
    void fadeGate_data();
    void fadeGate();
};

void TestStartupShutdown::fadeGate_data()
{
    QTest::addColumn<int>("mib"); // the machine's memory; 0: no figures at all
    QTest::addColumn<bool>("fades");
    QTest::newRow("1019 MiB") << 1019 << false;
    QTest::newRow("1020 MiB") << 1020 << true;
    QTest::newRow("no memory figures") << 0 << false;
}

void TestStartupShutdown::fadeGate()
{
    QFETCH(int, mib);
    QFETCH(bool, fades);
    Window t;
    test::MemoryGate gate(mib);
    FrmMain &w = *t.w;
    QCOMPARE(w.memoryInfo(1, true), mib ? double(mib) : -1.0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(test::control<QPushButton>(w, "Cmd_Switch"), Qt::LeftButton);
    QVERIFY(w.serial().portOpen());
    QCOMPARE(w.windowOpacity(), 1.0);

    FadeWatch watch(&w, t.ini());
    // Fading, the window closes at the fade's end.
    QCOMPARE(w.close(), !fades);
    watch.run();
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

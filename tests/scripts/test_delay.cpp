// Delay: wait length and event processing on a virtual clock (including the 2^32 wrap and
// nested waits), and on the real clock that it lasts its time without spinning.
#include "scripts/delay.h"
#include "virtualclock.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <climits>

using namespace tarnwell;
using tarnwell::test::VirtualClock;

using tarnwell::test::CountingRealClock;

class TestDelay : public QObject {
    Q_OBJECT
private slots:
    void returnsAtFirstReadingPastPause_data();
    void returnsAtFirstReadingPastPause();
    void nestedWait_data();
    void nestedWait();
    void realClockLastsItsTime_data();
    void realClockLastsItsTime();
    void realClockSleepsBetweenEvents_data();
    void realClockSleepsBetweenEvents();
};

void TestDelay::returnsAtFirstReadingPastPause_data()
{
    QTest::addColumn<quint32>("base");
    QTest::addColumn<int>("ms");
    QTest::addColumn<quint32>("maxStep");
    QTest::addColumn<int>("granularity");
    QTest::addColumn<qint64>("returnsAt");

    const quint32 any = 0xffffffffu;
    QTest::newRow("0 waits for the first tick") << 0u << 0 << any << 1 << qint64(1);
    QTest::newRow("0 on a 1 ms clock") << 0u << 0 << 1u << 1 << qint64(1);
    QTest::newRow("0 on a 16 ms tick") << 0u << 0 << 1u << 16 << qint64(16);
    QTest::newRow("-1 returns at once") << 0u << -1 << any << 1 << qint64(0);
    QTest::newRow("INT_MIN returns at once") << 0u << INT_MIN << any << 1 << qint64(0);
    QTest::newRow("500") << 1000u << 500 << any << 1 << qint64(501);
    QTest::newRow("500 on a 1 ms clock") << 1000u << 500 << 1u << 1 << qint64(501);
    QTest::newRow("500 on a 16 ms tick") << 1000u << 500 << 1u << 16 << qint64(512);
    QTest::newRow("1000 on a 7 ms tick") << 1000u << 1000 << any << 7 << qint64(1001);
    QTest::newRow("wrap: 100 ms before 2^32") << 0xffffffffu - 99 << 500 << any << 1 << qint64(501);
    QTest::newRow("wrap: 1 ms clock from 2^32-1") << 0xffffffffu << 500 << 1u << 1 << qint64(501);
    QTest::newRow("wrap: ends exactly at 0") << 0xffffffffu - 500 << 500 << 1u << 1 << qint64(501);
    QTest::newRow("wrap on a 16 ms tick") << 0xffffffffu - 15 << 500 << 5u << 16 << qint64(512);
    QTest::newRow("across 2^31") << 0x7fffffffu - 10 << 1000 << 3u << 1 << qint64(1001);
    QTest::newRow("INT_MAX") << 5u << INT_MAX << any << 1 << qint64(INT_MAX) + 1;
}

// Delay(ms) processes events at least once and returns at the first reading strictly past ms,
// however the clock advances and wherever the counter wraps.
void TestDelay::returnsAtFirstReadingPastPause()
{
    QFETCH(quint32, base);
    QFETCH(int, ms);
    QFETCH(quint32, maxStep);
    QFETCH(int, granularity);
    QFETCH(qint64, returnsAt);

    VirtualClock clock(base);
    clock.maxStep = maxStep;
    clock.granularity = granularity;
    int pendingEventRuns = 0;
    clock.at(0, [&] { ++pendingEventRuns; });

    try {
        Delay(ms);
    } catch (const VirtualClock::Spinning &) {
        QFAIL("Delay never returned");
    }
    QCOMPARE(clock.lastReading, returnsAt);
    QCOMPARE(pendingEventRuns, 1);
    QVERIFY(clock.processed >= 1);
    if (maxStep == 0xffffffffu && granularity == 1)
        QVERIFY2(clock.waits <= 1, "an undisturbed wait sleeps in one piece");
}

void TestDelay::nestedWait_data()
{
    QTest::addColumn<qint64>("clickAt");
    QTest::addColumn<int>("nestedMs");
    QTest::addColumn<qint64>("nestedReturnsAt");
    QTest::addColumn<qint64>("outerReturnsAt");

    QTest::newRow("nested outlasts the outer wait") << qint64(100) << 1000 << qint64(1101) << qint64(1101);
    QTest::newRow("nested ends inside the outer wait") << qint64(100) << 50 << qint64(151) << qint64(501);
    QTest::newRow("click at the first processing") << qint64(0) << 500 << qint64(501) << qint64(501);
    QTest::newRow("click just before the outer end") << qint64(500) << 0 << qint64(501) << qint64(501);
}

// A click during Delay(500) runs a handler with its own Delay inside the wait; the outer wait
// then ends at its next reading once its time has passed, without sleeping again.
void TestDelay::nestedWait()
{
    QFETCH(qint64, clickAt);
    QFETCH(int, nestedMs);
    QFETCH(qint64, nestedReturnsAt);
    QFETCH(qint64, outerReturnsAt);

    VirtualClock clock(0xfffffff0u);
    qint64 nestedEnd = -1;
    int waitsAfterNested = 0;
    clock.at(clickAt, [&] {
        Delay(nestedMs);
        nestedEnd = clock.now;
        waitsAfterNested = -clock.waits;
    });
    Delay(500);
    waitsAfterNested += clock.waits;

    QCOMPARE(nestedEnd, nestedReturnsAt);
    QCOMPARE(clock.now, outerReturnsAt);
    if (nestedReturnsAt > 500)
        QCOMPARE(waitsAfterNested, 0);
}

void TestDelay::realClockLastsItsTime_data()
{
    QTest::addColumn<int>("ms");
    QTest::newRow("0") << 0;
    QTest::newRow("1") << 1;
    QTest::newRow("40") << 40;
    QTest::newRow("250") << 250;
}

void TestDelay::realClockLastsItsTime()
{
    QFETCH(int, ms);
    bool ran = false;
    QTimer::singleShot(0, this, [&] { ran = true; });
    QElapsedTimer wall;
    wall.start();
    Delay(ms);
    const qint64 ns = wall.nsecsElapsed();
    QVERIFY2(ran, "a posted event runs inside the wait");
    QVERIFY2(ns >= qint64(ms) * 1000000, qPrintable(QString::number(ns / 1e6)));
    QVERIFY2(ns < (qint64(ms) + 3000) * 1000000, "wait far too long");
}

void TestDelay::realClockSleepsBetweenEvents_data()
{
    QTest::addColumn<bool>("deferredDeletePending");
    QTest::newRow("idle") << false;
    QTest::newRow("a deferred delete pending") << true;
}

// With a 25 ms timer ticking (like the lamp), a 400 ms wait wakes about once per tick; a
// spinning wait would go round thousands of times.
void TestDelay::realClockSleepsBetweenEvents()
{
    QFETCH(bool, deferredDeletePending);
    QPointer<QObject> doomed = new QObject;
    if (deferredDeletePending)
        doomed->deleteLater();

    QTimer ticker;
    int ticks = 0;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(25);

    CountingRealClock clock;
    QElapsedTimer wall;
    wall.start();
    Delay(400);
    QVERIFY(wall.elapsed() >= 400);
    QVERIFY(ticks >= 1);
    QVERIFY2(clock.rounds <= 2 * ticks + 20,
             qPrintable(QStringLiteral("%1 rounds for %2 ticks").arg(clock.rounds).arg(ticks)));
    delete doomed.data();
}

QTEST_MAIN(TestDelay)
#include "test_delay.moc"

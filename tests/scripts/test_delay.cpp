// Delay: wait length and event processing on a virtual clock (including the 2^32 wrap and
// nested waits), and on the real clock that it lasts its time without spinning.
#include "scripts/delay.h"
#include "support/virtualclock.h"

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
    QTest::newRow("-1 returns at once") << 0u << -1 << any << 1 << qint64(0);
    QTest::newRow("500 on a 16 ms tick") << 1000u << 500 << 1u << 16 << qint64(512);
    QTest::newRow("wrap: 100 ms before 2^32") << 0xffffffffu - 99 << 500 << any << 1 << qint64(501);
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

// The operation engine: a pause lasts its time on a virtual clock (also across the tick
// counter's wrap) and on the real one without spinning; one operation at a time; cancel destroys
// the operation where it waits; its end, an error and a lost port are reported as they happened.
#include "base/error.h"
#include "engine/operationengine.h"
#include "support/virtualclock.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <climits>

using namespace tarnwell;

namespace {

// Notes the clock reading at which the pause returns.
Task<void> timed(qint32 ms, qint64 &at, test::VirtualClock &clock)
{
    co_await pause(ms);
    at = clock.now;
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void pauseReturnsAtFirstReadingPastIt_data();
    void pauseReturnsAtFirstReadingPastIt();
    void pauseOnTheRealClock();
    void operations_data();
    void operations();
};

void TestEngine::pauseReturnsAtFirstReadingPastIt_data()
{
    QTest::addColumn<quint32>("base");
    QTest::addColumn<int>("ms");
    QTest::addColumn<qint64>("returnsAt");
    QTest::newRow("0 waits for the next tick") << 0u << 0 << qint64(1);
    QTest::newRow("-1 at the next turn") << 0u << -1 << qint64(0);
    QTest::newRow("500") << 1000u << 500 << qint64(501);
    QTest::newRow("wrap: 100 ms before 2^32") << 0xffffffffu - 99 << 500 << qint64(501);
    QTest::newRow("INT_MAX") << 5u << INT_MAX << qint64(INT_MAX) + 1;
}

void TestEngine::pauseReturnsAtFirstReadingPastIt()
{
    QFETCH(quint32, base);
    QFETCH(int, ms);
    QFETCH(qint64, returnsAt);
    test::VirtualClock clock(base);
    qint64 at = -1;
    Task<void> task = timed(ms, at, clock);
    task.start({});
    QCOMPARE(at, qint64(-1)); // nothing waits: the caller goes on at once
    clock.run();
    QCOMPARE(at, returnsAt);
    QVERIFY(task.done());
}

// A 300 ms pause with the event loop turning: it lasts its time, and the loop sleeps meanwhile
// (a spinning wait would wake thousands of times).
void TestEngine::pauseOnTheRealClock()
{
    QElapsedTimer wall;
    wall.start();
    qint64 elapsed = -1;
    auto wait = [&]() -> Task<void> {
        co_await pause(300);
        elapsed = wall.elapsed();
    };
    Task<void> task = wait();
    task.start({});
    QTimer giveUp; // a pause that never ends must not hold the test forever
    giveUp.start(10000);
    int wakes = 0;
    while (!task.done() && wall.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
        ++wakes;
    }
    QVERIFY(task.done());
    QVERIFY2(elapsed >= 300, qPrintable(QString::number(elapsed)));
    QVERIFY2(wakes < 50, qPrintable(QString::number(wakes)));
}

void TestEngine::operations_data()
{
    QTest::addColumn<QString>("how");     // how the operation ends
    QTest::addColumn<QString>("expected"); // what the engine reported, in order
    QTest::newRow("ends: its message") << "end" << "began;second refused;sent a;ended 完成;finished done|clear;steps 2";
    QTest::newRow("cancelled in its pause: nothing more runs")
        << "cancel" << "began;second refused;sent a;frame gone;ended 已停止;steps 1";
    QTest::newRow("an error: failed, outcome kept")
        << "error" << "began;second refused;sent a;frame gone;ended 出错;failed 写入失败;steps 2";
    QTest::newRow("port lost: no second report") << "lost" << "began;second refused;sent a;frame gone;ended 端口已断开;steps 2";
}

void TestEngine::operations()
{
    QFETCH(QString, how);
    QFETCH(QString, expected);
    test::VirtualClock clock;
    OperationEngine engine;
    QStringList seen;
    int steps = 0;
    engine.gate().observe([&](const QString &) { seen << u"began"_qs; },
                          [&](const QString &, const QString &outcome) { seen << u"ended "_qs + outcome; });
    connect(&engine, &OperationEngine::finished, this, [&](const OperationEnd &end) {
        seen << u"finished "_qs + end.message + (end.clearInputLine ? u"|clear"_qs : QString());
    });
    connect(&engine, &OperationEngine::failed, this, [&](const QString &d) { seen << u"failed "_qs + d; });
    struct Guard {
        QStringList &seen;
        bool armed = true;
        ~Guard()
        {
            if (armed)
                seen << u"frame gone"_qs;
        }
    };
    auto op = [&]() -> Operation {
        Guard guard{seen};
        ++steps;
        engine.noteSent(u"a"_qs);
        seen << u"sent "_qs + engine.sentSoFar().join(u',');
        co_await pause(500);
        ++steps;
        if (how == u"error")
            throw Error(u"写入失败"_qs);
        if (how == u"lost")
            throw PortLostError(u"lost"_qs);
        guard.armed = false;
        co_return OperationEnd{u"done"_qs, QString(), u"完成"_qs, true};
    };
    QVERIFY(engine.start(u"one"_qs, op()));
    seen.insert(1, engine.start(u"two"_qs, op()) ? u"second started"_qs : u"second refused"_qs);
    if (how == u"cancel")
        clock.at(200, [&] { engine.cancel(); });
    clock.run();
    seen << u"steps "_qs + QString::number(steps);
    QCOMPARE(seen.join(u';'), expected);
    QVERIFY(!engine.busy());
    QVERIFY(clock.idle());
}

QTEST_MAIN(TestEngine)
#include "test_engine.moc"

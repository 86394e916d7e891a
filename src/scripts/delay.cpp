#include "scripts/delay.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace tarnwell {

namespace {

class RealClock : public DelayClock {
public:
    RealClock() { m_timer.start(); }

    quint32 tickCount() override { return quint32(m_timer.elapsed()); }

    void processEvents() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }

    void waitForEvents(quint32 ms) override
    {
        // The timer only wakes the dispatcher when nothing else arrives first.
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        QObject::connect(&wake, &QTimer::timeout, [] {});
        wake.start(int(qMin<quint32>(ms, 0x7fffffff)));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }

private:
    QElapsedTimer m_timer;
};

RealClock &realClock()
{
    static RealClock clock;
    return clock;
}

DelayClock *g_clock = nullptr;

} // namespace

DelayClock &delayClock()
{
    return g_clock ? *g_clock : realClock();
}

DelayClock *setDelayClock(DelayClock *clock)
{
    DelayClock *previous = g_clock;
    g_clock = clock;
    return previous;
}

void Delay(qint32 ms)
{
    DelayClock &clock = delayClock();
    const quint32 start = clock.tickCount();
    clock.processEvents();
    for (;;) {
        const quint32 elapsed = clock.tickCount() - start; // modulo 2^32
        if (qint64(elapsed) > qint64(ms))
            return;
        clock.waitForEvents(quint32(qint64(ms) - qint64(elapsed) + 1));
    }
}

} // namespace tarnwell

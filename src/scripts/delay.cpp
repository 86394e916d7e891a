#include "scripts/delay.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

namespace tarnwell {

namespace {

class RealClock : public DelayClock {
public:
    RealClock() { m_timer.start(); }

    quint32 tickCount() override { return quint32(m_timer.elapsed()); }

    void processEvents() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    void waitForEvents(quint32 ms) override
    {
        const int wait = int(qMin<quint32>(ms, 0x7fffffff));
        if (!QCoreApplication::instance()) {
            // No event loop to sleep in: a plain sleep, never a spin.
            QThread::msleep(ulong(wait));
            return;
        }
        // The timer wakes the dispatcher when nothing else arrives first. The wait goes through
        // processEvents rather than a local QEventLoop: after QCoreApplication::quit() every new
        // QEventLoop::exec() returns at once, which would turn the wait into a spin.
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        QObject::connect(&wake, &QTimer::timeout, [] {});
        wake.start(wait);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }

private:
    QElapsedTimer m_timer;
};

DelayClock *g_clock = nullptr;

} // namespace

DelayClock &realDelayClock()
{
    static RealClock clock;
    return clock;
}

DelayClock &delayClock()
{
    return g_clock ? *g_clock : realDelayClock();
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
        // Sleep until just past the deadline unless an event comes first.
        clock.waitForEvents(quint32(qint64(ms) - qint64(elapsed) + 1));
    }
}

} // namespace tarnwell

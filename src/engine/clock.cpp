#include "engine/clock.h"

#include <QElapsedTimer>
#include <QTimer>

#include <map>
#include <memory>

namespace tarnwell {

namespace {

class RealClock : public DelayClock {
public:
    RealClock() { m_elapsed.start(); }

    quint32 tickCount() override { return quint32(m_elapsed.elapsed()); }

    quint64 schedule(quint32 ms, std::function<void()> fire) override
    {
        const quint64 id = ++m_lastId;
        auto timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer.get(), &QTimer::timeout, [this, id, fire = std::move(fire)] {
            // Forget the timer first: fire may schedule or unschedule others.
            auto it = m_timers.find(id);
            if (it == m_timers.end())
                return;
            it->second.release()->deleteLater();
            m_timers.erase(it);
            fire();
        });
        timer->start(int(qMin<quint32>(ms, 0x7fffffff)));
        m_timers.emplace(id, std::move(timer));
        return id;
    }

    void unschedule(quint64 id) override { m_timers.erase(id); }

private:
    QElapsedTimer m_elapsed;
    quint64 m_lastId = 0;
    std::map<quint64, std::unique_ptr<QTimer>> m_timers;
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

Pause::~Pause()
{
    if (m_timer)
        m_clock->unschedule(m_timer);
}

void Pause::await_suspend(std::coroutine_handle<> h)
{
    m_waiting = h;
    m_clock = &delayClock();
    m_start = m_clock->tickCount();
    arm();
}

void Pause::arm()
{
    const quint32 elapsed = m_clock->tickCount() - m_start; // modulo 2^32
    const qint64 left = m_ms < 0 ? 0 : qint64(m_ms) - qint64(elapsed) + 1;
    m_timer = m_clock->schedule(quint32(qMax<qint64>(0, left)), [this] {
        m_timer = 0;
        // A timer may fire a little early: wait out the rest.
        if (m_ms >= 0 && qint64(quint32(m_clock->tickCount() - m_start)) <= qint64(m_ms))
            arm();
        else
            m_waiting.resume();
    });
}

} // namespace tarnwell

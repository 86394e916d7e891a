#pragma once

#include <QtGlobal>

#include <coroutine>
#include <functional>

namespace tarnwell {

// The clock operations wait on: a millisecond tick counter that wraps at 2^32, and timers that
// call back from the event loop. The real one runs on QTimer; tests install a virtual one whose
// time moves only from timer to timer.
class DelayClock {
public:
    virtual ~DelayClock() = default;
    virtual quint32 tickCount() = 0;
    // Calls fire once, ms milliseconds from now or later, from the event loop. The id is never 0.
    virtual quint64 schedule(quint32 ms, std::function<void()> fire) = 0;
    // Forgets a timer that has not fired; an id that fired or is unknown is ignored.
    virtual void unschedule(quint64 id) = 0;
};

// Installs the clock operations use (nullptr: the real one); returns the previous clock.
DelayClock *setDelayClock(DelayClock *clock);
DelayClock &delayClock();
// The real clock, also while another one is installed (for wrappers that count or measure).
DelayClock &realDelayClock();

// co_await pause(ms): resumes the coroutine at the first reading of the tick counter at which
// strictly more than ms milliseconds have passed (a negative pause: at the next turn of the
// event loop), modulo 2^32, so a wrap of the counter does not disturb it. Nothing waits in
// between: the event loop goes on, and the timer is dropped when the waiting frame is destroyed.
class Pause {
public:
    explicit Pause(qint32 ms) : m_ms(ms) {}
    Pause(const Pause &) = delete;
    Pause &operator=(const Pause &) = delete;
    ~Pause();

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> h);
    void await_resume() noexcept { m_timer = 0; }

private:
    void arm();

    qint32 m_ms;
    quint32 m_start = 0;
    DelayClock *m_clock = nullptr;
    quint64 m_timer = 0;
    std::coroutine_handle<> m_waiting;
};

inline Pause pause(qint32 ms)
{
    return Pause(ms);
}

} // namespace tarnwell

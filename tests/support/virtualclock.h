#pragma once

#include "scripts/delay.h"

#include <QtGlobal>

#include <functional>
#include <map>
#include <stdexcept>

namespace tarnwell::test {

// A virtual millisecond clock for Delay: time moves only when Delay sleeps, and an event
// scheduled with at() wakes the sleep at its time, as a click or received data would. So waits
// take no real time and every reading is exact. Installs itself for its lifetime.
class VirtualClock : public DelayClock {
public:
    struct Spinning : std::runtime_error {
        Spinning() : std::runtime_error("Delay did not return") {}
    };

    // base: the tick counter's reading at virtual time 0 (near 2^32 to test the wrap).
    explicit VirtualClock(quint32 base = 0) : m_base(base) { m_previous = setDelayClock(this); }
    ~VirtualClock() override { setDelayClock(m_previous); }
    VirtualClock(const VirtualClock &) = delete;
    VirtualClock &operator=(const VirtualClock &) = delete;

    quint32 tickCount() override
    {
        lastReading = now - now % granularity;
        return m_base + quint32(lastReading);
    }

    void processEvents() override
    {
        ++processed;
        fireDue();
        if (eachRound)
            eachRound();
    }

    void waitForEvents(quint32 ms) override
    {
        if (++waits > kSpinLimit)
            throw Spinning();
        qint64 until = now + qint64(qMin(ms, maxStep));
        if (!m_events.empty())
            until = qMin(until, m_events.begin()->first);
        now = qMax(now, until);
        processEvents();
    }

    // Runs action during the first event processing at or after virtual time t.
    void at(qint64 t, std::function<void()> action) { m_events.emplace(t, std::move(action)); }

    qint64 now = 0;      // virtual milliseconds since construction
    quint32 maxStep = 0xffffffffu; // a sleep lasts at most this long (a clock woken often)
    qint64 granularity = 1; // the counter advances in steps of this many milliseconds
    qint64 lastReading = 0; // virtual time the last tickCount() showed
    int processed = 0;   // rounds of event processing
    int waits = 0;
    std::function<void()> eachRound; // also run at every round, e.g. to let Qt deliver events

private:
    static constexpr int kSpinLimit = 1000000;

    void fireDue()
    {
        while (!m_events.empty() && m_events.begin()->first <= now) {
            auto action = std::move(m_events.begin()->second);
            m_events.erase(m_events.begin());
            action(); // may nest Delay, which fires later events itself
        }
    }

    quint32 m_base;
    DelayClock *m_previous = nullptr;
    std::multimap<qint64, std::function<void()>> m_events;
};

// The real clock, counting the rounds a wait goes through: a sleeping wait wakes about once
// per event, a spinning one thousands of times.
class CountingRealClock : public DelayClock {
public:
    CountingRealClock() { m_previous = setDelayClock(this); }
    ~CountingRealClock() override { setDelayClock(m_previous); }
    quint32 tickCount() override { return realDelayClock().tickCount(); }
    void processEvents() override
    {
        ++rounds;
        realDelayClock().processEvents();
    }
    void waitForEvents(quint32 ms) override
    {
        ++rounds;
        realDelayClock().waitForEvents(ms);
    }
    int rounds = 0;

private:
    DelayClock *m_previous = nullptr;
};

} // namespace tarnwell::test

#pragma once

#include "engine/clock.h"

#include <QtGlobal>

#include <functional>
#include <limits>
#include <map>
#include <stdexcept>

namespace tarnwell::test {

// A virtual millisecond clock for the operations' pauses: time moves only from one timer or
// scheduled event to the next, when run() is called, so waits take no real time and every
// reading is exact. Installs itself for its lifetime.
class VirtualClock : public DelayClock {
public:
    struct Spinning : std::runtime_error {
        Spinning() : std::runtime_error("the clock ran without end") {}
    };

    // base: the tick counter's reading at virtual time 0 (near 2^32 to test the wrap).
    explicit VirtualClock(quint32 base = 0) : m_base(base) { m_previous = setDelayClock(this); }
    ~VirtualClock() override { setDelayClock(m_previous); }
    VirtualClock(const VirtualClock &) = delete;
    VirtualClock &operator=(const VirtualClock &) = delete;

    quint32 tickCount() override { return m_base + quint32(now); }

    quint64 schedule(quint32 ms, std::function<void()> fire) override
    {
        const quint64 id = ++m_lastId;
        m_events.emplace(now + qint64(ms), Event{id, std::move(fire)});
        return id;
    }

    void unschedule(quint64 id) override
    {
        for (auto it = m_events.begin(); it != m_events.end(); ++it)
            if (it->second.id == id) {
                m_events.erase(it);
                return;
            }
    }

    // Runs action when the clock reaches virtual time t, as a click or received data would.
    void at(qint64 t, std::function<void()> action) { m_events.emplace(t, Event{0, std::move(action)}); }

    // Fires what is due in time order, moving the clock to each, until nothing is left before
    // `until` (the clock then stands at the last event run).
    void run(qint64 until = std::numeric_limits<qint64>::max()) { runUntil({}, until); }
    // The same, stopping as soon as done() holds.
    void runUntil(const std::function<bool()> &done, qint64 until = std::numeric_limits<qint64>::max())
    {
        while (!m_events.empty() && m_events.begin()->first <= until && !(done && done())) {
            if (++fired > kSpinLimit)
                throw Spinning();
            auto event = std::move(m_events.begin()->second);
            now = qMax(now, m_events.begin()->first);
            m_events.erase(m_events.begin());
            event.fire();
            if (eachRound)
                eachRound();
        }
    }
    bool idle() const { return m_events.empty(); }

    qint64 now = 0; // virtual milliseconds since construction
    int fired = 0;
    std::function<void()> eachRound; // also run after every event, e.g. to let Qt deliver events

private:
    static constexpr int kSpinLimit = 1000000;
    struct Event {
        quint64 id; // 0: an at() event, never unscheduled
        std::function<void()> fire;
    };

    quint32 m_base;
    quint64 m_lastId = 0;
    DelayClock *m_previous = nullptr;
    std::multimap<qint64, Event> m_events;
};

} // namespace tarnwell::test

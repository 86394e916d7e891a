#pragma once

#include "clock.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace tarnwell::test {

// A clock that moves only when the test says so; callbacks run in due order.
class ManualClock : public sim::Clock {
public:
    void after(int ms, std::function<void()> callback) override
    {
        m_jobs.push_back({m_now + ms, m_seq++, std::move(callback)});
    }

    void advance(long ms)
    {
        const long target = m_now + ms;
        for (;;) {
            auto next = std::min_element(m_jobs.begin(), m_jobs.end(), [](const Job &a, const Job &b) {
                return a.due != b.due ? a.due < b.due : a.seq < b.seq;
            });
            if (next == m_jobs.end() || next->due > target)
                break;
            m_now = next->due;
            auto fn = std::move(next->fn);
            m_jobs.erase(next);
            fn();
        }
        m_now = target;
    }

    size_t pending() const { return m_jobs.size(); }

private:
    struct Job {
        long due;
        long seq;
        std::function<void()> fn;
    };
    long m_now = 0;
    long m_seq = 0;
    std::vector<Job> m_jobs;
};

} // namespace tarnwell::test

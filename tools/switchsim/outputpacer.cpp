#include "outputpacer.h"

#include <algorithm>

namespace tarnwell::sim {

OutputPacer::OutputPacer(Clock &clock, int lineDelayMs, Sink sink)
    : m_clock(clock), m_delayMs(lineDelayMs), m_sink(std::move(sink))
{
}

void OutputPacer::write(std::string_view bytes)
{
    if (m_delayMs <= 0 && m_baud <= 0) {
        m_sink(bytes);
        return;
    }
    m_pending.append(bytes.substr(0, kMaxPending - std::min(kMaxPending, m_pending.size())));
    if (!m_waiting)
        release();
}

void OutputPacer::release()
{
    size_t count = m_pending.size();
    if (m_baud > 0) {
        m_credit += m_baud / 10.0 * kTickMs / 1000.0;
        count = std::min(count, size_t(m_credit));
    }
    // With a line delay, everything up to and including the next line feed goes now.
    const size_t lineEnd = m_delayMs > 0 ? m_pending.find('\n') : std::string::npos;
    const bool linePause = lineEnd != std::string::npos && lineEnd < count;
    if (linePause)
        count = lineEnd + 1;
    if (count > 0) {
        const std::string now = m_pending.substr(0, count);
        m_pending.erase(0, count);
        if (m_baud > 0)
            m_credit -= double(count);
        m_sink(now);
    }
    // The last chunk is on the line for one more tick (or the line's pause) before the line is idle.
    if (m_pending.empty() && !m_waiting && count == 0) {
        m_credit = 0;
        if (m_onIdle)
            m_onIdle();
        return;
    }
    m_waiting = true;
    std::weak_ptr<bool> alive = m_alive;
    m_clock.after(linePause ? m_delayMs : kTickMs, [this, alive] {
        if (alive.expired())
            return;
        m_waiting = false;
        release();
    });
}

} // namespace tarnwell::sim

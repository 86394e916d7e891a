#include "outputpacer.h"

namespace tarnwell::sim {

OutputPacer::OutputPacer(Clock &clock, int lineDelayMs, Sink sink)
    : m_clock(clock), m_delayMs(lineDelayMs), m_sink(std::move(sink))
{
}

void OutputPacer::write(std::string_view bytes)
{
    if (m_delayMs <= 0) {
        m_sink(bytes);
        return;
    }
    m_pending += bytes;
    if (!m_waiting)
        release();
}

void OutputPacer::release()
{
    // Everything up to and including the next line feed goes out now, the rest after the pause.
    const size_t end = m_pending.find('\n');
    const size_t count = end == std::string::npos ? m_pending.size() : end + 1;
    const std::string now = m_pending.substr(0, count);
    m_pending.erase(0, count);
    if (!now.empty())
        m_sink(now);
    if (end == std::string::npos)
        return;
    m_waiting = true;
    std::weak_ptr<bool> alive = m_alive;
    m_clock.after(m_delayMs, [this, alive] {
        if (alive.expired())
            return;
        m_waiting = false;
        release();
    });
}

} // namespace tarnwell::sim

#pragma once

#include "clock.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tarnwell::sim {

// Writes output a line at a time with a pause after each line feed, so a listing arrives as
// slowly as over a 9600-baud console. Without a delay everything is written at once.
class OutputPacer {
public:
    using Sink = std::function<void(std::string_view)>;
    OutputPacer(Clock &clock, int lineDelayMs, Sink sink);

    void write(std::string_view bytes);
    bool idle() const { return m_pending.empty() && !m_waiting; }

private:
    void release();

    Clock &m_clock;
    const int m_delayMs;
    const Sink m_sink;
    std::string m_pending;
    bool m_waiting = false;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace tarnwell::sim

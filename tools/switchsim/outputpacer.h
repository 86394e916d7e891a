#pragma once

#include "clock.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tarnwell::sim {

// Writes output at the pace of a serial line: at a baud rate, in small chunks every kTickMs (ten
// bits a byte, as 8N1 takes), and/or with a pause after each line feed. Without either everything
// is written at once. Output beyond kMaxPending waiting bytes is dropped, as a console's full
// buffer loses it; so is nothing else.
class OutputPacer {
public:
    using Sink = std::function<void(std::string_view)>;
    static constexpr int kTickMs = 20;
    static constexpr size_t kMaxPending = 1 << 20;

    OutputPacer(Clock &clock, int lineDelayMs, Sink sink);

    // 0: no pacing by bytes.
    void setBaud(int baud) { m_baud = baud; }
    // Called each time the last waiting byte has gone out on the line.
    void onIdle(std::function<void()> callback) { m_onIdle = std::move(callback); }

    void write(std::string_view bytes);
    bool idle() const { return m_pending.empty() && !m_waiting; }
    bool paced() const { return m_delayMs > 0 || m_baud > 0; }

private:
    void release();

    Clock &m_clock;
    const int m_delayMs;
    int m_baud = 0;
    double m_credit = 0; // bytes the line could have sent by now
    const Sink m_sink;
    std::function<void()> m_onIdle;
    std::string m_pending;
    bool m_waiting = false;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace tarnwell::sim

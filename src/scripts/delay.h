#pragma once

#include <QtGlobal>

namespace tarnwell {

// The clock and event pump Delay runs on. The real one reads a millisecond tick counter that
// wraps at 2^32 and sleeps in the event loop; tests install a virtual one.
class DelayClock {
public:
    virtual ~DelayClock() = default;
    virtual quint32 tickCount() = 0;
    // Processes all pending events once, without waiting.
    virtual void processEvents() = 0;
    // Sleeps until events arrive or about ms milliseconds have passed, and processes them.
    virtual void waitForEvents(quint32 ms) = 0;
};

// Waits until strictly more than ms milliseconds have passed, processing window and serial
// events meanwhile (at least once, also for 0 and negative pauses). Elapsed time is taken modulo
// 2^32, so a wrap of the tick counter does not disturb it. It never spins: between events the
// thread sleeps in the event loop. A click during the wait runs its handler inside the wait; when
// that handler returns after the wait's time, the wait ends at its next reading of the clock.
//
// The wait does not end early when the application is asked to quit (the last window closed):
// it keeps sleeping, still without spinning, until its time has passed; the quit takes effect
// once the handler that called Delay has returned to the main event loop. Scripts check their
// CancelToken after every Delay to stop there. Without a QCoreApplication it simply sleeps.
void Delay(qint32 ms);

// Installs the clock Delay uses (nullptr: the real one); returns the previous clock.
DelayClock *setDelayClock(DelayClock *clock);
DelayClock &delayClock();
// The real clock, also while another one is installed (for wrappers that count or measure).
DelayClock &realDelayClock();

} // namespace tarnwell

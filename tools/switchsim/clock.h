#pragma once

#include <functional>

namespace tarnwell::sim {

// The only source of time for the simulated console: delays (saving, rebooting, slow output)
// are callbacks run after a number of milliseconds. The program uses a Qt timer, tests a
// hand-advanced clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void after(int ms, std::function<void()> callback) = 0;
};

} // namespace tarnwell::sim

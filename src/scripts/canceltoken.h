#pragma once

#include <memory>

namespace tarnwell {

// A shared stop flag for scripts that wait in Delay. The window cancels it when it closes; a
// running script keeps its own copy on the stack, so it can still read the flag after the window
// (and the object that started the script) has been destroyed inside the wait. Copies share one
// flag; cancelling is final.
class CancelToken {
public:
    CancelToken() : m_cancelled(std::make_shared<bool>(false)) {}

    void cancel() { *m_cancelled = true; }
    bool cancelled() const { return *m_cancelled; }

private:
    std::shared_ptr<bool> m_cancelled;
};

} // namespace tarnwell

#include "transfer/byteinbox.h"

#include "engine/clock.h"

#include <utility>

namespace tarnwell {

ByteInbox::Wait::~Wait()
{
    if (m_timer)
        delayClock().unschedule(m_timer);
    if (m_inbox.m_waiter == this)
        m_inbox.m_waiter = nullptr;
}

bool ByteInbox::Wait::await_ready()
{
    if (m_inbox.m_stopped || !m_inbox.m_queued.isEmpty()) {
        m_next.stopped = std::exchange(m_inbox.m_stopped, false);
        m_next.bytes = std::exchange(m_inbox.m_queued, {});
        return true;
    }
    return false;
}

void ByteInbox::Wait::await_suspend(std::coroutine_handle<> h)
{
    m_waiting = h;
    m_inbox.m_waiter = this;
    m_timer = delayClock().schedule(quint32(qMax(0, m_ms)), [this] {
        m_timer = 0;
        m_next.timedOut = true;
        wake();
    });
}

// Resumes the waiting operation; this call is its last use of the wait, which the operation
// may destroy.
void ByteInbox::Wait::wake()
{
    if (m_timer)
        delayClock().unschedule(std::exchange(m_timer, 0));
    m_inbox.m_waiter = nullptr;
    m_waiting.resume();
}

void ByteInbox::push(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (Wait *w = m_waiter) {
        w->m_next.bytes = m_queued + bytes;
        m_queued.clear();
        w->wake();
    } else {
        m_queued += bytes;
    }
}

void ByteInbox::stop()
{
    if (Wait *w = m_waiter) {
        w->m_next.stopped = true;
        w->wake();
    } else {
        m_stopped = true;
    }
}

void ByteInbox::clear()
{
    m_queued.clear();
    m_stopped = false;
}

} // namespace tarnwell

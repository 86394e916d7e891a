#pragma once

#include <QByteArray>

#include <coroutine>

namespace tarnwell {

// Received bytes handed to an operation that waits for them: `co_await inbox.next(ms)` resumes
// as soon as bytes arrive (from push(), at once, inside the call), when stop() is called, or
// after ms milliseconds on the operations' clock, whichever comes first. Bytes pushed while
// nobody waits are kept for the next wait. Destroying the waiting frame forgets the wait.
class ByteInbox {
public:
    struct Next {
        QByteArray bytes;
        bool timedOut = false;
        bool stopped = false;
    };

    class Wait {
    public:
        Wait(ByteInbox &inbox, int ms) : m_inbox(inbox), m_ms(ms) {}
        Wait(const Wait &) = delete;
        Wait &operator=(const Wait &) = delete;
        ~Wait();
        bool await_ready();
        void await_suspend(std::coroutine_handle<> h);
        Next await_resume() { return std::move(m_next); }

    private:
        friend class ByteInbox;
        void wake();
        ByteInbox &m_inbox;
        int m_ms;
        quint64 m_timer = 0;
        Next m_next;
        std::coroutine_handle<> m_waiting;
    };

    Wait next(int ms) { return Wait(*this, ms); }
    void push(const QByteArray &bytes);
    // Wakes the wait with stopped set (or the next one, when none waits).
    void stop();
    void clear();

private:
    QByteArray m_queued;
    bool m_stopped = false;
    Wait *m_waiter = nullptr;
};

} // namespace tarnwell

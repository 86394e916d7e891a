#pragma once

#include <coroutine>
#include <exception>
#include <functional>
#include <optional>
#include <utility>

namespace tarnwell {

// A C++20 coroutine that returns a T: the steps of an operation. It starts when awaited (or
// when the engine starts it at the top) and runs until its first wait; whoever resumes it (a
// timer) runs it on to the next. An exception leaves it and is thrown again to whoever awaits
// it. Destroying a Task destroys its frame wherever it waits: its locals go, nested Tasks and
// pending timers with them, and nothing further runs. That is how an operation is cancelled.
template <typename T = void>
class Task;

namespace detail {

struct TaskPromiseBase {
    std::coroutine_handle<> continuation; // the coroutine awaiting this one
    std::exception_ptr error;
    std::function<void()> onDone; // a top-level task's end, for its runner

    std::suspend_always initial_suspend() noexcept { return {}; }
    struct FinalAwaiter {
        bool await_ready() noexcept { return false; }
        template <typename Promise>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<Promise> h) noexcept
        {
            TaskPromiseBase &p = h.promise();
            if (p.continuation)
                return p.continuation;
            // The runner may destroy this frame: nothing of it is touched after the call.
            const std::function<void()> done = std::move(p.onDone);
            if (done)
                done();
            return std::noop_coroutine();
        }
        void await_resume() noexcept {}
    };
    FinalAwaiter final_suspend() noexcept { return {}; }
    void unhandled_exception() noexcept { error = std::current_exception(); }
};

template <typename T>
struct TaskPromise : TaskPromiseBase {
    std::optional<T> value;
    Task<T> get_return_object();
    void return_value(T v) { value = std::move(v); }
    T take()
    {
        if (error)
            std::rethrow_exception(error);
        return std::move(*value);
    }
};

template <>
struct TaskPromise<void> : TaskPromiseBase {
    Task<void> get_return_object();
    void return_void() noexcept {}
    void take()
    {
        if (error)
            std::rethrow_exception(error);
    }
};

} // namespace detail

template <typename T>
class [[nodiscard]] Task {
public:
    using promise_type = detail::TaskPromise<T>;
    using Handle = std::coroutine_handle<promise_type>;

    Task() = default;
    explicit Task(Handle h) : m_handle(h) {}
    Task(Task &&other) noexcept : m_handle(std::exchange(other.m_handle, {})) {}
    Task &operator=(Task &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, {});
        }
        return *this;
    }
    Task(const Task &) = delete;
    Task &operator=(const Task &) = delete;
    ~Task() { reset(); }

    // Awaited from another coroutine: runs to its end, then resumes the awaiting one.
    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept
    {
        m_handle.promise().continuation = awaiting;
        return m_handle;
    }
    T await_resume() { return m_handle.promise().take(); }

    // At the top: runs it until its first wait; done is called when it ends (it may destroy the
    // task from there).
    void start(std::function<void()> done)
    {
        m_handle.promise().onDone = std::move(done);
        m_handle.resume();
    }
    bool valid() const { return bool(m_handle); }
    bool done() const { return m_handle && m_handle.done(); }
    // The result of a task that has ended; throws what ended it.
    T result() { return m_handle.promise().take(); }
    void reset()
    {
        if (m_handle)
            std::exchange(m_handle, {}).destroy();
    }

private:
    Handle m_handle;
};

namespace detail {

template <typename T>
Task<T> TaskPromise<T>::get_return_object()
{
    return Task<T>(std::coroutine_handle<TaskPromise<T>>::from_promise(*this));
}

inline Task<void> TaskPromise<void>::get_return_object()
{
    return Task<void>(std::coroutine_handle<TaskPromise<void>>::from_promise(*this));
}

} // namespace detail

} // namespace tarnwell

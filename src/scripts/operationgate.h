#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace tarnwell {

// Lets one operation that talks to the switch over several pauses (a script, the binding
// capture, a paced paste) run at a time, so that the lines of two never interleave on the wire.
// The single keys do not take it. The window owns one gate and hands it to each runner.
//
// A runner holds a Ticket on its stack for as long as it runs; the gate is free again when the
// ticket goes, also when the window (and the gate) went first inside one of the pauses.
class OperationGate {
    struct State {
        bool busy = false;
        QString name;
        QString outcome;
        std::function<void(const QString &name)> began;
        std::function<void(const QString &name, const QString &outcome)> ended;
    };

public:
    class Ticket {
    public:
        Ticket(Ticket &&other) noexcept : m_state(std::move(other.m_state)) {}
        Ticket &operator=(Ticket &&) = delete;
        Ticket(const Ticket &) = delete;
        ~Ticket()
        {
            if (!m_state)
                return;
            const QString name = std::exchange(m_state->name, QString());
            const QString outcome = std::exchange(m_state->outcome, QString());
            m_state->busy = false;
            if (m_state->ended)
                m_state->ended(name, outcome.isEmpty() ? QStringLiteral("结束") : outcome);
        }
        // How the operation ended, in a few words ("完成", "被交换机拒绝", "已停止"...), for
        // whatever records the operations (the session log).
        void setOutcome(const QString &outcome) { m_state->outcome = outcome; }

    private:
        friend class OperationGate;
        explicit Ticket(std::shared_ptr<State> state) : m_state(std::move(state)) {}
        std::shared_ptr<State> m_state;
    };

    // A ticket for the operation called name (shown in busyMessage()), or nothing while another
    // operation runs.
    std::optional<Ticket> tryBegin(const QString &name)
    {
        if (m_state->busy)
            return std::nullopt;
        m_state->busy = true;
        m_state->name = name;
        m_state->outcome.clear();
        if (m_state->began)
            m_state->began(name);
        return Ticket(m_state);
    }

    // Called as each operation begins and ends (with its outcome); for a record of the session.
    void observe(std::function<void(const QString &name)> began,
                 std::function<void(const QString &name, const QString &outcome)> ended)
    {
        m_state->began = std::move(began);
        m_state->ended = std::move(ended);
    }

    bool busy() const { return m_state->busy; }
    QString running() const { return m_state->name; }
    // What to tell a person whose click was turned away.
    QString busyMessage() const
    {
        return QStringLiteral("正在%1，请等它结束后再试。").arg(m_state->name);
    }

private:
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace tarnwell

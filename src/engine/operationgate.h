#pragma once

#include <QString>
#include <QStringList>

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
        QStringList sent;
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
            m_state->sent.clear();
            if (m_state->ended)
                m_state->ended(name, outcome.isEmpty() ? QStringLiteral("结束") : outcome);
        }
        // How the operation ended, in a few words ("完成", "被交换机拒绝", "已停止"...), for
        // whatever records the operations (the session log).
        void setOutcome(const QString &outcome) { m_state->outcome = outcome; }
        // A line the operation has sent, as shown (a password as ******), for sentSoFar().
        // A repeat of the last one is counted on its line ("空格 ×5").
        void noteSent(const QString &shown)
        {
            QStringList &sent = m_state->sent;
            const QString times = shown + QStringLiteral(" ×");
            if (!sent.isEmpty() && (sent.last() == shown || sent.last().startsWith(times))) {
                const int count = sent.last() == shown ? 1 : sent.last().mid(times.size()).toInt();
                sent.last() = times + QString::number(count + 1);
            } else {
                sent << shown;
            }
        }

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
        m_state->sent.clear();
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
    // The lines the running operation has sent so far, as shown.
    QStringList sentSoFar() const { return m_state->sent; }
    // What a person who is about to stop the running operation (closing the port or the window)
    // is told: what runs and what it has sent. Empty while nothing runs.
    QString stopQuestion(const QString &action) const
    {
        if (!m_state->busy)
            return QString();
        QStringList shown = m_state->sent.mid(qMax<qsizetype>(0, m_state->sent.size() - 12));
        if (shown.size() < m_state->sent.size())
            shown.prepend(QStringLiteral("……（前%1行略）").arg(m_state->sent.size() - shown.size()));
        return QStringLiteral("正在%1，%2会停止它，剩下的行不再发送。\n\n%3\n\n确定要%2吗？")
            .arg(m_state->name, action,
                 shown.isEmpty() ? QStringLiteral("还没有发送任何一行。")
                                 : QStringLiteral("已发送：\n") + shown.join(u'\n'));
    }
    // What to tell a person whose click was turned away.
    QString busyMessage() const
    {
        return QStringLiteral("正在%1，请等它结束后再试。").arg(m_state->name);
    }

private:
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace tarnwell

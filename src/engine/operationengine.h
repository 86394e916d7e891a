#pragma once

#include "engine/operationgate.h"
#include "engine/task.h"

#include <QObject>
#include <QString>

#include <optional>

namespace tarnwell {

// How an operation ended, for the person: the message the window shows (none when empty) and
// what the session log records.
struct OperationEnd {
    OperationEnd(QString message = {}, QString title = {}, QString outcome = QStringLiteral("完成"),
                 bool clearInputLine = false)
        : message(std::move(message)), title(std::move(title)), outcome(std::move(outcome)), clearInputLine(clearInputLine)
    {
    }
    QString message;
    QString title;  // empty: the application title
    QString outcome;
    bool clearInputLine; // the input line is emptied (and focused) after the message
};
using Operation = Task<OperationEnd>;

// Runs the operations that talk to the switch over several pauses (scripts, the binding
// capture, a paced paste), one at a time, so that the lines of two never interleave on the wire.
// An operation is a coroutine: it sends, waits (co_await pause(ms)), reads what came and goes
// on; no wait holds up the event loop, and no message box holds up an operation: its end is
// reported by finished() (or failed()) and the window shows it.
//
// cancel() is the one way to stop an operation: its frame is destroyed where it waits, so
// nothing more is sent and none of its objects is touched again. Destroying the engine cancels.
class OperationEngine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~OperationEngine() override;

    // Starts op under name (as busyMessage() and the log show it) and runs it to its first wait.
    // False, and op is dropped unrun, while another operation runs.
    bool start(const QString &name, Operation op);
    bool busy() const { return m_gate.busy(); }
    QString running() const { return m_gate.running(); }
    // Stops the running operation where it waits; its end is recorded with outcome (empty: the
    // one it set last), no message.
    void cancel(const QString &outcome = QStringLiteral("已停止"));

    // For the running operation: a line it sent (as shown, a password as ******) and its outcome
    // so far, recorded should it be cancelled or fail.
    void noteSent(const QString &shown);
    void setOutcome(const QString &outcome);

    QString busyMessage() const { return m_gate.busyMessage(); }
    QString stopQuestion(const QString &action) const { return m_gate.stopQuestion(action); }
    QStringList sentSoFar() const { return m_gate.sentSoFar(); }
    // Who records the operations' beginnings and ends (the session log) observes this gate.
    OperationGate &gate() { return m_gate; }

signals:
    // The operation ended by itself: the window shows end.message.
    void finished(const OperationEnd &end);
    // An error ended it; a lost port has been reported already and ends it without this.
    void failed(const QString &description);

private:
    void complete();

    OperationGate m_gate;
    std::optional<OperationGate::Ticket> m_ticket;
    Operation m_task;
};

} // namespace tarnwell

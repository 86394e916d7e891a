#include "engine/operationengine.h"

#include "base/error.h"
#include "base/usermessages.h"

namespace tarnwell {

OperationEngine::~OperationEngine()
{
    // The frame goes before the ticket: nothing of the operation runs with the gate gone.
    m_task.reset();
    m_ticket.reset();
}

bool OperationEngine::start(const QString &name, Operation op)
{
    std::optional<OperationGate::Ticket> ticket = m_gate.tryBegin(name);
    if (!ticket)
        return false;
    ticket->setOutcome(QStringLiteral("出错"));
    m_ticket.emplace(std::move(*ticket));
    m_task = std::move(op);
    m_task.start([this] { complete(); });
    return true;
}

void OperationEngine::cancel(const QString &outcome)
{
    if (!m_ticket)
        return;
    m_task.reset();
    if (!outcome.isEmpty())
        m_ticket->setOutcome(outcome);
    m_ticket.reset(); // records the end
}

void OperationEngine::noteSent(const QString &shown)
{
    if (m_ticket)
        m_ticket->noteSent(shown);
}

void OperationEngine::setOutcome(const QString &outcome)
{
    if (m_ticket)
        m_ticket->setOutcome(outcome);
}

void OperationEngine::complete()
{
    // Called from the operation's last step: what it left is taken before its frame goes.
    Operation task = std::move(m_task);
    OperationGate::Ticket ticket = std::move(*m_ticket);
    m_ticket.reset();
    std::optional<OperationEnd> end;
    QString error;
    try {
        end = task.result();
        ticket.setOutcome(end->outcome);
    } catch (const PortLostError &) {
        ticket.setOutcome(QStringLiteral("端口已断开"));
    } catch (const std::exception &e) {
        error = describe(e);
    }
    task.reset();
    {
        const OperationGate::Ticket ended = std::move(ticket); // the end is recorded here
    }
    if (end)
        emit finished(*end);
    else if (!error.isEmpty())
        emit failed(error);
}

} // namespace tarnwell

#include "moc_operationengine.cpp" // compiled with this file (and its library's unit), not on its own

#include "scripts/pastesender.h"

#include "console/serialcontrol.h"
#include "scripts/delay.h"
#include "scripts/operationgate.h"

#include <QRegularExpression>

namespace tarnwell {

PasteSender::PasteSender(SerialControl &serial, OperationGate &gate, QObject *parent)
    : QObject(parent), m_serial(serial), m_gate(gate)
{
}

QStringList PasteSender::linesOf(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\\r\\n|\\r|\\n"));
    QStringList lines = text.split(lineEnd);
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString PasteSender::duration(qsizetype lines)
{
    const qint64 seconds = (qMax<qsizetype>(1, lines) - 1) * kPaceMs / 1000;
    if (seconds < 60)
        return QStringLiteral("约 %1 秒").arg(qMax<qint64>(1, seconds));
    if (seconds < 3600)
        return QStringLiteral("约 %1 分 %2 秒").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("约 %1 小时 %2 分").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

PasteSender::Result PasteSender::send(const QStringList &lines)
{
    auto ticket = m_gate.tryBegin(QStringLiteral("发送粘贴的文本"));
    if (!ticket)
        return Result::Busy;
    m_cancel = CancelToken();
    const CancelToken token = m_cancel;
    m_running = true;
    const qsizetype total = lines.size();
    emit progress(0, total);
    for (qsizetype i = 0; i < total; ++i) {
        try {
            m_serial.output(lines[i] + u'\r');
            ticket->noteSent(lines[i]);
        } catch (...) {
            ticket->setOutcome(m_serial.portOpen() ? QStringLiteral("发送失败") : QStringLiteral("端口已断开"));
            m_running = false;
            throw;
        }
        emit progress(i + 1, total);
        if (i + 1 < total) {
            Delay(kPaceMs);
            if (token.cancelled()) { // stop() ran, or the window and this object are gone
                ticket->setOutcome(QStringLiteral("已停止（已发送 %1/%2 行）").arg(i + 1).arg(total));
                return Result::Stopped;
            }
        }
    }
    ticket->setOutcome(QStringLiteral("完成"));
    m_running = false;
    return Result::Sent;
}

QString PasteSender::busyMessage() const
{
    return m_gate.busyMessage();
}

void PasteSender::stop()
{
    m_cancel.cancel();
    m_running = false;
}

} // namespace tarnwell

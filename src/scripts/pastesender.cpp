#include "scripts/pastesender.h"

#include "serial/serialcontrol.h"
#include "engine/clock.h"

#include <QRegularExpression>

namespace tarnwell {

PasteSender::PasteSender(SerialControl &serial, OperationEngine &engine, QObject *parent)
    : QObject(parent), m_serial(serial), m_engine(engine)
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

bool PasteSender::send(const QStringList &lines)
{
    if (m_engine.busy())
        return false;
    m_running = true;
    return m_engine.start(QString::fromUtf8(kOperationName), sendLines(lines));
}

Operation PasteSender::sendLines(QStringList lines)
{
    // However the send ends (the last line, stop(), a failed write), running() turns false and
    // ended() says so.
    struct Running {
        PasteSender *sender;
        ~Running()
        {
            sender->m_running = false;
            emit sender->ended();
        }
    } running{this};
    const qsizetype total = lines.size();
    emit progress(0, total);
    for (qsizetype i = 0; i < total; ++i) {
        m_engine.setOutcome(QStringLiteral("已停止（已发送 %1/%2 行）").arg(i).arg(total));
        try {
            m_serial.output(lines[i] + u'\r');
        } catch (...) {
            m_engine.setOutcome(m_serial.portOpen() ? QStringLiteral("发送失败") : QStringLiteral("端口已断开"));
            throw;
        }
        m_engine.noteSent(lines[i]);
        m_engine.setOutcome(QStringLiteral("已停止（已发送 %1/%2 行）").arg(i + 1).arg(total));
        emit progress(i + 1, total);
        if (i + 1 < total)
            co_await pause(kPaceMs);
    }
    co_return OperationEnd{};
}

QString PasteSender::busyMessage() const
{
    return m_engine.busyMessage();
}

void PasteSender::stop()
{
    if (m_running && m_engine.running() == QString::fromUtf8(kOperationName))
        m_engine.cancel(m_engine.sentSoFar().isEmpty() ? QStringLiteral("已停止") : QString());
}

} // namespace tarnwell

#include "scripts/pastesender.h"

#include "serial/serialcontrol.h"
#include "engine/clock.h"
#include "switch/switchreply.h"

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

void PasteSender::received(const QString &text)
{
    const qsizetype end = std::max(text.lastIndexOf(u'\r'), text.lastIndexOf(u'\n'));
    m_openLine = (end < 0 ? m_openLine + text : text.mid(end + 1)).right(256);
    if (m_reply)
        m_reply->add(text);
}

Task<void> PasteSender::awaitAnswer(qsizetype sentAt)
{
    DelayClock &clock = delayClock();
    const quint32 start = clock.tickCount();
    while (m_serial.portOpen() && answerState(QStringView(m_reply->text()).mid(sentAt)) == Answer::Unfinished
           && qint64(clock.tickCount() - start) < kSlowAnswerMs)
        co_await pause(50);
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
            sender->m_reply.reset();
            emit sender->ended();
        }
    } running{this};
    const qsizetype total = lines.size();
    m_reply = std::make_unique<ReplyCollector>();
    m_reply->add(m_openLine);
    emit progress(0, total);
    for (qsizetype i = 0; i < total; ++i) {
        const QString &all = m_reply->text();
        const qsizetype sentAt = all.size();
        const qsizetype lineStart = std::max(all.lastIndexOf(u'\n'), all.lastIndexOf(u'\r')) + 1;
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
        co_await pause(kPaceMs);
        co_await awaitAnswer(sentAt);
        const SwitchReply reply = readSwitchReply(QStringView(m_reply->text()).mid(lineStart));
        if (reply.refusals.isEmpty())
            continue;
        QStringList words;
        for (const SwitchReply::Refusal &r : reply.refusals.mid(0, kMaxErrorLines))
            words << boundedLine(r.error);
        const qsizetype notSent = total - i - 1;
        QString message = QStringLiteral("粘贴的第 %1 行（共 %2 行）被交换机拒绝：%3\n\n交换机的回答：\n%4")
                              .arg(i + 1).arg(total).arg(boundedLine(lines[i]), words.join(u'\n'));
        message += notSent ? QStringLiteral("\n\n其后的 %1 行没有发送，第一行是：\n%2").arg(notSent).arg(boundedLine(lines[i + 1]))
                           : QStringLiteral("\n\n这是最后一行，其余各行都已发送。");
        co_return OperationEnd{message, QString(),
                               QStringLiteral("被交换机拒绝：第 %1 行，%2 行没有发送").arg(i + 1).arg(notSent)};
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

#include "moc_pastesender.cpp" // compiled with this file (and its library's unit), not on its own

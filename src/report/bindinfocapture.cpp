#include "report/bindinfocapture.h"

#include "console/serialcontrol.h"
#include "console/messagebox.h"
#include "scripts/delay.h"
#include "scripts/switchreply.h"

#include <QPointer>
#include <QScopeGuard>

namespace tarnwell {

BindInfoCapture::BindInfoCapture(SerialControl &serial, BindInfoView &view, QString &switchModel,
                                 QObject *parent)
    : QObject(parent), m_serial(serial), m_view(view), m_switchModel(switchModel), m_timer1(this)
{
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setInterval(kReportIntervalMs);
    connect(&m_timer1, &QTimer::timeout, this, &BindInfoCapture::report);
    connect(&m_serial, &SerialControl::onComm, this, [this] { m_lastReceived = delayClock().tickCount(); });
}

bool BindInfoCapture::waitForQuiet(const QPointer<BindInfoCapture> &alive, quint64 generation)
{
    DelayClock &clock = delayClock();
    const quint32 start = clock.tickCount();
    for (;;) {
        const quint32 now = clock.tickCount();
        const quint32 silent = now - m_lastReceived;
        if (silent >= quint32(kQuietMs) || now - start >= quint32(kMaxQuietWaitMs))
            return true;
        Delay(qint32(kQuietMs - silent));
        if (!alive || m_generation != generation)
            return false;
    }
}

void BindInfoCapture::run()
{
    const QPointer<BindInfoCapture> alive(this);
    const quint64 generation = m_generation;
    ++m_running;
    const auto done = qScopeGuard([&] {
        if (alive)
            --m_running;
    });

    m_view.setInputLine(QStringLiteral("稍等，结果出来~~"));
    m_view.clearReport();
    m_view.clearTerminal();
    m_serial.output(QStringLiteral("dis cu\r"));
    for (int i = 0; i < kPagingSpaces; ++i) {
        m_serial.output(QStringLiteral(" "));
        Delay(kPagingPauseMs);
        // The window may have closed (and this object gone) during the pause.
        if (!alive || m_generation != generation)
            return;
    }
    bool cutOff = false;
    for (int extra = 0;; ++extra) {
        if (!waitForQuiet(alive, generation))
            return;
        if (!endsAtPagingPrompt(m_view.terminalText()))
            break;
        if (extra == kExtraSpaces) {
            cutOff = true;
            break;
        }
        // The port closed meanwhile: end as a lost device does, without a report.
        if (!m_serial.portOpen()) {
            m_view.setInputLine(QString());
            return;
        }
        m_serial.output(QStringLiteral(" "));
        Delay(kPagingPauseMs);
        if (!alive || m_generation != generation)
            return;
    }
    m_cutOff = cutOff;
    // Enabling an enabled timer leaves its pending tick where it is.
    if (!m_timer1.isActive())
        m_timer1.start();
    m_view.setInputLine(QString());
}

void BindInfoCapture::cancel()
{
    ++m_generation;
    m_timer1.stop();
}

void BindInfoCapture::stopRunning()
{
    const bool waiting = m_running > 0;
    // A pending report stays: the listing it reads is already in the terminal.
    ++m_generation;
    if (waiting)
        m_view.setInputLine(QString());
}

void BindInfoCapture::report()
{
    m_timer1.stop();
    const BindInfoResult result = ParseBindInfo(m_view.terminalText(), m_switchModel);
    if (result.selected != ModelButton::None)
        m_view.selectModelButton(result.selected);
    m_switchModel = result.switchModel;
    const QString text = FormatBindReport(result);
    m_view.setReport(text);
    emit reported(text);
    if (m_cutOff) {
        m_cutOff = false;
        QString last;
        for (const BindInfoRow &row : result.table)
            if (!row[0].isEmpty())
                last = row[0];
        messageBox(last.isEmpty()
                       ? QStringLiteral("交换机的配置列表翻页%1次后仍未结束，结果中没有任何端口。")
                             .arg(kPagingSpaces + kExtraSpaces)
                       : QStringLiteral("交换机的配置列表翻页%1次后仍未结束，结果只到端口%2为止，"
                                        "之后的端口不在结果中。")
                             .arg(kPagingSpaces + kExtraSpaces)
                             .arg(last));
    }
}

} // namespace tarnwell

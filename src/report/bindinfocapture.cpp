#include "report/bindinfocapture.h"

#include "console/serialcontrol.h"
#include "scripts/delay.h"

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
}

} // namespace tarnwell

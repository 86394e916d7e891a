#include "capturefixture.h"

#include "console/serialcontrol.h"

namespace tarnwell::test {

RecordingView::RecordingView(SerialControl &serial, QString &switchModel)
    : m_serial(serial), m_switchModel(switchModel)
{
    connect(&serial, &SerialControl::onComm, this, [this] { terminal += m_serial.input(); });
}

void RecordingView::setInputLine(const QString &text)
{
    log << QStringLiteral("input:") + text;
    inputLine = text;
}

void RecordingView::clearReport()
{
    log << QStringLiteral("clearReport");
    report.clear();
}

void RecordingView::setReport(const QString &text)
{
    log << QStringLiteral("setReport");
    terminalAtReport << terminal; // what the report was built from: nothing runs in between
    report = text;
}

void RecordingView::clearTerminal()
{
    log << QStringLiteral("clearTerminal");
    terminal.clear();
}

QString RecordingView::terminalText() const
{
    return terminal;
}

void RecordingView::selectModelButton(ModelButton button)
{
    log << QStringLiteral("select:%1").arg(int(button));
    selections << button;
    m_switchModel = button == ModelButton::Sw3600 ? QStringLiteral("3600") : QStringLiteral("3100");
}

} // namespace tarnwell::test

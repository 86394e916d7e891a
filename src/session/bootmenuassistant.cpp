#include "session/bootmenuassistant.h"

#include "base/error.h"
#include "serial/serialcontrol.h"

#include <QRegularExpression>

namespace tarnwell {

namespace {

// "Please change the terminal's baudrate to 115200 bps, press ENTER when ready"
const QRegularExpression &speedQuestion()
{
    // Also "... baudrate back to 9600 bps ... Press enter key when ready" of other images.
    static const QRegularExpression re(
        QStringLiteral("change the terminal's (?:baudrate|baud rate|speed) (?:back )?to (\\d{3,7}) ?bps[^\\n]*ENTER"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

constexpr qsizetype kTailChars = 160; // longer than either text, with a wide number

} // namespace

BootMenuAssistant::BootMenuAssistant(SerialControl &serial, QObject *parent) : QObject(parent), m_serial(serial) {}

void BootMenuAssistant::setArmed(bool armed)
{
    if (armed == m_armed)
        return;
    m_armed = armed;
    emit armedChanged(armed);
}

void BootMenuAssistant::received(const QString &text)
{
    // The end of what came before is kept, so that a text split across reads is found; a text
    // found is cut off with all before it, so that it counts once.
    const QString window = m_tail + text.right(kTailChars * 2);
    qsizetype consumed = 0;
    const qsizetype prompt = window.indexOf(QLatin1String(kBootPrompt), 0, Qt::CaseInsensitive);
    if (prompt >= 0) {
        consumed = prompt + qsizetype(sizeof kBootPrompt) - 1;
        if (m_armed && m_serial.portOpen()) {
            try {
                m_serial.output(QString(QChar(0x02)));
                setArmed(false);
                emit bootMenuRequested();
            } catch (const Error &) {
                // The line is lost or held: the technician sees the prompt and the countdown.
            }
        }
    }
    const QRegularExpressionMatch ask = speedQuestion().match(window, consumed);
    if (ask.hasMatch()) {
        consumed = qMax(consumed, ask.capturedEnd());
        emit speedRequested(ask.captured(1).toInt());
    }
    m_tail = window.mid(qMax(consumed, window.size() - kTailChars));
}

void BootMenuAssistant::acceptSpeed(qint32 baud)
{
    if (m_serial.settings().section(u',', 0, 0).toInt() != baud)
        m_serial.setSpeed(baud);
    m_serial.output(QStringLiteral("\r"));
}

} // namespace tarnwell

#include "moc_bootmenuassistant.cpp" // compiled with this file (and its library's unit), not on its own

#include "session/sessionrecording.h"

#include "serial/serialcontrol.h"
#include "terminal/terminal.h"
#include "base/usermessages.h"
#include "engine/operationgate.h"

#include <QDir>
#include <QPointer>
#include <QTime>

namespace tarnwell {

SessionRecording::SessionRecording(SerialControl &serial, Terminal &terminal, OperationGate &operations,
                                   std::function<QString()> device, PortReconnector::Resolve resolve,
                                   QObject *parent)
    : QObject(parent), m_serial(serial), m_terminal(terminal), m_operations(operations), m_device(std::move(device)),
      m_reconnector(serial, std::move(resolve))
{
    SessionLog::prune(m_log.directory(), QDateTime::currentDateTime());

    connect(&serial, &SerialControl::opened, this, &SessionRecording::portOpened);
    connect(&serial, &SerialControl::closed, this, [this] { closeLog(QStringLiteral("端口已关闭")); });
    connect(&serial, &SerialControl::portLost, this, [this](const QString &description) {
        closeLog(QStringLiteral("端口已断开：%1").arg(description));
        m_reconnector.start();
    });
    connect(&serial, &SerialControl::sent, &m_log, &SessionLog::sent);
    connect(&terminal, &Terminal::received, &m_log, &SessionLog::received);
    // An operation may end after this object, when the window closed inside one of its pauses.
    const QPointer<SessionRecording> self(this);
    operations.observe(
        [self](const QString &name) {
            if (self)
                self->m_log.event(QStringLiteral("开始：%1").arg(name));
        },
        [self](const QString &name, const QString &outcome) {
            if (self)
                self->m_log.event(QStringLiteral("结束：%1(%2)").arg(name, outcome));
        });
    connect(&m_log, &SessionLog::writeFailed, this, [](const QString &description) { errorDialog(description); });
    connect(&m_reconnector, &PortReconnector::reconnected, this, [this] {
        const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
        m_terminal.note(QStringLiteral("—— 串口已重新连接 %1 ——").arg(time));
        m_log.event(QStringLiteral("串口已重新连接"));
        emit reconnected();
    });
}

void SessionRecording::closeLog(const QString &why)
{
    if (m_operations.busy())
        m_log.event(QStringLiteral("结束：%1(%2)").arg(m_operations.running(), why.section(u'：', 0, 0)));
    m_log.close(why);
}

QString SessionRecording::about() const
{
    static const char *const flow[] = {"无流控", "XON/XOFF", "RTS/CTS", "RTS/CTS+XON/XOFF"};
    const int mode = m_serial.handshaking();
    const QString device = m_device ? m_device() : QString();
    return QStringLiteral("COM%1 %2 %3 %4")
        .arg(m_serial.commPort())
        .arg(device.isEmpty() ? QStringLiteral("(设备未知)") : device, m_serial.settings(),
             QString::fromUtf8(mode >= 0 && mode <= 3 ? flow[mode] : "?"));
}

// A log that cannot be written never keeps the port from working: the failure is said once
// (not again at each reopening while it stays the same) and the session runs without a log.
void SessionRecording::portOpened()
{
    try {
        m_log.open(m_serial.commPort(), about());
        m_lastFailure.clear();
    } catch (const Error &e) {
        if (e.description() != m_lastFailure)
            errorDialog(e.description());
        m_lastFailure = e.description();
    }
}

} // namespace tarnwell

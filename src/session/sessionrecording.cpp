#include "session/sessionrecording.h"

#include "serial/serialcontrol.h"
#include "terminal/terminal.h"
#include "base/usermessages.h"
#include "engine/operationgate.h"

#include <QDir>
#include <QPointer>
#include <QTime>

#include <utility>

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
        ++m_losses;
        notice(errorDialogText(QStringLiteral("%1。设备在 %2 分钟内回来时会自动重新打开%3")
                                   .arg(description)
                                   .arg(PortReconnector::kLimitMs / 60000)
                                   .arg(m_losses > 1 ? QStringLiteral("(已断开 %1 次)").arg(m_losses) : QString())),
               QString::fromUtf8(kErrorDialogTitle));
    });
    connect(&m_reconnector, &PortReconnector::throttled, this, [this](int reopenings) {
        notice(errorDialogText(QStringLiteral("串口设备一分钟内已自动重新打开 %1 次,仍然反复断开,暂停一分钟再自动打开(共断开 %2 次)。"
                                              "请检查USB串口线和转换器;也可以点击“点击开启”自己打开")
                                   .arg(reopenings)
                                   .arg(m_losses)),
               QString::fromUtf8(kErrorDialogTitle));
    });
    connect(&m_reconnector, &PortReconnector::gaveUp, this, [] {
        notice(errorDialogText(QStringLiteral("串口设备 %1 分钟内没有回来,不再等待。请检查连接,然后点击“点击开启”重新打开端口")
                                   .arg(PortReconnector::kLimitMs / 60000)),
               QString::fromUtf8(kErrorDialogTitle));
    });
    connect(&m_reconnector, &PortReconnector::superseded, this, &SessionRecording::takeOver);
    connect(&serial, &SerialControl::sent, &m_log, &SessionLog::sent);
    connect(&serial, &SerialControl::typed, &m_log, &SessionLog::typed);
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
        notice(QString()); // its advice to click 点击开启 would now close the port
        emit reconnected();
    });
}

void SessionRecording::takeOver()
{
    m_reconnector.stop();
    if (std::exchange(m_losses, 0) > 0)
        notice(QString());
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

#include "moc_sessionrecording.cpp" // compiled with this file (and its library's unit), not on its own

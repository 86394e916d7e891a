#include "console/portserialcontrol.h"

#include "console/error.h"
#include "console/linesettings.h"

#include <QFileInfo>

#include <cerrno>
#include <termios.h>
#include <unistd.h>

namespace tarnwell {

PortSerialControl::PortSerialControl(QObject *parent) : SerialControl(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialControl::onComm);
    connect(&m_port, &QSerialPort::errorOccurred, this, &PortSerialControl::onError);
}

PortSerialControl::~PortSerialControl()
{
    // No signals to a half-destroyed owner.
    m_port.disconnect(this);
    if (m_port.isOpen())
        m_port.close();
}

void PortSerialControl::setCommPort(int port)
{
    if (port < 1 || port > 16)
        throw Error(QStringLiteral("端口号 %1 无效：应为1到16").arg(port));
    if (m_port.isOpen())
        throw Error(QStringLiteral("端口已打开，不能更换端口号"));
    m_commPort = port;
}

void PortSerialControl::setSettings(const QString &settings)
{
    parseLineSettings(settings); // throws when unusable
    m_settings = settings;
}

void PortSerialControl::setHandshaking(int mode)
{
    checkHandshaking(mode);
    m_handshaking = mode;
}

void PortSerialControl::setPortOpen(bool open)
{
    if (open && !m_port.isOpen())
        this->open();
    else if (!open && m_port.isOpen())
        close();
}

void PortSerialControl::open()
{
    const PortResolver::Result where = m_resolver.resolve(m_commPort);
    if (where.device.isEmpty())
        throw Error(QStringLiteral("COM%1 没有对应的串口设备（未插入USB串口线，或未在 %2/ports/ 中指定）")
                        .arg(m_commPort)
                        .arg(appConfigDir()));
    const LineSettings line = parseLineSettings(m_settings);

    m_device = where.device;
    m_port.setPortName(where.device);
    m_port.setBaudRate(line.baudRate);
    m_port.setParity(line.parity);
    m_port.setDataBits(line.dataBits);
    m_port.setStopBits(line.stopBits);
    switch (m_handshaking) {
    case 1: m_port.setFlowControl(QSerialPort::SoftwareControl); break;
    case 2:
    case 3: m_port.setFlowControl(QSerialPort::HardwareControl); break;
    default: m_port.setFlowControl(QSerialPort::NoFlowControl); break;
    }
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QString why = openFailure(where.device);
        m_port.clearError();
        throw Error(why);
    }
    applyExtraFlowControl();
    m_decoder.resetState();
    m_encoder.resetState();
}

// Mode 3 is RTS/CTS together with XON/XOFF, which QSerialPort cannot express: add the
// software flags on top of the hardware ones.
void PortSerialControl::applyExtraFlowControl()
{
    if (m_handshaking != 3)
        return;
    termios tio{};
    const int fd = int(m_port.handle());
    if (::tcgetattr(fd, &tio) == 0) {
        tio.c_iflag |= IXON | IXOFF;
        ::tcsetattr(fd, TCSANOW, &tio);
    }
}

QString PortSerialControl::openFailure(const QString &device) const
{
    const QFileInfo info(device);
    const QString name = QStringLiteral("COM%1（%2）").arg(m_commPort).arg(device);
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("打开 %1 失败：没有这个设备").arg(name);
    case QSerialPort::PermissionError:
        if (m_port.errorString().contains(QLatin1String("lock"), Qt::CaseInsensitive)
            || ::access(device.toLocal8Bit().constData(), R_OK | W_OK) == 0)
            return QStringLiteral("打开 %1 失败：设备正被其他程序占用").arg(name);
        return QStringLiteral("打开 %1 失败：没有权限。请把当前用户加入 dialout 组"
                              "（sudo usermod -aG dialout $USER），重新登录后再试")
            .arg(name);
    default:
        break;
    }
    if (!info.exists())
        return QStringLiteral("打开 %1 失败：没有这个设备").arg(name);
    if (info.isDir())
        return QStringLiteral("打开 %1 失败：这是一个目录，不是串口设备").arg(name);
    return QStringLiteral("打开 %1 失败：%2").arg(name, m_port.errorString());
}

void PortSerialControl::close()
{
    m_port.close();
    m_port.clearError();
}

void PortSerialControl::output(const QString &text)
{
    if (!m_port.isOpen())
        throw Error(QStringLiteral("端口未打开，无法发送"));
    const QByteArray bytes = m_encoder.encode(text);
    if (m_port.write(bytes) != bytes.size())
        throw Error(QStringLiteral("向 %1 发送失败：%2").arg(m_device, m_port.errorString()));
    // Hand the bytes to the driver now rather than on the next event-loop round. That is where
    // a vanished device shows: onError has closed the port and reported it by then.
    m_port.flush();
    if (!m_port.isOpen())
        throw PortLostError(QStringLiteral("串口设备 %1 已断开，未能发送").arg(m_device));
    if (m_port.error() == QSerialPort::WriteError) {
        const QString why = m_port.errorString();
        m_port.clearError();
        throw Error(QStringLiteral("向 %1 发送失败：%2").arg(m_device, why));
    }
}

QString PortSerialControl::input()
{
    if (!m_port.isOpen())
        return {};
    const QByteArray bytes = m_port.readAll();
    if (bytes.isEmpty())
        return {};
    return m_decoder.decode(bytes);
}

void PortSerialControl::onError(QSerialPort::SerialPortError error)
{
    // A vanished device shows as ResourceError, or as ReadError (EIO) when a pty's far end
    // closes; both repeat in a tight loop until the port is closed. Close at once: that also
    // lets a USB adapter get its old name back when it is plugged in again.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !m_port.isOpen())
        return;
    const QString device = m_device;
    const QString why = m_port.errorString();
    close();
    emit portLost(QStringLiteral("串口设备 %1 已断开（%2）").arg(device, why));
}

} // namespace tarnwell

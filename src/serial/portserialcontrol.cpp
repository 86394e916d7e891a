#include "serial/portserialcontrol.h"

#include "base/error.h"
#include "serial/sendabletext.h"
#include "serial/linesettings.h"
#include "serial/lockfiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace tarnwell {

PortSerialControl::PortSerialControl(QObject *parent) : SerialControl(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialControl::onComm);
    connect(&m_port, &QSerialPort::errorOccurred, this, &PortSerialControl::onError);
    m_breakTimer.setSingleShot(true);
    connect(&m_breakTimer, &QTimer::timeout, this, &PortSerialControl::endBreak);
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
    if (m_port.isOpen() && settings != m_settings) {
        const QString before = m_settings;
        try {
            applyLine(settings);
        } catch (const Error &) {
            m_port.clearError();
            try {
                applyLine(before);
            } catch (const Error &) {
            }
            throw;
        }
    }
    m_settings = settings;
}

// Sets the line's speed, parity, data and stop bits on the port; on an open port at once.
void PortSerialControl::applyLine(const QString &settings)
{
    const LineSettings line = parseLineSettings(settings);
    // termios has no 1.5 stop bits: QSerialPort would put 1 on the line while the label says 1.5.
    if (line.stopBits == QSerialPort::OneAndHalfStop)
        throw Error(QStringLiteral("COM%1 不能用 1.5 个停止位：Linux 的串口驱动只能发出 1 个或 2 个停止位。"
                                   "请在“停止位”中选择 1 或 2(H3C 交换机的控制台用 1)")
                        .arg(m_commPort));
    if (!m_port.setBaudRate(line.baudRate) || !m_port.setParity(line.parity) || !m_port.setDataBits(line.dataBits)
        || !m_port.setStopBits(line.stopBits))
        throw Error(QStringLiteral("%1 不接受设置 %2：%3").arg(portLabel(m_device), settings, m_port.errorString()));
}

void PortSerialControl::setHandshaking(int mode)
{
    checkHandshaking(mode);
    m_handshaking = mode;
}

void PortSerialControl::setPortOpen(bool open)
{
    if (open && !m_port.isOpen()) {
        this->open();
        emit opened();
    } else if (!open && m_port.isOpen()) {
        close();
        emit closed();
    }
}

namespace {

QString sendFailure(const QString &device)
{
    return QStringLiteral("向 %1 发送失败：设备不接受数据。请检查USB串口线,关闭端口后重新打开").arg(device);
}

} // namespace

QStringList PortSerialControl::defaultLockDirectories()
{
    return LockFiles::defaultDirectories();
}

// Returns an open descriptor of the device to be closed after QSerialPort has opened it (so
// that this probe is never the last close, which would drop DTR), or -1. Throws when another
// program has the device open exclusively.
int PortSerialControl::probeExclusive(const QString &device) const
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const auto exclusiveElsewhere = [&] {
        return Error(QStringLiteral("打开 %1 失败：串口正被其他程序独占。%2").arg(portLabel(device), LockFiles::busyAdvice()));
    };
    if (fd < 0) {
        if (errno == EBUSY)
            throw exclusiveElsewhere();
        return -1; // QSerialPort's open says what is wrong
    }
#ifdef TIOCGEXCL
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive) {
        ::close(fd);
        throw exclusiveElsewhere();
    }
#endif
    return fd;
}

QString PortSerialControl::portLabel(const QString &device) const
{
    return QStringLiteral("COM%1(%2)").arg(m_commPort).arg(device);
}

// "COM1(/dev/ttyUSB0)、COM2(/dev/ttyACM0)": the port numbers that have a device right now.
QString PortSerialControl::presentPorts() const
{
    QStringList present;
    for (int n = 1; n <= 16; ++n) {
        const PortResolver::Result r = m_resolver.resolve(n);
        if (!r.device.isEmpty() && QFileInfo::exists(r.device))
            present << QStringLiteral("COM%1(%2)").arg(n).arg(r.device);
    }
    return present.join(QStringLiteral("、"));
}

QString PortSerialControl::noDeviceAdvice() const
{
    const QString present = presentPorts();
    if (present.isEmpty())
        return QStringLiteral("现在没有任何串口设备：请插入USB串口线,或在 %1/ports/ 中放一个名为 COM%2 的符号链接指向设备")
            .arg(appConfigDir())
            .arg(m_commPort);
    return QStringLiteral("现在有设备的端口：%1。请在“通讯端口”中选择其中一个").arg(present);
}

void PortSerialControl::open()
{
    const PortResolver::Result where = m_resolver.resolve(m_commPort);
    if (where.device.isEmpty())
        throw Error(QStringLiteral("COM%1 没有对应的串口设备。%2").arg(m_commPort).arg(noDeviceAdvice()));
    if (parseLineSettings(m_settings).stopBits == QSerialPort::OneAndHalfStop)
        applyLine(m_settings); // says why it cannot be opened so
    if (QFileInfo::exists(where.device))
        LockFiles::check(where.device, m_lockDirs, portLabel(where.device));
    const int probe = QFileInfo(where.device).isDir() ? -1 : probeExclusive(where.device);
    const auto closeProbe = qScopeGuard([probe] {
        if (probe >= 0)
            ::close(probe);
    });

    m_device = where.device;
    m_port.setPortName(where.device);
    applyLine(m_settings);
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
    const QString name = portLabel(device);
    if (!info.exists() || m_port.error() == QSerialPort::DeviceNotFoundError)
        return QStringLiteral("打开 %1 失败：没有这个设备。%2").arg(name, noDeviceAdvice());
    if (info.isDir())
        return QStringLiteral("打开 %1 失败：这是一个目录,不是串口设备。%2").arg(name, noDeviceAdvice());
    switch (m_port.error()) {
    case QSerialPort::PermissionError:
        if (m_port.errorString().contains(QLatin1String("lock"), Qt::CaseInsensitive)
            || ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0)
            return QStringLiteral("打开 %1 失败：设备正被其他程序占用。%2").arg(name, LockFiles::busyAdvice());
        return QStringLiteral("打开 %1 失败：没有权限。请把当前用户加入 dialout 组"
                              "(sudo usermod -aG dialout $USER),重新登录后再试")
            .arg(name);
    case QSerialPort::UnsupportedOperationError:
        return QStringLiteral("打开 %1 失败：设备不支持所选的端口设置(波特率、数据位、校验位或流控制)。"
                              "请换用其他设置再试").arg(name);
    default:
        break;
    }
    if (info.isFile())
        return QStringLiteral("打开 %1 失败：这是一个普通文件,不是串口设备。%2").arg(name, noDeviceAdvice());
    return QStringLiteral("打开 %1 失败：设备无法使用。请拔下USB串口线再插上,然后重新打开").arg(name);
}

void PortSerialControl::close()
{
    m_breakTimer.stop(); // closing ends a break
    // Closing a serial device waits until its unsent bytes are out, up to 30 s in the driver
    // when flow control holds them (XOFF, CTS low): they get 100 ms, the rest is dropped.
    if (m_port.isOpen()) {
        m_port.flush();
        const int fd = int(m_port.handle());
        QElapsedTimer waited;
        waited.start();
        int pending = 0;
        while (::ioctl(fd, TIOCOUTQ, &pending) == 0 && pending > 0 && waited.elapsed() < 100)
            ::usleep(5000);
        ::tcflush(fd, TCOFLUSH);
    }
    m_port.close();
    m_port.clearError();
}

void PortSerialControl::writeText(const QString &text)
{
    if (!m_port.isOpen())
        throw Error(QStringLiteral("端口未打开，无法发送"));
    const QByteArray bytes = m_encoder.encode(sendableText(text));
    if (m_port.write(bytes) != bytes.size())
        throw Error(sendFailure(m_device));
    // Hand the bytes to the driver now rather than on the next event-loop round. That is where
    // a vanished device shows: onError has closed the port and reported it by then.
    m_port.flush();
    if (!m_port.isOpen())
        throw PortLostError(QStringLiteral("串口设备 %1 已断开,未能发送").arg(m_device));
    if (m_port.error() == QSerialPort::WriteError) {
        m_port.clearError();
        throw Error(sendFailure(m_device));
    }
}

void PortSerialControl::writeBytes(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        throw Error(QStringLiteral("端口未打开，无法发送"));
    if (m_port.write(bytes) != bytes.size())
        throw Error(sendFailure(m_device));
    m_port.flush();
    if (!m_port.isOpen())
        throw PortLostError(QStringLiteral("串口设备 %1 已断开,未能发送").arg(m_device));
}

QByteArray PortSerialControl::inputBytes()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

void PortSerialControl::sendBreak(int ms)
{
    if (!m_port.isOpen())
        throw Error(QStringLiteral("端口未打开，无法发送中断信号"));
    if (m_breakTimer.isActive())
        return;
    if (!m_port.setBreakEnabled(true)) {
        const QString why = m_port.errorString();
        m_port.clearError();
        throw Error(QStringLiteral("%1 不能发送中断信号：%2").arg(portLabel(m_device), why));
    }
    m_breakTimer.start(ms);
}

void PortSerialControl::endBreak()
{
    if (m_port.isOpen())
        m_port.setBreakEnabled(false);
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
    close();
    emit portLost(QStringLiteral("串口设备 %1 已断开：USB串口线被拔出,或设备已关闭。"
                                 "请检查连接,然后点击“点击开启”重新打开端口")
                      .arg(device));
}

} // namespace tarnwell

#include "moc_portserialcontrol.cpp" // compiled with this file (and its library's unit), not on its own

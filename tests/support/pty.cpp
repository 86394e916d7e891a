#include "support/pty.h"

#include "console/portserialcontrol.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTest>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace tarnwell::test {

Pty::Pty()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        throw std::runtime_error("cannot create a pseudo-terminal");
    m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
    m_slave = ::open(m_slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slave < 0)
        throw std::runtime_error("cannot open the pseudo-terminal's slave end");
    termios tio{};
    ::tcgetattr(m_slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slave, TCSANOW, &tio);
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Pty::readMaster);
}

Pty::~Pty()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

void Pty::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            // The program has not read yet: let it run, then go on.
            QTest::qWait(1);
        } else {
            throw std::runtime_error("write to the pseudo-terminal failed");
        }
    }
}

bool Pty::waitForReceived(int n, int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_received.size() >= n; }, timeoutMs);
}

void Pty::closeMaster()
{
    if (m_notifier) {
        m_notifier->setEnabled(false);
        delete m_notifier;
        m_notifier = nullptr;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void Pty::readMaster()
{
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            const QByteArray chunk(buf, n);
            m_received += chunk;
            emit bytesReceived(chunk);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN, or EIO while no slave is open
    }
}

ConfigHome::ConfigHome()
{
    m_hadPrevious = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    m_previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
    m_previousState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", stateDir().toLocal8Bit());
}

ConfigHome::~ConfigHome()
{
    if (m_hadPrevious)
        qputenv("XDG_CONFIG_HOME", m_previous);
    else
        qunsetenv("XDG_CONFIG_HOME");
    if (m_previousState.isNull())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", m_previousState);
}

QString ConfigHome::appDir() const
{
    return m_dir.path() + QStringLiteral("/tarnwell");
}

void ConfigHome::linkPort(int n, const QString &device)
{
    const QString dir = appDir() + QStringLiteral("/ports");
    QDir().mkpath(dir);
    const QString link = dir + QStringLiteral("/COM%1").arg(n);
    QFile::remove(link);
    if (!QFile::link(device, link))
        throw std::runtime_error("cannot create the COM override link");
}

void ConfigHome::confine(PortSerialControl &port) const
{
    const QString none = m_dir.path() + QStringLiteral("/no-devices");
    QDir().mkpath(none);
    port.setResolver(PortResolver(none, none));
    port.setLockDirectories({none});
}

} // namespace tarnwell::test

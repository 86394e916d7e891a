#include "support/pty.h"

#include "serial/portserialcontrol.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <stdexcept>

namespace tarnwell::test {

Pty::Pty()
{
    QString error;
    if (!m_pty.open(error))
        throw std::runtime_error(error.toStdString());
    connect(&m_pty, &PtyMaster::received, this, [this](const QByteArray &bytes) {
        m_received += bytes;
        emit bytesReceived(bytes);
    });
}

void Pty::write(const QByteArray &bytes)
{
    m_pty.write(bytes);
    // The program has not read all yet: let it run, then go on.
    while (m_pty.pending() > 0)
        QTest::qWait(1);
    if (m_pty.writeFailed() || !m_pty.isOpen())
        throw std::runtime_error("write to the pseudo-terminal failed");
}

bool Pty::waitForReceived(int n, int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_received.size() >= n; }, timeoutMs);
}

ConfigHome::ConfigHome()
{
    m_hadPrevious = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    m_previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
    m_previousState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", stateDir().toLocal8Bit());
    m_previousData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dataDir().toLocal8Bit());
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
    if (m_previousData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", m_previousData);
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

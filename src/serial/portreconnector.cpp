#include "serial/portreconnector.h"

#include "base/error.h"
#include "serial/portresolver.h"
#include "serial/serialcontrol.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

namespace tarnwell {

PortReconnector::PortReconnector(SerialControl &serial, Resolve resolve, QObject *parent)
    : QObject(parent), m_serial(serial), m_resolve(std::move(resolve))
{
    m_retry.setInterval(1000);
    connect(&m_retry, &QTimer::timeout, this, &PortReconnector::check);
    m_limit.setSingleShot(true);
    m_limit.setInterval(kLimitMs);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        stop();
        emit gaveUp();
    });
    m_clock.start();
}

PortReconnector::~PortReconnector() = default;

QStringList PortReconnector::defaultFolders()
{
    return {QStringLiteral("/dev"), QStringLiteral("/dev/serial/by-id"), appConfigDir() + QStringLiteral("/ports"),
            appConfigDir()};
}

void PortReconnector::start()
{
    stop();
    m_port = m_serial.commPort();
    m_settings = m_serial.settings();
    m_handshaking = m_serial.handshaking();
    m_watcher = std::make_unique<QFileSystemWatcher>();
    for (const QString &folder : m_folders)
        if (QFileInfo(folder).isDir())
            m_watcher->addPath(folder);
    connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, this, &PortReconnector::check);
    m_limit.start();
    m_retry.start();
}

void PortReconnector::stop()
{
    m_limit.stop();
    m_retry.stop();
    m_watcher.reset();
}

void PortReconnector::check()
{
    if (!watching())
        return;
    if (m_serial.portOpen() || m_serial.commPort() != m_port || m_serial.settings() != m_settings
        || m_serial.handshaking() != m_handshaking) {
        stop(); // opened by hand, or set up for another port meanwhile
        emit superseded();
        return;
    }
    const QString device = m_resolve(m_port);
    if (device.isEmpty() || !QFileInfo::exists(device))
        return;
    const qint64 now = m_clock.elapsed();
    while (!m_reopenedAt.empty() && now - m_reopenedAt.front() >= m_reopeningWindowMs)
        m_reopenedAt.pop_front();
    if (m_reopenedAt.size() >= size_t(kMaxReopenings)) {
        if (!m_throttled)
            emit throttled(kMaxReopenings);
        m_throttled = true;
        return; // the retry timer comes back once a second
    }
    try {
        m_serial.setPortOpen(true);
    } catch (const Error &) {
        return; // there, but not usable yet (permissions still being set): try again later
    }
    m_reopenedAt.push_back(now);
    m_throttled = false;
    stop();
    emit reconnected();
}

} // namespace tarnwell

#include "moc_portreconnector.cpp" // compiled with this file (and its library's unit), not on its own

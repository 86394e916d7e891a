#include "ptymaster.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace tarnwell {
namespace {

// A notifier stops before the descriptor it watches closes. It goes later, as it may be what
// called (a slot of received() that closes the terminal).
void stop(QSocketNotifier *&notifier)
{
    if (notifier) {
        notifier->setEnabled(false);
        notifier->deleteLater();
        notifier = nullptr;
    }
}

} // namespace

PtyMaster::PtyMaster(QObject *parent) : QObject(parent) {}

PtyMaster::~PtyMaster()
{
    close();
    if (m_slave >= 0)
        ::close(m_slave);
}

bool PtyMaster::open(QString &error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = QString("cannot create a pseudo-terminal: %1").arg(std::strerror(errno));
        close();
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
    m_slave = ::open(m_slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slave < 0) {
        error = QString("cannot open %1: %2").arg(m_slavePath, std::strerror(errno));
        close();
        return false;
    }
    termios tio{};
    ::tcgetattr(m_slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slave, TCSANOW, &tio);
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyMaster::readMaster);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyMaster::flush);
    return true;
}

void PtyMaster::close()
{
    stop(m_readNotifier);
    stop(m_writeNotifier);
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    m_pending.clear();
}

void PtyMaster::write(const QByteArray &bytes)
{
    if (m_master < 0)
        return;
    // Beyond the bound new output is lost, as on a full line buffer; keeping the older bytes also
    // spares moving a full buffer for every write.
    m_pending += m_maxPending < 0 ? bytes : bytes.left(std::max<qsizetype>(0, m_maxPending - m_pending.size()));
    flush();
}

void PtyMaster::flush()
{
    while (!m_pending.isEmpty()) {
        const ssize_t n = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
        if (n > 0) {
            m_pending.remove(0, n);
        } else if (n == 0 || errno == EAGAIN) {
            break; // the terminal's buffer is full until the program reads
        } else if (errno != EINTR) {
            m_writeFailed = true;
            m_pending.clear();
        }
    }
    m_writeNotifier->setEnabled(!m_pending.isEmpty());
}

void PtyMaster::readMaster()
{
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            emit received(QByteArray(buf, n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN, or EIO while no program has the slave open
    }
}

} // namespace tarnwell

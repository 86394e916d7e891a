#pragma once

#include "ptymaster.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

namespace tarnwell {
class PortSerialControl;
}

namespace tarnwell::test {

// A pseudo-terminal pair for tests: the program opens slavePath() as its serial device, the
// test plays the switch at the master end. Bytes from the program collect in received() while
// the event loop runs. The slave is in raw mode and kept open (see PtyMaster).
class Pty : public QObject {
    Q_OBJECT
public:
    Pty();

    QString slavePath() const { return m_pty.slavePath(); }
    int masterFd() const { return m_pty.masterFd(); }

    // Returns once the terminal has taken every byte, running the event loop meanwhile.
    void write(const QByteArray &bytes);
    QByteArray received() const { return m_received; }
    void clearReceived() { m_received.clear(); }
    // Processes events until at least n bytes have arrived in total or the timeout passed.
    bool waitForReceived(int n, int timeoutMs = 5000);
    // Closes the master end: the program sees its device vanish.
    void closeMaster() { m_pty.close(); }

signals:
    void bytesReceived(const QByteArray &bytes);

private:
    PtyMaster m_pty;
    QByteArray m_received;
};

// A throw-away configuration directory set as XDG_CONFIG_HOME for the test's lifetime, with
// helpers to point COMn at a device; its folder "state" is XDG_STATE_HOME (the session logs),
// "data" XDG_DATA_HOME (the configuration backups).
class ConfigHome {
public:
    ConfigHome();
    ~ConfigHome();
    QString path() const { return m_dir.path(); }
    QString appDir() const;                  // <home>/tarnwell
    QString stateDir() const { return m_dir.path() + QStringLiteral("/state"); }
    QString dataDir() const { return m_dir.path() + QStringLiteral("/data"); }
    void linkPort(int n, const QString &device);
    // Keeps the port to this home's links: no machine device is numbered for it, and lock files
    // are looked for in a private folder, so whatever the machine's own lock folder holds (a
    // killed test's lock, say) cannot refuse the test's pty.
    void confine(PortSerialControl &port) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious = false;
    QByteArray m_previousState;
    QByteArray m_previousData;
};

} // namespace tarnwell::test

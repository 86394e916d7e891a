#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

class QFileSystemWatcher;

namespace tarnwell {

class SerialControl;

// After the port was lost, waits for its COMn to stand for a device again (the adapter plugged
// back in, an override link pointing at a device again) and opens it with the settings it had.
// It wakes on changes in the watched folders (/dev, /dev/serial/by-id, the override folder) and
// at most once a second besides, for a device that shows up before it can be opened; while not
// watching it has no timer and no watch at all. The watch ends after the time limit, when the
// port is opened some other way, or when the port's number or settings are changed. A port that
// keeps dropping is opened again at most kMaxReopenings times a minute (each opening starts a
// log file); beyond that the watch waits until the oldest of them is a minute old.
class PortReconnector : public QObject {
    Q_OBJECT
public:
    // The device COMn stands for now; empty when none.
    using Resolve = std::function<QString(int commPort)>;
    static constexpr int kLimitMs = 10 * 60 * 1000;
    static constexpr int kMaxReopenings = 5;
    static constexpr int kReopeningWindowMs = 60 * 1000;

    PortReconnector(SerialControl &serial, Resolve resolve, QObject *parent = nullptr);
    ~PortReconnector() override;

    void setLimitMs(int ms) { m_limit.setInterval(ms); }
    void setReopeningWindowMs(int ms) { m_reopeningWindowMs = ms; }
    // Folders whose changes wake the watch.
    static QStringList defaultFolders();

    // Begins watching for the port's current number and settings.
    void start();
    void stop();
    bool watching() const { return m_limit.isActive(); }

signals:
    // The port is open again.
    void reconnected();
    // The time limit passed without the device coming back.
    void gaveUp();
    // The port was opened some other way, or set up for another port or other settings: the
    // watch has ended.
    void superseded();
    // The device is back but was opened kMaxReopenings times within a minute already: it waits.
    // Raised once until it is opened again.
    void throttled(int reopenings);

private:
    void check();

    SerialControl &m_serial;
    Resolve m_resolve;
    QStringList m_folders = defaultFolders();
    std::unique_ptr<QFileSystemWatcher> m_watcher;
    QTimer m_retry;
    QTimer m_limit;
    int m_port = 0;
    QString m_settings;
    int m_handshaking = 0;
    std::deque<qint64> m_reopenedAt; // ms on m_clock, the last kMaxReopenings at most
    QElapsedTimer m_clock;
    int m_reopeningWindowMs = kReopeningWindowMs;
    bool m_throttled = false;
};

} // namespace tarnwell

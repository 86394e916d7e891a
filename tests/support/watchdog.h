#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QTimer>

namespace tarnwell::test {

// Ends a hung QApplication::exec() with code 1 after the given time; never fires when the run
// ends as it should. fired() tells afterwards whether it did.
class Watchdog {
public:
    explicit Watchdog(int ms)
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_fired = true;
            QCoreApplication::exit(1);
        });
        m_timer.start(ms);
    }
    bool fired() const { return m_fired; }

private:
    QTimer m_timer;
    bool m_fired = false;
};

} // namespace tarnwell::test

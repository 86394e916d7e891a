#pragma once

#include "clock.h"

#include <QObject>
#include <QTimer>

namespace tarnwell::sim {

// Delays on the Qt event loop.
class QtClock : public Clock {
public:
    explicit QtClock(QObject *context) : m_context(context) {}
    void after(int ms, std::function<void()> callback) override
    {
        QTimer::singleShot(ms, m_context, std::move(callback));
    }

private:
    QObject *m_context;
};

} // namespace tarnwell::sim

#pragma once

#include "base/appdirs.h"

#include <QString>
#include <QStringList>

namespace tarnwell {

// Where COMn points on Linux. First a user override: a symbolic link named COMn in
// <appConfigDir>/ports/. Otherwise the n-th serial device present, counting /dev/ttyUSB*, then
// /dev/ttyACM*, then the /dev/ttyS* that have a UART behind them (numeric order within each
// group). Nothing is opened to find out: the hardware test reads sysfs.
class PortResolver {
public:
    struct Result {
        QString device;      // path to open; empty when nothing answers to COMn
        bool override = false;
    };

    PortResolver() = default;
    // Tests point the device and sysfs roots at their own directories.
    PortResolver(QString devDir, QString sysClassTtyDir);

    Result resolve(int n) const;
    // The devices COM1, COM2, ... stand for when no override applies, in order.
    QStringList detectedDevices() const;
    // One line for a tooltip: the device COMn resolves to, or that there is none.
    QString describe(int n) const;

private:
    QString m_devDir = QStringLiteral("/dev");
    QString m_sysDir = QStringLiteral("/sys/class/tty");
};

} // namespace tarnwell

#pragma once

#include <QSerialPort>
#include <QString>

namespace tarnwell {

// A settings string "speed,parity,data,stop" (e.g. "9600,n,8,1") taken apart and checked.
// parseLineSettings sets every field; the port's defaults are those of defaultCommSettings().
struct LineSettings {
    qint32 baudRate = 0;
    QSerialPort::Parity parity{};
    QSerialPort::DataBits dataBits{};
    QSerialPort::StopBits stopBits{};
};

// Accepts every string the port-setting lists can build, plus the other standard rates and the
// mark/space parities; the parity letter may be upper or lower case. Anything else throws
// tarnwell::Error naming the offending field.
LineSettings parseLineSettings(const QString &settings);

// Handshake mode 0 to 3; throws for other values.
void checkHandshaking(int mode);

} // namespace tarnwell

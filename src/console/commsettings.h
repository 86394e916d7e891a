#pragma once

#include <QString>
#include <QtGlobal>

namespace tarnwell {

// The last applied (or loaded) port settings; the settings file stores one key per field.
struct CommSettings {
    qint16 PortNum = 0;   // 1 to 16
    qint32 Speed = 0;     // baud rate
    QString Check;        // parity letter "n", "o" or "e"
    qint16 Data = 0;      // data bits 5 to 8
    QString Stop;         // "1", "1.5" or "2"
    qint16 HandShake = 0; // handshake mode 0 to 3
};

} // namespace tarnwell

#pragma once

#include <QString>
#include <QtGlobal>

namespace tarnwell {

// The last applied (or loaded) port settings; the settings file stores one key per field.
struct commSettings {
    qint16 PortNum = 0;   // 1 to 16
    qint32 Speed = 0;     // baud rate
    QString Check;        // parity letter "n", "o" or "e"
    qint16 Data = 0;      // data bits 5 to 8
    QString Stop;         // "1", "1.5" or "2"
    qint16 HandShake = 0; // handshake mode 0 to 3
};

// The settings before any are stored or applied: COM3, 9600 baud, no parity, 8 data bits,
// 1 stop bit, no handshake. The serial control starts with them, the lists select them when
// nothing stored can be selected, and the status label names them at start-up.
inline commSettings defaultCommSettings()
{
    return {3, 9600, QStringLiteral("n"), 8, QStringLiteral("1"), 0};
}

// The serial layer's settings text of a record, "speed,parity,data,stop": "9600,n,8,1".
inline QString lineSettingsText(const commSettings &s)
{
    return QString::number(s.Speed) + u',' + s.Check + u',' + QString::number(s.Data) + u',' + s.Stop;
}

} // namespace tarnwell

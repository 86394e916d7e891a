#include "serial/linesettings.h"

#include "base/error.h"

#include <QStringList>
#include <algorithm>
#include <array>

namespace tarnwell {

namespace {

constexpr std::array<qint32, 15> kRates = {110,   300,   600,   1200,   2400,   4800,   9600,  14400,
                                           19200, 38400, 57600, 115200, 230400, 460800, 921600};

Error invalid(const QString &settings, const QString &why)
{
    return Error(QStringLiteral("端口设置 \"%1\" 无效：%2").arg(settings, why));
}

} // namespace

LineSettings parseLineSettings(const QString &settings)
{
    const QStringList fields = settings.split(QLatin1Char(','));
    if (fields.size() != 4)
        throw invalid(settings, QStringLiteral("应为“波特率,校验位,数据位,停止位”四项"));

    LineSettings out;
    bool ok = false;
    out.baudRate = fields[0].toInt(&ok);
    if (!ok || std::find(kRates.begin(), kRates.end(), out.baudRate) == kRates.end()) {
        QStringList rates;
        for (qint32 rate : kRates)
            rates << QString::number(rate);
        throw invalid(settings, QStringLiteral("不支持的波特率“%1”，可用的有 %2").arg(fields[0], rates.join(u'、')));
    }

    const QString parity = fields[1].toLower();
    if (parity == QLatin1String("n"))
        out.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("o"))
        out.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("e"))
        out.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("m"))
        out.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("s"))
        out.parity = QSerialPort::SpaceParity;
    else if (parity.isEmpty())
        throw invalid(settings, QStringLiteral("校验位为空"));
    else
        throw invalid(settings, QStringLiteral("不认识的校验位“%1”").arg(fields[1]));

    const int data = fields[2].toInt(&ok);
    if (!ok || data < 5 || data > 8)
        throw invalid(settings, QStringLiteral("数据位“%1”应为5到8").arg(fields[2]));
    out.dataBits = QSerialPort::DataBits(data);

    if (fields[3] == QLatin1String("1"))
        out.stopBits = QSerialPort::OneStop;
    else if (fields[3] == QLatin1String("1.5"))
        out.stopBits = QSerialPort::OneAndHalfStop;
    else if (fields[3] == QLatin1String("2"))
        out.stopBits = QSerialPort::TwoStop;
    else
        throw invalid(settings, QStringLiteral("停止位“%1”应为1、1.5或2").arg(fields[3]));
    return out;
}

void checkHandshaking(int mode)
{
    if (mode < 0 || mode > 3)
        throw Error(QStringLiteral("握手方式 %1 无效：应为0到3").arg(mode));
}

} // namespace tarnwell

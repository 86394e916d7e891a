#include "serial/portresolver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace tarnwell {

PortResolver::PortResolver(QString devDir, QString sysClassTtyDir)
    : m_devDir(std::move(devDir)), m_sysDir(std::move(sysClassTtyDir))
{
}

namespace {

// Device names with the given prefix followed by digits, in numeric order.
QStringList numbered(const QDir &dev, const QString &prefix)
{
    const QRegularExpression pattern(QStringLiteral("^%1(\\d+)$").arg(prefix));
    QList<std::pair<qulonglong, QString>> found;
    const QStringList names = dev.entryList({prefix + QLatin1Char('*')}, QDir::System | QDir::Files);
    for (const QString &name : names) {
        const auto m = pattern.match(name);
        if (m.hasMatch())
            found.append({m.captured(1).toULongLong(), name});
    }
    std::sort(found.begin(), found.end());
    QStringList out;
    for (const auto &f : found)
        out << f.second;
    return out;
}

// A ttyS line has hardware behind it when its UART type is known (not 0, "unknown").
bool uartPresent(const QString &sysDir, const QString &name)
{
    QFile type(sysDir + QLatin1Char('/') + name + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    const int t = type.readAll().trimmed().toInt(&ok);
    return ok && t != 0;
}

} // namespace

QStringList PortResolver::detectedDevices() const
{
    const QDir dev(m_devDir);
    QStringList out;
    for (const QString &name : numbered(dev, QStringLiteral("ttyUSB")))
        out << dev.filePath(name);
    for (const QString &name : numbered(dev, QStringLiteral("ttyACM")))
        out << dev.filePath(name);
    for (const QString &name : numbered(dev, QStringLiteral("ttyS")))
        if (uartPresent(m_sysDir, name))
            out << dev.filePath(name);
    return out;
}

PortResolver::Result PortResolver::resolve(int n) const
{
    const QFileInfo link(appConfigDir() + QStringLiteral("/ports/COM%1").arg(n));
    if (link.isSymLink()) {
        // Open the device itself, through every link (/dev/serial/by-id/... names are links
        // too): the lock file is named after the device, so it must be the one other programs
        // see. A dangling link resolves to its first target, so opening names what is missing.
        QString target = link.canonicalFilePath();
        if (target.isEmpty())
            target = link.symLinkTarget();
        if (target.isEmpty())
            target = link.absoluteFilePath();
        return {target, true};
    }
    const QStringList devices = detectedDevices();
    if (n >= 1 && n <= devices.size())
        return {devices.at(n - 1), false};
    return {};
}

QString PortResolver::describe(int n) const
{
    const Result r = resolve(n);
    if (r.device.isEmpty())
        return QStringLiteral("COM%1：没有对应的串口设备").arg(n);
    return QStringLiteral("COM%1 → %2%3").arg(n).arg(r.device,
        r.override ? QStringLiteral("（用户指定）") : QString());
}

} // namespace tarnwell

#include "ui/memoryinfo.h"

#include <QFile>
#include <QMap>

namespace tarnwell {

namespace {

// "Key:   1234 kB" lines → bytes.
QMap<QByteArray, quint64> readKbTable(const QString &path)
{
    QMap<QByteArray, quint64> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QList<QByteArray> parts = line.mid(colon + 1).simplified().split(' ');
        bool ok = false;
        const quint64 value = parts.value(0).toULongLong(&ok);
        if (!ok)
            continue;
        const bool kb = parts.value(1) == "kB";
        out.insert(line.left(colon), kb ? value * 1024 : value);
    }
    return out;
}

MemoryStatusSource &source()
{
    static MemoryStatusSource s;
    return s;
}

// The user address space of an x86-64 process.
constexpr quint64 kUserAddressSpace = quint64(1) << 47;

} // namespace

std::optional<MemoryStatus> readMemoryStatus(const QString &meminfoPath, const QString &selfStatusPath)
{
    const auto mem = readKbTable(meminfoPath);
    if (!mem.contains("MemTotal") || mem.value("MemTotal") == 0)
        return std::nullopt;
    MemoryStatus s;
    s.totalPhys = mem.value("MemTotal");
    s.availPhys = qMin(mem.value("MemAvailable", mem.value("MemFree")), s.totalPhys);
    s.memoryLoad = quint32((s.totalPhys - s.availPhys) * 100 / s.totalPhys);
    s.totalPageFile = mem.value("CommitLimit", s.totalPhys + mem.value("SwapTotal"));
    const quint64 committed = mem.value("Committed_AS");
    s.availPageFile = committed < s.totalPageFile ? s.totalPageFile - committed : 0;
    const quint64 used = readKbTable(selfStatusPath).value("VmSize");
    s.totalVirtual = kUserAddressSpace;
    s.availVirtual = used < kUserAddressSpace ? kUserAddressSpace - used : 0;
    return s;
}

double memoryFigure(const MemoryStatus &s, int selector, bool unitMiB)
{
    quint64 bytes = 0;
    switch (selector) {
    case 0: return double(s.memoryLoad);
    case 1: bytes = s.totalPhys; break;
    case 2: bytes = s.totalPhys - qMin(s.availPhys, s.totalPhys); break;
    case 3: bytes = s.availPhys; break;
    case 4: bytes = s.totalPageFile; break;
    case 5: bytes = s.totalPageFile - qMin(s.availPageFile, s.totalPageFile); break;
    case 6: bytes = s.availPageFile; break;
    case 7: bytes = s.totalVirtual; break;
    case 8: bytes = s.totalVirtual - qMin(s.availVirtual, s.totalVirtual); break;
    case 9: bytes = s.availVirtual; break;
    default: return -1;
    }
    const double scaled = unitMiB ? double(bytes) / 1024.0 / 1024.0 : double(bytes) / 1024.0;
    // Kept in single precision, then rounded to two decimals through its "0.00" text.
    const float figure = float(scaled);
    return QString::number(double(figure), 'f', 2).toDouble();
}

void setMemoryStatusSource(MemoryStatusSource s)
{
    source() = std::move(s);
}

std::optional<MemoryStatus> currentMemoryStatus()
{
    return source() ? source()() : readMemoryStatus();
}

} // namespace tarnwell

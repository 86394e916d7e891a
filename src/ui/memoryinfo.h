#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace tarnwell {

// The machine's memory figures in bytes (64-bit: machines have more than 2 GB), read on Linux
// from /proc/meminfo (physical memory, commit limit as the page file) and the process's own
// address space (virtual).
struct MemoryStatus {
    quint32 memoryLoad = 0; // percent of physical memory in use
    quint64 totalPhys = 0, availPhys = 0;
    quint64 totalPageFile = 0, availPageFile = 0;
    quint64 totalVirtual = 0, availVirtual = 0;
};

std::optional<MemoryStatus> readMemoryStatus(const QString &meminfoPath = QStringLiteral("/proc/meminfo"),
                                             const QString &selfStatusPath = QStringLiteral("/proc/self/status"));

// One figure by selector: 0 the load percentage (unscaled); 1 to 9 the totals, in-use and
// available amounts of physical memory, page file and virtual memory, divided by 1024 twice
// when unitMiB is set, else once, rounded to two decimals. -1 for other selectors.
double memoryFigure(const MemoryStatus &status, int selector, bool unitMiB);

// Where the main window gets its figures; tests replace it. nullptr restores /proc.
using MemoryStatusSource = std::function<std::optional<MemoryStatus>()>;
void setMemoryStatusSource(MemoryStatusSource source);
std::optional<MemoryStatus> currentMemoryStatus();

} // namespace tarnwell

#pragma once

// The real main window over a pseudo-terminal in a throw-away configuration directory: COM3
// (the port a first run selects) points at the pty, every message box is recorded instead of
// shown, and the closing fade is off unless a test asks for it.
#include "support/messagerecorder.h"
#include "support/pty.h"
#include "ui/frmmain.h"
#include "ui/memoryinfo.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <sys/resource.h>

namespace tarnwell::test {

inline constexpr char kOpenCaption[] = "点击开启";
inline constexpr char kCloseCaption[] = "点击关闭";

// Memory figures below or above the 1020 MiB gate of the closing fade.
inline MemoryStatus machineWithMiB(quint64 mib)
{
    MemoryStatus s;
    s.memoryLoad = 40;
    s.totalPhys = mib * 1024 * 1024;
    s.availPhys = s.totalPhys / 2;
    return s;
}

class MemoryGate {
public:
    explicit MemoryGate(quint64 mib)
    {
        const MemoryStatus s = machineWithMiB(mib);
        setMemoryStatusSource([s] { return std::optional<MemoryStatus>(s); });
    }
    ~MemoryGate() { setMemoryStatusSource(nullptr); }
};

// CPU time of this process (user + system), in milliseconds.
inline qint64 cpuMs()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return qint64(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000
        + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

struct FaultRig {
    explicit FaultRig(quint64 memoryMiB = 512) : gate(memoryMiB)
    {
        home.linkPort(3, pty.slavePath());
    }

    // Creates and shows the window (start-up runs in its constructor).
    FrmMain &start()
    {
        window = std::make_unique<FrmMain>();
        window->show();
        return *window;
    }

    MemoryGate gate;
    ConfigHome home;
    Pty pty;
    MessageRecorder boxes;
    std::unique_ptr<FrmMain> window;
};

} // namespace tarnwell::test

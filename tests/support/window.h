#pragma once
// The real main window in a throw-away configuration directory with every message box recorded:
// WindowRig puts COM3 (the port a first run selects) on a pseudo-terminal, FakeWindow gives the
// window a fake serial control. The closing fade is off unless a test asks for it.
#include "support/controls.h"
#include "serial/portserialcontrol.h"
#include "support/fakeserialcontrol.h"
#include "support/messagerecorder.h"
#include "support/pty.h"
#include "ui/frmmain.h"
#include "ui/memoryinfo.h"

#include <QPushButton>
#include <QTest>

#include <memory>
#include <optional>

namespace tarnwell::test {

// The machine's memory as the closing fade's gate sees it: 0 MiB means no figures at all.
class MemoryGate {
public:
    explicit MemoryGate(quint64 mib = 0)
    {
        std::optional<MemoryStatus> s;
        if (mib) {
            s = MemoryStatus();
            s->memoryLoad = 40;
            s->totalPhys = mib * 1024 * 1024;
            s->availPhys = s->totalPhys / 2;
        }
        setMemoryStatusSource([s] { return s; });
    }
    ~MemoryGate() { setMemoryStatusSource(nullptr); }
};

struct WindowRig {
    explicit WindowRig(quint64 memoryMiB = 0) : gate(memoryMiB) { home.linkPort(3, pty.slavePath()); }
    // Creates the window (start-up runs in its constructor), shown unless asked otherwise.
    FrmMain &start(bool show = true)
    {
        window = std::make_unique<FrmMain>();
        // A port number without a link must never reach the machine's own serial lines.
        home.confine(*qobject_cast<PortSerialControl *>(&window->serial()));
        if (show)
            window->show();
        return *window;
    }
    void open()
    {
        QTest::mouseClick(test::control<QPushButton>(*window, "Cmd_Switch"), Qt::LeftButton);
        QVERIFY(window->serial().portOpen());
    }
    // What reached the far end once n bytes have (or the wait ran out), and nothing after them.
    // A write goes out within a turn or two of the event loop: to see that nothing was sent,
    // half a second is enough.
    QByteArray sent(int n, int timeoutMs = 5000)
    {
        if (pty.waitForReceived(n, timeoutMs))
            QTest::qWait(30);
        return pty.received();
    }
    MemoryGate gate;
    ConfigHome home;
    Pty pty;
    MessageRecorder boxes;
    std::unique_ptr<FrmMain> window;
};

struct FakeWindow {
    explicit FakeWindow(bool portOpenBefore = false, quint64 memoryMiB = 0) : gate(memoryMiB)
    {
        auto fake = std::make_unique<FakeSerialControl>();
        serial = fake.get();
        serial->setPortOpen(portOpenBefore);
        w = std::make_unique<FrmMain>(std::move(fake));
    }
    QString ini() const { return home.appDir() + QStringLiteral("/h3c_config.ini"); }
    MemoryGate gate;
    ConfigHome home;
    MessageRecorder boxes;
    FakeSerialControl *serial = nullptr;
    std::unique_ptr<FrmMain> w;
};

} // namespace tarnwell::test

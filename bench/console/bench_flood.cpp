// A flood of switch output into the open port: 5 MiB written into a pseudo-terminal as fast as
// the program reads it, while keys are typed into the input line. Prints the time until all of
// it is read and shown, the CPU time, the growth of resident memory, the delay from a key typed
// during the flood to its byte on the line (median and p95), and the idle CPU with the port open.
// FLOOD_BYTES sets the amount (bench_flood_50: 50 MiB, goals ten times those of 5 MiB);
// FLOOD_EOL=cr ends the lines with a lone CR instead of CR LF; FLOOD_EOL=bare sends only line
// feeds. Runs offscreen unless QT_QPA_PLATFORM says otherwise (xcb under Xvfb for a real
// window). The session log is on, as always in use; FLOOD_LOG=off turns it off to see what it
// costs.
#include "support/controls.h"
#include "../common/benchutil.h"
#include "serial/serialcontrol.h"
#include "ui/frmmain.h"
#include "ui/terminalview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QInputDevice>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tarnwell;
using Clock = std::chrono::steady_clock;

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    bench::PtyOnCom3 pty;
    const int master = pty.masterFd();
    QApplication app(argc, argv);

    FrmMain w;
    w.show();
    QCoreApplication::processEvents();
    const double rssBefore = bench::rssMiB();
    const bool logged = qgetenv("FLOOD_LOG") != "off";
    w.recording().log().setEnabled(logged);
    test::control<QPushButton>(w, "Cmd_Switch")->click();
    const QString logFile = w.recording().log().filePath();
    if (!w.serial().portOpen()) {
        std::fprintf(stderr, "could not open the port\n");
        return 1;
    }

    QByteArray text;
#ifndef FLOOD_MIB
#define FLOOD_MIB 5
#endif
    const qsizetype total = qEnvironmentVariableIsSet("FLOOD_BYTES") ? qEnvironmentVariableIntValue("FLOOD_BYTES")
                                                                     : qsizetype(FLOOD_MIB) * 1024 * 1024;
    // The goals scale with the amount from those of 5 MiB (time, CPU and memory linear).
    const double scale = qMax(1.0, total / (5.0 * 1024 * 1024));
    // FLOOD_EOL=cr: a peer ending its lines with a lone CR (each drawn over the one before).
    const QByteArray eol = qgetenv("FLOOD_EOL") == "cr" ? "\r" : "\r\n";
    // FLOOD_EOL=bare: nothing but line feeds, the most lines a megabyte can hold (memory per line).
    if (qgetenv("FLOOD_EOL") == "bare")
        text.fill('\n', total);
    for (int port = 1; text.size() < total; ++port)
        text += "interface Ethernet1/0/" + QByteArray::number(port % 48 + 1) + eol
                + " port access vlan 10" + eol + " mac-address static 000f-e212-3456 vlan 10" + eol + "#" + eol;
    text.truncate(total);

    std::atomic<bool> flooding{true};
    std::mutex m;
    std::vector<Clock::time_point> posted, arrived;

    std::thread reader([&] {
        char buf[4096];
        pollfd p{master, POLLIN, 0};
        while (flooding || arrived.size() < posted.size()) {
            if (poll(&p, 1, 200) <= 0)
                continue;
            const ssize_t n = ::read(master, buf, sizeof buf);
            const auto now = Clock::now();
            std::lock_guard<std::mutex> lock(m);
            for (ssize_t i = 0; i < n; ++i)
                if (buf[i] == ' ')
                    arrived.push_back(now);
        }
    });
    const double cpu0 = bench::cpuSeconds();
    const auto start = Clock::now();
    std::thread writer([&] {
        qsizetype done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(master, text.constData() + done, size_t(qMin<qsizetype>(4096, text.size() - done)));
            if (n > 0)
                done += n;
        }
    });
    // Key events built on the typist thread need the keyboard device to exist already; creating
    // it there would give it a parent on another thread.
    QInputDevice::primaryKeyboard();
    std::thread typist([&] {
        while (flooding) {
            {
                std::lock_guard<std::mutex> lock(m);
                posted.push_back(Clock::now());
            }
            QCoreApplication::postEvent(test::control<QLineEdit>(w, "Text2"), new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " "));
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    });

    double shownSeconds = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (w.terminal().text().size() >= total && !test::control<TerminalView>(w, "Text1")->hasPending()) {
            shownSeconds = std::chrono::duration<double>(Clock::now() - start).count();
            flooding = false;
            QCoreApplication::exit(0);
        }
    });
    poll.start(5);
    QTimer giveUp; // stopped once the flood is shown, so that it cannot fire in the idle measurement
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &app, [&] {
        std::fprintf(stderr, "gave up: terminal holds %lld of %lld characters\n",
                     static_cast<long long>(w.terminal().text().size()), static_cast<long long>(total));
        std::fprintf(stderr, "  pending %d\n", int(test::control<TerminalView>(w, "Text1")->hasPending()));
        flooding = false;
        QCoreApplication::exit(0);
    });
    giveUp.start(int(30000 * scale));
    app.exec();
    poll.stop();
    giveUp.stop();
    const double cpuFlood = bench::cpuSeconds() - cpu0;
    writer.join();
    typist.join();
    // Let the last keys arrive.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 100);
    reader.join();
    const double rssAfter = bench::rssMiB();

    std::vector<double> delays;
    for (size_t i = 0; i < std::min(posted.size(), arrived.size()); ++i)
        delays.push_back(std::chrono::duration<double, std::milli>(arrived[i] - posted[i]).count());
    std::sort(delays.begin(), delays.end());
    auto pct = [&](double q) { return delays.empty() ? -1.0 : delays[size_t(q * (delays.size() - 1))]; };

    // Idle with the port open after the flood: the lamp blinks, and the input line's cursor if
    // the typed keys gave it the focus. Measured from 2 s after the flood, once its after-effects
    // have passed.
    bench::settle(2000);
    const bench::IdleShare idle = bench::idleShare();

    std::printf("flood: %.1f MiB of switch text through a pseudo-terminal\n", total / 1048576.0);
    w.recording().log().flush();
    std::printf("  session log: %s, %.1f MiB written\n", logged ? "on" : "off (FLOOD_LOG=off)",
                logged ? QFileInfo(logFile).size() / 1048576.0 : 0.0);
    std::printf("  read and shown after: %.2f s (goal <= %.2f s)\n", shownSeconds, 0.25 * scale);
    std::printf("  CPU time during the flood: %.3f s (goal <= %.2f s)\n", cpuFlood, 0.3 * scale);
    std::printf("  resident memory growth: %.1f MiB (goal <= %.0f MiB)\n", rssAfter - rssBefore, 25 * scale);
    std::printf("  keystroke to line: %zu keys, median %.1f ms, p95 %.1f ms (goal p95 < 20 ms)\n",
                delays.size(), pct(0.5), pct(0.95));
    std::printf("  idle CPU with the port open: median %.3f %% of %d windows of %d s (min %.3f, max %.3f; goal < 0.1 %%), "
                "%.1f wake-ups/s\n",
                idle.median, idle.windows, idle.seconds, idle.min, idle.max, idle.wakeUps);
    return 0;
}

// Idle cost of the program: CPU time as a share of wall time while nothing arrives, with the
// port closed (nothing blinks: the window is offscreen and inactive) and open on a quiet
// pseudo-terminal (the lamp blinks). For scale it also measures an empty 500 ms timer, the least
// any blinking costs: on a shared virtual machine both swing several-fold with the host's load.
// See bench::idleShare for the windows measured.
#include "support/controls.h"
#include "../common/benchutil.h"
#include "serial/serialcontrol.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

using namespace tarnwell;

namespace {

void print(const char *what, const bench::IdleShare &s, const char *goal)
{
    std::printf("  %s %.3f %% (min %.3f, max %.3f), %.1f wake-ups/s%s\n", what, s.median, s.min, s.max, s.wakeUps, goal);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const bench::PtyOnCom3 pty; // quiet: nothing is ever written to it
    QApplication app(argc, argv);

    FrmMain w;
    w.show();
    bench::settle(1000); // first paint, timers settled
    const bench::IdleShare closed = bench::idleShare();
    QTimer empty;
    empty.start(500);
    QObject::connect(&empty, &QTimer::timeout, [] {});
    const bench::IdleShare floor = bench::idleShare();
    empty.stop();
    test::control<QPushButton>(w, "Cmd_Switch")->click();
    if (!w.serial().portOpen()) {
        std::fprintf(stderr, "could not open the port\n");
        return 1;
    }
    bench::settle(1000);
    const bench::IdleShare open = bench::idleShare();

    std::printf("idle CPU, median of %d windows of %d s:\n", open.windows, open.seconds);
    print("port closed:", closed, "");
    print("port open:  ", open, " (goal < 0.1 %)");
    print("empty 500 ms timer, port closed:", floor, "");
    return 0;
}

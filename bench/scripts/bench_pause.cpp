// Runs one co_await pause(9000) (the length can be given as the first argument) in the event loop
// with a 500 ms timer ticking as the lamp does, and prints the process CPU time used during the
// wait as a share of the wall time (goal: under 1%) and the overshoot beyond the pause (goal:
// under 20 ms).
#include "engine/clock.h"
#include "engine/task.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

tarnwell::Task<void> waitThenQuit(int ms)
{
    co_await tarnwell::pause(ms);
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int ms = argc > 1 ? std::atoi(argv[1]) : 9000;

    QTimer lamp;
    int ticks = 0;
    QObject::connect(&lamp, &QTimer::timeout, [&] { ++ticks; });
    lamp.start(500);

    QElapsedTimer wall;
    const double cpu0 = processCpuMs();
    wall.start();
    tarnwell::Task<void> wait = waitThenQuit(ms);
    wait.start({});
    app.exec();
    const double wallMs = double(wall.nsecsElapsed()) / 1e6;
    const double cpuMs = processCpuMs() - cpu0;

    const double share = 100.0 * cpuMs / wallMs;
    const double overshoot = wallMs - ms;
    std::printf("pause(%d): wall %.1f ms, overshoot %.2f ms (goal < 20 ms): %s\n", ms, wallMs, overshoot,
                overshoot < 20 ? "met" : "MISSED");
    std::printf("CPU %.2f ms = %.3f%% of wall time (goal < 1%%): %s\n", cpuMs, share, share < 1.0 ? "met" : "MISSED");
    std::printf("%d timer ticks handled meanwhile\n", ticks);
    return 0;
}

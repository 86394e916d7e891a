// Runs one Delay(9000) (the length can be given as the first argument) with a 500 ms timer
// ticking as the lamp does, and prints the process CPU time used during the wait as a share of
// the wall time (goal: under 1%) and the overshoot beyond the pause (goal: under 20 ms).
#include "scripts/delay.h"

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

// Counts the rounds the wait goes through (a spinning wait would count millions).
class CountingClock : public tarnwell::DelayClock {
public:
    quint32 tickCount() override { return tarnwell::realDelayClock().tickCount(); }
    void processEvents() override
    {
        ++rounds;
        tarnwell::realDelayClock().processEvents();
    }
    void waitForEvents(quint32 ms) override
    {
        ++rounds;
        tarnwell::realDelayClock().waitForEvents(ms);
    }
    long rounds = 0;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    const int ms = argc > 1 ? std::atoi(argv[1]) : 9000;

    QTimer lamp;
    int ticks = 0;
    QObject::connect(&lamp, &QTimer::timeout, [&] { ++ticks; });
    lamp.start(500);

    CountingClock clock;
    tarnwell::setDelayClock(&clock);
    QElapsedTimer wall;
    const double cpu0 = processCpuMs();
    wall.start();
    tarnwell::Delay(ms);
    const double wallMs = double(wall.nsecsElapsed()) / 1e6;
    const double cpuMs = processCpuMs() - cpu0;
    tarnwell::setDelayClock(nullptr);

    const double share = 100.0 * cpuMs / wallMs;
    const double overshoot = wallMs - ms;
    std::printf("Delay(%d): wall %.1f ms, overshoot %.2f ms (goal < 20 ms): %s\n", ms, wallMs,
                overshoot, overshoot < 20 ? "met" : "MISSED");
    std::printf("CPU %.2f ms = %.3f%% of wall time (goal < 1%%): %s\n", cpuMs, share,
                share < 1.0 ? "met" : "MISSED");
    std::printf("%ld rounds of event processing, %d timer ticks handled\n", clock.rounds, ticks);
    return 0;
}

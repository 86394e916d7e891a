// Idle cost of the program: CPU time as a share of wall time while nothing arrives, with the
// port closed (only the input line's cursor blinks) and open on a quiet pseudo-terminal (the
// lamp blinks as well). Each phase lasts IDLE_SECONDS (default 10).
#include "../common/benchutil.h"
#include "console/serialcontrol.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

using namespace tarnwell;

namespace {

// Runs the event loop for the given time and returns the CPU share it used, in percent.
double idleShare(QApplication &app, int ms)
{
    const double cpu0 = bench::cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(ms, &app, [] { QCoreApplication::exit(0); });
    app.exec();
    return (bench::cpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0) * 100;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const bench::PtyOnCom3 pty; // quiet: nothing is ever written to it
    QApplication app(argc, argv);
    const int ms = 1000 * (qEnvironmentVariableIsSet("IDLE_SECONDS") ? qEnvironmentVariableIntValue("IDLE_SECONDS") : 10);


    FrmMain w;
    w.show();
    // Let start-up finish (first paint, timers settled) before measuring.
    idleShare(app, 1000);
    const double closed = idleShare(app, ms);
    w.Cmd_Switch->click();
    if (!w.serial().portOpen()) {
        std::fprintf(stderr, "could not open the port\n");
        return 1;
    }
    idleShare(app, 1000);
    const double open = idleShare(app, ms);

    std::printf("idle CPU over %d s each:\n", ms / 1000);
    std::printf("  port closed: %.3f %%\n", closed);
    std::printf("  port open:   %.3f %% (goal < 0.1 %%)\n", open);
    return 0;
}

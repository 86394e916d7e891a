// The binding capture at the console's real pace: the real window (offscreen) against
// tarnwell-switchsim as a fully bound 48-port 3600 at 9600 baud. Prints, for each run, the time
// from the click on 端口列表 to the report, the time the listing takes on the wire (its
// characters at ten bits each), and the difference (goal: at most 2 s). RUNS overrides the
// number of runs (3).
#include "support/controls.h"
#include "e2e/simbench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>

#include <cstdio>

using namespace tarnwell;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = qEnvironmentVariableIntValue("RUNS") > 0 ? qEnvironmentVariableIntValue("RUNS") : 3;
    constexpr int kBaud = 9600;
    test::SimBench bench;
    QString error;
    if (!bench.start({"--model", "3600", "--ports", "48", "--bind-every-port", "--baud", QString::number(kBaud)}, error)) {
        std::fprintf(stderr, "bench_capture: %s\n", qPrintable(error));
        return 1;
    }
    if (!bench.waitForText(QStringLiteral("<SW3600-A>"), bench.typeLine(QString()))) {
        std::fprintf(stderr, "bench_capture: no prompt from the simulator\n");
        return 1;
    }
    std::printf("fully bound 48-port 3600 at %d baud: click to report vs. the listing's wire time\n", kBaud);
    for (int run = 0; run < runs; ++run) {
        QSignalSpy reported(&bench.w().capture(), &BindInfoCapture::reported);
        QElapsedTimer clock;
        clock.start();
        test::control<QPushButton>(bench.w(), "Cmd_GetBindInfo")->click();
        if (reported.isEmpty() && !reported.wait(60000)) {
            std::fprintf(stderr, "bench_capture: no report\n");
            return 1;
        }
        const qint64 ms = clock.elapsed();
        const QString listing = bench.text();
        const qint64 wireMs = qint64(listing.size()) * 10 * 1000 / kBaud;
        const int ports = int(test::reportPorts(reported.takeFirst().at(0).toString()).size());
        std::printf("run %d: %lld ms to the report (%d ports), listing %lld characters = %lld ms on the wire, "
                    "%+lld ms beyond it\n",
                    run + 1, ms, ports, qint64(listing.size()), wireMs, ms - wireMs);
        std::fflush(stdout);
    }
    return 0;
}

// Keystroke to wire: the time from a key pressed in the terminal pane to its byte being readable
// at the far end of the line (a pseudo-terminal's master), over a few hundred keys typed one at
// a time, as percentiles. The window is offscreen and its port open; the far end echoes nothing.
#include "support/controls.h"
#include "../common/benchutil.h"
#include "serial/serialcontrol.h"
#include "ui/frmmain.h"
#include "ui/terminalview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tarnwell;

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const bench::PtyOnCom3 pty;
    QApplication app(argc, argv);
    FrmMain w;
    w.show();
    test::control<QPushButton>(w, "Cmd_Switch")->click();
    if (!w.serial().portOpen()) {
        std::fprintf(stderr, "could not open the port\n");
        return 1;
    }
    auto *pane = test::control<TerminalView>(w, "Text1");
    pane->setFocus();
    bench::settle(500);

    QSocketNotifier readable(pty.masterFd(), QSocketNotifier::Read);
    QEventLoop wait;
    QObject::connect(&readable, &QSocketNotifier::activated, &wait, [&] {
        char buffer[64];
        while (::read(pty.masterFd(), buffer, sizeof buffer) == sizeof buffer) {
        }
        wait.quit();
    });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &wait, [&] { wait.exit(1); });

    constexpr int kKeys = 400;
    std::vector<double> micros;
    QElapsedTimer clock;
    for (int i = 0; i < kKeys; ++i) {
        clock.start();
        QTest::keyClick(pane, Qt::Key(Qt::Key_A + i % 26));
        giveUp.start(2000);
        if (wait.exec() != 0) {
            std::fprintf(stderr, "key %d never reached the line\n", i);
            return 1;
        }
        micros.push_back(clock.nsecsElapsed() / 1000.0);
        bench::settle(5); // keys typed by a person, not a burst
    }
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double p) { return micros[size_t(p * (micros.size() - 1))]; };
    std::printf("keystroke to wire, %d keys typed in the terminal pane: median %.0f us, p95 %.0f us, max %.0f us\n",
                kKeys, at(0.5), at(0.95), micros.back());
    return 0;
}

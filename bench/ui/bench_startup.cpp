// Start-up of the program: the time from process start to the main window drawn for the first
// time (offscreen), and the resident memory of the idle program after that. Each run is a fresh
// process of this executable in its child mode, with an empty settings folder; the parent
// times from its launch call, the child from the kernel's record of its own start.
#include "../common/benchutil.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

using namespace tarnwell;

namespace {

// Seconds since this process started: now (boot-time clock) minus field 22 of /proc/self/stat.
double secondsSinceProcessStart()
{
    QFile f(QStringLiteral("/proc/self/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.readAll();
    // Fields after the command name, which is in parentheses and may hold blanks.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble(); // field 22 overall
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9 - startTicks / double(sysconf(_SC_CLK_TCK));
}

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen) {
            seen = true;
            sinceStart = secondsSinceProcessStart();
            // Report once the paint is done, then idle a while before reading the memory.
            QTimer::singleShot(0, [this] {
                std::printf("shown %.4f\n", sinceStart);
                std::fflush(stdout);
                QTimer::singleShot(2000, [] {
                    std::printf("rss %.1f\n", bench::rssMiB());
                    std::fflush(stdout);
                    QCoreApplication::quit();
                });
            });
        }
        return QObject::eventFilter(watched, event);
    }
    bool seen = false;
    double sinceStart = -1;
};

int child(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FrmMain w;
    FirstPaint watch;
    w.installEventFilter(&watch);
    w.show();
    return app.exec();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && QByteArray(argv[1]) == "--child")
        return child(argc, argv);

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 7;
    std::vector<double> launchToShown, sinceStart, rss;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir config;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        double shownAt = -1;
        QObject::connect(&p, &QProcess::readyReadStandardOutput, [&] {
            while (p.canReadLine()) {
                const QByteArray line = p.readLine().trimmed();
                if (line.startsWith("shown ")) {
                    shownAt = double(clock.nsecsElapsed()) / 1e9;
                    sinceStart.push_back(line.mid(6).toDouble());
                } else if (line.startsWith("rss ")) {
                    rss.push_back(line.mid(4).toDouble());
                }
            }
        });
        clock.start();
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
        if (!p.waitForFinished(60000) || p.exitCode() != 0 || shownAt < 0) {
            std::fprintf(stderr, "run %d failed: %s\n", i + 1, qPrintable(p.errorString()));
            return 1;
        }
        launchToShown.push_back(shownAt);
        std::printf("run %d: launch to shown %.3f s, process start to shown %.3f s, idle RSS %.1f MiB\n",
                    i + 1, shownAt, sinceStart.back(), rss.empty() ? -1.0 : rss.back());
    }
    std::printf("start-up, launch to main window shown: median %.3f s, max %.3f s (goal under 0.5 s)\n",
                median(launchToShown), *std::max_element(launchToShown.begin(), launchToShown.end()));
    std::printf("start-up, process start to shown (10 ms clock ticks): median %.3f s\n", median(sinceStart));
    std::printf("idle resident memory: median %.1f MiB, max %.1f MiB (goal under 80 MB)\n", median(rss),
                rss.empty() ? -1.0 : *std::max_element(rss.begin(), rss.end()));
    return 0;
}

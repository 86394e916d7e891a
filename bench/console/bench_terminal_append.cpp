// Appends 4 KB chunks of switch-like text until the terminal holds 20 MB and prints the mean
// time of the first and the last 100 appends (each drawn at once) and their ratio, plus the
// resident memory at the end; once with CR LF line ends, once with lone CRs. A constant cost
// per append gives a ratio near 1.
#include "../common/benchutil.h"
#include "terminal/terminal.h"
#include "ui/terminalview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tarnwell;

namespace {

// Appends 4 KB chunks made of `unit` until the terminal holds 20 MB; prints the figures.
void run(const char *label, const QString &unit)
{
    Terminal terminal;
    TerminalView view;
    view.resize(953, 241);
    view.attach(&terminal);
    view.show();

    QString chunk;
    while (chunk.size() < 4096)
        chunk += unit;
    chunk.truncate(4096);
    const qsizetype target = 20 * 1000 * 1000;
    const qsizetype appends = target / chunk.size();
    std::vector<double> ms;
    ms.reserve(size_t(appends));
    QElapsedTimer t;
    for (qsizetype i = 0; i < appends; ++i) {
        t.start();
        terminal.append(chunk);
        view.flush();
        QCoreApplication::processEvents();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    auto mean = [&](size_t from) {
        double sum = 0;
        for (size_t i = from; i < from + 100; ++i)
            sum += ms[i];
        return sum / 100;
    };
    // The median as well: on a busy machine a few appends that lost the CPU sway the mean.
    auto median = [&](size_t from) {
        std::vector<double> part(ms.begin() + qsizetype(from), ms.begin() + qsizetype(from) + 100);
        std::nth_element(part.begin(), part.begin() + 50, part.end());
        return part[50];
    };
    const double first = mean(0), last = mean(ms.size() - 100);
    std::printf("terminal append, %s: %lld appends of 4 KB, terminal text %lld chars\n", label,
                static_cast<long long>(appends), static_cast<long long>(terminal.text().size()));
    std::printf("  mean of first 100: %.3f ms\n  mean of last 100:  %.3f ms\n  ratio last/first: %.2f (goal < 1.2)\n",
                first, last, last / first);
    std::printf("  medians: first %.3f ms, last %.3f ms, ratio %.2f\n", median(0), median(ms.size() - 100),
                median(ms.size() - 100) / median(0));
    std::printf("  resident memory at the end: %.0f MiB\n", bench::rssMiB());
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    run("CR LF lines",
        QStringLiteral(" port access vlan 10\r\n mac-address static 000f-e212-3456 vlan 10\r\n#\r\n"));
    // A peer that ends its lines with a lone CR: one endless line unless the view breaks it.
    run("lone-CR lines", QStringLiteral(" port access vlan 10\r mac-address static 000f-e212-3456 vlan 10\r"));
    return 0;
}

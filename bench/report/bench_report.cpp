// Parses generated "dis cu" captures of about 1 MB and 2 MB and prints how long parseBindInfo
// and the report formatting take. Linear time shows as a ratio near 2 (goal: at most 2.5).
// Most blocks lack most keywords, the case where searching each block's keywords through the
// rest of the text would turn quadratic.

#include "report/bindinfoparser.h"

#include "listings.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>

using namespace tarnwell;

namespace {

// Paged listing of about `bytes` characters, with 23-line pages like a switch console.
QString capture(qsizetype bytes, bool model3600)
{
    const QStringList block = test::configLines(1000, model3600);
    const qsizetype perPort = test::crlf(block).size() / 1000;
    const int ports = int(bytes / perPort);
    QString text = test::pagedListing(test::configLines(ports, model3600), 23).join(QString());
    text.truncate(bytes);
    return text;
}

struct Timing {
    double parseMs = 0;
    double totalMs = 0;
    qsizetype rows = 0;
    qsizetype reportChars = 0;
};

Timing measure(const QString &text, int rounds)
{
    Timing best{1e30, 1e30, 0, 0};
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        const BindInfoResult r = parseBindInfo(text, SwitchModel::S3100);
        const qint64 parsed = t.nsecsElapsed();
        const QString report = formatBindReport(r);
        const qint64 total = t.nsecsElapsed();
        best.parseMs = std::min(best.parseMs, parsed / 1e6);
        best.totalMs = std::min(best.totalMs, total / 1e6);
        best.rows = r.table.size();
        best.reportChars = report.size();
    }
    return best;
}

} // namespace

int main()
{
    const int rounds = 7;
    for (const bool model3600 : {false, true}) {
        const QString small = capture(1 << 20, model3600);
        const QString large = capture(2 << 20, model3600);
        const Timing a = measure(small, rounds);
        const Timing b = measure(large, rounds);
        std::printf("%s model, best of %d:\n", model3600 ? "3600" : "3100", rounds);
        std::printf("  1 MB (%lld chars, %lld ports, report %lld chars): parse %7.2f ms, "
                    "parse+report %7.2f ms\n",
                    (long long)small.size(), (long long)a.rows, (long long)a.reportChars,
                    a.parseMs, a.totalMs);
        std::printf("  2 MB (%lld chars, %lld ports, report %lld chars): parse %7.2f ms, "
                    "parse+report %7.2f ms\n",
                    (long long)large.size(), (long long)b.rows, (long long)b.reportChars,
                    b.parseMs, b.totalMs);
        std::printf("  ratio 2 MB / 1 MB: parse %.2f, parse+report %.2f (goal <= 2.5)\n",
                    b.parseMs / a.parseMs, b.totalMs / a.totalMs);
    }
    return 0;
}

#include "report/reportcolumns.h"

#include <algorithm>

namespace tarnwell {

QList<qreal> reportTabStops(QStringView report, const std::function<qreal(QStringView)> &width, qreal gap)
{
    QList<qreal> widest;
    for (QStringView line : report.tokenize(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        qsizetype column = 0;
        qsizetype cellStart = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] != u'\t')
                continue;
            if (widest.size() <= column)
                widest.append(0);
            widest[column] = std::max(widest[column], width(line.mid(cellStart, i - cellStart)));
            ++column;
            cellStart = i + 1;
        }
    }
    QList<qreal> stops;
    qreal at = 0;
    for (qreal w : widest)
        stops.append(at += w + gap);
    return stops;
}

} // namespace tarnwell

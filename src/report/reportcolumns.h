#pragma once

#include <QList>
#include <QStringView>

#include <functional>

namespace tarnwell {

// Tab stops that line up the columns of a tab-separated report in a proportional font: stop k
// lies `gap` beyond the widest cell of column k, measured from the previous stop. Lines without
// a tab (the header) and what follows a line's last tab do not count. `width` measures a cell in
// the box's font.
QList<qreal> reportTabStops(QStringView report, const std::function<qreal(QStringView)> &width, qreal gap);

} // namespace tarnwell

#include "batch/batchtable.h"

#include "switch/bindvalues.h"

#include <QRegularExpression>

#include <algorithm>

namespace tarnwell {

namespace {

// The port as its number: "5", "1/0/5", "Ethernet1/0/5", "Eth 1/0/5" all give "5"; other text
// is kept as typed, so that the mark shows what was wrong.
QString portNumber(const QString &cell)
{
    static const QRegularExpression named(QStringLiteral("^(?:eth(?:ernet)?\\s*)?1/0/(\\d+)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = named.match(cell);
    return m.hasMatch() ? m.captured(1) : cell;
}

QStringList cellsOf(const QString &line)
{
    static const QRegularExpression blanks(QStringLiteral("[ \\x{3000}\\x{00a0}]+"));
    QStringList cells = line.contains(u'\t') ? line.split(u'\t') : line.trimmed().split(blanks);
    for (QString &c : cells)
        c = c.trimmed();
    // A spreadsheet copies empty cells at the end of a row as tabs.
    while (!cells.isEmpty() && cells.last().isEmpty())
        cells.removeLast();
    return cells;
}

bool isHeader(const QStringList &cells)
{
    static const QRegularExpression words(QStringLiteral("端口|口号|port|vlan|mac|地址|ip"),
                                          QRegularExpression::CaseInsensitiveOption);
    return std::any_of(cells.begin(), cells.end(), [](const QString &c) { return c.contains(words); })
           && std::none_of(cells.begin(), cells.end(),
                           [](const QString &c) { return bindvalues::isSwitchMac(bindvalues::switchMac(c)); });
}

QString problemOf(const BatchRow &row, qsizetype cellCount, bool needsIp)
{
    const qsizetype wanted = needsIp ? 4 : 3;
    if (cellCount < wanted)
        return needsIp ? QStringLiteral("少了列：要端口、VLAN、MAC、IP四列") : QStringLiteral("少了列：要端口、VLAN、MAC三列");
    if (cellCount > 4)
        return QStringLiteral("多了列：只要端口、VLAN、MAC%1").arg(needsIp ? QStringLiteral("、IP") : QString());
    if (!bindvalues::isPort(row.port))
        return QStringLiteral("端口号不对（1-48）：%1").arg(row.port);
    if (!bindvalues::isVlan(row.vlan))
        return QStringLiteral("VLAN不对（1-4094）：%1").arg(row.vlan);
    if (!bindvalues::isSwitchMac(row.mac))
        return QStringLiteral("MAC地址不对：%1").arg(row.mac);
    if (needsIp && !bindvalues::isIPv4(row.ip))
        return QStringLiteral("IP地址不对：%1").arg(row.ip);
    return {};
}

} // namespace

BatchRow BatchTable::row(const QStringList &cells, bool needsIp, int line)
{
    BatchRow r;
    r.line = line;
    const auto cell = [&](qsizetype i) { return i < cells.size() ? cells[i].trimmed() : QString(); };
    r.port = portNumber(cell(0));
    r.vlan = cell(1);
    r.mac = bindvalues::switchMac(cell(2));
    r.ip = cell(3);
    qsizetype count = cells.size();
    while (count > 0 && cell(count - 1).isEmpty())
        --count;
    r.columns = int(count);
    r.problem = problemOf(r, count, needsIp);
    return r;
}

BatchTable BatchTable::parse(const QString &text, bool needsIp)
{
    static const QRegularExpression lineEnd(QStringLiteral("\\r\\n|\\r|\\n"));
    BatchTable table;
    const QStringList lines = text.split(lineEnd);
    bool first = true;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringList cells = cellsOf(lines[i]);
        if (cells.isEmpty())
            continue;
        if (first && isHeader(cells)) {
            table.headerSkipped = true;
            first = false;
            continue;
        }
        first = false;
        table.rows << row(cells, needsIp, int(i + 1));
    }
    table.check(needsIp);
    return table;
}

void BatchTable::check(bool needsIp)
{
    for (qsizetype i = 0; i < rows.size(); ++i) {
        BatchRow &r = rows[i];
        r.problem = problemOf(r, r.columns, needsIp);
        if (!r.problem.isEmpty())
            continue;
        for (qsizetype j = 0; j < i; ++j) {
            const BatchRow &o = rows[j];
            if (o.port == r.port && o.mac.compare(r.mac, Qt::CaseInsensitive) == 0) {
                r.problem = QStringLiteral("与第%1行重复").arg(j + 1);
                break;
            }
        }
    }
}

bool BatchTable::sendable() const
{
    return !rows.isEmpty() && marked() == 0;
}

qsizetype BatchTable::marked() const
{
    return std::count_if(rows.begin(), rows.end(), [](const BatchRow &r) { return !r.problem.isEmpty(); });
}

} // namespace tarnwell

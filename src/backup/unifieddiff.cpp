#include "backup/unifieddiff.h"

#include <QRegularExpression>

#include <vector>

namespace tarnwell {

namespace {

enum class Op { Same, Removed, Added };
struct Edit {
    Op op;
    qsizetype a, b; // the line in a (Same, Removed) and in b (Same, Added)
};

// The shortest edit script from a[a0, a1) to b[b0, b1), or false beyond kMaxEdits changes.
bool myers(const QStringList &a, qsizetype a0, qsizetype a1, const QStringList &b, qsizetype b0, qsizetype b1,
           std::vector<Edit> &out)
{
    const qsizetype n = a1 - a0, m = b1 - b0;
    const qsizetype max = std::min<qsizetype>(n + m, kMaxEdits);
    // v[k + offset]: the furthest x on diagonal k; one copy per round, for the way back.
    const qsizetype offset = max + 1;
    std::vector<int> v(size_t(2 * offset + 1), 0);
    std::vector<std::vector<int>> trace;
    qsizetype found = -1;
    for (qsizetype d = 0; d <= max && found < 0; ++d) {
        trace.push_back(v);
        for (qsizetype k = -d; k <= d; k += 2) {
            qsizetype x = (k == -d || (k != d && v[k - 1 + offset] < v[k + 1 + offset])) ? v[k + 1 + offset]
                                                                                       : v[k - 1 + offset] + 1;
            qsizetype y = x - k;
            while (x < n && y < m && a[a0 + x] == b[b0 + y])
                ++x, ++y;
            v[k + offset] = int(x);
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    if (found < 0)
        return false;
    std::vector<Edit> back;
    qsizetype x = n, y = m;
    for (qsizetype d = found; d > 0; --d) {
        const std::vector<int> &pv = trace[size_t(d)];
        const qsizetype k = x - y;
        const qsizetype prevK = (k == -d || (k != d && pv[k - 1 + offset] < pv[k + 1 + offset])) ? k + 1 : k - 1;
        const qsizetype prevX = pv[prevK + offset];
        const qsizetype prevY = prevX - prevK;
        while (x > prevX && y > prevY)
            back.push_back({Op::Same, a0 + --x, b0 + --y});
        if (x == prevX)
            back.push_back({Op::Added, a0 + x, b0 + --y});
        else
            back.push_back({Op::Removed, a0 + --x, b0 + y});
    }
    while (x > 0 && y > 0)
        back.push_back({Op::Same, a0 + --x, b0 + --y});
    out.insert(out.end(), back.rbegin(), back.rend());
    return true;
}

QString range(qsizetype start, qsizetype count)
{
    // A hunk without lines on one side names the line before it, as diff -u does.
    const qsizetype first = count == 0 ? start : start + 1;
    return count == 1 ? QString::number(first) : QStringLiteral("%1,%2").arg(first).arg(count);
}

} // namespace

QStringList diffLines(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\\r\\n|\\r|\\n"));
    QStringList lines = text.split(lineEnd);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString unifiedDiff(const QStringList &a, const QStringList &b, const QString &nameA, const QString &nameB,
                    int context)
{
    qsizetype head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    if (head == a.size() && head == b.size())
        return QString();
    qsizetype tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    std::vector<Edit> edits;
    for (qsizetype i = 0; i < head; ++i)
        edits.push_back({Op::Same, i, i});
    if (!myers(a, head, a.size() - tail, b, head, b.size() - tail, edits)) {
        for (qsizetype i = head; i < a.size() - tail; ++i)
            edits.push_back({Op::Removed, i, head});
        for (qsizetype j = head; j < b.size() - tail; ++j)
            edits.push_back({Op::Added, a.size() - tail, j});
    }
    for (qsizetype i = 0; i < tail; ++i)
        edits.push_back({Op::Same, a.size() - tail + i, b.size() - tail + i});

    QString out = QStringLiteral("--- %1\n+++ %2\n").arg(nameA, nameB);
    const qsizetype count = qsizetype(edits.size());
    qsizetype i = 0;
    while (i < count) {
        while (i < count && edits[size_t(i)].op == Op::Same)
            ++i;
        if (i == count)
            break;
        // A hunk: `context` unchanged lines before its first change and after its last; two
        // changes at most 2 * context unchanged lines apart share one.
        const qsizetype start = std::max<qsizetype>(0, i - context);
        qsizetype lastChange = i;
        for (qsizetype j = i; j < count;) {
            if (edits[size_t(j)].op != Op::Same) {
                lastChange = j++;
                continue;
            }
            qsizetype k = j;
            while (k < count && edits[size_t(k)].op == Op::Same)
                ++k;
            if (k == count || k - j > 2 * context)
                break;
            j = k;
        }
        const qsizetype end = std::min(count, lastChange + 1 + context);
        qsizetype countA = 0, countB = 0;
        QString body;
        for (qsizetype j = start; j < end; ++j) {
            const Edit &e = edits[size_t(j)];
            if (e.op == Op::Same) {
                body += u' ' + a[e.a] + u'\n';
                ++countA, ++countB;
            } else if (e.op == Op::Removed) {
                body += u'-' + a[e.a] + u'\n';
                ++countA;
            } else {
                body += u'+' + b[e.b] + u'\n';
                ++countB;
            }
        }
        const Edit &first = edits[size_t(start)];
        out += QStringLiteral("@@ -%1 +%2 @@\n").arg(range(first.a, countA), range(first.b, countB)) + body;
        i = end;
    }
    return out;
}

} // namespace tarnwell

#include "terminal/terminallayout.h"

#include "terminal/terminal.h"

#include <QDateTime>

#include <limits>

namespace tarnwell {

namespace {

constexpr qsizetype kUnwrapped = std::numeric_limits<qsizetype>::max() / 4; // columns of a line never wrapped

} // namespace

void TerminalLayout::setTerminal(const Terminal *terminal)
{
    m_terminal = terminal;
    m_lines.setTerminal(terminal);
    relayout();
}

void TerminalLayout::setWidth(int cells)
{
    m_width = cells;
    if (columnsFor(cells) != m_columns)
        relayout();
}

void TerminalLayout::setShowControls(bool on)
{
    if (on == showControls())
        return;
    m_lines.setShowControls(on);
    relayout();
}

void TerminalLayout::setShowTimes(bool on)
{
    if (on == m_showTimes)
        return;
    m_showTimes = on;
    if (columnsFor(m_width) != m_columns)
        relayout(); // the times take columns from the text
}

void TerminalLayout::relayout()
{
    m_columns = columnsFor(m_width);
    m_rowOf.reset(0);
    m_last = {};
    m_lastLength = 0;
    m_checkpoints.clear();
    m_lines.reset();
    takeIn();
}

// Wraps a line's characters from `from` on, carrying on from where m_last stands.
void TerminalLayout::wrap(qsizetype line, QStringView text, qsizetype from)
{
    CellWalker w(text, from, text.size(), m_columns, m_last.row, m_last.used);
    for (; !w.atEnd(); w.skipPlain())
        if (w->col == 0 && w->row > 0 && w->row % kCheckpointRows == 0)
            m_checkpoints[line].push_back(w->pos);
    m_last = {w.row(), w.used()};
}

bool TerminalLayout::takeIn()
{
    if (!m_terminal)
        return false;
    const qsizetype before = m_lines.taken();
    const qsizetype open = lineCount() - 1;
    const qsizetype changedFrom = m_lines.takeIn();
    if (m_lines.taken() == before && before > 0)
        return false;
    // The line that was open: grown at its end, or redrawn (then wrapped again whole).
    const QStringView openText = line(open);
    if (changedFrom < m_lastLength || openText.size() < m_lastLength) {
        m_last = {};
        m_checkpoints.erase(open);
        wrap(open, openText, 0);
    } else {
        wrap(open, openText, m_lastLength);
    }
    for (qsizetype i = open + 1; i < lineCount(); ++i) {
        m_rowOf.push_back(m_rowOf.back() + m_last.row + 1);
        m_last = {};
        wrap(i, line(i), 0);
    }
    m_lastLength = line(lineCount() - 1).size();
    return m_lines.taken() > before;
}

TextPos TerminalLayout::clamped(TextPos p) const
{
    if (p.line >= lineCount())
        return textEnd();
    return {p.line, qMin(p.col, line(p.line).size())};
}

qsizetype TerminalLayout::lineOfRow(qint64 row) const
{
    return qMax<qsizetype>(0, m_rowOf.upperBound(row) - 1);
}

qint64 TerminalLayout::rowOf(TextPos p) const
{
    qint64 row = m_rowOf[p.line];
    const qsizetype size = line(p.line).size();
    forLineRows(p.line, 0, kUnwrapped, [&](qint64 k, Row r) {
        if (p.col >= r.end && r.end < size)
            return true;
        row += k;
        return false;
    });
    return row;
}

void TerminalLayout::forRows(qint64 first, qint64 last, const std::function<bool(qint64, Row)> &f) const
{
    for (qsizetype i = lineOfRow(first); i < lineCount(); ++i) {
        const qint64 top = m_rowOf[i];
        if (top > last)
            break;
        bool more = true;
        forLineRows(i, qMax<qint64>(0, first - top), last - top, [&](qint64 k, Row r) { return more = f(top + k, r); });
        if (!more)
            return;
    }
}

void TerminalLayout::forLineRows(qsizetype line, qint64 first, qint64 last,
                                 const std::function<bool(qint64, Row)> &f) const
{
    const QStringView text = this->line(line);
    qsizetype start = 0;
    qint64 k = 0;
    const auto cp = m_checkpoints.find(line);
    if (cp != m_checkpoints.end() && first >= kCheckpointRows) {
        const size_t j = size_t(qMin<qint64>(first / kCheckpointRows, qint64(cp->second.size())));
        if (j > 0) {
            start = cp->second[j - 1];
            k = qint64(j) * kCheckpointRows;
        }
    }
    for (CellWalker w(text, start, text.size(), m_columns, k); !w.atEnd(); w.skipPlain()) {
        if (w->row == k)
            continue;
        if (k >= first && !f(k, {line, start, w->pos}))
            return;
        if (k >= last)
            return;
        k = w->row;
        start = w->pos;
    }
    if (k >= first)
        f(k, {line, start, text.size()});
}

TextPos TerminalLayout::positionAt(qint64 row, qreal col) const
{
    row = qMax<qint64>(0, row);
    const qsizetype line = lineOfRow(row);
    const qint64 k = row - m_rowOf[line];
    TextPos result = lineEnd(line); // below the last row of the last line: the end of the text
    forLineRows(line, k, k, [&](qint64, Row r) {
        result.col = r.end;
        for (CellWalker c = cells(r); !c.atEnd(); c.next()) {
            if (col < c->col + c->width / 2.0) {
                result.col = c->pos;
                break;
            }
        }
        return false;
    });
    return result;
}

std::pair<qsizetype, qsizetype> TerminalLayout::span(Row r, qsizetype from, qsizetype to, bool breakToo) const
{
    qsizetype a = -1, b = -1, cols = 0;
    for (CellWalker c = cells(r); !c.atEnd(); c.next()) {
        if (a < 0 && c->pos >= from)
            a = c->col;
        if (b < 0 && c->pos >= to)
            b = c->col;
        cols = c.used();
    }
    if (a < 0) {
        if (from > r.end)
            return {0, 0};
        a = cols;
    }
    if (b < 0) // to the row's end, and one cell on for the line break after the line's last row
        b = cols + (breakToo && r.end == line(r.line).size() ? 1 : 0);
    return {a, b};
}

QString TerminalLayout::timeText(qsizetype line) const
{
    const qint64 t = m_terminal ? m_terminal->lineTime(line) : -1;
    if (t < 0)
        return {}; // nothing came on it yet
    return QDateTime::fromMSecsSinceEpoch(t).toString(QStringLiteral("HH:mm:ss.zzz ")); // kTimeCells
}

QString TerminalLayout::shownText(TextPos start, TextPos end) const
{
    QString out;
    if (!m_terminal || !(start < end))
        return out;
    end = clamped(end);
    for (qsizetype i = start.line; i <= end.line; ++i) {
        const QStringView text = line(i);
        const qsizetype to = i == end.line ? end.col : text.size();
        qsizetype run = i == start.line ? qMin(start.col, text.size()) : 0;
        if (m_showTimes && run == 0)
            out += timeText(i);
        for (CellWalker c(text, run, to, kUnwrapped); !c.atEnd(); c.skipPlain()) {
            if (!c->caret)
                continue;
            out.append(text.sliced(run, c->pos - run));
            out += u'^';
            out += QChar(c->caret);
            run = c->pos + 1;
        }
        if (run < to)
            out.append(text.sliced(run, to - run));
        if (i < end.line)
            out += u'\n';
    }
    return out;
}

} // namespace tarnwell

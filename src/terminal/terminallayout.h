#pragma once

#include "terminal/charcells.h"
#include "terminal/lineindex.h"
#include "terminal/screenlines.h"
#include "terminal/textfinder.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace tarnwell {

class Terminal;

// One character of a line on the grid: where it is in the line and where it sits on the rows.
struct Cell {
    qsizetype pos = 0;  // where the character begins in its line
    qint64 row = 0;     // the row of its line it is on
    qsizetype col = 0;  // its first cell in that row
    int units = 0;      // UTF-16 units: 2 for a character beyond the BMP
    int width = 0;      // cells: 1, or 2 for a wide character or a caret pair
    char16_t caret = 0; // a control character: the letter shown after '^'; 0 for any other
    bool plain = false; // printable ASCII
};

// Walks the cells of a line's characters [from, to), breaking rows at `columns` cells: a
// character that does not fit in what is left of a row begins the next one, unless the row is
// empty (a wide character on a one-column grid overhangs). A walk may start anywhere a row
// starts, or where an earlier walk ended (its row() and used()), so that text appended to a line
// is wrapped on from where the line stood. The one place that says how characters fill rows.
class CellWalker {
public:
    CellWalker(QStringView line, qsizetype from, qsizetype to, qsizetype columns, qint64 row = 0, qsizetype used = 0)
        : m_d(line.data()), m_end(to), m_columns(columns)
    {
        m_cell.pos = from;
        m_cell.row = row;
        m_cell.col = used;
        if (from < to)
            measure();
    }

    bool atEnd() const { return m_cell.pos >= m_end; }
    const Cell &operator*() const { return m_cell; }
    const Cell *operator->() const { return &m_cell; }
    void next()
    {
        m_cell.pos += m_cell.units;
        m_cell.col += m_cell.width;
        m_cell.width = m_cell.units = 0;
        if (m_cell.pos < m_end)
            measure();
    }
    // Moves on as next() does, over the printable ASCII that follows in the same row at once: for
    // walks that look only at the rows' starts and at the characters that are not plain.
    void skipPlain()
    {
        if (!m_cell.plain) {
            next();
            return;
        }
        const qsizetype stop = m_cell.pos + qMin(m_columns - m_cell.col, m_end - m_cell.pos);
        qsizetype p = m_cell.pos + 1;
        while (p < stop && charcells::isPlain(m_d[p].unicode()))
            ++p;
        m_cell.col += p - m_cell.pos;
        m_cell.pos = p;
        m_cell.width = m_cell.units = 0;
        if (p < m_end)
            measure();
    }
    // Where the walk stands at its end: the row and the cells used in it.
    qint64 row() const { return m_cell.row; }
    qsizetype used() const { return m_cell.col + m_cell.width; }

private:
    void measure()
    {
        const char16_t c = m_d[m_cell.pos].unicode();
        m_cell.units = 1;
        m_cell.caret = 0;
        m_cell.plain = charcells::isPlain(c);
        if (m_cell.plain) {
            m_cell.width = 1;
        } else if (charcells::isControl(c)) {
            m_cell.width = 2;
            m_cell.caret = charcells::caretOf(c);
        } else if (QChar::isHighSurrogate(c) && m_cell.pos + 1 < m_end && m_d[m_cell.pos + 1].isLowSurrogate()) {
            m_cell.units = 2;
            m_cell.width = charcells::cellsOf(QChar::surrogateToUcs4(c, m_d[m_cell.pos + 1].unicode()));
        } else {
            m_cell.width = charcells::cellsOf(c);
        }
        if (m_cell.col > 0 && m_cell.col + m_cell.width > m_columns) {
            ++m_cell.row;
            m_cell.col = 0;
        }
    }

    const QChar *m_d;
    qsizetype m_end;
    qsizetype m_columns;
    Cell m_cell;
};

// The terminal text laid out on a grid of fixed-pitch cells: the lines as drawn (ScreenLines,
// which leaves out each line's break, its LF and the CRs before it), each wrapped into rows at a
// number of columns, with each line's arrival time before its first row while times are shown.
// Keeps beside the lines only the first row of each line (a few bytes a line), where the last
// line stands, and where every 64th row of a very long line starts, so that taking in new text
// costs the size of that text and finding any row costs at most 64 rows of its line. Answers which characters a row holds, which row and character lie under a cell,
// and what a stretch of text looks like when copied; painting, hit-testing, selection and find in
// the pane all go through it.
class TerminalLayout {
public:
    struct Row { // characters [start, end) of a line
        qsizetype line = 0, start = 0, end = 0;
    };
    static constexpr int kTimeCells = 13; // "HH:MM:SS.mmm "

    void setTerminal(const Terminal *terminal);
    // The grid's width in cells, the time column included; the text gets the rest, one at least.
    void setWidth(int cells);
    int width() const { return m_width; }
    int columnsFor(int cells) const { return qMax(1, cells - prefixCells()); }
    int columns() const { return m_columns; }
    // Every control character in caret notation, nothing acted on (see ScreenLines).
    void setShowControls(bool on);
    bool showControls() const { return m_lines.showControls(); }
    // Each line's arrival time in the kTimeCells before its first row.
    void setShowTimes(bool on);
    bool showTimes() const { return m_showTimes; }
    int prefixCells() const { return m_showTimes ? kTimeCells : 0; }
    // Lays the whole text out again from its start (after it was emptied).
    void relayout();
    // Lays out the text received since; true when there was any.
    bool takeIn();

    const ScreenLines &lines() const { return m_lines; }
    qsizetype lineCount() const { return m_lines.count(); }
    QStringView line(qsizetype i) const { return m_lines.line(i); }
    TextPos lineEnd(qsizetype i) const { return {i, m_lines.line(i).size()}; }
    TextPos textEnd() const { return lineEnd(lineCount() - 1); }
    TextPos clamped(TextPos p) const;

    qint64 rowCount() const { return m_rowOf.back() + m_last.row + 1; }
    qint64 firstRow(qsizetype line) const { return m_rowOf[line]; }
    qsizetype lineOfRow(qint64 row) const;
    // The row holding a place; a place at a row's end belongs to the next row of its line.
    qint64 rowOf(TextPos p) const;
    // Calls f(row, r) for rows first..last of the text, top to bottom, while f returns true.
    void forRows(qint64 first, qint64 last, const std::function<bool(qint64, Row)> &f) const;
    // The cells of a row, columns counted from its start.
    CellWalker cells(Row r) const { return {line(r.line), r.start, r.end, m_columns}; }

    // The place under a point of a row: `col` is in cells from the text's left edge; the left
    // half of a character's cells means before it, the right half after it. Past the end of a
    // row, its end; below the text, the end of the text.
    TextPos positionAt(qint64 row, qreal col) const;
    // The columns [first, second) of a row covered by characters [from, to) of its line; empty
    // (first >= second) when none is. breakToo adds a cell after the line's last character for its
    // line break.
    std::pair<qsizetype, qsizetype> span(Row r, qsizetype from, qsizetype to, bool breakToo) const;

    // A line's arrival time as shown (kTimeCells characters); empty while nothing came on it.
    QString timeText(qsizetype line) const;
    // The text as drawn from start to end, lines joined by LF and not wrapped, controls in caret
    // notation, and each line begun whole led by its time while times are shown.
    QString shownText(TextPos start, TextPos end) const;

private:
    // Calls f(k, r) for the rows k = first..last of one line, in order, while f returns true.
    void forLineRows(qsizetype line, qint64 first, qint64 last, const std::function<bool(qint64, Row)> &f) const;
    void wrap(qsizetype line, QStringView text, qsizetype from);

    const Terminal *m_terminal = nullptr;
    ScreenLines m_lines;
    int m_width = 80;
    int m_columns = 80;
    bool m_showTimes = false;
    // First row of each line at the current width; where the last line's walk stands in m_last.
    LineIndex m_rowOf;
    struct Stand {
        qint64 row = 0;     // rows completed before the current one
        qsizetype used = 0; // cells used in the current row
    };
    Stand m_last;
    qsizetype m_lastLength = 0; // characters of the last line taken into m_last
    // Where every kCheckpointRows-th row of a very long line starts.
    std::map<qsizetype, std::vector<qsizetype>> m_checkpoints;
    static constexpr qint64 kCheckpointRows = 64;
};

} // namespace tarnwell

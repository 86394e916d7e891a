#pragma once

#include "console/lineindex.h"
#include "console/screenlines.h"
#include "console/textfinder.h"

#include <QAbstractScrollArea>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <map>
#include <vector>

class QLineEdit;
class QMenu;

namespace tarnwell {

class Terminal;

// The terminal pane: paints the rows in view from the lines as drawn (ScreenLines), white on
// black in a fixed-pitch face, wrapped at the pane's width; control characters left in a line
// show in caret notation (^H, ^[, ^M) in a dimmer colour. A row index per line (for the current
// width) is the only thing kept beside the lines; each receive costs the size of what was
// received. New output keeps the view at the bottom only when it was at the bottom, and leaves
// the selection alone. Selection, copy, find and saving use the text as drawn.
class TerminalView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TerminalView(QWidget *parent = nullptr);

    void attach(Terminal *terminal);
    // Takes in whatever was received but not yet shown (tests, benchmarks).
    void flush();
    bool hasPending() const;

    // The selection, [start, end); empty when nothing is selected.
    TextPos selectionStart() const { return qMin(m_anchor, m_cursor); }
    TextPos selectionEnd() const { return qMax(m_anchor, m_cursor); }
    bool hasSelection() const { return m_anchor != m_cursor; }
    void select(TextPos start, TextPos end);
    void selectAll();
    void copy() const;
    // The text as drawn, lines joined by LF and not wrapped, controls in caret notation.
    QString shownText(TextPos start, TextPos end) const;
    QString shownText() const;
    QString selectedText() const { return shownText(selectionStart(), selectionEnd()); }
    // What the pane shows in its rows now, top to bottom (rows below the text are left out).
    QStringList visibleRows() const;
    int columns() const { return m_cols; }

    // Every control character in caret notation, nothing acted on (the context menu's 显示控制字符).
    void setShowControls(bool on);
    bool showControls() const { return m_lines.showControls(); }
    // Each line's arrival time (HH:MM:SS.mmm) drawn before its first row (the context menu's
    // 显示时间); copied and saved with the line while shown.
    void setShowTimes(bool on);
    bool showTimes() const { return m_showTimes; }

    // The find field: open with Ctrl+F or 查找…; Enter/F3 and Shift+Enter/Shift+F3 step, Esc closes.
    void openFind();
    QLineEdit *findField() const { return m_findField; }
    // Selects the next (or previous) match of the find field's text and scrolls to it; false
    // when there is none.
    bool findNext(bool backward = false);

    // Writes the text as drawn to a file as UTF-8; throws Error when it cannot.
    void saveTo(const QString &path) const;
    // Asks where to save; replaceable so that tests need no dialog. Empty means cancelled.
    std::function<QString(QWidget *parent)> chooseSaveFile;
    // A checkable entry of the context menu's view options (显示控制字符 is the first).
    void addViewOption(const QString &text, std::function<bool()> isOn, std::function<void(bool)> set);
    // 复制, 全选, 查找…, the view options, 保存到文件…, 清屏; the caller owns it.
    QMenu *createContextMenu();

    static constexpr int kBatchMs = 15;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Wrap { // wrapping state inside one line
        qint64 rows = 0; // rows completed before the current one
        int cells = 0;   // cells used in the current row
    };
    struct Row { // columns [start, end) of a line
        qsizetype line, start, end;
    };
    struct ViewOption {
        QString text;
        std::function<bool()> isOn;
        std::function<void(bool)> set;
    };

    bool takeIn(); // indexes the rows of text received since; true when there was any
    void sync();   // takes in the received text; the view follows it only from the bottom
    void rewrap(); // after a change of width, font or view option, or an emptying
    void advance(Wrap &w, qsizetype line, QStringView text, qsizetype from, qsizetype to);
    void updateMetrics();
    void updateScrollRange();
    void saveToFileAsked();
    void placeFindField();
    void scrollToLine(TextPos pos);
    int columnsForWidth() const; // text columns at the viewport's width
    qreal textLeft() const; // where the first text column begins
    QString timeText(qsizetype line) const; // kTimeCells characters; empty before any came
    qsizetype lineCount() const { return m_lines.count(); }
    qsizetype lineOfRow(qint64 row) const;
    TextPos lineEnd(qsizetype line) const { return {line, m_lines.line(line).size()}; }
    TextPos clamped(TextPos p) const;
    // Calls f(k, row) for the rows k = first..last of a line, in order, while f returns true.
    void forRows(qsizetype line, qint64 first, qint64 last, const std::function<bool(qint64, Row)> &f) const;
    TextPos positionAt(QPoint p) const;
    void forVisibleRows(const std::function<void(int, Row)> &f) const;
    void paintRow(QPainter &p, Row row, int y) const;
    void fillCells(QPainter &p, QStringView text, Row row, int y, qsizetype from, qsizetype to, bool breakToo,
                   const QColor &colour) const;

    QPointer<Terminal> m_terminal;
    ScreenLines m_lines;
    TextFinder m_finder{m_lines};
    QTimer m_batch;
    qreal m_cellW = 8;
    int m_lineH = 16;
    int m_ascent = 12;
    int m_cols = 80;
    // First shown row of each line at the current width; rows of the last line in m_last.
    LineIndex m_rowOf;
    Wrap m_last;
    qsizetype m_lastLength = 0; // characters of the last line taken into m_last
    // Where every kCheckpointRows-th row of a very long line starts, so that drawing a row in
    // the middle of one endless line scans at most that many rows.
    std::map<qsizetype, std::vector<qsizetype>> m_checkpoints;
    static constexpr qint64 kCheckpointRows = 64;

    TextPos m_anchor;
    TextPos m_cursor;
    bool m_dragging = false;
    bool m_doubleClicked = false; // a press soon after a double click selects the line
    quint64 m_doubleClickTime = 0;
    QPoint m_doubleClickAt;

    QLineEdit *m_findField = nullptr;
    TextPos m_findFrom; // where the text typed into the find field is looked for from
    std::vector<ViewOption> m_viewOptions;
    bool m_showTimes = false;
    static constexpr int kTimeCells = 13; // "HH:MM:SS.mmm "
};

} // namespace tarnwell

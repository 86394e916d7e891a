#pragma once

#include <QAbstractScrollArea>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <deque>
#include <map>
#include <vector>

class QMenu;

namespace tarnwell {

class Terminal;

// The terminal pane: paints the rows in view straight from a Terminal's text and line index,
// white on black in a fixed-pitch face, wrapped at the pane's width. CR LF and LF break lines;
// every other control character is shown in caret notation (^H, ^[, ^M) in a dimmer colour and
// never acted on. A row index per line (for the current width) is the only thing kept beside
// the text; each receive costs the size of what was received.
class TerminalView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TerminalView(QWidget *parent = nullptr);

    void attach(Terminal *terminal);
    // Takes in whatever was received but not yet shown (tests, benchmarks).
    void flush();
    bool hasPending() const;

    // The selection as offsets into the terminal text, [start, end); empty when nothing is selected.
    qsizetype selectionStart() const { return qMin(m_anchor, m_cursor); }
    qsizetype selectionEnd() const { return qMax(m_anchor, m_cursor); }
    void select(qsizetype start, qsizetype end);
    void selectAll();
    void copy() const;
    // The text as shown, lines joined by LF and not wrapped; a range of the terminal text.
    QString shownText(qsizetype start = 0, qsizetype end = -1) const;
    QString selectedText() const { return shownText(selectionStart(), selectionEnd()); }
    // What the pane shows in its rows now, top to bottom (rows below the text are left out).
    QStringList visibleRows() const;
    int columns() const { return m_cols; }

    // Writes the terminal text to a file as UTF-8; throws Error when it cannot.
    void saveTo(const QString &path) const;
    // Asks where to save; replaceable so that tests need no dialog. Empty means cancelled.
    std::function<QString(QWidget *parent)> chooseSaveFile;
    QMenu *createContextMenu(); // 复制, 全选, 保存到文件…, 清屏; the caller owns it

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

private:
    struct Wrap { // wrapping state inside one line
        qint64 rows = 0; // rows completed before the current one
        int cells = 0;   // cells used in the current row
    };
    struct Row {
        qsizetype start, end;
    };

    bool takeIn(); // indexes the rows of text received since; true when there was any
    void sync();   // takes in the received text and shows the newest output
    void rewrap(); // after a change of width or font, or an emptying
    void advance(Wrap &w, qsizetype line, qsizetype from, qsizetype to);
    void updateMetrics();
    void updateScrollRange();
    void saveToFileAsked();
    qsizetype lineCount() const { return qsizetype(m_rowOf.size()); }
    qsizetype lineOfRow(qint64 row) const;
    qsizetype contentEnd(qsizetype line) const; // end of the shown part of a line
    // Calls f(k, row) for the rows k = first..last of a line, in order, while f returns true.
    void forRows(qsizetype line, qint64 first, qint64 last, const std::function<bool(qint64, Row)> &f) const;
    qsizetype positionAt(QPoint p) const;
    void forVisibleRows(const std::function<void(int, Row)> &f) const;
    void paintRow(QPainter &p, Row row, int y) const;

    QPointer<Terminal> m_terminal;
    QTimer m_batch;
    qreal m_cellW = 8;
    int m_lineH = 16;
    int m_ascent = 12;
    int m_cols = 80;
    // First shown row of each line at the current width; rows of the last line in m_last. The
    // scroll bar counts rows in an int, so rows beyond its reach are all counted as its end.
    std::deque<qint32> m_rowOf{0};
    Wrap m_last;
    qsizetype m_synced = 0;   // terminal text taken in up to here
    bool m_pendingCr = false; // the text ends in a CR that may turn out to be half a CR LF
    // Where every kCheckpointRows-th row of a very long line starts, so that drawing a row in
    // the middle of one endless line scans at most that many rows.
    std::map<qsizetype, std::vector<qsizetype>> m_checkpoints;
    static constexpr qint64 kCheckpointRows = 64;

    qsizetype m_anchor = 0;
    qsizetype m_cursor = 0;
    bool m_dragging = false;
    bool m_doubleClicked = false; // a press soon after a double click selects the line
    quint64 m_doubleClickTime = 0;
    QPoint m_doubleClickAt;
};

} // namespace tarnwell

#pragma once

#include "terminal/terminallayout.h"
#include "terminal/textfinder.h"

#include <QAbstractScrollArea>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QMenu;

namespace tarnwell {

class Terminal;

// The terminal pane: paints the rows in view of the text as laid out at the pane's width
// (TerminalLayout), white on black in a fixed-pitch face; control characters left in a line show
// in caret notation (^H, ^[, ^M) in a dimmer colour. Each receive costs the size of what was
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
    int columns() const { return m_layout.columns(); }

    // Every control character in caret notation, nothing acted on (the context menu's 显示控制字符).
    void setShowControls(bool on);
    bool showControls() const { return m_layout.showControls(); }
    // Each line's arrival time (HH:MM:SS.mmm) drawn before its first row (the context menu's
    // 显示时间); copied and saved with the line while shown.
    void setShowTimes(bool on);
    bool showTimes() const { return m_layout.showTimes(); }

    // The find field: open with Ctrl+F or 查找…; Enter/F3 and Shift+Enter/Shift+F3 step, Esc closes.
    void openFind();
    QLineEdit *findField() const { return m_findField; }
    // Selects the next (or previous) match of the find field's text and scrolls to it; false
    // when there is none.
    bool findNext(bool backward = false);

    // What the find field reports: "没有找到", or which match is selected of how many.
    QString findStatus() const;

    // Keys typed in the pane go to the switch as typed, one at a time (consolekeys.h says what
    // each sends): through this, which says whether it took them. Keys it does not take (or all
    // keys, when unset) keep their ordinary effect and reach the window.
    std::function<bool(const QString &keys)> typeToSwitch;

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
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    using Row = TerminalLayout::Row;
    struct ViewOption {
        QString text;
        std::function<bool()> isOn;
        std::function<void(bool)> set;
    };

    void sync(); // takes in the received text; the view follows it only from the bottom
    // Lays the text out again after `change` (of width, font or view option, or an emptying),
    // keeping the line at the top in view, or the bottom when the view was there.
    void rewrap(const std::function<void()> &change);
    void updateMetrics();
    void updateScrollRange();
    void saveToFileAsked();
    void placeFindField();
    void scrollToLine(TextPos pos);
    void showFindStatus();
    void publishSelection() const; // to the X primary selection, for a middle click elsewhere
    int cellsForWidth() const; // cells across the viewport, the time column included
    qreal textLeft() const;    // where the first text column begins
    TextPos positionAt(QPoint p) const;
    void forVisibleRows(const std::function<void(int, Row)> &f) const;
    void paintRow(QPainter &p, Row row, int y, const TextMatcher *found) const;
    void fillCells(QPainter &p, Row row, int y, qsizetype from, qsizetype to, bool breakToo, const QColor &colour) const;

    QPointer<Terminal> m_terminal;
    TerminalLayout m_layout;
    TextFinder m_finder{m_layout.lines()};
    QTimer m_batch;
    qreal m_cellW = 8;
    int m_lineH = 16;
    int m_ascent = 12;

    TextPos m_anchor;
    TextPos m_cursor;
    bool m_dragging = false;
    bool m_doubleClicked = false; // a press soon after a double click selects the line
    quint64 m_doubleClickTime = 0;
    QPoint m_doubleClickAt;

    QLineEdit *m_findField = nullptr;
    QLabel *m_findStatus = nullptr;
    TextPos m_findFrom; // where the text typed into the find field is looked for from
    std::vector<ViewOption> m_viewOptions;
};

} // namespace tarnwell

#pragma once

#include <QString>
#include <QStringView>

#include <utility>
#include <vector>

namespace tarnwell {

class Terminal;

// The terminal text as a terminal screen shows it, one entry per line of the received text: the
// switch's line editing is carried out — backspace moves left, ESC[nD and ESC[nC move left and
// right, ESC[K clears to the line's end, a lone CR returns to the line's start — so the pager's
// erase and the echo of a deleted character leave what a real console shows. Every other
// control character, and an escape sequence it does not know, stays in the line as received
// (the pane shows it in caret notation). With showControls on, nothing is acted on and each line
// is its received text.
//
// A line without control characters costs nothing here: it is read from the received text. Only
// lines the editing changed are kept, one after another in one string.
class ScreenLines {
public:
    explicit ScreenLines(const Terminal *terminal = nullptr) : m_terminal(terminal) {}

    void setTerminal(const Terminal *terminal);
    void setShowControls(bool on);
    bool showControls() const { return m_showControls; }
    // Forgets what was taken in; the next takeIn() starts at the beginning of the text.
    void reset();

    // Takes in the text received since the last call. Returns the first column of the line open
    // before the call (line count() - 1 then) that changed other than by growing at its end;
    // larger than its length when it only grew.
    qsizetype takeIn();
    qsizetype taken() const { return m_taken; }
    // The received text taken in.
    QStringView received() const;

    qsizetype count() const { return m_count; } // the finished lines and the open last one
    QStringView line(qsizetype i) const;
    // Where line i begins in the received text, and whether its text as drawn is kept here
    // (differs from what was received).
    qint64 receivedStart(qsizetype i) const;
    bool isRedrawn(qsizetype i) const;
    // The finished redrawn lines, one after another, and where each begins in that text.
    QStringView redrawnText() const { return m_redrawn; }
    const std::vector<std::pair<qsizetype, qsizetype>> &redrawnLines() const { return m_redrawnAt; }
    bool editingOpenLine() const { return m_editing; }
    // Where the far end's cursor stands in the open line: after its text, or where the editing
    // (backspaces, cursor moves) left it.
    qsizetype cursorColumn() const { return m_editing ? m_cursor : line(m_count - 1).size(); }
    // The line holding a place in the received text.
    qsizetype lineAt(qsizetype received) const;

private:
    void startEditing(qsizetype upTo); // takes over the open line's received text
    void put(QChar c);
    void escape(QChar c);
    void flushEscape();
    void setCursor(qsizetype col);
    void finishLine(qsizetype lf);
    QStringView withoutBreak(QStringView line) const;

    const Terminal *m_terminal;
    bool m_showControls = false;
    qsizetype m_taken = 0;     // received text taken in up to here
    qsizetype m_count = 1;
    qsizetype m_lineStart = 0; // where the open line begins in the received text
    bool m_pendingCr = false;  // the text taken in ends in CRs: a line break or a return

    // The open line while it is being edited.
    bool m_editing = false;
    QString m_buf;
    qsizetype m_cursor = 0;
    QString m_escape; // an escape sequence begun and not finished
    qsizetype m_changedFrom = 0;
    bool m_trackChanges = false;

    // The finished lines the editing changed: (line, where its text begins in m_redrawn).
    std::vector<std::pair<qsizetype, qsizetype>> m_redrawnAt;
    QString m_redrawn;
};

} // namespace tarnwell

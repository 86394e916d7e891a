#pragma once

#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>

namespace tarnwell {

class Terminal;

// The terminal pane: draws a Terminal's text, white on black, read-only. Received text is
// batched and drawn at most every few milliseconds, so a flood neither starves input nor
// re-lays-out the document per chunk; the caret then goes to the end to show the newest output.
class TerminalView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TerminalView(QWidget *parent = nullptr);

    void attach(Terminal *terminal);
    // Draws whatever is still pending now (tests and the capture use it).
    void flush();
    bool hasPending() const { return m_drawn < m_pending.size(); }

    static constexpr int kBatchMs = 15;
    static constexpr qsizetype kMaxDrawChars = 32 * 1024;
    // A shown line longer than this is broken (display only): the text box lays a whole line
    // out again on every insert, so output without line feeds (lone CRs, one endless line)
    // would make each receive cost more than the last and freeze the window.
    static constexpr qsizetype kMaxLineChars = 2048;

private:
    bool drawSome(); // draws one bounded piece; true while more is pending
    void drawBatch();
    void queue(const QString &text);
    QString withLineBreaks(QStringView piece); // counts the open line in m_lineChars
    void clearAll();

    QPointer<Terminal> m_terminal;
    QString m_pending; // received, not yet drawn from m_drawn on
    qsizetype m_drawn = 0;
    qsizetype m_lineChars = 0; // characters drawn since the last line break
    QTimer m_batch;
};

} // namespace tarnwell

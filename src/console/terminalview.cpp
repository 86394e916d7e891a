#include "console/terminalview.h"

#include "console/terminal.h"

#include <QScrollBar>
#include <QTextCursor>

namespace tarnwell {

TerminalView::TerminalView(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Text, Qt::white);
    setPalette(pal);
    m_batch.setSingleShot(true);
    m_batch.setInterval(kBatchMs);
    connect(&m_batch, &QTimer::timeout, this, &TerminalView::drawBatch);
}

void TerminalView::attach(Terminal *terminal)
{
    if (m_terminal)
        m_terminal->disconnect(this);
    m_terminal = terminal;
    connect(terminal, &Terminal::displayAppended, this, &TerminalView::queue);
    connect(terminal, &Terminal::cleared, this, &TerminalView::clearAll);
}

void TerminalView::queue(const QString &text)
{
    m_pending += text;
    if (!m_batch.isActive())
        m_batch.start(kBatchMs);
}

void TerminalView::flush()
{
    m_batch.stop();
    while (drawSome()) {
    }
}

bool TerminalView::drawSome()
{
    const qsizetype left = m_pending.size() - m_drawn;
    if (left <= 0)
        return false;
    // Draw from a read position; the backlog is dropped only once it is all drawn, so a large
    // backlog is never moved piece by piece.
    const qsizetype n = qMin(left, kMaxDrawChars);
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(withLineBreaks(QStringView(m_pending).mid(m_drawn, n)));
    m_drawn += n;
    if (m_drawn < m_pending.size())
        return true;
    m_pending.clear();
    m_drawn = 0;
    // Caret and view follow the newest output once everything is drawn.
    setTextCursor(end);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    return false;
}

QString TerminalView::withLineBreaks(QStringView piece)
{
    QString out;
    out.reserve(piece.size() + piece.size() / kMaxLineChars + 1);
    qsizetype from = 0;
    while (from < piece.size()) {
        const qsizetype lf = piece.indexOf(u'\n', from);
        const qsizetype end = lf < 0 ? piece.size() : lf;
        while (end - from > kMaxLineChars - m_lineChars) {
            qsizetype take = kMaxLineChars - m_lineChars;
            if (take > 0 && piece.at(from + take - 1).isHighSurrogate())
                --take; // never split a character
            out += piece.mid(from, take);
            out += u'\n';
            from += take;
            m_lineChars = 0;
        }
        out += piece.mid(from, end - from);
        m_lineChars += end - from;
        if (lf < 0)
            break;
        out += u'\n';
        m_lineChars = 0;
        from = lf + 1;
    }
    return out;
}

void TerminalView::drawBatch()
{
    // Draw a bounded piece per event-loop round, so typed keys are never stuck behind a flood.
    if (drawSome())
        m_batch.start(0);
}

void TerminalView::clearAll()
{
    m_batch.stop();
    m_pending.clear();
    m_drawn = 0;
    m_lineChars = 0;
    clear();
}

} // namespace tarnwell

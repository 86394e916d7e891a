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
    if (m_pending.isEmpty())
        return false;
    QString part;
    if (m_pending.size() <= kMaxDrawChars) {
        part.swap(m_pending);
    } else {
        part = m_pending.left(kMaxDrawChars);
        m_pending.remove(0, kMaxDrawChars);
    }
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(part);
    if (!m_pending.isEmpty())
        return true;
    // Caret and view follow the newest output once everything is drawn.
    setTextCursor(end);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    return false;
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
    clear();
}

} // namespace tarnwell

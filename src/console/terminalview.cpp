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
    connect(&m_batch, &QTimer::timeout, this, &TerminalView::flush);
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
        m_batch.start();
}

void TerminalView::flush()
{
    m_batch.stop();
    if (m_pending.isEmpty())
        return;
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(m_pending);
    m_pending.clear();
    setTextCursor(end);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TerminalView::clearAll()
{
    m_batch.stop();
    m_pending.clear();
    clear();
}

} // namespace tarnwell

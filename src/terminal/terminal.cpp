#include "terminal/terminal.h"

#include <QDateTime>

namespace tarnwell {

void Terminal::append(const QString &received)
{
    if (received.isEmpty())
        return;
    grow(received);
    emit this->received(received);
}

void Terminal::note(const QString &line)
{
    const bool lineOpen = !m_text.isEmpty() && !m_text.endsWith(u'\n');
    grow((lineOpen ? QStringLiteral("\r\n") : QString()) + line + QStringLiteral("\r\n"));
}

void Terminal::grow(const QString &text)
{
    const qsizetype from = m_text.size();
    m_text += text;
    const QStringView chunk(text);
    for (qsizetype lf = chunk.indexOf(u'\n'); lf >= 0; lf = chunk.indexOf(u'\n', lf + 1))
        m_lineStarts.push_back(from + lf + 1);
    // Each line that now holds a character gets the time it came.
    if (m_timed < m_lineStarts.size() && m_lineStarts[m_timed] < m_text.size()) {
        if (!clock && !m_sinceStart.isValid()) {
            m_epochStart = QDateTime::currentMSecsSinceEpoch();
            m_sinceStart.start();
        }
        const qint64 now = clock ? clock() : m_epochStart + m_sinceStart.elapsed();
        for (; m_timed < m_lineStarts.size() && m_lineStarts[m_timed] < m_text.size(); ++m_timed) {
            if (m_timed == 0)
                m_times.reset(now);
            else
                m_times.push_back(qMax(now, m_times.back()));
        }
    }
    emit appended(from);
}

void Terminal::clear()
{
    m_text.clear();
    m_text.squeeze();
    m_lineStarts.reset(0);
    m_times.reset(0);
    m_timed = 0;
    emit cleared();
}

} // namespace tarnwell

#include "moc_terminal.cpp" // compiled with this file (and its library's unit), not on its own

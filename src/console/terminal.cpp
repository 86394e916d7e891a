#include "console/terminal.h"

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
    emit appended(from);
}

void Terminal::clear()
{
    m_text.clear();
    m_text.squeeze();
    m_lineStarts.reset(0);
    emit cleared();
}

} // namespace tarnwell

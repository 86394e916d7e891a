#include "console/terminal.h"

namespace tarnwell {

void Terminal::append(const QString &received)
{
    if (received.isEmpty())
        return;
    const qsizetype from = m_text.size();
    m_text += received;
    const QStringView chunk(received);
    for (qsizetype lf = chunk.indexOf(u'\n'); lf >= 0; lf = chunk.indexOf(u'\n', lf + 1))
        m_lineStarts.push_back(from + lf + 1);
    emit appended(from);
    emit this->received(received);
}

void Terminal::clear()
{
    m_text.clear();
    m_text.squeeze();
    m_lineStarts.reset(0);
    emit cleared();
}

} // namespace tarnwell

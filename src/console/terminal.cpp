#include "console/terminal.h"

namespace tarnwell {

void Terminal::append(const QString &received)
{
    if (received.isEmpty())
        return;
    m_text += received;
    emit this->received(received);
    const QString shown = m_filter.filter(received);
    if (!shown.isEmpty())
        emit displayAppended(shown);
}

void Terminal::clear()
{
    m_text.clear();
    m_text.squeeze();
    m_filter.reset();
    emit cleared();
}

} // namespace tarnwell

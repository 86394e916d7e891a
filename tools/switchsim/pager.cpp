#include "pager.h"

namespace tarnwell::sim {

void Pager::show(int count, std::string &out)
{
    for (int i = 0; i < count && m_next < m_lines.size(); ++i)
        out += m_lines[m_next++] + "\r\n";
    if (m_next < m_lines.size())
        out += kMore;
    else
        m_done = true;
}

void Pager::key(char c, std::string &out)
{
    if (m_done)
        return;
    switch (c) {
    case ' ':
        out += m_wipe;
        show(kPageLines, out);
        break;
    case '\r':
    case '\n':
        out += m_wipe;
        show(1, out);
        break;
    case 'q':
    case 'Q':
    case 0x03:
        out += m_wipe;
        m_done = true;
        break;
    default:
        break;
    }
}

} // namespace tarnwell::sim

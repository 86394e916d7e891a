#include "lineeditor.h"

namespace tarnwell::sim {

LineEditor::Key LineEditor::feed(char c, std::string &out)
{
    const auto byte = static_cast<unsigned char>(c);
    if (m_escape) {
        // ESC [ A and the like: the cursor keys are not supported, and must not become text.
        m_escape = (m_escape == 2 && c == '[') ? 1 : 0;
        return Key::None;
    }
    switch (byte) {
    case '\r':
    case '\n':
        return Key::Enter;
    case 0x08:
    case 0x7f:
        if (!m_text.empty()) {
            m_text.pop_back();
            if (m_echo)
                out += "\b \b";
        }
        return Key::None;
    case 0x03:
        return Key::CtrlC;
    case 0x0b:
        return Key::CtrlK;
    case 0x1a:
        return Key::CtrlZ;
    case 0x1b:
        m_escape = 2;
        return Key::None;
    case '\t':
        return m_commandKeys ? Key::Tab : Key::None;
    case '?':
        if (m_commandKeys)
            return Key::Help;
        break;
    default:
        if (byte < 0x20)
            return Key::None;
        break;
    }
    append(std::string_view(&c, 1), out);
    return Key::None;
}

void LineEditor::append(std::string_view s, std::string &out)
{
    for (char c : s) {
        if (m_text.size() >= kMaxLength)
            return;
        m_text += c;
        if (m_echo)
            out += c;
    }
}

} // namespace tarnwell::sim

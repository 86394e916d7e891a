#pragma once

#include <string>
#include <string_view>

namespace tarnwell::sim {

// One input line typed byte by byte: printable bytes are kept and echoed (not while a password
// is typed), backspace and DEL remove the last byte. Line ends and control keys are reported to
// the caller, which decides what they mean in its mode. A line feed right after a carriage
// return is dropped before bytes reach the editor.
class LineEditor {
public:
    enum class Key { None, Enter, Tab, Help, CtrlC, CtrlK, CtrlZ };

    // Feeds one byte; echo goes to `out`. `commandKeys` makes Tab and '?' keys rather than text.
    Key feed(char c, std::string &out);

    const std::string &text() const { return m_text; }
    void clear() { m_text.clear(); m_escape = 0; }
    void setEcho(bool echo) { m_echo = echo; }
    void setCommandKeys(bool on) { m_commandKeys = on; }
    // Appends completed text as if typed.
    void append(std::string_view s, std::string &out);

    static constexpr size_t kMaxLength = 254;

private:
    std::string m_text;
    bool m_echo = true;
    bool m_commandKeys = false;
    int m_escape = 0; // bytes of an ESC [ x sequence (cursor keys) still to skip
};

} // namespace tarnwell::sim

#pragma once

#include <QtGlobal>

namespace tarnwell {

// How the terminal pane's grid of fixed-pitch cells takes a character: printable ASCII one cell,
// CJK, Hangul and full-width forms two (the Song faces draw them at full width), and a control
// character two, shown in caret notation (^H, ^[, ^?).
namespace charcells {

constexpr bool isControl(char16_t c)
{
    return c < 0x20 || c == 0x7f;
}

constexpr bool isPlain(char16_t c) // printable ASCII
{
    return c >= 0x20 && c < 0x7f;
}

constexpr bool isWide(char32_t u)
{
    return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0x303E) || (u >= 0x3041 && u <= 0x33FF)
           || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xA000 && u <= 0xA4CF)
           || (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F)
           || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6) || (u >= 0x20000 && u <= 0x3FFFD);
}

// The cells a character takes: 2 for a wide one and for a control character's caret pair.
constexpr int cellsOf(char32_t u)
{
    return u < 0x10000 && isControl(char16_t(u)) ? 2 : isWide(u) ? 2 : 1;
}

// The letter after '^' that stands for a control character.
constexpr char16_t caretOf(char16_t c)
{
    return c == 0x7f ? u'?' : char16_t(c + 0x40);
}

} // namespace charcells
} // namespace tarnwell

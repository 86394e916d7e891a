#pragma once

#include <QString>
#include <Qt>

#include <optional>

namespace tarnwell {

// What a key typed at the console sends to the switch, as a terminal such as PuTTY sends it where
// the switch takes it: Ctrl+<letter> its control character (Ctrl+C 0x03, Ctrl+B 0x02, Ctrl+K
// 0x0B; Ctrl+@ [ \ ] ^ _ too), Enter CR, Backspace BS (as the 退格 button), Tab, Esc, the arrows
// as the VT100 cursor sequences (ESC [ A to D: the switch's command history and line editing).
// A few keys are the window's own and never reach the switch (see windowShortcut).

// The control character of Ctrl+key, or nothing when the key has none.
std::optional<QChar> controlCharacter(int key, Qt::KeyboardModifiers modifiers);

// The window's own keys: Ctrl+V paste, Ctrl+F find, Ctrl+A select all, Ctrl+C copy while
// something is selected (without a selection Ctrl+C goes to the switch), the same with Shift
// held (as Linux terminals have them), Ctrl+Insert copy and Shift+Insert paste.
bool windowShortcut(int key, Qt::KeyboardModifiers modifiers, bool hasSelection);

// What a key pressed in the terminal pane sends, or nothing for a key the pane keeps for
// itself (PgUp, PgDn, the window's shortcuts, Shift with an arrow scrolls) or that sends
// nothing (a lone modifier, F-keys). text is the key's text as the keyboard produced it.
std::optional<QString> paneKeySequence(int key, Qt::KeyboardModifiers modifiers, const QString &text,
                                       bool hasSelection = false);

} // namespace tarnwell

#include "terminal/consolekeys.h"

namespace tarnwell {

namespace {

Qt::KeyboardModifiers meaningful(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

} // namespace

std::optional<QChar> controlCharacter(int key, Qt::KeyboardModifiers modifiers)
{
    if (meaningful(modifiers) != Qt::ControlModifier)
        return std::nullopt;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return QChar(char16_t(key - Qt::Key_A + 1));
    switch (key) {
    case Qt::Key_At:
    case Qt::Key_Space:
        return QChar(char16_t(0x00));
    case Qt::Key_BracketLeft:
        return QChar(char16_t(0x1b));
    case Qt::Key_Backslash:
        return QChar(char16_t(0x1c));
    case Qt::Key_BracketRight:
        return QChar(char16_t(0x1d));
    case Qt::Key_AsciiCircum:
        return QChar(char16_t(0x1e));
    case Qt::Key_Underscore:
        return QChar(char16_t(0x1f));
    default:
        return std::nullopt;
    }
}

bool windowShortcut(int key, Qt::KeyboardModifiers modifiers, bool hasSelection)
{
    const Qt::KeyboardModifiers mods = meaningful(modifiers);
    if ((mods == Qt::ControlModifier && key == Qt::Key_Insert) || (mods == Qt::ShiftModifier && key == Qt::Key_Insert))
        return true;
    if (mods != Qt::ControlModifier && mods != (Qt::ControlModifier | Qt::ShiftModifier))
        return false;
    switch (key) {
    case Qt::Key_V:
    case Qt::Key_F:
    case Qt::Key_A:
        return true;
    case Qt::Key_C:
        return hasSelection || mods != Qt::ControlModifier;
    default:
        return false;
    }
}

std::optional<QString> paneKeySequence(int key, Qt::KeyboardModifiers modifiers, const QString &text,
                                       bool hasSelection)
{
    if (windowShortcut(key, modifiers, hasSelection))
        return std::nullopt;
    const Qt::KeyboardModifiers mods = meaningful(modifiers);
    if (const std::optional<QChar> control = controlCharacter(key, modifiers))
        return QString(*control);
    const bool plain = mods == Qt::NoModifier || mods == Qt::ShiftModifier;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return plain ? std::optional<QString>(QStringLiteral("\r")) : std::nullopt;
    case Qt::Key_Backspace:
        return plain ? std::optional<QString>(QStringLiteral("\b")) : std::nullopt;
    case Qt::Key_Tab:
        return mods == Qt::NoModifier ? std::optional<QString>(QStringLiteral("\t")) : std::nullopt;
    case Qt::Key_Escape:
        return mods == Qt::NoModifier ? std::optional<QString>(QStringLiteral("\x1b")) : std::nullopt;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Right:
    case Qt::Key_Left: {
        if (mods != Qt::NoModifier) // Shift+Up/Down scroll the pane
            return std::nullopt;
        static constexpr char16_t final[] = u"DACB"; // Left, Up, Right, Down: Qt's order
        return QStringLiteral("\x1b[") + QChar(final[key - Qt::Key_Left]);
    }
    default:
        break;
    }
    if (!plain || text.isEmpty())
        return std::nullopt;
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return std::nullopt; // a key whose text is a control character not handled above
    return text;
}

} // namespace tarnwell

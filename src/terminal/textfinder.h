#pragma once

#include <QString>

#include <compare>
#include <optional>

namespace tarnwell {

class ScreenLines;

// A place in the text as drawn: a line and a character of it.
struct TextPos {
    qsizetype line = 0;
    qsizetype col = 0;
    auto operator<=>(const TextPos &) const = default;
};

// Finds text in the lines as drawn, ignoring case, from a place forward or backward and round
// past the end. Lines shown as received are searched in the received text itself and the
// redrawn ones in the one string that holds them, each in one sweep, so that a search through
// tens of megabytes takes a fraction of a second.
class TextFinder {
public:
    struct Match {
        TextPos start;
        qsizetype length;
    };

    explicit TextFinder(const ScreenLines &lines) : m_lines(lines) {}

    // The first match starting at or after `from`, else the first from the top.
    std::optional<Match> next(const QString &needle, TextPos from) const;
    // The last match starting before `before`, else the last one from the bottom.
    std::optional<Match> previous(const QString &needle, TextPos before) const;

private:
    std::optional<Match> forward(const QString &needle, TextPos from, TextPos to) const;
    std::optional<Match> backward(const QString &needle, TextPos from, TextPos to) const;

    const ScreenLines &m_lines;
};

} // namespace tarnwell

#pragma once

#include <QString>

#include <array>
#include <compare>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

class ScreenLines;

// Case-insensitive search for one needle, forward or backward, in time linear in the text
// searched whatever the needle: a Horspool search, which skips most of the text, within a budget
// of comparisons, and past it (a needle whose end recurs all over the text, "baaa…a" in
// "aaaa…") Knuth–Morris–Pratt from there on. A needle of ASCII characters (what one looks for in
// a switch's output) ignores ASCII case, any other one full case folding.
class TextMatcher {
public:
    explicit TextMatcher(const QString &needle);
    qsizetype size() const { return qsizetype(m_forward.chars.size()); }

    // The first match starting at or after `from` that lies wholly in text; -1 when none.
    qsizetype indexIn(QStringView text, qsizetype from = 0) const;
    // The last match starting in [from, before) that lies wholly in text; -1 when none.
    qsizetype lastIndexIn(QStringView text, qsizetype from, qsizetype before) const;
    // Calls f(start) for every match, overlapping ones too, starting at or after `from`.
    void forEachIn(QStringView text, qsizetype from, const std::function<void(qsizetype)> &f) const;

    // The needle folded, in the order it is read in one direction, and its tables.
    struct Pattern {
        std::u16string chars;
        std::array<qsizetype, 256> skip{}; // Horspool's shift by the low byte of the last character
        std::vector<qsizetype> border;     // KMP: the longest proper border of chars[0..k]
    };

private:
    static Pattern pattern(std::u16string chars);

    bool m_ascii = true;
    Pattern m_forward;
    Pattern m_backward;
};

// A place in the text as drawn: a line and a character of it.
struct TextPos {
    qsizetype line = 0;
    qsizetype col = 0;
    auto operator<=>(const TextPos &) const = default;
};

// Finds text in the lines as drawn, ignoring case, from a place forward or backward and round
// past the end. Lines shown as received are searched in the received text itself, in one sweep,
// and the redrawn ones each in its part of the one string that holds them, so that a search
// through tens of megabytes takes a fraction of a second, in time linear in the text.
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
    // How many matches start before `before` (the whole text when not given), counting at most
    // `limit` of them, so that a needle found everywhere in a long session costs no more than that.
    qsizetype count(const QString &needle, std::optional<TextPos> before = std::nullopt, qsizetype limit = 9999) const;

private:
    std::optional<Match> forward(const QString &needle, TextPos from, TextPos to) const;
    std::optional<Match> backward(const QString &needle, TextPos from, TextPos to) const;
    qsizetype rawOffset(TextPos p) const;

    const ScreenLines &m_lines;
};

} // namespace tarnwell

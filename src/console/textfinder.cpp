#include "console/textfinder.h"

#include "console/screenlines.h"

#include <QStringMatcher>

#include <limits>

namespace tarnwell {

namespace {

constexpr qsizetype kLineEnd = std::numeric_limits<qsizetype>::max();
constexpr qsizetype kBlock = 1 << 20; // backward searches go through the text in blocks

} // namespace

std::optional<TextFinder::Match> TextFinder::next(const QString &needle, TextPos from) const
{
    if (needle.isEmpty())
        return std::nullopt;
    const TextPos end{m_lines.count() - 1, kLineEnd};
    if (auto m = forward(needle, from, end))
        return m;
    return forward(needle, {}, from);
}

std::optional<TextFinder::Match> TextFinder::previous(const QString &needle, TextPos before) const
{
    if (needle.isEmpty())
        return std::nullopt;
    if (auto m = backward(needle, {}, before))
        return m;
    return backward(needle, before, {m_lines.count() - 1, kLineEnd});
}

// The first match starting in [from, to).
std::optional<TextFinder::Match> TextFinder::forward(const QString &needle, TextPos from, TextPos to) const
{
    const QStringMatcher matcher(needle, Qt::CaseInsensitive);
    const QStringView received = m_lines.received();
    const qsizetype count = m_lines.count();
    for (qsizetype line = from.line; line <= to.line && line < count;) {
        if (line == from.line || line == to.line || m_lines.isRedrawn(line)) {
            const qsizetype at = matcher.indexIn(m_lines.line(line), line == from.line ? from.col : 0);
            if (at >= 0 && (line < to.line || at < to.col))
                return Match{{line, at}, needle.size()};
            ++line;
            continue;
        }
        // Lines shown as received up to the next redrawn one: searched in the received text.
        const qsizetype stop = qMin(m_lines.nextRedrawn(line), to.line);
        const qsizetype a = m_lines.receivedStart(line);
        const qsizetype b = stop < count ? m_lines.receivedStart(stop) : received.size();
        const qsizetype at = matcher.indexIn(received.first(b), a);
        if (at >= 0) {
            qsizetype l = line, h = stop; // the line holding `at`
            while (h - l > 1) {
                const qsizetype mid = l + (h - l) / 2;
                (m_lines.receivedStart(mid) <= at ? l : h) = mid;
            }
            return Match{{l, at - m_lines.receivedStart(l)}, needle.size()};
        }
        line = stop;
    }
    return std::nullopt;
}

// The last match starting in [from, to).
std::optional<TextFinder::Match> TextFinder::backward(const QString &needle, TextPos from, TextPos to) const
{
    const QStringMatcher matcher(needle, Qt::CaseInsensitive);
    const QStringView received = m_lines.received();
    auto lastIn = [&](QStringView text, qsizetype lo, qsizetype hi) { // last start in [lo, hi)
        qsizetype last = -1;
        for (qsizetype at = matcher.indexIn(text, lo); at >= 0 && at < hi; at = matcher.indexIn(text, at + 1))
            last = at;
        return last;
    };
    for (qsizetype line = qMin(to.line, m_lines.count() - 1); line >= from.line;) {
        if (line == from.line || line == to.line || m_lines.isRedrawn(line)) {
            const qsizetype at = lastIn(m_lines.line(line), line == from.line ? from.col : 0,
                                        line == to.line ? to.col : kLineEnd);
            if (at >= 0)
                return Match{{line, at}, needle.size()};
            --line;
            continue;
        }
        // Lines (stop, line] are shown as received: their text searched a block at a time from
        // the end.
        const qsizetype stop = qMax(m_lines.previousRedrawn(line), from.line);
        const qsizetype a = m_lines.receivedStart(stop + 1);
        const qsizetype b = m_lines.receivedStart(line + 1);
        for (qsizetype hi = b; hi > a;) {
            const qsizetype lo = qMax(a, hi - kBlock);
            const qsizetype at = lastIn(received.first(qMin(b, hi + needle.size() - 1)), lo, hi);
            if (at >= 0) {
                qsizetype l = stop + 1, h = line + 1;
                while (h - l > 1) {
                    const qsizetype mid = l + (h - l) / 2;
                    (m_lines.receivedStart(mid) <= at ? l : h) = mid;
                }
                return Match{{l, at - m_lines.receivedStart(l)}, needle.size()};
            }
            hi = lo;
        }
        line = stop;
    }
    return std::nullopt;
}

} // namespace tarnwell

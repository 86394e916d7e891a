#include "terminal/textfinder.h"

#include "terminal/screenlines.h"

#include <QStringMatcher>

#include <algorithm>
#include <array>
#include <functional>
#include <limits>

namespace tarnwell {

namespace {

constexpr qsizetype kLineEnd = std::numeric_limits<qsizetype>::max();
constexpr qsizetype kBlock = 1 << 20; // backward searches go through the text in blocks

// Case-insensitive search. For a needle of ASCII characters (what one looks for in a switch's
// output) a Horspool search on ASCII case, several times faster than a general one; otherwise
// Qt's matcher with full case folding.
class Matcher {
public:
    explicit Matcher(const QString &needle) : m_needle(needle.toLower()), m_general(needle, Qt::CaseInsensitive)
    {
        m_ascii = std::all_of(m_needle.begin(), m_needle.end(), [](QChar c) { return c.unicode() < 128; });
        const qsizetype m = m_needle.size();
        m_skip.fill(m);
        for (qsizetype i = 0; i + 1 < m; ++i)
            m_skip[m_needle[i].unicode()] = m - 1 - i;
    }
    qsizetype size() const { return m_needle.size(); }

    qsizetype indexIn(QStringView text, qsizetype from) const
    {
        if (!m_ascii)
            return m_general.indexIn(text, from);
        const char16_t *t = text.utf16();
        const char16_t *n = reinterpret_cast<const char16_t *>(m_needle.utf16());
        const qsizetype m = m_needle.size(), end = text.size();
        const char16_t last = n[m - 1];
        for (qsizetype i = qMax<qsizetype>(0, from); i + m <= end;) {
            const char16_t c = fold(t[i + m - 1]);
            if (c >= 128) {
                i += m;
                continue;
            }
            if (c == last) {
                qsizetype j = m - 2;
                while (j >= 0 && fold(t[i + j]) == n[j])
                    --j;
                if (j < 0)
                    return i;
            }
            i += m_skip[c];
        }
        return -1;
    }

private:
    static char16_t fold(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

    QString m_needle;
    QStringMatcher m_general;
    bool m_ascii = false;
    std::array<qsizetype, 128> m_skip{};
};

// The last match starting in [lo, hi) that `valid` accepts, searched a block at a time from hi.
qsizetype lastValid(const Matcher &matcher, QStringView text, qsizetype lo, qsizetype hi,
                    const std::function<bool(qsizetype)> &valid)
{
    for (qsizetype blockHi = hi; blockHi > lo;) {
        const qsizetype blockLo = qMax(lo, blockHi - kBlock);
        const QStringView view = text.first(qMin(text.size(), blockHi + matcher.size() - 1));
        qsizetype last = -1;
        for (qsizetype at = matcher.indexIn(view, blockLo); at >= 0 && at < blockHi; at = matcher.indexIn(view, at + 1))
            if (valid(at))
                last = at;
        if (last >= 0)
            return last;
        blockHi = blockLo;
    }
    return -1;
}

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

// Lines shown as received are searched in the received text, the finished redrawn lines in the
// one string that holds them all, and the line being redrawn by itself; the earliest (or the
// latest) of the three wins.

// The first match starting in [from, to).
std::optional<TextFinder::Match> TextFinder::forward(const QString &needle, TextPos from, TextPos to) const
{
    const Matcher matcher(needle);
    const qsizetype n = needle.size();
    std::optional<Match> best;
    auto consider = [&](TextPos at) {
        if (at >= from && at < to && (!best || at < best->start))
            best = Match{at, n};
    };

    const auto &redrawn = m_lines.redrawnLines();
    const QStringView pool = m_lines.redrawnText();
    auto entry = std::lower_bound(redrawn.begin(), redrawn.end(), std::make_pair(from.line, qsizetype(0)));
    if (entry != redrawn.end()) {
        qsizetype at = matcher.indexIn(pool, entry->second + (entry->first == from.line ? from.col : 0));
        while (at >= 0) {
            const auto e = std::upper_bound(redrawn.begin(), redrawn.end(), at,
                                            [](qsizetype v, const auto &x) { return v < x.second; }) - 1;
            const qsizetype entryEnd = e + 1 != redrawn.end() ? (e + 1)->second : pool.size();
            if (TextPos{e->first, at - e->second} >= to)
                break;
            if (at + n <= entryEnd) {
                consider({e->first, at - e->second});
                break;
            }
            at = matcher.indexIn(pool, at + 1);
        }
    }

    const qsizetype open = m_lines.count() - 1;
    if (m_lines.editingOpenLine() && !best && open >= from.line && open <= to.line) {
        const qsizetype at = matcher.indexIn(m_lines.line(open), open == from.line ? from.col : 0);
        if (at >= 0)
            consider({open, at});
    }

    const QStringView received = m_lines.received();
    const qsizetype limit = best ? m_lines.receivedStart(best->start.line) : received.size();
    qsizetype at = matcher.indexIn(received.first(limit), m_lines.receivedStart(from.line));
    while (at >= 0) {
        const qsizetype line = m_lines.lineAt(at);
        if (!m_lines.isRedrawn(line)) {
            const TextPos pos{line, at - m_lines.receivedStart(line)};
            if (pos >= to)
                break;
            if (pos >= from) {
                consider(pos);
                break;
            }
            at = matcher.indexIn(received.first(limit), at + 1);
        } else if (line + 1 < m_lines.count()) {
            at = matcher.indexIn(received.first(limit), m_lines.receivedStart(line + 1));
        } else {
            break;
        }
    }
    return best;
}

// The last match starting in [from, to).
std::optional<TextFinder::Match> TextFinder::backward(const QString &needle, TextPos from, TextPos to) const
{
    const Matcher matcher(needle);
    const qsizetype n = needle.size();
    const qsizetype open = m_lines.count() - 1;
    to = qMin(to, TextPos{open, kLineEnd});
    if (m_lines.editingOpenLine() && open >= from.line && open <= to.line) {
        const QStringView text = m_lines.line(open);
        const qsizetype at = lastValid(matcher, text, open == from.line ? from.col : 0,
                                       open == to.line ? qMin(to.col, text.size()) : text.size(),
                                       [](qsizetype) { return true; });
        if (at >= 0)
            return Match{{open, at}, n};
    }

    std::optional<Match> best;
    const QStringView received = m_lines.received();
    auto rawOffset = [&](TextPos p) {
        if (p.line >= m_lines.count())
            return received.size();
        const qsizetype start = m_lines.receivedStart(p.line);
        return qMin(received.size(), start + qMin(p.col, p.line + 1 < m_lines.count()
                                                             ? m_lines.receivedStart(p.line + 1) - start
                                                             : received.size() - start));
    };
    const qsizetype rawAt = lastValid(matcher, received, rawOffset(from), rawOffset(to),
                                      [&](qsizetype at) { return !m_lines.isRedrawn(m_lines.lineAt(at)); });
    if (rawAt >= 0) {
        const qsizetype line = m_lines.lineAt(rawAt);
        best = Match{{line, rawAt - m_lines.receivedStart(line)}, n};
    }

    const auto &redrawn = m_lines.redrawnLines();
    const QStringView pool = m_lines.redrawnText();
    const TextPos lo = best ? qMax(from, TextPos{best->start.line + 1, 0}) : from;
    auto poolOffset = [&](TextPos p) {
        const auto e = std::lower_bound(redrawn.begin(), redrawn.end(), std::make_pair(p.line, qsizetype(0)));
        if (e == redrawn.end())
            return pool.size();
        if (e->first != p.line)
            return e->second;
        const qsizetype entryEnd = e + 1 != redrawn.end() ? (e + 1)->second : pool.size();
        return qMin(entryEnd, e->second + p.col);
    };
    if (lo < to) {
        auto entryOf = [&](qsizetype at) {
            return std::upper_bound(redrawn.begin(), redrawn.end(), at,
                                    [](qsizetype v, const auto &x) { return v < x.second; }) - 1;
        };
        const qsizetype at = lastValid(matcher, pool, poolOffset(lo), poolOffset(to), [&](qsizetype at) {
            const auto e = entryOf(at);
            return at + n <= (e + 1 != redrawn.end() ? (e + 1)->second : pool.size());
        });
        if (at >= 0) {
            const auto e = entryOf(at);
            best = Match{{e->first, at - e->second}, n};
        }
    }
    return best;
}

} // namespace tarnwell

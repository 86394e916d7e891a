#include "terminal/textfinder.h"

#include "terminal/screenlines.h"

#include <algorithm>
#include <limits>

namespace tarnwell {

namespace {

constexpr qsizetype kLineEnd = std::numeric_limits<qsizetype>::max();

struct AsciiFold {
    char16_t operator()(char16_t c) const { return char16_t(c - u'A') < 26 ? char16_t(c + 32) : c; }
};
struct FullFold {
    char16_t operator()(char16_t c) const { return QChar::toCaseFolded(c); }
};

// The searches read `length` characters from t on, Step (1 forward, -1 backward) at a time, and
// return where the first match begins in that order; -1 when there is none.
template <int Step, typename Fold>
qsizetype kmp(const TextMatcher::Pattern &p, const char16_t *t, qsizetype from, qsizetype length, Fold fold)
{
    const qsizetype m = qsizetype(p.chars.size());
    const char16_t *n = p.chars.data();
    for (qsizetype k = from, q = 0; k < length; ++k) {
        char16_t c = fold(t[Step * k]);
        if (q == 0) { // nothing matched yet: on to the next place of the needle's first character
            while (c != n[0]) {
                if (++k == length)
                    return -1;
                c = fold(t[Step * k]);
            }
        }
        while (q > 0 && c != n[q])
            q = p.border[size_t(q - 1)];
        if (c == n[q] && ++q == m)
            return k - m + 1;
    }
    return -1;
}

template <int Step, typename Fold>
qsizetype search(const TextMatcher::Pattern &p, const char16_t *t, qsizetype length, Fold fold)
{
    const qsizetype m = qsizetype(p.chars.size());
    if (m == 0)
        return -1;
    const char16_t *n = p.chars.data();
    const char16_t last = n[m - 1];
    qsizetype compared = 0;
    for (qsizetype i = 0; i + m <= length;) {
        const char16_t c = fold(t[Step * (i + m - 1)]);
        if (c == last) {
            qsizetype j = m - 2;
            while (j >= 0 && fold(t[Step * (i + j)]) == n[j])
                --j;
            if (j < 0)
                return i;
            // Comparisons beyond twice the text passed: the skips no longer pay, go on linearly.
            compared += m - 1 - j;
            if (compared > 2 * (i + m))
                return kmp<Step>(p, t, i, length, fold);
        }
        const qsizetype shift = p.skip[c & 0xff];
        if (shift >= 4) {
            i += shift;
            continue;
        }
        // A short shift: the text is full of the needle's other characters. Every match ends
        // in its last character, so go straight to the next one of those.
        qsizetype k = i + m;
        while (k < length && fold(t[Step * k]) != last)
            ++k;
        i = qMax(i + shift, k - m + 1);
    }
    return -1;
}

} // namespace

TextMatcher::TextMatcher(const QString &needle)
{
    m_ascii = std::all_of(needle.begin(), needle.end(), [](QChar c) { return c.unicode() < 128; });
    std::u16string folded;
    folded.reserve(size_t(needle.size()));
    for (const QChar c : needle)
        folded += m_ascii ? AsciiFold()(c.unicode()) : FullFold()(c.unicode());
    m_forward = pattern(folded);
    std::reverse(folded.begin(), folded.end());
    m_backward = pattern(std::move(folded));
}

TextMatcher::Pattern TextMatcher::pattern(std::u16string chars)
{
    Pattern p;
    const qsizetype m = qsizetype(chars.size());
    p.skip.fill(m);
    for (qsizetype i = 0; i + 1 < m; ++i)
        p.skip[chars[size_t(i)] & 0xff] = m - 1 - i; // characters sharing a low byte: the smaller shift
    p.border.assign(size_t(m), 0);
    for (qsizetype k = 1, q = 0; k < m; ++k) {
        while (q > 0 && chars[size_t(k)] != chars[size_t(q)])
            q = p.border[size_t(q - 1)];
        if (chars[size_t(k)] == chars[size_t(q)])
            ++q;
        p.border[size_t(k)] = q;
    }
    p.chars = std::move(chars);
    return p;
}

qsizetype TextMatcher::indexIn(QStringView text, qsizetype from) const
{
    from = qMax<qsizetype>(0, from);
    if (from >= text.size())
        return -1;
    const char16_t *t = text.utf16() + from;
    const qsizetype length = text.size() - from;
    const qsizetype at = m_ascii ? search<1>(m_forward, t, length, AsciiFold()) : search<1>(m_forward, t, length, FullFold());
    return at < 0 ? -1 : from + at;
}

qsizetype TextMatcher::lastIndexIn(QStringView text, qsizetype from, qsizetype before) const
{
    from = qMax<qsizetype>(0, from);
    const qsizetype end = qMin(text.size(), before + size() - 1); // a match may run on past `before`
    if (from >= end)
        return -1;
    const char16_t *t = text.utf16() + end - 1;
    const qsizetype length = end - from;
    const qsizetype at = m_ascii ? search<-1>(m_backward, t, length, AsciiFold()) : search<-1>(m_backward, t, length, FullFold());
    return at < 0 ? -1 : end - at - size();
}

void TextMatcher::forEachIn(QStringView text, qsizetype from, const std::function<void(qsizetype)> &f) const
{
    const qsizetype m = size();
    if (m == 0)
        return;
    const char16_t *n = m_forward.chars.data();
    for (qsizetype k = qMax<qsizetype>(0, from), q = 0; k < text.size(); ++k) {
        const char16_t c = m_ascii ? AsciiFold()(text[k].unicode()) : FullFold()(text[k].unicode());
        while (q > 0 && c != n[q])
            q = m_forward.border[size_t(q - 1)];
        if (c == n[q] && ++q == m) {
            f(k - m + 1);
            q = m_forward.border[size_t(m - 1)];
        }
    }
}

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

qsizetype TextFinder::count(const QString &needle, std::optional<TextPos> before, qsizetype limit) const
{
    if (needle.isEmpty() || m_lines.count() == 0)
        return 0;
    const TextMatcher matcher(needle);
    const TextPos end = before.value_or(TextPos{m_lines.count() - 1, kLineEnd});
    qsizetype found = 0;
    // Lines shown as received, in the received text up to the end place.
    const QStringView received = m_lines.received();
    const qsizetype rawEnd = rawOffset(end);
    for (qsizetype at = matcher.indexIn(received); at >= 0 && at < rawEnd && found < limit;) {
        const qsizetype line = m_lines.lineAt(at);
        if (m_lines.isRedrawn(line)) {
            if (line + 1 >= m_lines.count())
                break;
            at = matcher.indexIn(received, m_lines.receivedStart(line + 1));
            continue;
        }
        ++found;
        at = matcher.indexIn(received, at + 1);
    }
    // Each redrawn line in its part of the pool, and the line being redrawn.
    const auto &redrawn = m_lines.redrawnLines();
    const QStringView pool = m_lines.redrawnText();
    for (auto e = redrawn.begin(); e != redrawn.end() && e->first <= end.line && found < limit; ++e) {
        const qsizetype entryEnd = e + 1 != redrawn.end() ? (e + 1)->second : pool.size();
        const QStringView part = pool.sliced(e->second, entryEnd - e->second);
        for (qsizetype at = matcher.indexIn(part); at >= 0 && found < limit; at = matcher.indexIn(part, at + 1)) {
            if (e->first == end.line && at >= end.col)
                break;
            ++found;
        }
    }
    const qsizetype open = m_lines.count() - 1;
    if (m_lines.editingOpenLine() && open <= end.line) {
        const QStringView text = m_lines.line(open);
        for (qsizetype at = matcher.indexIn(text); at >= 0 && found < limit; at = matcher.indexIn(text, at + 1)) {
            if (open == end.line && at >= end.col)
                break;
            ++found;
        }
    }
    return qMin(found, limit);
}

// Where a place is in the received text: for a line shown as received the place itself, for a
// redrawn one a place in it, at most its end.
qsizetype TextFinder::rawOffset(TextPos p) const
{
    const qsizetype size = m_lines.received().size();
    if (p.line >= m_lines.count())
        return size;
    const qsizetype start = m_lines.receivedStart(p.line);
    const qsizetype end = p.line + 1 < m_lines.count() ? m_lines.receivedStart(p.line + 1) : size;
    return qMin(size, start + qMin(p.col, end - start));
}

// Lines shown as received are searched in the received text, each finished redrawn line in its
// part of the one string that holds them all, and the line being redrawn by itself; the earliest
// (or the latest) of the three wins.

// The first match starting in [from, to).
std::optional<TextFinder::Match> TextFinder::forward(const QString &needle, TextPos from, TextPos to) const
{
    const TextMatcher matcher(needle);
    const qsizetype n = needle.size();
    std::optional<Match> best;
    auto consider = [&](TextPos at) {
        if (at >= from && at < to && (!best || at < best->start))
            best = Match{at, n};
    };

    const auto &redrawn = m_lines.redrawnLines();
    const QStringView pool = m_lines.redrawnText();
    for (auto e = std::lower_bound(redrawn.begin(), redrawn.end(), std::make_pair(from.line, qsizetype(0)));
         e != redrawn.end() && e->first <= to.line && !best; ++e) {
        const qsizetype entryEnd = e + 1 != redrawn.end() ? (e + 1)->second : pool.size();
        const qsizetype at = matcher.indexIn(pool.first(entryEnd), e->second + (e->first == from.line ? from.col : 0));
        if (at >= 0)
            consider({e->first, at - e->second});
    }

    const qsizetype open = m_lines.count() - 1;
    if (m_lines.editingOpenLine() && !best && open >= from.line && open <= to.line) {
        const qsizetype at = matcher.indexIn(m_lines.line(open), open == from.line ? from.col : 0);
        if (at >= 0)
            consider({open, at});
    }

    // Up to the best match so far, or to `to` (and a needle's length for a match beginning before it).
    const QStringView received = m_lines.received().first(
        best ? m_lines.receivedStart(best->start.line) : qMin(m_lines.received().size(), rawOffset(to) + n - 1));
    // From `from` itself in a line shown as received: the matches before it are not wanted.
    qsizetype at = matcher.indexIn(received, m_lines.isRedrawn(from.line) ? m_lines.receivedStart(from.line) : rawOffset(from));
    while (at >= 0) {
        const qsizetype line = m_lines.lineAt(at);
        if (!m_lines.isRedrawn(line)) {
            consider({line, at - m_lines.receivedStart(line)});
            break;
        }
        if (line + 1 >= m_lines.count())
            break;
        at = matcher.indexIn(received, m_lines.receivedStart(line + 1)); // not shown as received
    }
    return best;
}

// The last match starting in [from, to).
std::optional<TextFinder::Match> TextFinder::backward(const QString &needle, TextPos from, TextPos to) const
{
    const TextMatcher matcher(needle);
    const qsizetype n = needle.size();
    const qsizetype open = m_lines.count() - 1;
    to = qMin(to, TextPos{open, kLineEnd});
    if (m_lines.editingOpenLine() && open >= from.line && open <= to.line) {
        const QStringView text = m_lines.line(open);
        const qsizetype at = matcher.lastIndexIn(text, open == from.line ? from.col : 0,
                                                 open == to.line ? qMin(to.col, text.size()) : text.size());
        if (at >= 0)
            return Match{{open, at}, n};
    }

    std::optional<Match> best;
    const QStringView received = m_lines.received();
    const qsizetype rawFrom = rawOffset(from);
    for (qsizetype before = rawOffset(to); before > rawFrom;) {
        const qsizetype at = matcher.lastIndexIn(received, rawFrom, before);
        if (at < 0)
            break;
        const qsizetype line = m_lines.lineAt(at);
        if (!m_lines.isRedrawn(line)) {
            best = Match{{line, at - m_lines.receivedStart(line)}, n};
            break;
        }
        before = m_lines.receivedStart(line); // not shown as received: look before the line
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
        const qsizetype poolFrom = poolOffset(lo), poolBefore = poolOffset(to);
        // Entry by entry from the one holding the last place, each searched in its own part.
        auto e = std::upper_bound(redrawn.begin(), redrawn.end(), poolBefore,
                                  [](qsizetype v, const auto &x) { return v < x.second; });
        while (e != redrawn.begin()) {
            --e;
            const qsizetype entryEnd = e + 1 != redrawn.end() ? (e + 1)->second : pool.size();
            if (entryEnd <= poolFrom)
                break;
            const qsizetype at = matcher.lastIndexIn(pool.first(entryEnd), qMax(e->second, poolFrom), qMin(entryEnd, poolBefore));
            if (at >= 0) {
                best = Match{{e->first, at - e->second}, n};
                break;
            }
        }
    }
    return best;
}

} // namespace tarnwell

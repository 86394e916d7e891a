#include "terminal/screenlines.h"

#include "terminal/charcells.h"
#include "terminal/terminal.h"

#include <algorithm>
#include <limits>

namespace tarnwell {

namespace {

constexpr qsizetype kUnchanged = std::numeric_limits<qsizetype>::max();
constexpr int kLongestEscape = 16; // longer unfinished sequences are shown as received
// A cursor moved right stops here past the line's end, as at a terminal's right margin: the
// blanks it leaves are kept, so an ESC[2147483647C must not become two billion of them.
constexpr qsizetype kRightMargin = 512;

QStringView withoutTrailing(QStringView s, QChar c)
{
    while (!s.isEmpty() && s.back() == c)
        s.chop(1);
    return s;
}

} // namespace

void ScreenLines::setTerminal(const Terminal *terminal)
{
    m_terminal = terminal;
    reset();
}

void ScreenLines::setShowControls(bool on)
{
    m_showControls = on;
    reset();
}

void ScreenLines::reset()
{
    m_taken = 0;
    m_count = 1;
    m_lineStart = 0;
    m_pendingCr = false;
    m_editing = false;
    m_buf.clear();
    m_cursor = 0;
    m_escape.clear();
    m_redrawnAt.clear();
    m_redrawn.clear();
    m_redrawn.squeeze();
}

qsizetype ScreenLines::takeIn()
{
    if (!m_terminal)
        return kUnchanged;
    const QString &text = m_terminal->text();
    const QChar *d = text.constData();
    const qsizetype end = text.size();
    qsizetype pos = m_taken;
    m_changedFrom = kUnchanged;
    m_trackChanges = true;
    if (m_showControls) {
        for (qsizetype lf = text.indexOf(u'\n', pos); lf >= 0; lf = text.indexOf(u'\n', lf + 1))
            finishLine(lf);
        m_taken = end;
        return kUnchanged;
    }
    if (m_pendingCr && pos < end) {
        m_pendingCr = false;
        if (d[pos] != u'\n' && d[pos] != u'\r') { // the CRs were a return, not a line break
            if (!m_editing)
                startEditing(pos);
            setCursor(0);
        }
    }
    while (pos < end) {
        const char16_t c = d[pos].unicode();
        if (c == u'\n') {
            finishLine(pos++);
            continue;
        }
        if (c == u'\r') {
            // CRs before an LF are its line break; otherwise they return to the line's start.
            qsizetype next = pos;
            while (next < end && d[next] == u'\r')
                ++next;
            if (next == end) {
                m_pendingCr = true;
                pos = end;
                break;
            }
            if (d[next] != u'\n') {
                if (!m_editing)
                    startEditing(pos);
                flushEscape();
                setCursor(0);
            }
            pos = next;
            continue;
        }
        if (!m_editing) {
            if (!charcells::isControl(c)) { // the common case: a run of text as received
                while (pos < end && !charcells::isControl(d[pos].unicode()))
                    ++pos;
                continue;
            }
            startEditing(pos);
        }
        if (!m_escape.isEmpty() || c == 0x1b)
            escape(d[pos]);
        else if (c == 0x08)
            setCursor(m_cursor - 1);
        else
            put(d[pos]);
        ++pos;
    }
    m_taken = end;
    m_trackChanges = false;
    return m_changedFrom;
}

void ScreenLines::startEditing(qsizetype upTo)
{
    m_editing = true;
    m_buf = withoutTrailing(QStringView(m_terminal->text()).mid(m_lineStart, upTo - m_lineStart), u'\r').toString();
    m_cursor = m_buf.size();
}

void ScreenLines::setCursor(qsizetype col)
{
    m_cursor = qBound<qsizetype>(0, col, qMax(m_buf.size(), kRightMargin));
}

void ScreenLines::put(QChar c)
{
    if (m_cursor < m_buf.size()) {
        if (m_trackChanges && m_buf[m_cursor] != c)
            m_changedFrom = qMin(m_changedFrom, m_cursor);
        m_buf[m_cursor] = c;
    } else {
        if (m_cursor > m_buf.size())
            m_buf.resize(m_cursor, u' ');
        m_buf += c;
    }
    ++m_cursor;
}

void ScreenLines::escape(QChar c)
{
    m_escape += c;
    if (m_escape.size() == 1)
        return;
    if (m_escape.size() == 2) {
        if (c != u'[')
            flushEscape();
        return;
    }
    if ((c >= u'0' && c <= u'9') || c == u';') {
        if (m_escape.size() >= kLongestEscape)
            flushEscape();
        return;
    }
    const QStringView params = QStringView(m_escape).mid(2, m_escape.size() - 3);
    bool numeric = false;
    const int n = params.isEmpty() ? 1 : params.toInt(&numeric);
    if (!params.isEmpty() && !numeric) {
        flushEscape();
        return;
    }
    if (c == u'D') {
        setCursor(m_cursor - n);
    } else if (c == u'C') {
        setCursor(m_cursor + n);
    } else if (c == u'K' && (params.isEmpty() || n == 0)) {
        if (m_cursor < m_buf.size()) {
            if (m_trackChanges)
                m_changedFrom = qMin(m_changedFrom, m_cursor);
            m_buf.truncate(m_cursor);
        }
    } else {
        flushEscape(); // not one of ours: shown as received
        return;
    }
    m_escape.clear();
}

void ScreenLines::flushEscape()
{
    const QString pending = std::exchange(m_escape, QString());
    for (QChar c : pending)
        put(c);
}

void ScreenLines::finishLine(qsizetype lf)
{
    if (m_editing) {
        flushEscape();
        m_redrawnAt.emplace_back(m_count - 1, m_redrawn.size());
        m_redrawn += withoutTrailing(m_buf, u' ');
        m_editing = false;
        m_buf.clear();
        m_cursor = 0;
    }
    ++m_count;
    m_lineStart = lf + 1;
    m_trackChanges = false; // only the line open at the start of takeIn() reports its changes
}

bool ScreenLines::isRedrawn(qsizetype i) const
{
    if (i == m_count - 1)
        return m_editing;
    const auto it = std::lower_bound(m_redrawnAt.begin(), m_redrawnAt.end(), std::make_pair(i, qsizetype(0)));
    return it != m_redrawnAt.end() && it->first == i;
}

QStringView ScreenLines::received() const
{
    return m_terminal ? QStringView(m_terminal->text()).first(m_taken) : QStringView();
}

qsizetype ScreenLines::lineAt(qsizetype received) const
{
    return qMin(m_count, m_terminal->lineStarts().upperBound(received)) - 1;
}

qint64 ScreenLines::receivedStart(qsizetype i) const
{
    return m_terminal->lineStarts()[i];
}

QStringView ScreenLines::line(qsizetype i) const
{
    if (!m_terminal || i < 0 || i >= m_count)
        return {};
    const QString &text = m_terminal->text();
    const qsizetype start = m_terminal->lineStarts()[i];
    if (i == m_count - 1) {
        if (m_editing)
            return withoutTrailing(m_buf, u' ');
        return withoutBreak(QStringView(text).mid(start, m_taken - start));
    }
    const auto it = std::lower_bound(m_redrawnAt.begin(), m_redrawnAt.end(), std::make_pair(i, qsizetype(0)));
    if (it != m_redrawnAt.end() && it->first == i) {
        const qsizetype to = it + 1 != m_redrawnAt.end() ? (it + 1)->second : m_redrawn.size();
        return QStringView(m_redrawn).mid(it->second, to - it->second);
    }
    return withoutBreak(QStringView(text).mid(start, m_terminal->lineStarts()[i + 1] - 1 - start));
}

// A line's text without the CRs of its break: shown with control characters, the one CR of a
// CR LF is the break and other CRs are shown; drawn, every CR before the break is.
QStringView ScreenLines::withoutBreak(QStringView line) const
{
    if (m_showControls)
        return line.endsWith(u'\r') ? line.chopped(1) : line;
    return withoutTrailing(line, u'\r');
}

} // namespace tarnwell

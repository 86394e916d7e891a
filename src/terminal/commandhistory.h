#pragma once

#include <QStringList>

#include <optional>

namespace tarnwell {

// The lines sent from the input line with Enter, newest last, for Up and Down to walk: Up from
// the newest back to the oldest, Down forward again and, past the newest, back to what the
// input line held before the walk began. At most kLimit lines; a line equal to the one before
// it is kept once, a line longer than kLongestLine (no command is; in the input line it would
// make each step slow) not at all.
class CommandHistory {
public:
    static constexpr qsizetype kLimit = 200;
    static constexpr qsizetype kLongestLine = 4096;

    void add(const QString &line)
    {
        if (!line.isEmpty() && line.size() <= kLongestLine && (m_lines.isEmpty() || m_lines.constLast() != line))
            m_lines.append(line);
        if (m_lines.size() > kLimit)
            m_lines.removeFirst();
        m_at = m_lines.size();
    }
    // The line before the one shown; `current` is the input line's text when the walk begins.
    std::optional<QString> older(const QString &current)
    {
        if (m_at == 0)
            return std::nullopt;
        if (m_at == m_lines.size())
            m_draft = current;
        return m_lines[--m_at];
    }
    std::optional<QString> newer()
    {
        if (m_at >= m_lines.size())
            return std::nullopt;
        ++m_at;
        return m_at == m_lines.size() ? m_draft : m_lines[m_at];
    }
    const QStringList &lines() const { return m_lines; }

private:
    QStringList m_lines;
    qsizetype m_at = 0; // the line shown; m_lines.size() when not walking
    QString m_draft;
};

} // namespace tarnwell

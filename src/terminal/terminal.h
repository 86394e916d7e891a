#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

#include "terminal/lineindex.h"

namespace tarnwell {

// The terminal text: exactly the characters received since it was last emptied, kept whole and
// only here (the capture reads all of it, the pane draws from it). Beside it an index of where
// each line begins, grown by each append at the cost of the appended chunk alone, in a few bytes
// a line.
class Terminal : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void append(const QString &received);
    // Adds a line of the program's own (not from the switch) on a line of its own: shown and
    // kept like received text, but not reported as received.
    void note(const QString &line);
    void clear();
    const QString &text() const { return m_text; }
    // 0, then one past every LF of text(): line i runs up to lineStarts()[i + 1] (its LF included).
    const LineIndex &lineStarts() const { return m_lineStarts; }
    // When line i's first character came, in milliseconds since the epoch; -1 while it has none.
    // Kept in the same few bytes a line as the line starts.
    qint64 lineTime(qsizetype i) const { return i < m_timed ? m_times[i] : -1; }
    // The clock the arrival times are read from (tests set their own); it must not go back.
    std::function<qint64()> clock;

signals:
    // Characters appended, exactly as received.
    void received(const QString &text);
    void appended(qsizetype from); // text() grew; the new characters start at `from`
    void cleared();

private:
    void grow(const QString &text);

    QString m_text;
    LineIndex m_lineStarts;
    LineIndex m_times;
    qsizetype m_timed = 0; // lines with an arrival time
    // The wall clock when the first time was read, carried on by a monotonic timer, so that the
    // times never go back when the system clock is set.
    qint64 m_epochStart = 0;
    QElapsedTimer m_sinceStart;
};

} // namespace tarnwell

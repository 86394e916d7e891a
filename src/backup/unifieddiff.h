#pragma once

#include <QString>
#include <QStringList>

namespace tarnwell {

// The lines of a text: split at CR LF, LF and CR; a line end at the very end starts no line.
QStringList diffLines(const QString &text);

// The changes from a to b as a unified diff: the "---" and "+++" lines naming the two, then
// hunks of changed lines with `context` unchanged lines around them; empty when the two are
// equal. The changes are a shortest edit script (Myers' algorithm) between the common head and
// tail; past kMaxEdits changes the whole middle shows as removed and added, so that time and
// memory stay bounded on texts that have little in common.
QString unifiedDiff(const QStringList &a, const QStringList &b, const QString &nameA, const QString &nameB,
                    int context = 3);
inline constexpr int kMaxEdits = 1000;

} // namespace tarnwell

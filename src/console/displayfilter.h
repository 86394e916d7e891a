#pragma once

#include <QString>

namespace tarnwell {

// Turns received text into what the terminal pane draws: CR LF (also when split between two
// chunks) and a lone LF become one line break; every other control character becomes its
// visible symbol (U+2400 block), so nothing received can move the cursor or erase text.
class DisplayFilter {
public:
    QString filter(const QString &chunk);
    void reset() { m_pendingCr = false; }

private:
    bool m_pendingCr = false; // the last chunk ended in CR; the next may start with its LF
};

} // namespace tarnwell

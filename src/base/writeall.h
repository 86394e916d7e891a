#pragma once

#include <QByteArrayView>
#include <QFileDevice>

namespace tarnwell {

// Writes all of `bytes` to the file; false when that fails, the reason then in errorString().
// A write cut short (the disk filled up in the middle of it) reports no error of its own, so
// the rest is written again: that write fails and carries the system's reason.
inline bool writeAll(QFileDevice &file, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qint64 n = file.write(bytes.data(), bytes.size());
        if (n <= 0)
            return false;
        bytes = bytes.sliced(n);
    }
    return true;
}

} // namespace tarnwell

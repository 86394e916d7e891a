#pragma once

#include <QString>
#include <QStringList>

namespace tarnwell {

// Other programs' lock files of a serial device: "LCK..name" in the usual lock folders, as
// minicom, picocom, lockdev and Qt write them. A live owner means busy however old the file is;
// a lock whose owner is gone or cannot be read is left for the user to remove. The one lock
// taken over is one in Qt's own form (PID, program, host) that this program left on this
// machine, its process gone: QSerialPort takes that over itself.
//
// The lock folders are world-writable, so what stands at a lock file's name is not trusted: only
// a regular file (or a link to one) is read, without blocking and at most 512 bytes of it; a
// FIFO, device, folder, socket or dangling link there is named as what it is. A lock folder that
// cannot be searched hides any lock in it: the port is then refused too, naming the folder.
class LockFiles {
public:
    static QStringList defaultDirectories();
    // The names a lock of the device takes: Qt's (the path below /dev with "/" as "_") and the
    // UUCP one (the device's own name).
    static QStringList fileNames(const QString &device);

    // Throws Error, its text starting with "打开 <portLabel> 失败：", when the device may not be
    // opened because of what the lock folders hold.
    // What to do about a device another program holds.
    static QString busyAdvice();

    static void check(const QString &device, const QStringList &directories, const QString &portLabel);
};

} // namespace tarnwell

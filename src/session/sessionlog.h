#pragma once

#include "base/appdirs.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace tarnwell {


// The record of one port session, as UTF-8 text with LF line ends: a header line, then one line
// per event, each starting with the local time "HH:MM:SS.mmm " -
//   a received line (the time its first character came), control characters in caret
//   notation (ESC as ^[, a lone CR as ^M), the CR LF or LF that ended it left out;
//   "+++ " and more of the previous received line, whose first part was written early;
//   ">>> " and a line we sent, without its CR (a lone space as <space>), or the keys typed at
//   the terminal up to a CR;
//   "=== " and an event (an operation began or ended, the port closed, was lost or came back);
//   a run of empty received lines as the first of them and "=== 又收到 N 个空行" for the rest.
// Lines collect in memory and go to the file within a second, so the event loop never waits on
// the disk for long and a crash loses at most the last second. A file reaching the size limit
// continues in a new one. Write failures end the log (reported once); the port goes on.
class SessionLog : public QObject {
    Q_OBJECT
public:
    // Milliseconds since the epoch (UTC); shown in local time.
    using Clock = std::function<qint64()>;
    static constexpr qint64 kMaxFileBytes = 100LL * 1024 * 1024;
    static constexpr int kMaxAgeDays = 90;
    static constexpr qint64 kMaxTotalBytes = 1024LL * 1024 * 1024;
    static constexpr QByteArrayView kHeaderStart = "# Tarnwell ";
    static constexpr QFileDevice::Permissions kFilePermissions{QFileDevice::ReadOwner | QFileDevice::WriteOwner};
    static constexpr QFileDevice::Permissions kFolderPermissions{kFilePermissions | QFileDevice::ExeOwner};

    explicit SessionLog(QObject *parent = nullptr);
    ~SessionLog() override;

    void setDirectory(const QString &dir) { m_dir = dir; }
    QString directory() const { return m_dir; }
    // The local time source; tests install a fake one.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setMaxFileBytes(qint64 bytes) { m_maxFileBytes = bytes; }
    void setMaxTotalBytes(qint64 bytes) { m_maxTotalBytes = bytes; }
    // Off: open() does nothing (for measuring what the log costs).
    void setEnabled(bool enabled) { m_enabled = enabled; }
    // A practice session's logs (on the simulated switch) from the next open() on: the file name
    // ends in "-practice.log" and the header says 练习 after the version.
    void setPractice(bool practice) { m_practice = practice; }

    // Starts a new file COMn-YYYYMMDD-HHMMSS.log (a second one in the same second gets "_2" before
    // the ending) whose header is "# Tarnwell <version> " and `about`. Throws Error, naming the
    // folder, when it cannot be written; the log stays closed.
    void open(int commPort, const QString &about);
    // Writes what is pending, the event `why` (when not empty), and closes the file.
    void close(const QString &why = QString());
    bool isOpen() const { return m_file.isOpen(); }
    // Path of the file being written (empty while closed).
    QString filePath() const { return m_file.isOpen() ? m_file.fileName() : QString(); }

    void received(const QString &text);
    void sent(const QString &shown);
    // Keys typed one at a time: collected into one ">>> " line, written at the CR that ends it,
    // when a received line ends or something else is recorded, or within the second.
    void typed(const QString &shown);
    void event(const QString &text);
    // Writes everything collected so far to the file, an unfinished received line included
    // (continued with "+++" when more of it comes).
    void flush();

    // Removes this program's logs in dir older than maxAgeDays, then the oldest ones while all of
    // them together exceed maxBytes, and makes the others readable by their owner alone (logs of
    // earlier versions were readable by all). Returns the paths removed. Each new file of a
    // session prunes too, leaving room for itself within the total. Only files this class writes are
    // touched: regular files (not links) named as open() names them whose first line is a header.
    static bool isOwnLog(const QFileInfo &file);
    static QStringList prune(const QString &dir, const QDateTime &now, int maxAgeDays = kMaxAgeDays,
                             qint64 maxBytes = kMaxTotalBytes);

signals:
    // Writing failed during the session; the log has stopped. Raised once per file.
    void writeFailed(const QString &description);

private:
    QByteArray stamp();
    void writeUnfinishedLine();
    void writeBlankCount(bool over);
    void endBlankRun() { writeBlankCount(true); }
    void addLine(const char *marker, QStringView text);
    void writeTyped(bool evenEmpty = false);
    void startFile();
    void afterAdding();
    void fail(const QString &description);
    void failWriting(); // a write to the file failed

    QString m_dir = sessionLogDirectory();
    Clock m_clock = [] { return QDateTime::currentMSecsSinceEpoch(); };
    // "HH:MM:SS." of the second last stamped: local time is worked out once a second, not per read.
    qint64 m_stampSecond = -1;
    QByteArray m_stampPrefix;
    qint64 m_maxFileBytes = kMaxFileBytes;
    qint64 m_maxTotalBytes = kMaxTotalBytes;
    bool m_enabled = true;
    bool m_practice = false;

    QFile m_file;
    int m_commPort = 0;
    QByteArray m_header;
    qint64 m_fileBytes = 0; // written to the current file
    QByteArray m_buffer;    // log lines not yet written
    QTimer m_flushTimer;
    QString m_typed; // keys typed since the last line of them was written

    // The received line in progress: whether its log line is open at the end of the buffer (its
    // time written, no line end yet), whether an earlier part of it was ended early (what follows
    // goes on a "+++" line), and a CR at its end held back until the next character says whether
    // it ends the line (CR LF) or not.
    bool m_lineOpen = false;
    bool m_lineContinued = false;
    bool m_pendingCr = false;
    // A run of empty received lines (a flood of bare line feeds): the first is written, the
    // others only counted, and their number written as one line when something else comes,
    // before the collected lines go to the file, or at the close. The last one's time is kept.
    bool m_blankRun = false;
    qint64 m_blankCount = 0;
    QByteArray m_blankStamp;
};

} // namespace tarnwell

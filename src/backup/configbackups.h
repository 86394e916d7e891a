#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tarnwell {

// The listing of a capture as it is kept: from its first "#" line to its "return", with what
// the console adds for the screen taken out (the pager's prompts and the sequences that erase
// them, asynchronous log lines), the switch's CR LF line ends kept. Empty when the capture holds
// no whole listing.
QString listingForBackup(const QString &captured);
// The value of the listing's "sysname" line; empty when it has none.
QString sysnameOf(const QString &listing);
// A folder name for a switch: letters, digits, "-", "_" and "." kept, anything else (a "/", a
// control character, a leading dot) turned into "_", at most 64 characters; a name changed so
// gets a short hash of the original, so that two switches never share a folder by it.
QString backupFolderName(const QString &sysname);

// The listings kept, one folder per switch under the root (by default configBackupDirectory()),
// one file per listing named by the local time it was stored (YYYYMMDD-HHMMSS.cfg, "_2" ... for
// more in one second), UTF-8. A listing identical to the newest of its switch is not stored
// again. The folders and files are readable by their owner alone: a listing holds the switch's
// password hashes.
class ConfigBackups {
public:
    explicit ConfigBackups(QString root = QString());

    // Stores the whole listing in a capture; returns the file written, or empty when the capture
    // holds none or it equals the newest. Throws Error when it cannot be written.
    QString store(const QString &captured, const QDateTime &when = QDateTime::currentDateTime()) const;

    QString root() const { return m_root; }
    // The switches' folders, by name.
    QStringList switches() const;
    // The backups of one switch's folder, oldest first, as file paths.
    QStringList backups(const QString &folder) const;
    // A backup's text; throws Error when it cannot be read.
    static QString read(const QString &path);

private:
    QString m_root;
};

} // namespace tarnwell

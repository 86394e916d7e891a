#include "backup/configbackups.h"

#include "base/appdirs.h"
#include "base/error.h"
#include "switch/switchreply.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace tarnwell {

namespace {

constexpr qsizetype kMaxFolderName = 64;
constexpr qint64 kMaxBackupBytes = 16 << 20;
const QString kSuffix = QStringLiteral(".cfg");
constexpr auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr auto kOwnerFolder = kOwnerOnly | QFileDevice::ExeOwner;

bool isPagingPrompt(QStringView line)
{
    return line.trimmed() == u"---- More ----";
}

} // namespace

QString listingForBackup(const QString &captured)
{
    static const QRegularExpression lineEnd(QStringLiteral("\\r?\\n"));
    QStringList kept;
    qsizetype first = -1, last = -1;
    for (QString line : captured.split(lineEnd)) {
        // The erase of a paging prompt shares its line with the first line of the next page.
        if (line.contains(u'\x1b') || line.contains(u'\b') || line.contains(u'\r')) {
            line = drawnLine(line);
            while (line.endsWith(u' '))
                line.chop(1);
        }
        if (isPagingPrompt(line) || isAsyncLogLine(line))
            continue;
        if (first < 0 && line == u"#")
            first = kept.size();
        if (first >= 0 && line.trimmed() == u"return")
            last = kept.size();
        kept << line;
    }
    if (first < 0 || last < 0)
        return QString();
    return kept.mid(first, last - first + 1).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString sysnameOf(const QString &listing)
{
    static const QRegularExpression sysname(QStringLiteral("^ *sysname +(\\S[^\\r\\n]*?) *\\r?$"),
                                            QRegularExpression::MultilineOption);
    return sysname.match(listing).captured(1);
}

QString backupFolderName(const QString &sysname)
{
    if (sysname.isEmpty())
        return QStringLiteral("未知交换机");
    QString name;
    for (QChar c : sysname)
        name += c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'.' ? c : u'_';
    if (name.startsWith(u'.'))
        name[0] = u'_';
    name.truncate(kMaxFolderName);
    if (name != sysname)
        name += u'-' + QString::fromLatin1(QCryptographicHash::hash(sysname.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    return name;
}

ConfigBackups::ConfigBackups(QString root) : m_root(root.isEmpty() ? configBackupDirectory() : std::move(root))
{
}

QString ConfigBackups::store(const QString &captured, const QDateTime &when) const
{
    const QString listing = listingForBackup(captured);
    if (listing.isEmpty())
        return QString();
    const QString folder = m_root + u'/' + backupFolderName(sysnameOf(listing));
    const QStringList earlier = backups(folder.section(u'/', -1));
    if (!earlier.isEmpty()) {
        QFile newest(earlier.last());
        if (newest.open(QIODevice::ReadOnly) && QString::fromUtf8(newest.read(kMaxBackupBytes)) == listing)
            return QString();
    }
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("无法建立配置备份文件夹 %1").arg(folder));
    QFile::setPermissions(m_root, kOwnerFolder);
    QFile::setPermissions(folder, kOwnerFolder);
    const QString stem = folder + u'/' + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 100; ++n) {
        QFile file(n == 1 ? stem + kSuffix : QStringLiteral("%1_%2%3").arg(stem).arg(n).arg(kSuffix));
        // NewOnly: never into a file (or a link) that is there already.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly)) {
            if (file.exists())
                continue;
            throw Error(QStringLiteral("无法写配置备份 %1：%2").arg(file.fileName(), file.errorString()));
        }
        const QByteArray bytes = listing.toUtf8();
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            const QString why = file.errorString();
            file.remove();
            throw Error(QStringLiteral("无法写配置备份 %1：%2").arg(file.fileName(), why));
        }
        return file.fileName();
    }
    throw Error(QStringLiteral("无法写配置备份：%1 这一秒的文件名已用完").arg(stem));
}

QStringList ConfigBackups::switches() const
{
    return QDir(m_root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList ConfigBackups::backups(const QString &folder) const
{
    QDir dir(m_root + u'/' + folder);
    QStringList paths;
    for (const QString &name : dir.entryList({u"*.cfg"_qs}, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

QString ConfigBackups::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("无法读取 %1：%2").arg(path, file.errorString()));
    return QString::fromUtf8(file.read(kMaxBackupBytes));
}

} // namespace tarnwell

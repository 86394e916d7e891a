#include "settings/settingsfile.h"

#include "base/appdirs.h"
#include "base/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwell {

QString SystemDirectory;

namespace {

// Text files hold no control characters but tab, line ends and form feed; anything else (NUL
// above all) means the file is binary data, not settings someone wrote.
bool looksBinary(const QByteArray &bytes)
{
    for (const char c : bytes) {
        const uchar u = uchar(c);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f')
            return true;
    }
    return false;
}

} // namespace

void loadSystemDirectory()
{
    SystemDirectory = appConfigDir();
    QDir().mkpath(SystemDirectory);
}

QString settingsFilePath()
{
    if (SystemDirectory.isEmpty())
        return {};
    return SystemDirectory + QLatin1Char('/') + QLatin1String(kSettingsFileName);
}

std::optional<IniDocument> readIniFile(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    const QString shown = QDir::toNativeSeparators(path);
    if (info.isDir())
        throw Error(QStringLiteral("设置文件 %1 是一个文件夹,无法读取").arg(shown));
    // Fifos and devices are not opened at all: reading one could wait for ever.
    if (!info.isFile())
        throw Error(QStringLiteral("设置文件 %1 不是普通文件,无法读取").arg(shown));
    if (info.size() > kMaxSettingsFileSize)
        throw Error(QStringLiteral("设置文件 %1 过大(%2 字节,最多 %3 字节),未读取")
                        .arg(shown, QString::number(info.size()),
                             QString::number(kMaxSettingsFileSize)));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("无法打开设置文件 %1:%2").arg(shown, file.errorString()));
    // One byte more than allowed, in case the file grew since the size was taken.
    const QByteArray bytes = file.read(kMaxSettingsFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("无法读取设置文件 %1:%2").arg(shown, file.errorString()));
    if (bytes.size() > kMaxSettingsFileSize)
        throw Error(QStringLiteral("设置文件 %1 过大(超过 %2 字节),未读取")
                        .arg(shown, QString::number(kMaxSettingsFileSize)));
    if (looksBinary(bytes))
        throw Error(QStringLiteral("设置文件 %1 不是文本文件,未读取").arg(shown));
    return IniDocument::parse(bytes);
}

namespace {

// Why a file operation failed, in words for the person at the keyboard.
QString reasonFor(int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return QStringLiteral("没有写入权限");
    case EROFS: return QStringLiteral("所在的文件系统是只读的");
    case ENOSPC: return QStringLiteral("磁盘已满");
    case EDQUOT: return QStringLiteral("超出了磁盘配额");
    case EFBIG: return QStringLiteral("超出了允许的文件大小");
    case ENOENT:
    case ENOTDIR: return QStringLiteral("文件夹不存在");
    case EISDIR: return QStringLiteral("同名的是一个文件夹");
    case EIO: return QStringLiteral("磁盘读写出错");
    default: return QStringLiteral("系统错误 %1").arg(error);
    }
}

bool writeAllAt(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

// The bytes go to a new file beside the old one, which is renamed over it once completely
// written: a reader sees the old file or the new one, never a mix. errno tells why it failed.
bool replaceFile(const QByteArray &path, const QByteArray &bytes)
{
    QByteArray temp = path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    // The new file takes the old one's owner, group and mode. Where it cannot (the file belongs
    // to someone else, or to a group we are not in), no new file is put in its place: the caller
    // rewrites it in place instead, which keeps all three.
    struct stat old {};
    const bool existed = ::stat(path.constData(), &old) == 0;
    const mode_t mode = existed ? (old.st_mode & 07777) : 0644;
    struct stat made {};
    bool ok = ::fstat(fd, &made) == 0;
    if (ok && existed && (made.st_uid != old.st_uid || made.st_gid != old.st_gid))
        ok = ::fchown(fd, old.st_uid, old.st_gid) == 0;
    ok = ok && ::fchmod(fd, mode) == 0 && writeAllAt(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.constData(), path.constData()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.constData());
        errno = error;
    }
    return ok;
}

// For a folder in which no new file can be made, while the file itself can be written: the
// bytes are written over the old ones and the file is cut only after they are all there. When
// a write fails half way, the old bytes are put back, so the file is never left cut short.
bool rewriteInPlace(const QByteArray &path, const QByteArray &bytes, const QByteArray &old)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    bool ok = writeAllAt(fd, bytes) && (bytes.size() >= old.size() || ::ftruncate(fd, off_t(bytes.size())) == 0)
              && ::fsync(fd) == 0;
    const int error = errno;
    if (!ok && writeAllAt(fd, old)) {
        [[maybe_unused]] const int restored = ::ftruncate(fd, off_t(old.size())); // best effort
    }
    if (::close(fd) != 0 && ok)
        return false;
    errno = error;
    return ok;
}

} // namespace

bool writeIniFile(const QString &path, const IniDocument &doc, const QByteArray &old, QString *why)
{
    if (path.isEmpty()) {
        if (why)
            *why = QStringLiteral("没有找到存放设置文件的文件夹");
        return false;
    }
    // Through a symbolic link the file it points at is replaced (made, when it is missing) in its
    // own folder; the link stays.
    QString target = path;
    for (int hops = 0; hops < 40 && QFileInfo(target).isSymLink(); ++hops)
        target = QFileInfo(target).symLinkTarget();
    const QByteArray name = QFile::encodeName(target);
    const QByteArray bytes = doc.serialize();
    if (replaceFile(name, bytes))
        return true;
    int error = errno;
    if (QFileInfo::exists(target)) {
        if (rewriteInPlace(name, bytes, old))
            return true;
        error = errno;
    }
    if (why)
        *why = QStringLiteral("无法写入设置文件 %1：%2").arg(QDir::toNativeSeparators(target), reasonFor(error));
    return false;
}

QString readIni(const QString &section, const QString &key)
{
    try {
        const std::optional<IniDocument> doc = readIniFile(settingsFilePath());
        return doc ? doc->value(section, key) : QString();
    } catch (const Error &) {
        return {};
    }
}

bool updateSettingsFile(const std::function<bool(IniDocument &)> &edit, QString *why)
{
    const QString path = settingsFilePath();
    if (path.isEmpty()) {
        if (why)
            *why = QStringLiteral("没有找到存放设置文件的文件夹");
        return false;
    }
    IniDocument doc;
    try {
        if (std::optional<IniDocument> old = readIniFile(path))
            doc = std::move(*old);
    } catch (const Error &e) {
        if (why)
            *why = e.description();
        return false; // not ours to overwrite
    }
    const QByteArray before = doc.serialize();
    if (!edit(doc)) {
        if (why)
            *why = QStringLiteral("设置值无法写成设置文件的一行");
        return false;
    }
    if (!before.isEmpty() && doc.serialize() == before)
        return true; // the file already says exactly this
    return writeIniFile(path, doc, before, why);
}

bool writeIni(const QString &section, const QString &key, const QString &value)
{
    return updateSettingsFile([&](IniDocument &doc) { return doc.setValue(section, key, value); });
}

} // namespace tarnwell

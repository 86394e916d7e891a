#include "settings/settingsfile.h"

#include "console/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

void LoadSystemDirectory()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    SystemDirectory = QDir::cleanPath(base + QStringLiteral("/tarnwell"));
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

bool writeIniFile(const QString &path, const IniDocument &doc)
{
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile loses the error of a short write at its final flush
    // (disk full) and then commits the truncated file. Written directly, a short write shows
    // in write()'s result.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray bytes = doc.serialize();
    if (file.write(bytes) != bytes.size() || file.error() != QFileDevice::NoError) {
        file.cancelWriting(); // the new file is discarded, the old one stays
        return false;
    }
    return file.commit();
}

QString ReadIni(const QString &section, const QString &key)
{
    try {
        const std::optional<IniDocument> doc = readIniFile(settingsFilePath());
        return doc ? doc->value(section, key) : QString();
    } catch (const Error &) {
        return {};
    }
}

bool updateSettingsFile(const std::function<bool(IniDocument &)> &edit)
{
    const QString path = settingsFilePath();
    if (path.isEmpty())
        return false;
    IniDocument doc;
    try {
        if (std::optional<IniDocument> old = readIniFile(path))
            doc = std::move(*old);
    } catch (const Error &) {
        return false; // not ours to overwrite
    }
    const QByteArray before = doc.serialize();
    if (!edit(doc))
        return false;
    if (!before.isEmpty() && doc.serialize() == before)
        return true; // the file already says exactly this
    return writeIniFile(path, doc);
}

bool WriteIni(const QString &section, const QString &key, const QString &value)
{
    return updateSettingsFile([&](IniDocument &doc) { return doc.setValue(section, key, value); });
}

} // namespace tarnwell

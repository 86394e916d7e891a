#include "base/appdirs.h"

#include <QDir>

namespace tarnwell {

namespace {

QString appDir(const char *variable, const QString &fallbackBelowHome)
{
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + u'/' + fallbackBelowHome;
    return QDir::cleanPath(base + QStringLiteral("/tarnwell"));
}

} // namespace

QString appConfigDir()
{
    return appDir("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

QString appStateDir()
{
    return appDir("XDG_STATE_HOME", QStringLiteral(".local/state"));
}

QString appDataDir()
{
    return appDir("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

QString configBackupDirectory()
{
    return appDataDir() + QStringLiteral("/configs");
}

QString sessionLogDirectory()
{
    return appStateDir() + QStringLiteral("/logs");
}

} // namespace tarnwell

#include "settings/commsettingsstore.h"

#include "base/error.h"
#include "settings/settingsfile.h"

#include <limits>
#include <optional>

namespace tarnwell {
namespace {

template <typename T>
T integerField(const char *key, const QString &text)
{
    return T(settingsInteger(key, text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

bool isDecimal(const QString &text)
{
    qsizetype i = (text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-'))) ? 1 : 0;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace

qint64 settingsInteger(const char *key, const QString &text, qint64 lo, qint64 hi)
{
    const QString name = QLatin1String(key);
    if (text.isEmpty())
        throw Error(QStringLiteral("设置文件中 %1 的值 \"\" 为空,应为整数").arg(name));
    if (!isDecimal(text))
        throw Error(QStringLiteral("设置文件中 %1 的值 \"%2\" 不是整数").arg(name, text));
    bool ok = false;
    const qint64 n = text.toLongLong(&ok, 10);
    if (!ok || n < lo || n > hi)
        throw Error(QStringLiteral("设置文件中 %1 的值 \"%2\" 超出范围(%3 到 %4)")
                        .arg(name, text, QString::number(lo), QString::number(hi)));
    return n;
}

void loadCommSettings(commSettings &settings, bool &settingsLoaded)
{
    const std::optional<IniDocument> doc = readIniFile(settingsFilePath());
    if (!doc)
        return;
    const QString section = QLatin1String(kCommSection);
    settings.PortNum = integerField<qint16>("PortNum", doc->value(section, QStringLiteral("PortNum")));
    settings.Speed = integerField<qint32>("Speed", doc->value(section, QStringLiteral("Speed")));
    settings.Check = doc->value(section, QStringLiteral("Check"));
    settings.Data = integerField<qint16>("Data", doc->value(section, QStringLiteral("Data")));
    settings.Stop = doc->value(section, QStringLiteral("Stop"));
    settings.HandShake = integerField<qint16>("HandShake", doc->value(section, QStringLiteral("HandShake")));
    settingsLoaded = true;
}

bool saveCommSettings(const commSettings &settings, QString *why)
{
    QString failure;
    const bool saved = updateSettingsFile([&](IniDocument &doc) {
        const QString section = QLatin1String(kCommSection);
        // Like six separate writes, one unusable value does not keep the others from being stored.
        doc.setValue(section, QStringLiteral("PortNum"), QString::number(settings.PortNum));
        doc.setValue(section, QStringLiteral("Speed"), QString::number(settings.Speed));
        // No parity was ever applied: the key is left as it is rather than written empty.
        if (!settings.Check.isEmpty())
            doc.setValue(section, QStringLiteral("Check"), settings.Check);
        doc.setValue(section, QStringLiteral("Data"), QString::number(settings.Data));
        doc.setValue(section, QStringLiteral("Stop"), settings.Stop);
        doc.setValue(section, QStringLiteral("HandShake"), QString::number(settings.HandShake));
        return true;
    }, &failure);
    if (!saved && why)
        *why = QStringLiteral("端口设置没有保存。%1。请检查设置文件和它所在的文件夹").arg(failure);
    return saved;
}

} // namespace tarnwell

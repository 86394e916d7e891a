#include "switch/bindvalues.h"

#include <QRegularExpression>

#include <algorithm>

namespace tarnwell::bindvalues {

namespace {

bool digitsOnly(const QString &text, qsizetype maxLength)
{
    if (text.isEmpty() || text.size() > maxLength)
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

} // namespace

bool isPort(const QString &text)
{
    return digitsOnly(text, 3) && text.toInt() >= 1 && text.toInt() <= 48;
}

bool isVlan(const QString &text)
{
    return digitsOnly(text, 4) && text.toInt() >= 1 && text.toInt() <= 4094;
}

bool isSwitchMac(const QString &text)
{
    static const QRegularExpression mac(QStringLiteral("^[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}$"));
    return mac.match(text).hasMatch();
}

bool isIPv4(const QString &text)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString &p : parts)
        if (!digitsOnly(p, 3) || p.toInt() > 255)
            return false;
    return true;
}

QString switchMac(const QString &text)
{
    // Six pairs with one kind of separator, three groups of four, or twelve digits in a row.
    static const QRegularExpression forms(QStringLiteral(
        "^(?:[0-9a-f]{2}([:-])[0-9a-f]{2}(?:\\1[0-9a-f]{2}){4}"
        "|[0-9a-f]{4}([.-])[0-9a-f]{4}\\2[0-9a-f]{4}"
        "|[0-9a-f]{12})$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString trimmed = text.trimmed();
    if (!forms.match(trimmed).hasMatch())
        return text;
    QString hex;
    for (QChar c : trimmed)
        if (c.isLetterOrNumber())
            hex += c.toLower();
    return hex.left(4) + u'-' + hex.mid(4, 4) + u'-' + hex.mid(8);
}

QString firstCell(const QString &text, bool *more)
{
    static const QRegularExpression breaks(QStringLiteral("[\\r\\n\\t]"));
    QStringList parts = text.split(breaks);
    QString first = parts.takeFirst();
    if (first.trimmed().isEmpty()) {
        while (!parts.isEmpty() && parts.front().trimmed().isEmpty())
            parts.removeFirst();
        if (!parts.isEmpty())
            first = parts.takeFirst();
    }
    if (more)
        *more = std::any_of(parts.begin(), parts.end(), [](const QString &p) { return !p.trimmed().isEmpty(); });
    return first;
}

QString problem(const QString &port, const QString &vlan, const QString &mac, const QString &ip, bool needsIp)
{
    if (!isPort(port))
        return QStringLiteral("请先输入正确端口号！");
    if (!isVlan(vlan))
        return QStringLiteral("请输入正确的VLAN号（1-4094的数字）！");
    if (!isSwitchMac(switchMac(mac)))
        return QStringLiteral("请输入正确的MAC地址（如000f-e2aa-0008）！");
    if (needsIp && !isIPv4(ip))
        return QStringLiteral("请输入正确的IP地址（如192.168.1.9）！");
    return {};
}

} // namespace tarnwell::bindvalues

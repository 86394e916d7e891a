#include "listings.h"

namespace tarnwell::test {

QString crlf(const QStringList &lines)
{
    QString out;
    for (const QString &line : lines)
        out += line + QStringLiteral("\r\n");
    return out;
}

QString workedExample(const QString &nameLine, const QString &macLine)
{
    return crlf({
        "dis cu", "#", nameLine, "#",
        "interface Ethernet1/0/1", " port access vlan 10", macLine, "#",
        "interface Ethernet1/0/2", " shutdown", " port link-type trunk", " port trunk permit vlan 1 10", "#",
        "interface Ethernet1/0/10", "#",
        "return",
    });
}

QStringList configLines(int ports, bool model3600)
{
    QStringList l;
    l << "#" << (model3600 ? " sysname 机房SW3600-EI" : " sysname SW3100-楼层2") << "#"
      << " radius scheme system" << "#" << " domain system" << "#"
      << "vlan 1" << "#" << "vlan 10" << "#" << "vlan 20" << "#"
      << "interface Vlan-interface1" << " ip address 192.168.0.2 255.255.255.0" << "#"
      << "interface Aux1/0/0" << "#";
    for (int i = 1; i <= ports; ++i) {
        l << QStringLiteral("interface Ethernet1/0/%1").arg(i);
        if (i % 7 == 0)
            l << QStringLiteral(" description 财务部-%1").arg(i);
        if (i % 5 == 0)
            l << " shutdown";
        if (i % 6 == 0) {
            l << " port link-type trunk" << " port trunk permit vlan 1 10 20";
        } else if (i % 4 != 0) {
            l << QStringLiteral(" port access vlan %1").arg(i % 2 ? 10 : 20);
            const QString mac = QStringLiteral("000f-e2%1-%2")
                                    .arg(i % 100, 2, 10, QLatin1Char('0'))
                                    .arg(0x3400 + i, 4, 16, QLatin1Char('0'));
            if (i % 3 != 0) {
                if (model3600)
                    l << QStringLiteral(" am user-bind mac-addr %1 ip-addr 10.1.%2.%3")
                             .arg(mac).arg(i / 10).arg(i);
                else
                    l << QStringLiteral(" mac-address static %1 vlan 10").arg(mac);
            }
        }
        l << "#";
    }
    l << "interface NULL0" << "#" << " user-interface aux 0" << " user-interface vty 0 4"
      << "#" << "return";
    return l;
}

QString morePrompt()
{
    return QStringLiteral("  ---- More ----");
}

QString moreErase()
{
    return QStringLiteral("\x1b[42D") + QString(42, QLatin1Char(' ')) + QStringLiteral("\x1b[42D");
}

QStringList pagedListing(const QStringList &lines, int pageLines)
{
    QStringList pages;
    for (int start = 0; start < lines.size(); start += pageLines) {
        QString page = pages.isEmpty() ? QStringLiteral("dis cu\r\n") : moreErase();
        page += crlf(lines.mid(start, pageLines));
        page += start + pageLines < lines.size() ? morePrompt() : QStringLiteral("<H3C>");
        pages << page;
    }
    return pages;
}

} // namespace tarnwell::test

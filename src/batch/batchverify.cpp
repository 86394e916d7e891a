#include "batch/batchverify.h"

#include <QStringList>

namespace tarnwell {

QString batchRowDifference(const BatchRow &row, bool bind, const BindInfoTable &table, SwitchModel model)
{
    const QString name = QStringLiteral("1/0/") + row.port;
    BindInfoTable rows;
    for (const BindInfoRow &r : table)
        if (r.port == name)
            rows << r;
    if (rows.isEmpty())
        return QStringLiteral("列表中没有端口%1").arg(name);
    const BindInfoRow &port = rows.first();
    const bool ipBound = model == SwitchModel::S3600;
    const BindInfoRow *bound = nullptr;
    QStringList macs;
    for (const BindInfoRow &r : rows) {
        if (r.mac.compare(row.mac, Qt::CaseInsensitive) == 0)
            bound = &r;
        if (r.mac != QStringLiteral("无MAC"))
            macs << r.mac;
    }
    // VLAN 1 is every port's default, which the listing does not name.
    const QString vlan = port.vlan == QStringLiteral("无VLAN") ? QStringLiteral("1") : port.vlan;
    QStringList differences;
    if (bind) {
        if (port.state != QStringLiteral("开启状态"))
            differences << QStringLiteral("端口是关闭状态");
        if (vlan != row.vlan)
            differences << QStringLiteral("VLAN是%1，不是%2").arg(port.vlan, row.vlan);
        if (!bound)
            differences << QStringLiteral("没有绑定MAC %1（%2）")
                               .arg(row.mac, macs.isEmpty() ? QStringLiteral("端口没有绑定MAC")
                                                            : QStringLiteral("绑定的是 ") + macs.join(QStringLiteral("、")));
        else if (ipBound && bound->ip != row.ip)
            differences << QStringLiteral("MAC %1 绑定的IP是%2，不是%3").arg(row.mac, bound->ip, row.ip);
    } else {
        if (port.state != QStringLiteral("关闭状态"))
            differences << QStringLiteral("端口仍是开启状态");
        if (vlan == row.vlan && row.vlan != QStringLiteral("1"))
            differences << QStringLiteral("端口仍在VLAN %1").arg(row.vlan);
        if (bound)
            differences << QStringLiteral("MAC %1 仍绑定在端口上").arg(row.mac);
    }
    return differences.join(QStringLiteral("；"));
}

} // namespace tarnwell

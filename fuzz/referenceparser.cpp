#include "referenceparser.h"

#include <algorithm>

namespace tarnwell::test {

namespace {

bool sameAt(const QString &s, qsizetype at0, const QString &w, Qt::CaseSensitivity cs)
{
    for (qsizetype i = 0; i < w.size(); ++i) {
        const QChar a = s.at(at0 + i);
        const QChar b = w.at(i);
        if (cs == Qt::CaseSensitive ? a != b : a.toCaseFolded() != b.toCaseFolded())
            return false;
    }
    return true;
}

// First occurrence of w at or after the 1-based position start; 0 when there is none.
qsizetype inStr(qsizetype start, const QString &s, const QString &w,
                Qt::CaseSensitivity cs = Qt::CaseSensitive)
{
    for (qsizetype q = start; q >= 1 && q + w.size() - 1 <= s.size(); ++q) {
        if (sameAt(s, q - 1, w, cs))
            return q;
    }
    return 0;
}

// Up to len characters from the 1-based position start; len < 0 means the rest.
QString mid(const QString &s, qsizetype start, qsizetype len = -1)
{
    QString out;
    for (qsizetype q = start; q >= 1 && q <= s.size() && (len < 0 || q < start + len); ++q)
        out += s.at(q - 1);
    return out;
}

// Characters from K + length + 1 up to the next CR or LF at or after K (exclusive), or the end
// of the text; empty when the line ends sooner; at most kMaxBindValueLength of them.
QString valueAfter(const QString &s, qsizetype k, const QString &keyword)
{
    const qsizetype start = k + keyword.size() + 1;
    const qsizetype cr = inStr(k, s, QStringLiteral("\r"));
    const qsizetype lf = inStr(k, s, QStringLiteral("\n"));
    qsizetype lineEnd = s.size() + 1;
    if (cr > 0)
        lineEnd = cr;
    if (lf > 0 && lf < lineEnd)
        lineEnd = lf;
    if (lineEnd - start <= 0)
        return QString();
    return mid(s, start, std::min(lineEnd - start, kMaxBindValueLength));
}

} // namespace

BindInfoResult referenceParseBindInfo(const QString &text, SwitchModel switchModel)
{
    BindInfoResult r;
    r.switchModel = switchModel;
    const auto ci = Qt::CaseInsensitive;

    const qsizetype s = inStr(1, text, QStringLiteral("sysname"), ci);
    if (s > 0) {
        const qsizetype e = inStr(s, text, QStringLiteral("\r"));
        const auto p = [&](const char *w) { return inStr(1, text, QString::fromLatin1(w), ci); };
        const auto has = [&](const char *w) { return p(w) > 0; };
        if (p("3100") > 0
            && (p("3100") < e || has("mac-address static") || has("mac-address max-mac-count"))) {
            r.switchModel = SwitchModel::S3100;
            r.selected = ModelButton::Sw3100;
        }
        if (p("3600") > 0 && (p("3600") < e || has("am user-bind mac-addr"))) {
            r.switchModel = SwitchModel::S3600;
            r.selected = ModelButton::Sw3600;
        }
        if (p("5500") > 0 && p("5500") < e)
            r.switchModel = SwitchModel::S5500;
        if (p("9512") > 0 && p("9512") < e)
            r.switchModel = SwitchModel::S9512;
    }

    qsizetype pos = 1;
    for (;;) {
        const qsizetype P = inStr(pos, text, QStringLiteral("interface Ethernet"), ci);
        if (P == 0)
            break;
        pos = P + 1;
        BindInfoRow row;
        QString name = mid(text, P + 18, 6);
        name.remove(QLatin1Char('\r'));
        name.remove(QLatin1Char('\n'));
        row.port = name;
        qsizetype H = inStr(P + 2, text, QStringLiteral("#"));
        if (H - P > kMaxPortBlockLength)
            H = 0;
        if (H == 0) {
            r.table.append(row);
            continue;
        }
        const auto K = [&](const QString &w) { return inStr(P + 2, text, w); };
        const auto in = [&](const QString &w) { return K(w) > 0 && K(w) < H; };
        const QString shut = QStringLiteral("shutdown"), acc = QStringLiteral("port access vlan"),
                      trunk = QStringLiteral("port link-type trunk"),
                      permit = QStringLiteral("port trunk permit vlan"),
                      smac = QStringLiteral("mac-address static"),
                      bmac = QStringLiteral("am user-bind mac-addr"), ip = QStringLiteral("ip-addr");
        row.state = in(shut) ? QStringLiteral("关闭状态") : QStringLiteral("开启状态");
        if (in(acc))
            row.type = QStringLiteral("Access类型");
        else if (in(trunk))
            row.type = QStringLiteral("Trunk类型");
        else
            row.type = QStringLiteral("其它类型");
        if (in(acc))
            row.vlan = valueAfter(text, K(acc), acc);
        else if (in(permit))
            row.vlan = valueAfter(text, K(permit), permit);
        else
            row.vlan = QStringLiteral("无VLAN");

        // Every further binding keyword before the "#" and before the next port keyword.
        const qsizetype nextPort = inStr(P + 1, text, QStringLiteral("interface Ethernet"), ci);
        const qsizetype last = nextPort > 0 && nextPort < H ? nextPort : H;
        const auto further = [&](const QString &w) {
            QList<qsizetype> at;
            for (qsizetype q = inStr(K(w) + 1, text, w); in(w) && q > 0 && q < last;
                 q = inStr(q + 1, text, w))
                at << q;
            return at;
        };
        if (r.switchModel == SwitchModel::S3100) {
            row.mac = in(smac) ? mid(text, K(smac) + 19, 14) : QStringLiteral("无MAC");
            row.ip = QStringLiteral("无IP");
            r.table.append(row);
            for (const qsizetype q : further(smac)) {
                r.table.append(row);
                r.table.last().mac = mid(text, q + 19, 14);
            }
        } else if (r.switchModel == SwitchModel::S3600) {
            row.mac = in(bmac) ? mid(text, K(bmac) + 22, 14) : QStringLiteral("无MAC");
            row.ip = in(ip) ? valueAfter(text, K(ip), ip) : QStringLiteral("无IP");
            r.table.append(row);
            for (const qsizetype q : further(bmac)) {
                // The IP counts when "ip-addr" follows on the binding's own line, before the "#".
                const qsizetype i = inStr(q, text, ip);
                const qsizetype cr = inStr(q, text, QStringLiteral("\r"));
                const qsizetype lf = inStr(q, text, QStringLiteral("\n"));
                const bool onLine = i > 0 && i < H && (cr == 0 || i < cr) && (lf == 0 || i < lf);
                r.table.append(row);
                r.table.last().mac = mid(text, q + 22, 14);
                r.table.last().ip = onLine ? valueAfter(text, i, ip) : QStringLiteral("无IP");
            }
        } else {
            r.table.append(row);
        }
    }
    return r;
}

} // namespace tarnwell::test

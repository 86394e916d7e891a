#include "report/bindinfoparser.h"

#include <QStringView>

namespace tarnwell {

namespace {

constexpr QStringView kPortKeyword = u"interface Ethernet";
constexpr QChar kCR = u'\r';
constexpr QChar kLF = u'\n';

// First occurrence of one word at or after a position, remembering the last answer. Asked with
// positions that never go backwards, it scans every stretch of the text once: while the
// remembered occurrence still lies at or after the position asked for, it is the answer.
class ForwardSearch {
public:
    ForwardSearch(QStringView text, QStringView word, Qt::CaseSensitivity cs)
        : m_text(text), m_word(word), m_cs(cs) {}

    // -1 when there is none.
    qsizetype from(qsizetype pos)
    {
        if (!m_valid || pos < m_searchedFrom || (m_found >= 0 && m_found < pos)) {
            m_found = pos <= m_text.size() ? m_text.indexOf(m_word, pos, m_cs) : -1;
            m_searchedFrom = pos;
            m_valid = true;
        }
        return m_found;
    }

private:
    QStringView m_text;
    QStringView m_word;
    Qt::CaseSensitivity m_cs;
    qsizetype m_searchedFrom = 0;
    qsizetype m_found = -1;
    bool m_valid = false;
};

// A keyword looked for inside port blocks, with the value last cut after it: neighbouring port
// keywords without a "#" between them share one block, and share the value's storage too.
class BlockKeyword {
public:
    BlockKeyword(QStringView text, QStringView word)
        : m_text(text), m_word(word), m_search(text, word, Qt::CaseSensitive) {}

    // Position of the keyword when its first occurrence at or after blockStart lies before the
    // block's "#"; -1 otherwise.
    qsizetype inBlock(qsizetype blockStart, qsizetype hash)
    {
        const qsizetype k = m_search.from(blockStart);
        return k >= 0 && k < hash ? k : -1;
    }

    // The characters after the keyword and one separator, up to the end of the keyword's line
    // (the next CR); empty when the line ends sooner, the rest of the text when no CR follows.
    QString valueAfter(qsizetype k)
    {
        if (k != m_valueAt) {
            const qsizetype start = k + m_word.size() + 1;
            qsizetype end = m_text.indexOf(kCR, k);
            if (end < 0)
                end = m_text.size();
            m_value = start < end ? m_text.sliced(start, end - start).toString() : QString();
            m_valueAt = k;
        }
        return m_value;
    }

    // Up to count characters after the keyword and one separator.
    QString fixedAfter(qsizetype k, qsizetype count) const
    {
        return m_text.mid(k + m_word.size() + 1, count).toString();
    }

private:
    QStringView m_text;
    QStringView m_word;
    ForwardSearch m_search;
    qsizetype m_valueAt = -1;
    QString m_value;
};

bool containsCI(QStringView text, QStringView word)
{
    return text.contains(word, Qt::CaseInsensitive);
}

// Model detection from the "sysname" line and the whole-text hints. Each rule that holds
// overwrites the model; rules 1 and 2 also select their option button.
void detectModel(QStringView text, BindInfoResult &result)
{
    const qsizetype sysname = text.indexOf(u"sysname", 0, Qt::CaseInsensitive);
    if (sysname < 0)
        return;
    const qsizetype lineEnd = text.indexOf(kCR, sysname); // -1: no name line end
    const auto onNameLine = [&](QStringView word, qsizetype &first) {
        first = text.indexOf(word, 0, Qt::CaseInsensitive);
        return first >= 0 && lineEnd >= 0 && first < lineEnd;
    };

    qsizetype p = -1;
    if (onNameLine(u"3100", p) || (p >= 0 && (containsCI(text, u"mac-address static")
                                              || containsCI(text, u"mac-address max-mac-count")))) {
        result.switchModel = QStringLiteral("3100");
        result.selected = ModelButton::Sw3100;
    }
    if (onNameLine(u"3600", p) || (p >= 0 && containsCI(text, u"am user-bind mac-addr"))) {
        result.switchModel = QStringLiteral("3600");
        result.selected = ModelButton::Sw3600;
    }
    if (onNameLine(u"5500", p))
        result.switchModel = QStringLiteral("5500");
    if (onNameLine(u"9512", p))
        result.switchModel = QStringLiteral("9512");
}

QString withoutLineEnds(QString s)
{
    s.remove(kCR);
    s.remove(kLF);
    return s;
}

} // namespace

BindInfoResult ParseBindInfo(const QString &input, const QString &switchModel)
{
    const QStringView text(input);
    BindInfoResult result;
    result.switchModel = switchModel;
    detectModel(text, result);

    const bool is3100 = result.switchModel == u"3100";
    const bool is3600 = result.switchModel == u"3600";

    ForwardSearch port(text, kPortKeyword, Qt::CaseInsensitive);
    ForwardSearch hashes(text, u"#", Qt::CaseSensitive);
    BlockKeyword shutdown(text, u"shutdown");
    BlockKeyword accessVlan(text, u"port access vlan");
    BlockKeyword trunkType(text, u"port link-type trunk");
    BlockKeyword trunkVlan(text, u"port trunk permit vlan");
    BlockKeyword staticMac(text, u"mac-address static");
    BlockKeyword bindMac(text, u"am user-bind mac-addr");
    BlockKeyword ipAddr(text, u"ip-addr");

    for (qsizetype p = port.from(0); p >= 0; p = port.from(p + 1)) {
        BindInfoRow row;
        row[0] = withoutLineEnds(text.mid(p + kPortKeyword.size(), 6).toString());

        const qsizetype blockStart = p + 2;
        const qsizetype hash = hashes.from(blockStart);
        if (hash >= 0) {
            row[1] = shutdown.inBlock(blockStart, hash) >= 0 ? QStringLiteral("关闭状态")
                                                             : QStringLiteral("开启状态");

            const qsizetype access = accessVlan.inBlock(blockStart, hash);
            const qsizetype trunk = trunkType.inBlock(blockStart, hash);
            row[2] = access >= 0  ? QStringLiteral("Access类型")
                     : trunk >= 0 ? QStringLiteral("Trunk类型")
                                  : QStringLiteral("其它类型");

            const qsizetype permit = trunkVlan.inBlock(blockStart, hash);
            row[3] = access >= 0   ? accessVlan.valueAfter(access)
                     : permit >= 0 ? trunkVlan.valueAfter(permit)
                                   : QStringLiteral("无VLAN");

            if (is3100) {
                const qsizetype mac = staticMac.inBlock(blockStart, hash);
                row[4] = mac >= 0 ? staticMac.fixedAfter(mac, 14) : QStringLiteral("无MAC");
                row[5] = QStringLiteral("无IP");
            } else if (is3600) {
                const qsizetype mac = bindMac.inBlock(blockStart, hash);
                row[4] = mac >= 0 ? bindMac.fixedAfter(mac, 14) : QStringLiteral("无MAC");
                const qsizetype ip = ipAddr.inBlock(blockStart, hash);
                row[5] = ip >= 0 ? ipAddr.valueAfter(ip) : QStringLiteral("无IP");
            }
        }
        result.table.append(std::move(row));
    }
    return result;
}

QString FormatBindReport(const BindInfoResult &result)
{
    QString out = QStringLiteral("这是个") + result.switchModel + QStringLiteral("，详细信息如下：\r\n");
    for (const BindInfoRow &row : result.table) {
        if (row[0].isEmpty())
            continue;
        for (const QString &cell : row) {
            // A tab inside a cell (a port name or value cut from the listing) would shift every
            // later column of the pasted table: it is shown as a blank instead.
            out += withoutLineEnds(cell).replace(u'\t', u' ');
            out += u'\t';
        }
        out += QStringLiteral("\r\n");
    }
    return out;
}

} // namespace tarnwell

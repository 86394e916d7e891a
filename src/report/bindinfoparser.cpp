#include "report/bindinfoparser.h"

#include <QStringView>

#include <algorithm>

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
    // (the next CR or LF, or the end of the text) and at most kMaxBindValueLength of them; empty
    // when the line ends sooner. Only the characters that can be taken are looked at.
    QString valueAfter(qsizetype k)
    {
        if (k != m_valueAt) {
            const qsizetype start = k + m_word.size() + 1;
            const qsizetype limit = std::min(m_text.size(), start + kMaxBindValueLength);
            qsizetype end = std::max(k + m_word.size(), qsizetype(0));
            while (end < limit && m_text[end] != kCR && m_text[end] != kLF)
                ++end;
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

struct BindInfoWalk::State {
    explicit State(const QString &input)
        : owned(input), text(owned), port(text, kPortKeyword, Qt::CaseInsensitive),
          hashes(text, u"#", Qt::CaseSensitive), shutdown(text, u"shutdown"),
          accessVlan(text, u"port access vlan"), trunkType(text, u"port link-type trunk"),
          trunkVlan(text, u"port trunk permit vlan"), staticMac(text, u"mac-address static"),
          bindMac(text, u"am user-bind mac-addr"), ipAddr(text, u"ip-addr")
    {
    }

    QString owned; // keeps the text alive for the views below
    QStringView text;
    BindInfoResult model; // switchModel and selected; the table stays empty
    bool is3100 = false;
    bool is3600 = false;
    qsizetype next = 0;   // where the next port keyword search starts
    ForwardSearch port;
    ForwardSearch hashes;
    BlockKeyword shutdown, accessVlan, trunkType, trunkVlan, staticMac, bindMac, ipAddr;
};

BindInfoWalk::BindInfoWalk(const QString &text, const QString &switchModel)
    : d(std::make_unique<State>(text))
{
    d->model.switchModel = switchModel;
    detectModel(d->text, d->model);
    d->is3100 = d->model.switchModel == u"3100";
    d->is3600 = d->model.switchModel == u"3600";
}

BindInfoWalk::~BindInfoWalk() = default;

QString BindInfoWalk::switchModel() const
{
    return d->model.switchModel;
}

ModelButton BindInfoWalk::selected() const
{
    return d->model.selected;
}

bool BindInfoWalk::next(BindInfoRow &row)
{
    State &s = *d;
    const qsizetype p = s.port.from(s.next);
    if (p < 0)
        return false;
    s.next = p + 1;
    row = BindInfoRow();
    row[0] = withoutLineEnds(s.text.mid(p + kPortKeyword.size(), 6).toString());

    const qsizetype blockStart = p + 2;
    const qsizetype hash = s.hashes.from(blockStart);
    if (hash < 0)
        return true;
    row[1] = s.shutdown.inBlock(blockStart, hash) >= 0 ? QStringLiteral("关闭状态")
                                                       : QStringLiteral("开启状态");

    const qsizetype access = s.accessVlan.inBlock(blockStart, hash);
    const qsizetype trunk = s.trunkType.inBlock(blockStart, hash);
    row[2] = access >= 0  ? QStringLiteral("Access类型")
             : trunk >= 0 ? QStringLiteral("Trunk类型")
                          : QStringLiteral("其它类型");

    const qsizetype permit = s.trunkVlan.inBlock(blockStart, hash);
    row[3] = access >= 0   ? s.accessVlan.valueAfter(access)
             : permit >= 0 ? s.trunkVlan.valueAfter(permit)
                           : QStringLiteral("无VLAN");

    if (s.is3100) {
        const qsizetype mac = s.staticMac.inBlock(blockStart, hash);
        row[4] = mac >= 0 ? s.staticMac.fixedAfter(mac, 14) : QStringLiteral("无MAC");
        row[5] = QStringLiteral("无IP");
    } else if (s.is3600) {
        const qsizetype mac = s.bindMac.inBlock(blockStart, hash);
        row[4] = mac >= 0 ? s.bindMac.fixedAfter(mac, 14) : QStringLiteral("无MAC");
        const qsizetype ip = s.ipAddr.inBlock(blockStart, hash);
        row[5] = ip >= 0 ? s.ipAddr.valueAfter(ip) : QStringLiteral("无IP");
    }
    return true;
}

BindInfoResult ParseBindInfo(const QString &input, const QString &switchModel)
{
    BindInfoWalk walk(input, switchModel);
    BindInfoResult result;
    result.switchModel = walk.switchModel();
    result.selected = walk.selected();
    BindInfoRow row;
    while (walk.next(row))
        result.table.append(row);
    return result;
}

QString FormatBindHeader(const QString &switchModel)
{
    return QStringLiteral("这是个") + switchModel + QStringLiteral("，详细信息如下：\r\n");
}

QString FormatBindRow(const BindInfoRow &row)
{
    QString out;
    if (row[0].isEmpty())
        return out;
    for (const QString &cell : row) {
        // A tab inside a cell (a port name or value cut from the listing) would shift every
        // later column of the pasted table: it is shown as a blank instead.
        out += withoutLineEnds(cell).replace(u'\t', u' ');
        out += u'\t';
    }
    out += QStringLiteral("\r\n");
    return out;
}

QString FormatBindReport(const BindInfoResult &result)
{
    QString out = FormatBindHeader(result.switchModel);
    for (const BindInfoRow &row : result.table)
        out += FormatBindRow(row);
    return out;
}

} // namespace tarnwell

#include "report/bindinfoparser.h"

#include <QStringView>

#include <algorithm>

namespace tarnwell {

namespace {

constexpr QStringView kPortKeyword = u"interface Ethernet";
constexpr QChar kCR = u'\r';
constexpr QChar kLF = u'\n';
// How far past a block's "#" its values, MACs and name may reach: the longest keyword, one
// separator and the longest value, with room to spare.
constexpr qsizetype kLookahead = 24 + kMaxBindValueLength + 40;

// The text held by a reader: a window [base, base + text.size()) of the whole text, in whole-text
// positions.
struct Window {
    QString text;
    qsizetype base = 0;

    qsizetype end() const { return base + text.size(); }
    QStringView view(qsizetype from, qsizetype to) const
    {
        return QStringView(text).sliced(from - base, std::max(to - from, qsizetype(0)));
    }
    QString mid(qsizetype from, qsizetype count) const
    {
        return view(from, std::min(from + count, end())).toString();
    }
};

// First occurrence of one word lying wholly in [from, to), remembering what it has seen. Asked
// with positions that never go backwards it looks at every stretch of the text once: a remembered
// occurrence at or after `from` is the answer, and a stretch known to hold none is not searched
// again when `to` grows.
class RangeSearch {
public:
    RangeSearch(QStringView word, Qt::CaseSensitivity cs) : m_word(word), m_cs(cs) {}

    // -1 when there is none.
    qsizetype find(const Window &w, qsizetype from, qsizetype to)
    {
        const bool known = m_valid && from >= m_from
                           && (m_found >= 0 ? from <= m_found : from <= m_noneBefore);
        if (!known) {
            m_from = m_noneBefore = from;
            m_found = -1;
            m_valid = true;
        }
        if (m_found >= 0)
            return m_found + m_word.size() <= to ? m_found : -1;
        const qsizetype start = std::max(from, m_noneBefore);
        if (to - start < m_word.size())
            return -1;
        const qsizetype i = w.view(start, to).indexOf(m_word, 0, m_cs);
        if (i >= 0)
            return m_found = start + i;
        m_noneBefore = to - m_word.size() + 1;
        return -1;
    }

    QStringView word() const { return m_word; }

private:
    QStringView m_word;
    Qt::CaseSensitivity m_cs;
    qsizetype m_from = 0;
    qsizetype m_noneBefore = 0; // no occurrence starts in [m_from, m_noneBefore)
    qsizetype m_found = -1;
    bool m_valid = false;
};

// A keyword looked for inside port blocks, with the value last cut after it: neighbouring port
// keywords without a "#" between them share one block, and share the value's storage too.
class BlockKeyword {
public:
    explicit BlockKeyword(QStringView word) : m_search(word, Qt::CaseSensitive) {}

    qsizetype find(const Window &w, qsizetype from, qsizetype to) { return m_search.find(w, from, to); }

    // The characters after the keyword at k and one separator, up to the end of the keyword's
    // line (the next CR or LF, or the end of the text) and at most kMaxBindValueLength of them;
    // empty when the line ends sooner. Only the characters that can be taken are looked at.
    QString valueAfter(const Window &w, qsizetype k)
    {
        if (k != m_valueAt) {
            const qsizetype start = k + m_search.word().size() + 1;
            const qsizetype limit = std::min(w.end(), start + kMaxBindValueLength);
            qsizetype end = k + m_search.word().size();
            while (end < limit && w.text[end - w.base] != kCR && w.text[end - w.base] != kLF)
                ++end;
            m_value = start < end ? w.view(start, end).toString() : QString();
            m_valueAt = k;
        }
        return m_value;
    }

    // Up to count characters after the keyword and one separator.
    QString fixedAfter(const Window &w, qsizetype k, qsizetype count) const
    {
        return w.mid(k + m_search.word().size() + 1, count);
    }

private:
    RangeSearch m_search;
    qsizetype m_valueAt = -1;
    QString m_value;
};

QString withoutLineEnds(QString s)
{
    s.remove(kCR);
    s.remove(kLF);
    return s;
}

// First occurrence of a word in a text that comes in pieces, case-insensitive.
struct FirstOf {
    QStringView word;
    qsizetype at = -1;
};

// Model detection from the "sysname" line and the whole-text hints, fed piece by piece: only the
// first occurrences are kept, and the last few characters of a piece, where a word may begin.
// Each rule that holds overwrites the model; rules 1 and 2 also select their option button.
class ModelDetection {
public:
    void add(const QString &piece)
    {
        const QString joined = m_tail.isEmpty() ? piece : m_tail + piece;
        const qsizetype base = m_seen - m_tail.size();
        const auto firstOf = [&](FirstOf &f) {
            if (f.at < 0) {
                const qsizetype i = joined.indexOf(f.word, 0, Qt::CaseInsensitive);
                if (i >= 0)
                    f.at = base + i;
            }
        };
        firstOf(m_sysname);
        if (m_sysname.at >= 0 && m_lineEnd < 0) {
            const qsizetype i = joined.indexOf(kCR, std::max(m_sysname.at - base, qsizetype(0)));
            if (i >= 0)
                m_lineEnd = base + i;
        }
        for (FirstOf &f : m_words)
            firstOf(f);
        for (FirstOf &f : m_hints)
            firstOf(f);
        m_seen += piece.size();
        m_tail = joined.right(kKeep);
    }

    void apply(BindInfoResult &result) const
    {
        if (m_sysname.at < 0)
            return;
        const auto onNameLine = [&](const FirstOf &f) {
            return f.at >= 0 && m_lineEnd >= 0 && f.at < m_lineEnd;
        };
        const auto has = [](const FirstOf &f) { return f.at >= 0; };
        if (onNameLine(m_words[0]) || (has(m_words[0]) && (has(m_hints[0]) || has(m_hints[1])))) {
            result.switchModel = SwitchModel::S3100;
            result.selected = ModelButton::Sw3100;
        }
        if (onNameLine(m_words[1]) || (has(m_words[1]) && has(m_hints[2]))) {
            result.switchModel = SwitchModel::S3600;
            result.selected = ModelButton::Sw3600;
        }
        if (onNameLine(m_words[2]))
            result.switchModel = SwitchModel::S5500;
        if (onNameLine(m_words[3]))
            result.switchModel = SwitchModel::S9512;
    }

private:
    static constexpr qsizetype kKeep = 32; // longer than any word looked for
    QString m_tail;
    qsizetype m_seen = 0;
    FirstOf m_sysname{u"sysname"};
    qsizetype m_lineEnd = -1; // the first CR at or after "sysname"
    std::array<FirstOf, 4> m_words{{{u"3100"}, {u"3600"}, {u"5500"}, {u"9512"}}};
    std::array<FirstOf, 3> m_hints{
        {{u"mac-address static"}, {u"mac-address max-mac-count"}, {u"am user-bind mac-addr"}}};
};

} // namespace

struct BindInfoReader::State {
    explicit State(std::function<void(const BindInfoPort &)> sink) : sink(std::move(sink)) {}

    bool pump(bool atEnd);
    BindInfoPort port(qsizetype p, qsizetype hash);

    std::function<void(const BindInfoPort &)> sink;
    Window w;
    ModelDetection detection;
    qsizetype next = 0; // where the next port keyword search starts
    RangeSearch portSearch{kPortKeyword, Qt::CaseInsensitive};
    RangeSearch hashes{u"#", Qt::CaseSensitive};
    RangeSearch crs{u"\r", Qt::CaseSensitive};
    RangeSearch lfs{u"\n", Qt::CaseSensitive};
    BlockKeyword shutdown{u"shutdown"}, accessVlan{u"port access vlan"},
        trunkType{u"port link-type trunk"}, trunkVlan{u"port trunk permit vlan"},
        staticMac{u"mac-address static"}, bindMac{u"am user-bind mac-addr"}, ipAddr{u"ip-addr"};
};

// Hands out every port whose block and values lie in the window; false when it must wait for
// more text.
bool BindInfoReader::State::pump(bool atEnd)
{
    for (;;) {
        const qsizetype p = portSearch.find(w, next, w.end());
        if (p < 0) {
            if (!atEnd)
                next = std::max(next, w.end() - kPortKeyword.size() + 1);
            return true;
        }
        const qsizetype farthest = p + kMaxPortBlockLength + 1; // a "#" from here on is too far
        const qsizetype hash = hashes.find(w, p + 2, std::min(w.end(), farthest));
        if (!atEnd && (hash < 0 ? w.end() < farthest : w.end() < hash + kLookahead))
            return false;
        sink(port(p, hash));
        next = p + 1;
    }
}

BindInfoPort BindInfoReader::State::port(qsizetype p, qsizetype hash)
{
    BindInfoPort port;
    port.name = withoutLineEnds(w.mid(p + kPortKeyword.size(), 6));
    if (hash < 0)
        return port;
    const qsizetype from = p + 2;
    port.state = shutdown.find(w, from, hash) >= 0 ? QStringLiteral("关闭状态")
                                                   : QStringLiteral("开启状态");
    const qsizetype access = accessVlan.find(w, from, hash);
    const qsizetype trunk = trunkType.find(w, from, hash);
    port.type = access >= 0  ? QStringLiteral("Access类型")
                : trunk >= 0 ? QStringLiteral("Trunk类型")
                             : QStringLiteral("其它类型");
    const qsizetype permit = trunkVlan.find(w, from, hash);
    port.vlan = access >= 0   ? accessVlan.valueAfter(w, access)
                : permit >= 0 ? trunkVlan.valueAfter(w, permit)
                              : QStringLiteral("无VLAN");

    // Further bindings belong to this keyword up to the next port keyword or the "#".
    const qsizetype nextPort = portSearch.find(w, p + 1, hash);
    const qsizetype last = nextPort >= 0 ? nextPort : hash;

    qsizetype mac = staticMac.find(w, from, hash);
    port.macs3100 << (mac >= 0 ? staticMac.fixedAfter(w, mac, 14) : QStringLiteral("无MAC"));
    while (mac >= 0 && mac < last && (mac = staticMac.find(w, mac + 1, last)) >= 0)
        port.macs3100 << staticMac.fixedAfter(w, mac, 14);

    mac = bindMac.find(w, from, hash);
    const qsizetype ip = ipAddr.find(w, from, hash);
    port.binds3600 << (mac >= 0 ? bindMac.fixedAfter(w, mac, 14) : QStringLiteral("无MAC"))
                   << (ip >= 0 ? ipAddr.valueAfter(w, ip) : QStringLiteral("无IP"));
    while (mac >= 0 && mac < last && (mac = bindMac.find(w, mac + 1, last)) >= 0) {
        const qsizetype own = ipAddr.find(w, mac, hash);
        const bool onLine = own >= 0 && crs.find(w, mac, own) < 0 && lfs.find(w, mac, own) < 0;
        port.binds3600 << bindMac.fixedAfter(w, mac, 14)
                       << (onLine ? ipAddr.valueAfter(w, own) : QStringLiteral("无IP"));
    }
    return port;
}

BindInfoReader::BindInfoReader(std::function<void(const BindInfoPort &)> port)
    : d(std::make_unique<State>(std::move(port)))
{
}

BindInfoReader::~BindInfoReader() = default;

void BindInfoReader::add(const QString &text)
{
    State &s = *d;
    s.detection.add(text);
    // What lies before the next port keyword search is done with; it is dropped once it is at
    // least as long as what stays, so each character is moved a bounded number of times.
    const qsizetype done = s.next - s.w.base;
    if (done > 0 && done >= s.w.text.size() - done) {
        s.w.text.remove(0, done);
        s.w.base = s.next;
    }
    if (s.w.text.isEmpty())
        s.w.text = text; // a whole text given at once is shared, not copied
    else
        s.w.text += text;
    s.pump(false);
}

void BindInfoReader::finish()
{
    d->pump(true);
}

BindInfoResult BindInfoReader::model(SwitchModel switchModel) const
{
    BindInfoResult result;
    result.switchModel = switchModel;
    d->detection.apply(result);
    return result;
}

BindInfoTable BindInfoRows(const BindInfoPort &port, SwitchModel switchModel)
{
    BindInfoTable rows;
    const BindInfoRow first{port.name, port.state, port.type, port.vlan, QString(), QString()};
    if (switchModel == SwitchModel::S3100 && !port.macs3100.isEmpty()) {
        for (const QString &mac : port.macs3100) {
            rows.append(first);
            rows.last().mac = mac;
            rows.last().ip = QStringLiteral("无IP");
        }
    } else if (switchModel == SwitchModel::S3600 && !port.binds3600.isEmpty()) {
        for (qsizetype i = 0; i + 1 < port.binds3600.size(); i += 2) {
            rows.append(first);
            rows.last().mac = port.binds3600[i];
            rows.last().ip = port.binds3600[i + 1];
        }
    } else {
        rows.append(first);
    }
    return rows;
}

BindInfoResult parseBindInfo(const QString &input, SwitchModel switchModel)
{
    QList<BindInfoPort> ports;
    BindInfoReader reader([&](const BindInfoPort &port) { ports.append(port); });
    reader.add(input);
    reader.finish();
    BindInfoResult result = reader.model(switchModel);
    for (const BindInfoPort &port : ports)
        result.table += BindInfoRows(port, result.switchModel);
    return result;
}

QString formatBindHeader(SwitchModel switchModel)
{
    return QStringLiteral("这是个") + switchModelText(switchModel) + QStringLiteral("，详细信息如下：\r\n");
}

QString formatBindRow(const BindInfoRow &row)
{
    QString out;
    if (row.port.isEmpty())
        return out;
    for (const QString &cell : row.cells()) {
        // A tab inside a cell (a port name or value cut from the listing) would shift every
        // later column of the pasted table: it is shown as a blank instead.
        out += withoutLineEnds(cell).replace(u'\t', u' ');
        out += u'\t';
    }
    out += QStringLiteral("\r\n");
    return out;
}

QString formatBindReport(const BindInfoResult &result)
{
    QString out = formatBindHeader(result.switchModel);
    for (const BindInfoRow &row : result.table)
        out += formatBindRow(row);
    return out;
}

} // namespace tarnwell

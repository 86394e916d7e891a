#include "settings/inidocument.h"

namespace tarnwell {
namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

QByteArrayView trimmed(QByteArrayView v)
{
    qsizetype b = 0, e = v.size();
    while (b < e && isBlank(v[b]))
        ++b;
    while (e > b && isBlank(v[e - 1]))
        --e;
    return v.sliced(b, e - b);
}

char foldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (foldCase(a[i]) != foldCase(b[i]))
            return false;
    }
    return true;
}

enum class Kind { Other, Section, Key };

struct ParsedLine {
    Kind kind = Kind::Other;
    QByteArrayView name;  // section or key name, trimmed
    QByteArrayView value; // key value, trimmed; empty for a key line without "="
    qsizetype nameEnd = 0; // offset in the line just past the key name
};

// What a line is to the profile reader: a section header "[name]", a comment (";..."), a blank
// line, or a key line "name=value" (a line without "=" is a key without a value).
ParsedLine classify(QByteArrayView text)
{
    ParsedLine p;
    const QByteArrayView t = trimmed(text);
    if (t.isEmpty() || t[0] == ';')
        return p;
    if (t[0] == '[') {
        const qsizetype close = t.indexOf(']');
        if (close > 0) {
            p.kind = Kind::Section;
            p.name = trimmed(t.sliced(1, close - 1));
        }
        return p;
    }
    p.kind = Kind::Key;
    const qsizetype lead = t.data() - text.data();
    const qsizetype eq = t.indexOf('=');
    const QByteArrayView rawName = eq < 0 ? t : t.first(eq);
    p.name = trimmed(rawName);
    p.nameEnd = lead + (p.name.data() - t.data()) + p.name.size();
    if (eq >= 0)
        p.value = trimmed(t.sliced(eq + 1));
    return p;
}

// Cuts a value to at most n bytes without leaving half a UTF-8 sequence at its end.
QByteArrayView cutUtf8(QByteArrayView v, qsizetype n)
{
    if (v.size() <= n)
        return v;
    qsizetype cut = n;
    // A continuation byte right after the cut means a sequence straddles it; sequences are at
    // most four bytes long, so back off at most three.
    for (int i = 0; i < 3 && cut > 0 && (uchar(v[cut]) & 0xC0) == 0x80; ++i)
        --cut;
    if ((uchar(v[cut]) & 0xC0) == 0x80)
        cut = n; // not valid UTF-8 there anyway: plain byte cut
    return v.first(cut);
}

bool hasLineBreakOrNul(const QString &s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'))
        || s.contains(QChar(u'\0'));
}

} // namespace

IniDocument IniDocument::parse(QByteArrayView bytes)
{
    IniDocument doc;
    QByteArrayView rest = bytes;
    if (rest.startsWith(QByteArrayView(kBom))) {
        doc.m_bom = QByteArray(kBom);
        rest = rest.sliced(3);
    }
    // CR LF, a lone LF and a lone CR each end a line (files from every kind of editor).
    qsizetype start = 0;
    while (start < rest.size()) {
        qsizetype end = start;
        while (end < rest.size() && rest[end] != '\n' && rest[end] != '\r')
            ++end;
        if (end == rest.size()) {
            doc.m_lines.append({rest.sliced(start).toByteArray(), {}});
            break;
        }
        const qsizetype endLength = (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n') ? 2 : 1;
        doc.m_lines.append({rest.sliced(start, end - start).toByteArray(),
                            rest.sliced(end, endLength).toByteArray()});
        start = end + endLength;
    }
    return doc;
}

QByteArray IniDocument::serialize() const
{
    QByteArray out = m_bom;
    for (const Line &l : m_lines) {
        out += l.text;
        out += l.end;
    }
    return out;
}

IniDocument::Location IniDocument::locate(QByteArrayView section, QByteArrayView key) const
{
    Location loc;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const ParsedLine p = classify(m_lines[i].text);
        if (p.kind == Kind::Section) {
            if (loc.section >= 0)
                break; // end of the matching section
            if (sameName(p.name, section))
                loc.section = loc.lastKey = i;
            continue;
        }
        if (loc.section < 0 || p.kind != Kind::Key)
            continue;
        loc.lastKey = i;
        if (sameName(p.name, key)) {
            loc.key = i;
            break;
        }
    }
    return loc;
}

QString IniDocument::value(const QString &section, const QString &key) const
{
    const Location loc = locate(section.trimmed().toUtf8(), key.trimmed().toUtf8());
    if (loc.key < 0)
        return {};
    QByteArrayView v = classify(m_lines[loc.key].text).value;
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
        v = v.sliced(1, v.size() - 2);
    v = cutUtf8(v, kReadLimit);
    const qsizetype nul = v.indexOf('\0');
    if (nul >= 0)
        v = v.first(nul);
    QString s = QString::fromUtf8(v);
    // Blanks around the value are dropped once more after the cut, as the reader of the old
    // program did; only spaces, the rest was already trimmed above.
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == QLatin1Char(' '))
        ++b;
    while (e > b && s[e - 1] == QLatin1Char(' '))
        --e;
    s = s.mid(b, e - b);
    // Every byte decodes to at most one character, so this never cuts; it keeps the promise
    // even for input the decoder has never seen.
    return s.left(kReadLimit);
}

QByteArray IniDocument::lineEndFor(qsizetype pos) const
{
    if (pos > 0 && !m_lines[pos - 1].end.isEmpty())
        return m_lines[pos - 1].end;
    for (const Line &l : m_lines) {
        if (!l.end.isEmpty())
            return l.end;
    }
    return QByteArray("\n");
}

void IniDocument::insertLine(qsizetype pos, const QByteArray &text)
{
    const QByteArray end = lineEndFor(pos);
    if (pos > 0 && m_lines[pos - 1].end.isEmpty()) {
        // The line before was the last one and had no line end: it gets one, and the new last
        // line goes without, as the file did.
        m_lines[pos - 1].end = end;
        m_lines.insert(pos, {text, {}});
    } else {
        m_lines.insert(pos, {text, end});
    }
}

bool IniDocument::setValue(const QString &section, const QString &key, const QString &value)
{
    const QString sec = section.trimmed();
    const QString k = key.trimmed();
    if (sec.isEmpty() || hasLineBreakOrNul(sec) || sec.contains(QLatin1Char(']')))
        return false;
    if (k.isEmpty() || hasLineBreakOrNul(k) || k.contains(QLatin1Char('='))
        || k.startsWith(QLatin1Char('[')) || k.startsWith(QLatin1Char(';')))
        return false;

    QString v = value.left(kWriteLimit);
    if (!v.isEmpty() && v.back().isHighSurrogate() && v.size() < value.size())
        v.chop(1); // do not keep half a surrogate pair from the cut
    const qsizetype nul = v.indexOf(QChar(u'\0'));
    if (nul >= 0)
        v.truncate(nul);
    if (v.contains(QLatin1Char('\n')) || v.contains(QLatin1Char('\r')))
        return false;

    const QByteArray secBytes = sec.toUtf8();
    const QByteArray keyBytes = k.toUtf8();
    const QByteArray valueBytes = v.toUtf8();
    const Location loc = locate(secBytes, keyBytes);
    if (loc.key >= 0) {
        Line &line = m_lines[loc.key];
        const ParsedLine p = classify(line.text);
        // Keeps the indentation and the key as spelt in the file.
        line.text = line.text.left(p.nameEnd) + '=' + valueBytes;
    } else if (loc.section >= 0) {
        insertLine(loc.lastKey + 1, keyBytes + '=' + valueBytes);
    } else {
        insertLine(m_lines.size(), '[' + secBytes + ']');
        insertLine(m_lines.size(), keyBytes + '=' + valueBytes);
    }
    return true;
}

} // namespace tarnwell

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace tarnwell {

// A private-profile (INI) file held in memory as its raw lines, read and changed the way the
// classic profile calls do it:
// - section and key names match without regard to (ASCII) case; the first section and the first
//   key of a name win;
// - a value is read with blanks around it removed and a pair of enclosing quotes dropped, then
//   cut to 127 bytes (never inside a UTF-8 sequence) and before any NUL;
// - CR LF, LF and a lone CR each end a line;
// - setting a value rewrites only that key's line and adds the section or key when missing;
//   every other byte of the file, line ends included, stays as it was.
// Any byte sequence parses; serialize() gives back exactly the bytes parsed.
class IniDocument {
public:
    static constexpr qsizetype kReadLimit = 127;  // longest value a read gives
    static constexpr qsizetype kWriteLimit = 128; // longest value a write stores

    static IniDocument parse(QByteArrayView bytes);
    QByteArray serialize() const;

    bool isEmpty() const { return m_lines.isEmpty() && m_bom.isEmpty(); }

    // The key's value in the section, or an empty string when the section, the key or its value
    // is missing. Never longer than kReadLimit characters.
    QString value(const QString &section, const QString &key) const;

    // Sets the key's value, cut to kWriteLimit characters and before any NUL. Returns false and
    // changes nothing when a name or the value would not survive as one line: an empty name, a
    // line break anywhere, "]" in the section, "=" in the key, a key starting with "[" or ";".
    bool setValue(const QString &section, const QString &key, const QString &value);

private:
    struct Line {
        QByteArray text; // without its line end
        QByteArray end;  // "\n", "\r\n", "\r", or empty for a last line without one
    };
    struct Location {
        qsizetype section = -1; // header line of the first matching section
        qsizetype key = -1;     // first matching key line in it
        qsizetype lastKey = -1; // last key line of the section (the header when it has none)
    };

    Location locate(QByteArrayView section, QByteArrayView key) const;
    QByteArray lineEndFor(qsizetype pos) const;
    void insertLine(qsizetype pos, const QByteArray &text);

    QByteArray m_bom; // UTF-8 byte order mark in front of the first line, kept as found
    QList<Line> m_lines;
};

} // namespace tarnwell

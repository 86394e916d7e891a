#pragma once

#include <QList>
#include <QString>

#include <array>
#include <memory>

namespace tarnwell {

// One port of the binding table: name, state, link type, VLAN, bound MAC, bound IP.
// A row whose name (cell 0) is empty is blank and left out of the report.
using BindInfoRow = std::array<QString, 6>;

// One row per "interface Ethernet" block, in text order; it grows with the listing (48-port
// switches list 48 blocks).
using BindInfoTable = QList<BindInfoRow>;

// The model option button the parse leaves selected.
enum class ModelButton { None, Sw3100, Sw3600 };

struct BindInfoResult {
    BindInfoTable table;
    QString switchModel;                     // the model after detection
    ModelButton selected = ModelButton::None; // None: the parse selects no button
};

// The longest value (VLAN text, IP text) a cell takes from the listing. A switch never prints a
// configuration line near this long; the cut keeps a crafted listing, in which many port blocks
// share one long value, from making the report grow with the square of the text.
inline constexpr qsizetype kMaxBindValueLength = 256;

// Parses a captured "dis cu" listing. switchModel is the model before the call; detection from
// the "sysname" line and the model hints may replace it, and the MAC and IP columns follow the
// model as detected. Works by position-based substring searches in one forward pass: every
// keyword is searched for at most once per stretch of text, so the time is linear in the text
// plus the values copied out.
// A value runs from one character after its keyword to the end of the keyword's line (the first
// CR or LF after it, or the end of the text), cut to kMaxBindValueLength characters.
BindInfoResult ParseBindInfo(const QString &text, const QString &switchModel);

// The same parse, one port block at a time: a caller that writes each row out as it comes holds
// only the text, never the whole table. The model is detected on construction.
class BindInfoWalk {
public:
    BindInfoWalk(const QString &text, const QString &switchModel);
    ~BindInfoWalk();
    BindInfoWalk(const BindInfoWalk &) = delete;
    BindInfoWalk &operator=(const BindInfoWalk &) = delete;

    QString switchModel() const;
    ModelButton selected() const;
    // The next port block's row; false when there is none left.
    bool next(BindInfoRow &row);

private:
    struct State;
    std::unique_ptr<State> d;
};

// The report text: the header line with the model, then one line per non-blank row, each of
// the six cells with CR and LF removed, tabs turned into blanks, and followed by a tab, so that
// every data line has exactly six tabs. Every line ends in CR LF.
QString FormatBindReport(const BindInfoResult &result);
// The report's header line and one row's line (empty for a blank row), each with its CR LF.
QString FormatBindHeader(const QString &switchModel);
QString FormatBindRow(const BindInfoRow &row);

} // namespace tarnwell

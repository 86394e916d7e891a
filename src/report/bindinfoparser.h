#pragma once

#include <QList>
#include <QString>

#include <array>

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

// Parses a captured "dis cu" listing. switchModel is the model before the call; detection from
// the "sysname" line and the model hints may replace it, and the MAC and IP columns follow the
// model as detected. Works by position-based substring searches in one forward pass: every
// keyword is searched for at most once per stretch of text, so the time is linear in the text
// plus the values copied out.
BindInfoResult ParseBindInfo(const QString &text, const QString &switchModel);

// The report text: the header line with the model, then one line per non-blank row, each of
// the six cells with CR and LF removed, tabs turned into blanks, and followed by a tab, so that
// every data line has exactly six tabs. Every line ends in CR LF.
QString FormatBindReport(const BindInfoResult &result);

} // namespace tarnwell

#pragma once

#include "switch/switchmodel.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

namespace tarnwell {

// One port of the binding table. A row whose port name is empty is blank and left out of the
// report.
struct BindInfoRow {
    QString port;  // port name after the keyword, e.g. "1/0/1"
    QString state; // 开启状态 or 关闭状态
    QString type;  // link type: Access类型, Trunk类型 or 其它类型
    QString vlan;
    QString mac;   // bound MAC
    QString ip;    // bound IP

    static constexpr int kColumns = 6;
    // The cells in the report's column order.
    std::array<QString, kColumns> cells() const { return {port, state, type, vlan, mac, ip}; }
    friend bool operator==(const BindInfoRow &, const BindInfoRow &) = default;
};

// The rows of the port blocks in text order: one per block, or one per binding of a block with
// several; it grows with the listing (48-port switches list 48 blocks).
using BindInfoTable = QList<BindInfoRow>;

// The model option button the parse leaves selected.
enum class ModelButton { None, Sw3100, Sw3600 };

struct BindInfoResult {
    BindInfoTable table;
    SwitchModel switchModel = SwitchModel::Unknown; // the model after detection
    ModelButton selected = ModelButton::None; // None: the parse selects no button
};

// The longest value (VLAN text, IP text) a cell takes from the listing. A switch never prints a
// configuration line near this long; the cut keeps a crafted listing, in which many port blocks
// share one long value, from making the report grow with the square of the text.
inline constexpr qsizetype kMaxBindValueLength = 256;

// The longest port block, from its port keyword to its "#", in characters. A real block is a few
// lines; a "#" further away is not looked for, and the block reads as one without a "#" (only
// its name). The bound lets a reader keep one block in memory however long the text is.
inline constexpr qsizetype kMaxPortBlockLength = 1 << 20;

// Parses a captured "dis cu" listing. switchModel is the model before the call; detection from
// the "sysname" line and the model hints may replace it, and the MAC and IP columns follow the
// model as detected. Works by position-based substring searches in one forward pass: every
// keyword is searched for at most once per stretch of text, so the time is linear in the text
// plus the values copied out.
// A value runs from one character after its keyword to the end of the keyword's line (the first
// CR or LF after it, or the end of the text), cut to kMaxBindValueLength characters.
// A block with several bindings of the model's form gives one row per binding: the first as a
// block with one binding, each further one with that binding's MAC and (3600) the IP on its own
// line. A binding counts for the nearest port keyword above it.
BindInfoResult parseBindInfo(const QString &text, SwitchModel switchModel);

// One port keyword's findings, whatever the model: rows for any model are made from it.
struct BindInfoPort {
    QString name;            // the rows' port
    QString state, type, vlan; // the rows' like-named cells; empty when no "#" follows the keyword
    QStringList macs3100;    // the MAC of each row of a 3100; empty when no "#" follows
    QStringList binds3600;   // the MAC and IP of each row of a 3600, in pairs; likewise
};

// The rows of one port keyword for the given model.
BindInfoTable BindInfoRows(const BindInfoPort &port, SwitchModel switchModel);

// The parse fed in pieces, for texts too long to hold: ports come out through the callback as
// soon as the text after them is known; at most one port block (see kMaxPortBlockLength) and
// one piece are held. The model is known once the text has ended, as it depends on all of it.
class BindInfoReader {
public:
    explicit BindInfoReader(std::function<void(const BindInfoPort &)> port);
    ~BindInfoReader();
    BindInfoReader(const BindInfoReader &) = delete;
    BindInfoReader &operator=(const BindInfoReader &) = delete;

    void add(const QString &text);
    void finish();
    // After finish(): the model detected, starting from switchModel; the table stays empty.
    BindInfoResult model(SwitchModel switchModel) const;

private:
    struct State;
    std::unique_ptr<State> d;
};

// The report text: the header line with the model, then one line per non-blank row, each of
// the six cells with CR and LF removed, tabs turned into blanks, and followed by a tab, so that
// every data line has exactly six tabs. Every line ends in CR LF.
QString formatBindReport(const BindInfoResult &result);
// The report's header line and one row's line (empty for a blank row), each with its CR LF.
QString formatBindHeader(SwitchModel switchModel);
QString formatBindRow(const BindInfoRow &row);

} // namespace tarnwell

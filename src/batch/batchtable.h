#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tarnwell {

// One binding of a batch: a port of the switch, its access VLAN, the MAC bound to it and, on a
// 3600, the IP bound with the MAC. The values are kept as they will be sent: the port as its
// number, the MAC in the switch's form where it is one.
struct BatchRow {
    QString port, vlan, mac, ip;
    QString problem; // why the row cannot be sent; empty when it can
    int line = 0;    // its line in the pasted text, from 1
    int columns = 0; // cells it was given, empty ones at the end aside

    QStringList cells() const { return {port, vlan, mac, ip}; }
};

// The rows of a table pasted as a spreadsheet copies it (cells separated by tabs, or by runs of
// blanks when the text has no tab) or typed into the batch's table. A first line naming the
// columns (端口, VLAN, MAC ...) is taken for the header and skipped; blank lines are skipped.
// Every row is checked before anything is sent: port 1 to 48 (also as 1/0/5 or Ethernet1/0/5),
// VLAN 1 to 4094, a MAC in any form the binding boxes convert, and on a 3600 an IP; a row that
// repeats an earlier one is marked too.
class BatchTable {
public:
    // Parses pasted text; needsIp: the rows are for a 3600.
    static BatchTable parse(const QString &text, bool needsIp);
    // A row of cells (port, VLAN, MAC, IP) as typed, checked.
    static BatchRow row(const QStringList &cells, bool needsIp, int line = 0);

    QList<BatchRow> rows;
    bool headerSkipped = false;

    // Marks every row again (after a cell changed or the model did); repeats included.
    void check(bool needsIp);
    bool sendable() const;
    qsizetype marked() const;
};

} // namespace tarnwell

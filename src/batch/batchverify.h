#pragma once

#include "batch/batchtable.h"
#include "report/bindinfoparser.h"

#include <QString>

namespace tarnwell {

// What the switch's listing says about one row of a batch: empty when the switch holds what the
// row asked for, else the differences in words. After a binding the port is on (undo shut), an
// access port of the row's VLAN (a port the listing names no VLAN for is in VLAN 1), with the row's MAC bound (and on a 3600 with the row's IP);
// after an unbinding the port is shut down, out of the row's VLAN, and the MAC is not bound.
QString batchRowDifference(const BatchRow &row, bool bind, const BindInfoTable &table, SwitchModel model);

} // namespace tarnwell

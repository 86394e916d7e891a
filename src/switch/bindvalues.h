#pragma once

#include <QString>

namespace tarnwell {

// The values a binding or unbinding sends, as the switch takes them, and the checks made on
// them before anything goes out.
namespace bindvalues {

// A port number 1 to 48, digits only.
bool isPort(const QString &text);
// A VLAN number: digits only, 1 to 4094.
bool isVlan(const QString &text);
// A MAC address in the switch's form hhhh-hhhh-hhhh (hex digits of either case).
bool isSwitchMac(const QString &text);
// Four numbers 0 to 255 separated by dots, digits only.
bool isIPv4(const QString &text);

// 00:0F:E2:AA:00:08, 00-0f-e2-aa-00-08, 000f.e2aa.0008, 000FE2AA0008 and 000F-E2AA-0008 in the
// switch's form, lower case: 000f-e2aa-0008. Any other text comes back unchanged, so a MAC being
// typed is left alone until it is complete.
QString switchMac(const QString &text);

// The first cell of pasted text: the part before the first CR, LF or Tab, or, when that part is
// empty, the first part that is not. `more` says whether further non-empty parts were dropped.
QString firstCell(const QString &text, bool *more = nullptr);

// What is wrong with the values of a port script, as the message the person sees; empty when
// they are fine. The IP is checked only when `needsIp` (the 3600 binds MAC and IP).
QString problem(const QString &port, const QString &vlan, const QString &mac, const QString &ip, bool needsIp);

} // namespace bindvalues
} // namespace tarnwell

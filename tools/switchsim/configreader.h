#pragma once

#include "grammar.h"
#include "switchconfig.h"

#include <string>
#include <string_view>

namespace tarnwell::sim {

// Reads a starting configuration written in the layout of "display current-configuration".
// The sysname, the VLANs and the Ethernet port blocks become state (port lines are read as the
// port-view commands they are); port lines it does not know stay in their block as written, and
// so do whole blocks of other kinds. Blocks that the listing writes from the switch's own
// settings (users, VLAN interface, uplinks, user interfaces) are left out. False with a message
// naming the line when a port or VLAN block does not fit the switch.
bool readConfig(std::string_view text, const Grammar &grammar, SwitchConfig &config, std::string &error);

} // namespace tarnwell::sim

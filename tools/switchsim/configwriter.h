#pragma once

#include "switchconfig.h"
#include "switchprofile.h"

#include <string>
#include <vector>

namespace tarnwell::sim {

// The lines of "display current-configuration" for a configuration, without line ends.
std::vector<std::string> writeConfig(const SwitchConfig &config, const SwitchProfile &profile);

// A VLAN set as the switch lists it: "1 10 20 to 22".
std::string vlanListText(const std::set<int> &vlans);

} // namespace tarnwell::sim

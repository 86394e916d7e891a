#include "switchconfig.h"

#include <algorithm>

namespace tarnwell::sim {

void SwitchConfig::setAccessVlan(int number, int vlan)
{
    port(number).accessVlan = vlan;
    vlans.insert(vlan); // the port command creates a missing VLAN, as the program relies on
}

void SwitchConfig::setLinkType(int number, LinkType type)
{
    PortConfig &p = port(number);
    if (p.linkType == type)
        return;
    p.linkType = type;
    p.accessVlan = 1;
    p.trunkPermit = {1};
    p.trunkPermitAll = false;
}

void SwitchConfig::addStaticMac(int number, const StaticMac &entry)
{
    // A MAC address lives on one port per VLAN: binding it here moves it from any other port.
    if (port(number).staticMacs.size() >= kMaxBindingsPerPort)
        return;
    for (PortConfig &p : ports)
        std::erase(p.staticMacs, entry);
    port(number).staticMacs.push_back(entry);
    vlans.insert(entry.vlan);
}

void SwitchConfig::removeStaticMac(int number, const StaticMac &entry)
{
    std::erase(port(number).staticMacs, entry);
}

void SwitchConfig::addUserBind(int number, const UserBind &bind)
{
    if (port(number).userBinds.size() >= kMaxBindingsPerPort)
        return;
    for (PortConfig &p : ports)
        std::erase_if(p.userBinds, [&](const UserBind &b) { return b.mac == bind.mac; });
    port(number).userBinds.push_back(bind);
}

void SwitchConfig::removeUserBind(int number, const UserBind &bind)
{
    std::erase(port(number).userBinds, bind);
}

} // namespace tarnwell::sim

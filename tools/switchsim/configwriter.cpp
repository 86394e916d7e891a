#include "configwriter.h"

namespace tarnwell::sim {

std::string vlanListText(const std::set<int> &vlans)
{
    std::string out;
    for (auto it = vlans.begin(); it != vlans.end();) {
        const int first = *it;
        int last = first;
        while (++it != vlans.end() && *it == last + 1)
            last = *it;
        if (!out.empty())
            out += ' ';
        out += std::to_string(first);
        if (last != first)
            out += " to " + std::to_string(last);
    }
    return out;
}

namespace {

void writePort(std::vector<std::string> &out, int number, const PortConfig &p)
{
    out.push_back("interface Ethernet1/0/" + std::to_string(number));
    if (p.shutdown)
        out.push_back(" shutdown");
    if (p.linkType == LinkType::Trunk)
        out.push_back(" port link-type trunk");
    if (p.linkType == LinkType::Hybrid)
        out.push_back(" port link-type hybrid");
    if (p.linkType == LinkType::Trunk) {
        if (p.trunkPermitAll)
            out.push_back(" port trunk permit vlan all");
        else if (p.trunkPermit != std::set<int>{1})
            out.push_back(" port trunk permit vlan " + vlanListText(p.trunkPermit));
    }
    if (p.linkType == LinkType::Access && p.accessVlan != 1)
        out.push_back(" port access vlan " + std::to_string(p.accessVlan));
    for (const StaticMac &m : p.staticMacs)
        out.push_back(" mac-address static " + m.mac + " vlan " + std::to_string(m.vlan));
    for (const UserBind &b : p.userBinds)
        out.push_back(" am user-bind mac-addr " + b.mac + " ip-addr " + b.ip);
    out.insert(out.end(), p.extraLines.begin(), p.extraLines.end());
    out.push_back("#");
}

} // namespace

std::vector<std::string> writeConfig(const SwitchConfig &config, const SwitchProfile &profile)
{
    std::vector<std::string> out{"#", " sysname " + config.sysname};
    if (!profile.superPassword.empty())
        out.push_back(" super password level 3 simple " + profile.superPassword);
    out.insert(out.end(), {"#", " radius scheme system", "#", " domain system", "#"});
    if (!profile.user.empty()) {
        out.push_back("local-user " + profile.user);
        if (!profile.password.empty())
            out.push_back(" password simple " + profile.password);
        out.push_back(" service-type telnet level " + std::to_string(profile.userLevel));
        out.push_back("#");
    }
    for (int vlan : config.vlans)
        out.insert(out.end(), {"vlan " + std::to_string(vlan), "#"});
    for (const auto &block : config.extraBlocks) {
        out.insert(out.end(), block.begin(), block.end());
        out.push_back("#");
    }
    out.push_back("interface Vlan-interface1");
    if (!profile.address.empty())
        out.push_back(" ip address " + profile.address + " 255.255.255.0");
    out.insert(out.end(), {"#", "interface Aux1/0/0", "#"});
    for (size_t i = 0; i < config.ports.size(); ++i)
        writePort(out, int(i) + 1, config.ports[i]);
    const int uplinks = profile.ports > 24 ? 4 : 2;
    for (int i = 1; i <= uplinks; ++i)
        out.insert(out.end(), {"interface GigabitEthernet1/1/" + std::to_string(i), "#"});
    out.insert(out.end(), {"user-interface aux 0", "user-interface vty 0 4"});
    if (!profile.user.empty()) {
        out.push_back(" authentication-mode scheme");
    } else if (!profile.password.empty()) {
        out.push_back(" authentication-mode password");
        out.push_back(" set authentication password simple " + profile.password);
    }
    out.insert(out.end(), {"#", "return"});
    return out;
}

} // namespace tarnwell::sim

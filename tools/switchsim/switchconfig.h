#pragma once

#include <set>
#include <string>
#include <vector>

namespace tarnwell::sim {

enum class LinkType { Access, Trunk, Hybrid };

struct StaticMac {
    std::string mac; // normalised: xxxx-xxxx-xxxx, lower case
    int vlan = 1;
    bool operator==(const StaticMac &) const = default;
};

struct UserBind {
    std::string mac;
    std::string ip;
    bool operator==(const UserBind &) const = default;
};

struct PortConfig {
    bool shutdown = false;
    LinkType linkType = LinkType::Access;
    int accessVlan = 1;                // 1 is the default and is not listed
    std::set<int> trunkPermit{1};
    bool trunkPermitAll = false;
    std::vector<StaticMac> staticMacs; // 3100 class
    std::vector<UserBind> userBinds;   // 3600 class
    std::vector<std::string> extraLines; // lines of a starting configuration kept as written
    bool operator==(const PortConfig &) const = default;
};

// The configuration of one switch: what "display current-configuration" lists and "save" keeps.
struct SwitchConfig {
    std::string sysname;
    std::set<int> vlans{1};
    std::vector<PortConfig> ports;     // index 0 is Ethernet1/0/1
    std::vector<std::vector<std::string>> extraBlocks; // blocks of a starting configuration
    bool operator==(const SwitchConfig &) const = default;

    SwitchConfig() = default;
    SwitchConfig(std::string name, int portCount) : sysname(std::move(name)), ports(size_t(portCount)) {}
    PortConfig &port(int number) { return ports.at(size_t(number - 1)); }
    const PortConfig &port(int number) const { return ports.at(size_t(number - 1)); }

    // Bindings a port keeps (static MACs or user binds); further ones are ignored, so no input
    // grows the configuration without bound.
    static constexpr size_t kMaxBindingsPerPort = 128;

    void setAccessVlan(int number, int vlan);
    void setLinkType(int number, LinkType type);
    void addStaticMac(int number, const StaticMac &entry);
    void removeStaticMac(int number, const StaticMac &entry);
    void addUserBind(int number, const UserBind &bind);
    void removeUserBind(int number, const UserBind &bind);
};

} // namespace tarnwell::sim

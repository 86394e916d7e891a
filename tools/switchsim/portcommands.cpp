#include "portcommands.h"

#include <string>

namespace tarnwell::sim {

namespace {

// "1 10 to 12" -> {1, 10, 11, 12}; the grammar has checked the words already.
std::set<int> vlanSet(const std::string &list)
{
    std::set<int> result;
    int previous = -1;
    bool range = false;
    for (const Token &t : tokenize(list)) {
        if (iequals(t.text, "to")) {
            range = true;
            continue;
        }
        const int v = std::stoi(t.text);
        if (range) {
            for (int i = previous; i <= v; ++i)
                result.insert(i);
            range = false;
        }
        result.insert(v);
        previous = v;
    }
    return result;
}

} // namespace

bool applyPortCommand(SwitchConfig &config, int number, const Parsed &parsed)
{
    PortConfig &port = config.port(number);
    const auto &a = parsed.args;
    std::string mac;
    switch (parsed.cmd) {
    case Cmd::Shutdown:
        port.shutdown = true;
        return true;
    case Cmd::UndoShutdown:
        port.shutdown = false;
        return true;
    case Cmd::AccessVlan:
        config.setAccessVlan(number, std::stoi(a.at(0)));
        return true;
    case Cmd::UndoAccessVlan:
        port.accessVlan = 1;
        return true;
    case Cmd::LinkAccess:
    case Cmd::UndoLinkType:
        config.setLinkType(number, LinkType::Access);
        return true;
    case Cmd::LinkTrunk:
        config.setLinkType(number, LinkType::Trunk);
        return true;
    case Cmd::LinkHybrid:
        config.setLinkType(number, LinkType::Hybrid);
        return true;
    case Cmd::TrunkPermit:
        if (iequals(a.at(0), "all")) {
            port.trunkPermitAll = true;
        } else {
            const std::set<int> add = vlanSet(a.at(0));
            port.trunkPermit.insert(add.begin(), add.end());
        }
        return true;
    case Cmd::UndoTrunkPermit:
        if (iequals(a.at(0), "all")) {
            port.trunkPermitAll = false;
            port.trunkPermit = {1};
        } else {
            for (int v : vlanSet(a.at(0)))
                port.trunkPermit.erase(v);
        }
        return true;
    case Cmd::MacStatic:
    case Cmd::UndoMacStatic:
        parseMac(a.at(0), mac);
        if (parsed.cmd == Cmd::MacStatic)
            config.addStaticMac(number, {mac, std::stoi(a.at(1))});
        else
            config.removeStaticMac(number, {mac, std::stoi(a.at(1))});
        return true;
    case Cmd::UserBind:
    case Cmd::UndoUserBind:
        parseMac(a.at(0), mac);
        if (parsed.cmd == Cmd::UserBind)
            config.addUserBind(number, {mac, a.at(1)});
        else
            config.removeUserBind(number, {mac, a.at(1)});
        return true;
    default:
        return false;
    }
}

} // namespace tarnwell::sim

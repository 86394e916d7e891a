#include "commandset.h"

namespace tarnwell::sim {

namespace {

void defineWords(Grammar &g, int ports)
{
    g.defineParam({"<vlan>", "INTEGER<1-4094>", ParamKind::Integer, 1, 4094, "VLAN ID"});
    g.defineParam({"<vlans>", "INTEGER<1-4094>", ParamKind::VlanList, 1, 4094, "VLAN ID or all"});
    g.defineParam({"<level>", "INTEGER<0-3>", ParamKind::Integer, 0, 3, "Privilege level"});
    g.defineParam({"<mac>", "H-H-H", ParamKind::Mac, 0, 0, "MAC address"});
    g.defineParam({"<ip>", "X.X.X.X", ParamKind::Ip, 0, 0, "IP address"});
    g.defineParam({"<host>", "STRING<1-20>", ParamKind::Word, 0, 0, "IP address or host name of a remote system"});
    g.defineParam({"<name>", "TEXT", ParamKind::Word, 0, 0, "Host name (1 to 30 characters)"});
    g.defineParam({"<port>", "interface-number", ParamKind::PortNumber, 0, ports, "Ethernet interface number"});

    g.defineHelp("display", "Display current system information");
    g.defineHelp("current-configuration", "Current configuration");
    g.defineHelp("saved-configuration", "Saved configuration");
    g.defineHelp("version", "Display system hardware and software version information");
    g.defineHelp("quit", "Exit from current command view");
    g.defineHelp("return", "Exit to User View");
    g.defineHelp("reboot", "Reset switch");
    g.defineHelp("save", "Save current configuration");
    g.defineHelp("super", "Privilege current user a specified priority level");
    g.defineHelp("system-view", "Enter the System View");
    g.defineHelp("telnet", "Establish one TELNET connection");
    g.defineHelp("interface", "Specify the interface configuration view");
    g.defineHelp("Ethernet", "Ethernet interface");
    g.defineHelp("sysname", "Specify the host name");
    g.defineHelp("shutdown", "Shut down this interface");
    g.defineHelp("undo", "Cancel current setting");
    g.defineHelp("port", "Assign port or set port attribute");
    g.defineHelp("port access", "Set access port attribute");
    g.defineHelp("link-type", "Set port link type");
    g.defineHelp("link-type access", "Access link type");
    g.defineHelp("hybrid", "Hybrid link type");
    g.defineHelp("link-type trunk", "Trunk link type");
    g.defineHelp("port trunk", "Set trunk port attribute");
    g.defineHelp("permit", "Allow VLANs on the trunk port");
    g.defineHelp("vlan", "Assign VLAN");
    g.defineHelp("mac-address", "Configure MAC address");
    g.defineHelp("static", "Static MAC address entry");
    g.defineHelp("am", "Access management");
    g.defineHelp("user-bind", "Bind a user's MAC address and IP address to this port");
    g.defineHelp("mac-addr", "MAC address of the user");
    g.defineHelp("ip-addr", "IP address of the user");
}

void addEverywhere(Grammar &g, std::string_view words, Cmd cmd, int level)
{
    for (View v : {View::User, View::System, View::Port})
        g.add(v, words, cmd, level);
}

} // namespace

Grammar buildCommandSet(Model model, int ports)
{
    Grammar g;
    defineWords(g, ports);

    // Display, save and reboot are taken in every view, so the program's "sys" + "reboot " works.
    addEverywhere(g, "display current-configuration", Cmd::DisplayCurrent, 1);
    addEverywhere(g, "display saved-configuration", Cmd::DisplaySaved, 1);
    addEverywhere(g, "display version", Cmd::DisplayVersion, 1);
    addEverywhere(g, "quit", Cmd::Quit, 0);
    addEverywhere(g, "save", Cmd::Save, 3);
    addEverywhere(g, "reboot", Cmd::Reboot, 3);

    g.add(View::User, "super", Cmd::Super, 0);
    g.add(View::User, "super <level>", Cmd::Super, 0);
    g.add(View::User, "system-view", Cmd::SystemView, 2);
    g.add(View::User, "telnet <host>", Cmd::Telnet, 0);

    for (View v : {View::System, View::Port}) {
        g.add(v, "return", Cmd::Return, 2);
        g.add(v, "interface Ethernet~ <port>", Cmd::Interface, 2);
    }
    g.add(View::System, "sysname <name>", Cmd::Sysname, 2);

    const View p = View::Port;
    g.add(p, "shutdown", Cmd::Shutdown, 2);
    g.add(p, "undo shutdown", Cmd::UndoShutdown, 2);
    g.add(p, "port access vlan <vlan>", Cmd::AccessVlan, 2);
    g.add(p, "undo port access vlan", Cmd::UndoAccessVlan, 2);
    g.add(p, "undo port access vlan <vlan>", Cmd::UndoAccessVlan, 2);
    g.add(p, "port link-type access", Cmd::LinkAccess, 2);
    g.add(p, "port link-type hybrid", Cmd::LinkHybrid, 2);
    g.add(p, "port link-type trunk", Cmd::LinkTrunk, 2);
    g.add(p, "undo port link-type", Cmd::UndoLinkType, 2);
    g.add(p, "port trunk permit vlan <vlans>", Cmd::TrunkPermit, 2);
    g.add(p, "undo port trunk permit vlan <vlans>", Cmd::UndoTrunkPermit, 2);
    if (model == Model::S3100) {
        g.add(p, "mac-address static <mac> vlan <vlan>", Cmd::MacStatic, 2);
        g.add(p, "undo mac-address static <mac> vlan <vlan>", Cmd::UndoMacStatic, 2);
    } else {
        g.add(p, "am user-bind mac-addr <mac> ip-addr <ip>", Cmd::UserBind, 2);
        g.add(p, "undo am user-bind mac-addr <mac> ip-addr <ip>", Cmd::UndoUserBind, 2);
    }
    return g;
}

} // namespace tarnwell::sim

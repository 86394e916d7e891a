#include "options.h"

#include "configreader.h"
#include "commandset.h"

#include "tarnwell_version.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace tarnwell::sim {

namespace {

struct SwitchOptions {
    QString prefix; // "" for the entry switch, "remote-" for the managed one
    QString who;
    QCommandLineOption model, ports, sysname, address, user, password, userLevel, superUser,
        superPassword, config;

    SwitchOptions(const QString &p, const QString &w, const QString &address, const QString &user,
                  const QString &password)
        : prefix(p), who(w),
          model(p + "model", "Switch class of the " + w + ": 3100 or 3600.", "model"),
          ports(p + "ports", "Ethernet ports of the " + w + ": 24 or 48.", "count", "24"),
          sysname(p + "sysname", "System name of the " + w + " (default SW3100-" + (p.isEmpty() ? "A" : "B")
                                     + " or SW3600-" + (p.isEmpty() ? "A" : "B") + ").", "name"),
          address(p + "address", "Management address of the " + w + ".", "ip", address),
          user(p + "user", "Login user name of the " + w + " (empty: none).", "name", user),
          password(p + "password", "Login password of the " + w + " (empty with no user: no login).",
                   "password", password),
          userLevel(p + "user-level", "Command level after login on the " + w + " (0-3).", "level", "3"),
          superUser(p + "super-user", "A user-view line equal to this starts the level change on the "
                                          + w + ".", "name", "super"),
          superPassword(p + "super-password", "Password of the level change on the " + w
                                                  + " (empty: not asked).", "password"),
          config(p + "config", "Starting configuration of the " + w
                                   + ", in the layout of display current-configuration.", "file")
    {
    }
    QList<QCommandLineOption> all() const
    {
        return {model, ports, sysname, address, user, password, userLevel, superUser, superPassword, config};
    }
};

constexpr qint64 kMaxConfigBytes = 1 << 20;

bool number(const QString &text, int min, int max, int &value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= min && value <= max;
}

// Every port of the entry switch an access port of VLAN 10 with a binding, as a site looks where
// every socket is bound: a 48-port listing of this kind runs to more than ten screens.
void bindEveryPort(const SwitchProfile &p, SwitchConfig &config)
{
    config.vlans.insert(10);
    for (int n = 1; n <= p.ports; ++n) {
        char mac[32];
        std::snprintf(mac, sizeof mac, "000f-e200-%04d", n);
        config.setAccessVlan(n, 10);
        if (p.model == Model::S3100) {
            config.addStaticMac(n, {mac, 10});
            config.port(n).extraLines.push_back(" mac-address max-mac-count 0");
        } else {
            config.addUserBind(n, {mac, "10.1.1." + std::to_string(n + 10)});
            config.port(n).extraLines.push_back(" loopback-detection enable");
        }
    }
}

struct CommonSwitchOptions {
    int eraseColumns = 42;
    int answerDelayMs = 0;
    bool strictVlans = false, strictReboot = false, quickSave = false;
    bool logAfterLogin = false, logInListing = false, bindEveryPort = false;
};

bool readSwitch(const QCommandLineParser &parser, const SwitchOptions &o, const QString &defaultModel,
                int saveDelay, int bootDelay, const CommonSwitchOptions &common, Simulator::Switch &out,
                QString &message)
{
    SwitchProfile &p = out.profile;
    p.eraseColumns = common.eraseColumns;
    p.strictVlans = common.strictVlans;
    p.strictReboot = common.strictReboot;
    p.quickSave = common.quickSave;
    p.answerDelayMs = common.answerDelayMs;
    p.logAfterLogin = common.logAfterLogin;
    p.logInListing = common.logInListing;
    const QString model = parser.isSet(o.model) ? parser.value(o.model) : defaultModel;
    if (model != "3100" && model != "3600") {
        message = "--" + o.prefix + "model must be 3100 or 3600, not " + model;
        return false;
    }
    p.model = model == "3100" ? Model::S3100 : Model::S3600;
    const QString ports = parser.value(o.ports);
    if (ports != "24" && ports != "48") {
        message = "--" + o.prefix + "ports must be 24 or 48, not " + ports;
        return false;
    }
    p.ports = ports.toInt();
    if (!number(parser.value(o.userLevel), 0, 3, p.userLevel)) {
        message = "--" + o.prefix + "user-level must be 0 to 3";
        return false;
    }
    p.address = parser.value(o.address).toStdString();
    p.user = parser.value(o.user).toStdString();
    p.password = parser.value(o.password).toStdString();
    p.superUser = parser.value(o.superUser).toStdString();
    p.superPassword = parser.value(o.superPassword).toStdString();
    p.saveDelayMs = saveDelay;
    p.bootDelayMs = bootDelay;
    const std::string defaultName = std::string("SW") + modelNumber(p.model) + (o.prefix.isEmpty() ? "-A" : "-B");
    out.startup = SwitchConfig(defaultName, p.ports);
    if (parser.isSet(o.config)) {
        QFile file(parser.value(o.config));
        // A device or a FIFO reports no size and may never end (or never open): only a regular
        // file is read, and never more than one byte beyond the limit.
        if (QFileInfo(file).exists() && !QFileInfo(file).isFile()) {
            message = file.fileName() + ": not a regular file";
            return false;
        }
        if (!file.open(QIODevice::ReadOnly)) {
            message = file.fileName() + ": " + file.errorString();
            return false;
        }
        const QByteArray text = file.read(kMaxConfigBytes + 1);
        // A configuration listing is a few hundred lines; anything far larger is not one.
        if (text.size() > kMaxConfigBytes) {
            message = file.fileName() + ": larger than 1 MiB";
            return false;
        }
        std::string error;
        if (!readConfig(text.toStdString(), buildCommandSet(p.model, p.ports), out.startup, error)) {
            message = file.fileName() + ": " + QString::fromStdString(error);
            return false;
        }
    }
    if (common.bindEveryPort)
        bindEveryPort(p, out.startup);
    if (parser.isSet(o.sysname))
        out.startup.sysname = parser.value(o.sysname).toStdString();
    if (out.startup.sysname.empty()) {
        message = "--" + o.prefix + "sysname must not be empty";
        return false;
    }
    p.sysname = out.startup.sysname;
    return true;
}

} // namespace

OptionsResult parseOptions(const QStringList &arguments, Options &options, QString &message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated console of an H3C 3100 or 3600 class Ethernet switch on a pseudo-terminal.\n"
        "Prints the terminal's path on the first line of standard output and runs until SIGTERM or\n"
        "SIGINT. The entry switch answers on the console; from its user view, telnet to\n"
        "--remote-address reaches the managed switch.\n\n"
        "Where it differs from a real Comware 3.x console:\n"
        "- save and reboot are taken in every view (real: reboot only in user view; so with\n"
        "  --strict-reboot);\n"
        "- without --strict-vlans, port access vlan N creates a missing VLAN N (real: refused);\n"
        "  there is no vlan command to create one; the refusal's wording is a guess;\n"
        "- the save dialogue follows Comware 5 (the 3.10 wording is unknown);\n"
        "- Enter at the paging prompt shows one line and q or Ctrl+C ends the listing (likely);\n"
        "- whether a prompt is shown again after an asynchronous log line is a guess (after\n"
        "  --log-every it is, after --log-after-login it is not);\n"
        "- telnet login levels, banners and boot messages are shortened;\n"
        "- the boot menu has only the XMODEM download (with its baud rates) and reboot; the\n"
        "  download is kept in memory (and in --download-to), never written to a flash; an Enter\n"
        "  at the wrong terminal speed is ignored rather than read as garbage;\n"
        "- with --baud, typed keys wait in a 4 KiB buffer until the output has gone out and are\n"
        "  read then (real: read as the output buffer drains); what does not fit is lost;\n"
        "- a port keeps at most 128 static MACs or user binds; further ones are ignored silently.");
    const QCommandLineOption help({"h", "help"}, "Shows this help.");
    const QCommandLineOption versionOption("version", "Shows the version.");
    SwitchOptions entry("", "entry switch", "10.0.0.1", "", "");
    SwitchOptions remote("remote-", "managed switch", "10.0.0.2", "admin", "admin");
    const QCommandLineOption noRemote("no-remote", "No managed switch: every telnet gets no answer.");
    const QCommandLineOption lineDelay("line-delay", "Pause after each output line, in milliseconds.", "ms", "0");
    const QCommandLineOption saveDelay("save-delay", "How long saving takes, in milliseconds.", "ms", "1500");
    const QCommandLineOption bootDelay("boot-delay", "How long a reboot takes, in milliseconds.", "ms", "3000");
    const QCommandLineOption pathFile("path-file", "Also write the terminal's path to this file.", "file");
    const QCommandLineOption link("link", "Make a symbolic link to the terminal at this path.", "path");
    const QCommandLineOption trace("trace", "Log the bytes received from the console to standard error.");
    const QCommandLineOption erase("erase-columns", "Width of the wipe of the paging prompt: 42, or 16 as newer "
                                                    "images do.", "n", "42");
    const QCommandLineOption strictVlans("strict-vlans", "Refuse a port or static MAC into a VLAN that does not exist.");
    const QCommandLineOption strictReboot("strict-reboot", "Refuse reboot outside user view, as a real switch does.");
    const QCommandLineOption quickSave("quick-save", "Save at once after the first question's y, as a small "
                                                     "configuration saves, without the file name question.");
    const QCommandLineOption logAfterLogin("log-after-login", "Print a %...LOGIN log line right after the login prompt.");
    const QCommandLineOption logInListing("log-in-listing", "Print a %... log line in the middle of every listing.");
    const QCommandLineOption logEvery("log-every", "Print a %... log line at random moments about this often, in "
                                                   "milliseconds (0: never).", "ms", "0");
    const QCommandLineOption answerDelay("answer-delay", "Answer each command line this long after its line end, "
                                                         "as over a slow telnet hop, in milliseconds.", "ms", "0");
    const QCommandLineOption baud("baud", "Pace the output as a serial line of this speed does (10 bits a byte); "
                                          "0: at once. What is typed meanwhile waits in a 4 KiB buffer.", "bits/s", "0");
    const QCommandLineOption bootWait("boot-wait", "How long the start-up after a reboot offers Ctrl+B for "
                                                   "the boot menu, in seconds.", "s", "3");
    const QCommandLineOption xmodemChecksum("xmodem-checksum", "The boot menu's download asks with NAK (128-byte "
                                                               "blocks, checksum) instead of C (CRC).");
    const QCommandLineOption downloadTo("download-to", "Write each file the boot menu receives to this file.", "file");
    const QCommandLineOption bindAll("bind-every-port", "Start the entry switch with every port in VLAN 10 and a "
                                                        "binding on it (with --ports 48: over ten screens).");
    parser.addOption(help);
    parser.addOption(versionOption);
    parser.addOptions(entry.all());
    parser.addOption(noRemote);
    parser.addOptions(remote.all());
    parser.addOptions({lineDelay, saveDelay, bootDelay, pathFile, link, trace, erase, strictVlans, strictReboot,
                       quickSave, logAfterLogin, logInListing, logEvery, bindAll, answerDelay, baud, bootWait,
                       xmodemChecksum, downloadTo});

    if (!parser.parse(arguments)) {
        message = parser.errorText();
        return OptionsResult::Error;
    }
    if (parser.isSet(help)) {
        message = parser.helpText();
        return OptionsResult::Exit;
    }
    if (parser.isSet(versionOption)) {
        message = QString("tarnwell-switchsim ") + tarnwell::version::kVersion;
        return OptionsResult::Exit;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message = "unexpected argument " + parser.positionalArguments().front();
        return OptionsResult::Error;
    }
    int save = 0, boot = 0;
    if (!number(parser.value(lineDelay), 0, 10000, options.lineDelayMs)
        || !number(parser.value(saveDelay), 0, 600000, save) || !number(parser.value(bootDelay), 0, 600000, boot)) {
        message = "--line-delay, --save-delay and --boot-delay take milliseconds";
        return OptionsResult::Error;
    }
    CommonSwitchOptions common;
    if (parser.value(erase) != "42" && parser.value(erase) != "16") {
        message = "--erase-columns must be 42 or 16";
        return OptionsResult::Error;
    }
    if (!number(parser.value(logEvery), 0, 3600000, options.logEveryMs)) {
        message = "--log-every takes milliseconds";
        return OptionsResult::Error;
    }
    if (!number(parser.value(answerDelay), 0, 600000, common.answerDelayMs)) {
        message = "--answer-delay takes milliseconds";
        return OptionsResult::Error;
    }
    if (!number(parser.value(baud), 0, 115200, options.baud)) {
        message = "--baud takes 0 to 115200 bits per second";
        return OptionsResult::Error;
    }
    if (!number(parser.value(bootWait), 0, 60, options.bootWaitSeconds)) {
        message = "--boot-wait takes 0 to 60 seconds";
        return OptionsResult::Error;
    }
    options.xmodemChecksum = parser.isSet(xmodemChecksum);
    options.downloadTo = parser.value(downloadTo);
    common.eraseColumns = parser.value(erase).toInt();
    common.strictVlans = parser.isSet(strictVlans);
    common.strictReboot = parser.isSet(strictReboot);
    common.quickSave = parser.isSet(quickSave);
    common.logAfterLogin = parser.isSet(logAfterLogin);
    common.logInListing = parser.isSet(logInListing);
    common.bindEveryPort = parser.isSet(bindAll);
    Simulator::Switch first;
    if (!readSwitch(parser, entry, "3100", save, boot, common, first, message))
        return OptionsResult::Error;
    options.switches.push_back(std::move(first));
    if (!parser.isSet(noRemote)) {
        Simulator::Switch second;
        const QString entryModel = modelNumber(options.switches.front().profile.model);
        CommonSwitchOptions remoteCommon = common;
        remoteCommon.bindEveryPort = false;
        if (!readSwitch(parser, remote, entryModel, save, boot, remoteCommon, second, message))
            return OptionsResult::Error;
        if (second.profile.address == options.switches.front().profile.address) {
            message = "the entry and the managed switch need different addresses";
            return OptionsResult::Error;
        }
        options.switches.push_back(std::move(second));
    }
    options.pathFile = parser.value(pathFile);
    options.link = parser.value(link);
    options.trace = parser.isSet(trace);
    return OptionsResult::Run;
}

} // namespace tarnwell::sim

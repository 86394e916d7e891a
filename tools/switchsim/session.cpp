#include "session.h"

#include "configwriter.h"
#include "portcommands.h"

namespace tarnwell::sim {

namespace {

constexpr char kLoginBanner[] = "\r\nLogin authentication\r\n\r\n\r\n";
constexpr char kLoginFailed[] = "% Username or password is invalid!\r\n";
constexpr char kSuperFailed[] = " % Password is incorrect!\r\n";
constexpr char kSaveQuestion[] = "The configuration will be written to the device. Are you sure?[Y/N]";
constexpr char kFileQuestion[] = "Please input the file name(*.cfg)[flash:/config.cfg]\r\n"
                                 "(To leave the existing filename unchanged, press the enter key):";
constexpr char kRebootQuestion[] = " This will reboot device. Continue? [Y/N]";
constexpr char kClosedByRemote[] = "\r\nThe connection was closed by the remote host!\r\n";
constexpr char kLoggedOut[] = " User interface aux0 is available.\r\n\r\n\r\n\r\n Press ENTER to get started.\r\n";

std::string trimmed(const std::string &s)
{
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

bool isYes(const std::string &answer)
{
    const std::string a = trimmed(answer);
    return a == "y" || a == "Y" || iequals(a, "yes");
}

// An asynchronous log line as the switch prints it at any time.
std::string logLine(const std::string &sysname, const std::string &what)
{
    return "%Apr  5 07:02:03:671 2000 " + sysname + " " + what;
}

std::string bootBanner(const SwitchProfile &p)
{
    return std::string("\r\n")
           + " H3C S" + modelNumber(p.model) + " Ethernet Switch, " + std::to_string(p.ports)
           + " Fast Ethernet ports\r\n"
           + " Board checking............................ OK\r\n"
           + " Loading the main application file......... Done\r\n"
           + " Startup configuration file is flash:/config.cfg\r\n"
           + " Loading configuration..................... Done\r\n"
           + "\r\n Press ENTER to get started.\r\n";
}

} // namespace

Session::Session(Device &device, Network &network, Clock &clock, Kind kind, Output output, int depth)
    : m_device(device), m_network(network), m_clock(clock), m_kind(kind), m_output(std::move(output)),
      m_depth(depth)
{
}

Session::~Session() = default;

void Session::start()
{
    if (m_kind == Kind::Console)
        return;
    std::string out;
    startLogin(out);
    send(out);
}

void Session::send(std::string_view text)
{
    if (!text.empty() && m_output)
        m_output(text);
}

void Session::setMode(Mode mode)
{
    m_mode = mode;
    m_editor.clear();
    m_editor.setEcho(mode != Mode::Password && mode != Mode::SuperPassword);
    m_editor.setCommandKeys(mode == Mode::Command);
}

std::string Session::prompt() const
{
    const std::string &name = m_device.running().sysname;
    switch (m_view) {
    case View::User: return "<" + name + ">";
    case View::System: return "[" + name + "]";
    case View::Port: return "[" + name + "-Ethernet1/0/" + std::to_string(m_port) + "]";
    }
    return {};
}

void Session::input(std::string_view bytes)
{
    if (m_mode == Mode::Booting && m_boot) {
        m_boot->input(bytes);
        return;
    }
    std::string out;
    for (char c : bytes)
        feed(c, out);
    send(out);
}

void Session::feed(char c, std::string &out)
{
    if (m_mode == Mode::Busy) {
        if (m_typeAhead.size() < kMaxTypeAhead)
            m_typeAhead += c;
        return;
    }
    if (m_mode == Mode::Remote) {
        // The remote session writes for itself: what this one has written must go first.
        send(out);
        out.clear();
        m_remote->input(std::string_view(&c, 1));
        if (m_remote->mode() == Mode::Closed)
            remoteClosed(out);
        return;
    }
    if (c == '\n' && m_afterCR) {
        m_afterCR = false;
        return;
    }
    m_afterCR = c == '\r';
    switch (m_mode) {
    case Mode::Idle:
        if (c == '\r' || c == '\n')
            startLogin(out);
        return;
    case Mode::Connecting:
        if (c == 0x0b) { // Ctrl+K gives up a telnet that gets no answer
            setMode(Mode::Command);
            out += prompt();
        }
        return;
    case Mode::Paging:
        m_pager->key(c, out);
        if (m_pager->done()) {
            m_pager.reset();
            setMode(Mode::Command);
            out += prompt();
        }
        return;
    case Mode::Booting:
    case Mode::Closed:
    case Mode::Busy:
    case Mode::Remote:
        return;
    case Mode::Username:
    case Mode::Password:
    case Mode::SuperPassword:
    case Mode::Question:
    case Mode::Command:
        feedLine(c, out);
        return;
    }
}

void Session::feedLine(char c, std::string &out)
{
    switch (m_editor.feed(c, out)) {
    case LineEditor::Key::Enter: {
        const std::string line = m_editor.text();
        m_editor.clear();
        out += "\r\n";
        if (m_mode == Mode::Command && !trimmed(line).empty() && m_device.profile().answerDelayMs > 0) {
            // A slow hop: the line end is echoed now, the answer and the prompt come later.
            busyUntil(m_device.profile().answerDelayMs, [this, line](std::string &o) { lineEntered(line, o); });
            break;
        }
        lineEntered(line, out);
        if (m_mode == Mode::Command)
            out += prompt();
        if (m_loginLogPending) {
            m_loginLogPending = false;
            out += "\r\n" + logLine(m_device.running().sysname, "SHELL/5/LOGIN:- 1 - "
                                     + (m_typedUser.empty() ? std::string("console") : m_typedUser)
                                     + " in unit1 login") + "\r\n";
        }
        break;
    }
    case LineEditor::Key::Tab:
        if (const auto rest = m_device.grammar().complete(m_view, m_editor.text(), m_level))
            m_editor.append(*rest, out);
        break;
    case LineEditor::Key::Help:
        showHelp(out);
        break;
    case LineEditor::Key::CtrlZ:
        if (m_mode == Mode::Command && m_view != View::User) {
            m_editor.clear();
            m_view = View::User;
            out += "\r\n" + prompt();
        }
        break;
    case LineEditor::Key::CtrlC:
    case LineEditor::Key::CtrlK:
    case LineEditor::Key::None:
        break;
    }
}

void Session::lineEntered(const std::string &line, std::string &out)
{
    switch (m_mode) {
    case Mode::Username:
        loginUser(line, out);
        break;
    case Mode::Password:
        loginPassword(line, out);
        break;
    case Mode::SuperPassword:
        setMode(Mode::Command);
        if (line == m_device.profile().superPassword)
            superGranted(m_pendingLevel, out);
        else
            out += kSuperFailed;
        break;
    case Mode::Question: {
        auto answer = std::move(m_answer);
        setMode(Mode::Command);
        answer(line, out);
        break;
    }
    case Mode::Command:
        execute(line, out);
        break;
    default:
        break;
    }
}

void Session::execute(const std::string &line, std::string &out)
{
    const Parsed parsed = m_device.grammar().parse(m_view, line, m_level);
    if (parsed.status == ParseStatus::Empty)
        return;
    if (parsed.status != ParseStatus::Ok) {
        // The program types the advanced user name as a line of its own: take it as "super".
        const std::string &superUser = m_device.profile().superUser;
        if (m_view == View::User && !superUser.empty() && trimmed(line) == superUser)
            super(3, out);
        else
            showError(parsed.status, parsed.column, out);
        return;
    }
    runCommand(parsed, out);
}

void Session::showError(ParseStatus status, size_t column, std::string &out)
{
    out += std::string(prompt().size() + column, ' ') + "^\r\n" + parseErrorText(status) + "\r\n";
}

void Session::showHelp(std::string &out)
{
    out += "?\r\n";
    Parsed error;
    const auto items = m_device.grammar().help(m_view, m_editor.text(), m_level, error);
    if (error.status != ParseStatus::Ok) {
        showError(error.status, error.column, out);
    } else {
        for (const HelpItem &item : items) {
            std::string row = "  " + item.word;
            if (!item.help.empty())
                row += std::string(row.size() < 26 ? 26 - row.size() : 1, ' ') + item.help;
            out += row + "\r\n";
        }
    }
    out += "\r\n" + prompt() + m_editor.text();
}

void Session::runCommand(const Parsed &parsed, std::string &out)
{
    const SwitchProfile &profile = m_device.profile();
    switch (parsed.cmd) {
    case Cmd::DisplayCurrent: {
        std::vector<std::string> lines = writeConfig(m_device.running(), profile);
        if (profile.logInListing && lines.size() > 30)
            lines.insert(lines.begin() + 30, logLine(m_device.running().sysname,
                                                     "L2INF/5/PORT LINK STATUS CHANGE:- 1 - Ethernet1/0/3 is UP"));
        page(std::move(lines), out);
        break;
    }
    case Cmd::DisplaySaved:
        page(writeConfig(m_device.saved(), profile), out);
        break;
    case Cmd::DisplayVersion:
        out += std::string(" H3C S") + modelNumber(profile.model) + " Ethernet Switch (simulated), "
               + std::to_string(profile.ports) + " Fast Ethernet ports\r\n"
               + " Comware Software, Version 3.10\r\n";
        break;
    case Cmd::Quit:
        if (m_view == View::Port)
            m_view = View::System;
        else if (m_view == View::System)
            m_view = View::User;
        else if (m_kind == Kind::Console)
            logout(out);
        else
            close();
        break;
    case Cmd::Return:
        m_view = View::User;
        break;
    case Cmd::Save:
        save(out);
        break;
    case Cmd::Reboot:
        if (profile.strictReboot && m_view != View::User)
            showError(ParseStatus::Unrecognized, 0, out);
        else
            reboot(out);
        break;
    case Cmd::Super:
        super(parsed.args.empty() ? 3 : std::stoi(parsed.args.front()), out);
        break;
    case Cmd::SystemView:
        out += "System View: return to User View with Ctrl+Z.\r\n";
        m_view = View::System;
        break;
    case Cmd::Telnet:
        telnet(parsed.args.at(0), out);
        break;
    case Cmd::Interface:
        parsePortNumber(parsed.args.at(0), profile.ports, m_port);
        m_view = View::Port;
        break;
    case Cmd::Sysname:
        m_device.running().sysname = parsed.args.at(0);
        break;
    default:
        if (profile.strictVlans && (parsed.cmd == Cmd::AccessVlan || parsed.cmd == Cmd::MacStatic)) {
            const std::string &vlan = parsed.args.at(parsed.cmd == Cmd::AccessVlan ? 0 : 1);
            if (!m_device.running().vlans.count(std::stoi(vlan))) {
                out += "Error: VLAN " + vlan + " does not exist.\r\n";
                break;
            }
        }
        applyPortCommand(m_device.running(), m_port, parsed);
        break;
    }
}

void Session::startLogin(std::string &out)
{
    const SwitchProfile &p = m_device.profile();
    m_failures = 0;
    m_view = View::User;
    if (!p.user.empty()) {
        out += kLoginBanner;
        out += "Username:";
        setMode(Mode::Username);
    } else if (!p.password.empty()) {
        out += kLoginBanner;
        out += "Password:";
        setMode(Mode::Password);
    } else {
        m_level = p.userLevel;
        setMode(Mode::Command);
        out += "\r\n" + prompt();
    }
}

void Session::loginUser(const std::string &line, std::string &out)
{
    m_typedUser = line;
    out += "Password:";
    setMode(Mode::Password);
}

void Session::loginPassword(const std::string &line, std::string &out)
{
    const SwitchProfile &p = m_device.profile();
    if ((p.user.empty() || m_typedUser == p.user) && line == p.password) {
        m_level = p.userLevel;
        m_view = View::User;
        setMode(Mode::Command);
        m_loginLogPending = p.logAfterLogin;
        return;
    }
    out += kLoginFailed;
    if (m_kind == Kind::Telnet && ++m_failures >= 3) {
        close();
        return;
    }
    out += "\r\n";
    out += p.user.empty() ? "Password:" : "Username:";
    setMode(p.user.empty() ? Mode::Password : Mode::Username);
}

void Session::logout(std::string &out)
{
    out += kLoggedOut;
    m_level = 0;
    m_view = View::User;
    setMode(Mode::Idle);
}

void Session::super(int level, std::string &out)
{
    if (m_device.profile().superPassword.empty() || level <= m_level) {
        superGranted(level, out);
        return;
    }
    m_pendingLevel = level;
    out += " Password:";
    setMode(Mode::SuperPassword);
}

void Session::superGranted(int level, std::string &out)
{
    m_level = level;
    out += " User privilege level is " + std::to_string(level)
           + ", and only those commands can be used\r\n"
             " whose level is equal or less than this.\r\n"
             " Privilege note: 0-VISIT, 1-MONITOR, 2-SYSTEM, 3-MANAGE\r\n";
}

void Session::ask(std::string question, std::function<void(const std::string &, std::string &)> answer,
                  std::string &out)
{
    out += question;
    setMode(Mode::Question);
    m_answer = std::move(answer);
}

void Session::save(std::string &out)
{
    ask(kSaveQuestion, [this](const std::string &answer, std::string &o) {
        if (!isYes(answer))
            return;
        if (m_device.profile().quickSave) {
            m_device.save();
            o += " Configuration is saved to device successfully.\r\n";
            return;
        }
        ask(kFileQuestion, [this](const std::string &file, std::string &o2) { saveTo(trimmed(file), o2); }, o);
    }, out);
}

void Session::saveTo(const std::string &file, std::string &out)
{
    std::string path = file.empty() ? "flash:/config.cfg" : file;
    if (path.find(':') == std::string::npos)
        path = "flash:/" + path;
    if (path.size() < 5 || !iequals(path.substr(path.size() - 4), ".cfg")) {
        out += "% The file name is invalid!\r\n";
        return;
    }
    out += "Now saving current configuration to the device.\r\n"
           "Saving configuration " + path + ". Please wait...\r\n";
    busyUntil(m_device.profile().saveDelayMs, [this, path](std::string &o) {
        m_device.save();
        o += "............\r\n Unit1 save configuration " + path + " successfully\r\n";
    });
}

void Session::reboot(std::string &out)
{
    ask(kRebootQuestion, [this](const std::string &answer, std::string &o) {
        if (!isYes(answer))
            return;
        o += " Reboot device by command.\r\n";
        if (m_kind == Kind::Telnet) {
            m_device.reboot(m_clock, {});
            close();
            return;
        }
        m_remote.reset();
        m_level = 0;
        m_view = View::User;
        setMode(Mode::Booting);
        m_device.reboot(m_clock, {});
        // The boot ROM first (its countdown, perhaps the boot menu), then the application's start.
        send(o);
        o.clear();
        std::weak_ptr<bool> alive = m_alive;
        m_boot = std::make_unique<BootLoader>(m_clock, m_bootSettings, [this](std::string_view t) { send(t); },
                                              [this, alive] {
            m_clock.after(m_device.profile().bootDelayMs, [this, alive] {
                if (alive.expired())
                    return;
                send(bootBanner(m_device.profile()));
                setMode(Mode::Idle);
            });
        });
        m_boot->start();
    }, out);
}

void Session::telnet(const std::string &host, std::string &out)
{
    out += "Trying " + host + " ...\r\nPress CTRL+K to abort\r\n";
    Device *remote = m_network.find(host);
    if (!remote || !remote->isUp() || m_depth >= 4) {
        setMode(Mode::Connecting); // no answer: hangs until Ctrl+K
        return;
    }
    out += "Connected to " + host + " ...\r\n";
    setMode(Mode::Remote);
    m_remote = std::make_unique<Session>(*remote, m_network, m_clock, Kind::Telnet, m_output, m_depth + 1);
    send(out);
    out.clear();
    m_remote->start();
}

void Session::remoteClosed(std::string &out)
{
    m_remote.reset();
    setMode(Mode::Command);
    out += kClosedByRemote + prompt();
}

void Session::page(std::vector<std::string> lines, std::string &out)
{
    m_pager.emplace(std::move(lines), m_device.profile().eraseColumns);
    m_pager->start(out);
    if (m_pager->done())
        m_pager.reset();
    else
        setMode(Mode::Paging);
}

void Session::busyUntil(int ms, std::function<void(std::string &)> then)
{
    setMode(Mode::Busy);
    std::weak_ptr<bool> alive = m_alive;
    m_clock.after(ms, [this, alive, then = std::move(then)] {
        if (alive.expired())
            return;
        std::string out;
        setMode(Mode::Command);
        then(out);
        if (m_mode == Mode::Command)
            out += prompt();
        send(out);
        const std::string typed = std::move(m_typeAhead);
        m_typeAhead.clear();
        input(typed);
    });
}

void Session::printLog(const std::string &what)
{
    if (m_mode == Mode::Remote && m_remote) {
        m_remote->printLog(what);
        return;
    }
    std::string out = "\r\n" + logLine(m_device.running().sysname, what) + "\r\n";
    if (m_mode == Mode::Command)
        out += prompt() + m_editor.text();
    send(out);
}

void Session::close()
{
    m_remote.reset();
    setMode(Mode::Closed);
}

} // namespace tarnwell::sim

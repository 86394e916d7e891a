#pragma once

#include "bootloader.h"
#include "clock.h"
#include "device.h"
#include "grammar.h"
#include "lineeditor.h"
#include "pager.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwell::sim {

// One user's command line on a switch: the console, or a telnet session on a managed switch.
// It takes the bytes that user types and writes what the switch answers: login, views, command
// errors, help, listings, the save and reboot dialogues, and an outgoing telnet whose remote
// session it passes bytes to.
class Session {
public:
    using Output = std::function<void(std::string_view)>;
    enum class Kind { Console, Telnet };
    enum class Mode { Idle, Username, Password, Command, SuperPassword, Question, Paging, Busy,
                      Connecting, Remote, Booting, Closed };

    Session(Device &device, Network &network, Clock &clock, Kind kind, Output output, int depth = 0);
    ~Session();

    // A console waits silently for Enter; a telnet session shows its login at once.
    void start();
    // How the console's start-up after a reboot runs (the boot menu, its download).
    void setBoot(BootLoader::Settings settings) { m_bootSettings = std::move(settings); }
    void input(std::string_view bytes);
    // An asynchronous log line printed now, wherever the session is; at a command prompt the
    // prompt and the typed text are shown again below it.
    void printLog(const std::string &what);
    // Bytes typed while the switch is busy (saving) that it keeps; the rest is lost.
    static constexpr size_t kMaxTypeAhead = 4096;

    Mode mode() const { return m_mode; }
    View view() const { return m_view; }
    int level() const { return m_level; }
    std::string prompt() const;
    // The session at the far end of this one's telnet chain.
    const Session &innermost() const { return m_remote ? m_remote->innermost() : *this; }

private:
    void feed(char c, std::string &out);
    void feedLine(char c, std::string &out);
    void lineEntered(const std::string &line, std::string &out);
    void execute(const std::string &line, std::string &out);
    void runCommand(const Parsed &parsed, std::string &out);
    void showError(ParseStatus status, size_t column, std::string &out);
    void showHelp(std::string &out);
    void setMode(Mode mode);

    void startLogin(std::string &out);
    void loginUser(const std::string &line, std::string &out);
    void loginPassword(const std::string &line, std::string &out);
    void logout(std::string &out);
    void super(int level, std::string &out);
    void superGranted(int level, std::string &out);
    void ask(std::string question, std::function<void(const std::string &, std::string &)> answer,
             std::string &out);
    void save(std::string &out);
    void saveTo(const std::string &file, std::string &out);
    void reboot(std::string &out);
    void telnet(const std::string &host, std::string &out);
    void remoteClosed(std::string &out);
    void page(std::vector<std::string> lines, std::string &out);
    void busyUntil(int ms, std::function<void(std::string &)> then);
    void close();
    void send(std::string_view text);

    Device &m_device;
    Network &m_network;
    Clock &m_clock;
    const Kind m_kind;
    const Output m_output;
    const int m_depth;

    Mode m_mode = Mode::Idle;
    View m_view = View::User;
    int m_port = 0;
    int m_level = 0;
    int m_failures = 0;
    int m_pendingLevel = 0;
    std::string m_typedUser;
    LineEditor m_editor;
    bool m_afterCR = false;
    bool m_loginLogPending = false;
    std::optional<Pager> m_pager;
    std::function<void(const std::string &, std::string &)> m_answer;
    std::string m_typeAhead; // typed while busy, read when the switch is ready again; bounded
    std::unique_ptr<Session> m_remote;
    BootLoader::Settings m_bootSettings;
    std::unique_ptr<BootLoader> m_boot;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace tarnwell::sim

#pragma once

#include "clock.h"
#include "grammar.h"
#include "switchconfig.h"
#include "switchprofile.h"

#include <functional>
#include <memory>

namespace tarnwell::sim {

// One simulated switch: what it is, its running and saved configuration, its command words,
// and whether it is up (a rebooting switch does not answer telnet).
class Device {
public:
    Device(SwitchProfile profile, SwitchConfig startup);

    const SwitchProfile &profile() const { return m_profile; }
    const Grammar &grammar() const { return m_grammar; }
    SwitchConfig &running() { return m_running; }
    const SwitchConfig &saved() const { return m_saved; }
    void save() { m_saved = m_running; }
    bool isUp() const { return m_up; }

    // Goes down, comes up after the boot delay with the saved configuration, then calls `up`.
    void reboot(Clock &clock, std::function<void()> up);

private:
    SwitchProfile m_profile;
    Grammar m_grammar;
    SwitchConfig m_running;
    SwitchConfig m_saved;
    bool m_up = true;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// The switches reachable by telnet, by management address.
class Network {
public:
    virtual ~Network() = default;
    virtual Device *find(const std::string &address) = 0;
};

} // namespace tarnwell::sim

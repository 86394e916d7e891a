#include "device.h"

#include "commandset.h"

namespace tarnwell::sim {

Device::Device(SwitchProfile profile, SwitchConfig startup)
    : m_profile(std::move(profile)),
      m_grammar(buildCommandSet(m_profile.model, m_profile.ports)),
      m_running(startup),
      m_saved(std::move(startup))
{
}

void Device::reboot(Clock &clock, std::function<void()> up)
{
    m_up = false;
    m_running = m_saved;
    std::weak_ptr<bool> alive = m_alive;
    clock.after(m_profile.bootDelayMs, [this, alive, up = std::move(up)] {
        if (alive.expired())
            return;
        m_up = true;
        if (up)
            up();
    });
}

} // namespace tarnwell::sim

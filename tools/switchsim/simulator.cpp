#include "simulator.h"

namespace tarnwell::sim {

Simulator::Simulator(Clock &clock, std::vector<Switch> switches, int lineDelayMs, OutputPacer::Sink sink)
    : m_pacer(clock, lineDelayMs, std::move(sink))
{
    for (Switch &s : switches)
        m_devices.push_back(std::make_unique<Device>(std::move(s.profile), std::move(s.startup)));
    m_console = std::make_unique<Session>(*m_devices.at(0), *this, clock, Session::Kind::Console,
                                          [this](std::string_view text) { m_pacer.write(text); });
    m_console->start();
}

Simulator::~Simulator() = default;

Device *Simulator::find(const std::string &address)
{
    for (const auto &d : m_devices)
        if (!d->profile().address.empty() && d->profile().address == address)
            return d.get();
    return nullptr;
}

} // namespace tarnwell::sim

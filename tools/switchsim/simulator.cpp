#include "simulator.h"

#include <algorithm>

namespace tarnwell::sim {

Simulator::Simulator(Clock &clock, std::vector<Switch> switches, int lineDelayMs, OutputPacer::Sink sink)
    : m_clock(clock), m_pacer(clock, lineDelayMs, std::move(sink))
{
    for (Switch &s : switches)
        m_devices.push_back(std::make_unique<Device>(std::move(s.profile), std::move(s.startup)));
    m_console = std::make_unique<Session>(*m_devices.at(0), *this, clock, Session::Kind::Console,
                                          [this](std::string_view text) { m_pacer.write(text); });
    m_console->start();
    m_pacer.onIdle([this] { readTypeAhead(); });
}

void Simulator::input(std::string_view bytes)
{
    const size_t room = kTypeAhead - std::min(kTypeAhead, m_typeAhead.size());
    m_typeAhead.insert(m_typeAhead.end(), bytes.begin(), bytes.begin() + std::min(room, bytes.size()));
    readTypeAhead();
}

void Simulator::readTypeAhead()
{
    // Unpaced output is out at once: the whole buffer is read in one go.
    if (!m_pacer.paced()) {
        const std::string all(m_typeAhead.begin(), m_typeAhead.end());
        m_typeAhead.clear();
        m_console->input(all);
        return;
    }
    while (!m_typeAhead.empty() && m_pacer.idle()) {
        const char c = m_typeAhead.front();
        m_typeAhead.pop_front();
        m_console->input(std::string_view(&c, 1));
    }
}

Simulator::~Simulator() = default;

void Simulator::logEvery(int ms)
{
    m_logEveryMs = ms;
    if (ms > 0)
        scheduleLog();
}

void Simulator::scheduleLog()
{
    m_random = m_random * 1103515245u + 12345u;
    const int wait = m_logEveryMs / 2 + int((m_random >> 8) % unsigned(m_logEveryMs + 1));
    std::weak_ptr<bool> alive = m_alive;
    m_clock.after(wait, [this, alive] {
        if (alive.expired())
            return;
        const Session::Mode mode = m_console->mode();
        if (mode != Session::Mode::Idle && mode != Session::Mode::Booting && mode != Session::Mode::Closed)
            m_console->printLog("IFNET/5/UPDOWN:- 1 - Line protocol on Vlan-interface1 is UP");
        scheduleLog();
    });
}

Device *Simulator::find(const std::string &address)
{
    for (const auto &d : m_devices)
        if (!d->profile().address.empty() && d->profile().address == address)
            return d.get();
    return nullptr;
}

} // namespace tarnwell::sim

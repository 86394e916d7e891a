#pragma once

#include "clock.h"
#include "device.h"
#include "outputpacer.h"
#include "session.h"

#include <deque>
#include <memory>
#include <string_view>
#include <vector>

namespace tarnwell::sim {

// The switches of a simulated site: the first is the entry switch on the console cable, the
// others are managed switches reached from it by telnet. Bytes typed at the console go in,
// the console's output comes out through the sink, paced by the line delay.
class Simulator : public Network {
public:
    struct Switch {
        SwitchProfile profile;
        SwitchConfig startup;
    };

    Simulator(Clock &clock, std::vector<Switch> switches, int lineDelayMs, OutputPacer::Sink sink);

    // Prints an asynchronous log line at random moments, about every `ms` milliseconds (from
    // half to one and a half times it), also in the middle of a listing.
    void logEvery(int ms);
    ~Simulator() override;

    // How the console's start-up after a reboot runs (boot menu, download).
    void setBoot(BootLoader::Settings settings) { m_console->setBoot(std::move(settings)); }
    // Paces the console's output as a serial line of this many baud would (0: at once).
    void setBaud(int baud) { m_pacer.setBaud(baud); }
    // Typed bytes wait in a buffer of kTypeAhead bytes while output is still going out, as in a
    // console's receive buffer; what does not fit is dropped. The switch reads them once its
    // output has gone out, byte by byte, so a key that prints holds the next ones back.
    void input(std::string_view bytes);
    static constexpr size_t kTypeAhead = 4096;
    Device &device(size_t index) { return *m_devices.at(index); }
    const Session &console() const { return *m_console; }

    Device *find(const std::string &address) override;

private:
    void scheduleLog();
    void readTypeAhead();

    Clock &m_clock;
    int m_logEveryMs = 0;
    unsigned m_random = 12345;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::vector<std::unique_ptr<Device>> m_devices;
    OutputPacer m_pacer;
    std::deque<char> m_typeAhead;
    std::unique_ptr<Session> m_console;
};

} // namespace tarnwell::sim

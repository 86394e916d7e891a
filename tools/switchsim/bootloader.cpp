#include "bootloader.h"

#include <utility>

namespace tarnwell::sim {

namespace {

constexpr char kBanner[] = "\r\nStarting......\r\n\r\n"
                           "           *********************************************\r\n"
                           "           *    H3C Ethernet Switch BOOTROM, Version 505  *\r\n"
                           "           *********************************************\r\n\r\n"
                           "Press Ctrl-B to enter Boot Menu... ";
constexpr char kMenu[] = "\r\n\r\n   BOOT  MENU\r\n\r\n"
                         "1. Download application file to flash\r\n"
                         "0. Reboot\r\n\r\n"
                         "Enter your choice(0-1): ";
constexpr char kSpeeds[] = "\r\nPlease select your download baudrate:\r\n"
                           " 1.* 9600\r\n 2. 19200\r\n 3. 38400\r\n 4. 57600\r\n 5. 115200\r\n 0. Return\r\n"
                           "Enter your choice (0-5): ";
constexpr int kRates[] = {9600, 19200, 38400, 57600, 115200};

} // namespace

BootLoader::BootLoader(Clock &clock, Settings settings, Output output, std::function<void()> booted)
    : m_clock(clock), m_settings(std::move(settings)), m_output(std::move(output)), m_booted(std::move(booted))
{
}

BootLoader::~BootLoader() = default;

void BootLoader::start()
{
    m_stage = Stage::Countdown;
    send(kBanner);
    tick(m_settings.waitSeconds);
}

// The count shows the seconds left, each new digit over the last.
void BootLoader::tick(int left)
{
    if (m_stage != Stage::Countdown)
        return;
    if (left <= 0) {
        m_stage = Stage::Off;
        send("\r\n");
        m_booted();
        return;
    }
    send(std::to_string(left) + (left > 1 ? "\b" : ""));
    std::weak_ptr<bool> alive = m_alive;
    const unsigned generation = ++m_generation;
    m_clock.after(1000, [this, alive, generation, left] {
        if (!alive.expired() && generation == m_generation)
            tick(left - 1);
    });
}

void BootLoader::menu()
{
    m_stage = Stage::Menu;
    m_line.clear();
    send(kMenu);
}

void BootLoader::input(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        switch (m_stage) {
        case Stage::Countdown:
            if (c == 0x02) {
                ++m_generation; // the countdown stops
                menu();
            }
            break;
        case Stage::Menu:
        case Stage::Speeds:
            if (c == '\r') {
                const std::string choice = std::exchange(m_line, {});
                choose(choice);
            } else if (c >= '0' && c <= '9' && m_line.size() < 4) {
                m_line += c;
                send(std::string_view(&c, 1));
            }
            break;
        case Stage::WaitEnter:
            if (c == '\r' && (!m_settings.lineSpeed || m_settings.lineSpeed() == m_waitBaud)) {
                m_stage = Stage::Off;
                const auto then = std::move(m_afterEnter);
                then();
            }
            break;
        case Stage::Download: {
            m_heard = true;
            const std::string answer = m_receiver->feed(bytes.substr(i));
            send(answer);
            if (m_receiver->state() != XmodemReceiver::State::Receiving)
                downloadEnded(m_waitBaud);
            return;
        }
        case Stage::Off:
            break;
        }
    }
}

void BootLoader::choose(const std::string &choice)
{
    if (m_stage == Stage::Menu) {
        if (choice == "1") {
            m_stage = Stage::Speeds;
            send(kSpeeds);
        } else if (choice == "0") {
            m_stage = Stage::Off;
            send("\r\n");
            start();
        } else {
            send("\r\nEnter your choice(0-1): ");
        }
        return;
    }
    const int n = choice.empty() ? -1 : std::stoi(choice);
    if (n == 0) {
        menu();
    } else if (n >= 1 && n <= 5) {
        const int baud = kRates[n - 1];
        send("\r\nDownload baudrate is " + std::to_string(baud) + " bps\r\n");
        askSpeed(baud, [this, baud] { startDownload(baud); });
    } else {
        send("\r\nEnter your choice (0-5): ");
    }
}

void BootLoader::askSpeed(int baud, std::function<void()> then)
{
    m_stage = Stage::WaitEnter;
    m_waitBaud = baud;
    m_afterEnter = std::move(then);
    send("Please change the terminal's baudrate to " + std::to_string(baud) + " bps, press ENTER when ready.\r\n");
}

void BootLoader::startDownload(int baud)
{
    m_stage = Stage::Download;
    m_waitBaud = baud;
    m_receiver.emplace(m_settings.checksum);
    send("Now please start transfer file with XMODEM protocol.\r\nIf you want to exit, Press <Ctrl+X>\r\nLoading ...");
    send(m_receiver->request());
    m_heard = false;
    watchSilence();
}

void BootLoader::watchSilence()
{
    std::weak_ptr<bool> alive = m_alive;
    const unsigned generation = ++m_generation;
    m_clock.after(kRequestMs, [this, alive, generation] {
        if (alive.expired() || generation != m_generation || m_stage != Stage::Download)
            return;
        if (!std::exchange(m_heard, false)) {
            send(m_receiver->silence());
            if (m_receiver->state() != XmodemReceiver::State::Receiving) {
                downloadEnded(m_waitBaud);
                return;
            }
        }
        watchSilence();
    });
}

void BootLoader::downloadEnded(int baud)
{
    ++m_generation;
    const XmodemReceiver receiver = std::move(*m_receiver);
    m_receiver.reset();
    const bool done = receiver.state() == XmodemReceiver::State::Done;
    if (done) {
        send("\r\nDownload completed, " + std::to_string(receiver.data().size()) + " bytes received.\r\n");
        if (m_settings.received)
            m_settings.received(receiver.data());
    } else {
        send(receiver.state() == XmodemReceiver::State::Cancelled
                 ? std::string("\r\nDownload aborted.\r\n")
                 : "\r\nDownload failed: " + receiver.failure() + ".\r\n");
    }
    const auto next = [this, done] {
        if (!done) {
            menu();
            return;
        }
        send("Writing flash.......................... Done!\r\n");
        start();
    };
    if (baud != kConsoleBaud)
        askSpeed(kConsoleBaud, next);
    else
        next();
}

} // namespace tarnwell::sim

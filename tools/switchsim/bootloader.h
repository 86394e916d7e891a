#pragma once

#include "clock.h"
#include "xmodemreceiver.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwell::sim {

// The switch's start-up between reboot and the console: the boot ROM's banner, "Press Ctrl-B to
// enter Boot Menu" with a countdown of whole seconds, and, for Ctrl+B in time, the boot menu.
// Its download entry asks for a baud rate, asks the terminal to change to it and waits for Enter
// (at the wrong speed an Enter is garbage and ignored), receives the application file by XMODEM,
// asks for 9600 again and writes the file; then the start-up runs again. booted() is called when
// the countdown ends without Ctrl+B (the console's own start-up follows).
class BootLoader {
public:
    using Output = std::function<void(std::string_view)>;
    struct Settings {
        int waitSeconds = 3;
        bool checksum = false;                             // ask with NAK (128-byte blocks, checksum)
        std::function<int()> lineSpeed;                   // the terminal's speed now; unset: always right
        std::function<void(const std::string &)> received; // a whole download, as received (padding kept)
    };
    static constexpr int kConsoleBaud = 9600;
    static constexpr int kRequestMs = 3000; // the receiver asks again (or NAKs) after this silence

    BootLoader(Clock &clock, Settings settings, Output output, std::function<void()> booted);
    ~BootLoader();

    void start();
    void input(std::string_view bytes);

private:
    enum class Stage { Countdown, Menu, Speeds, WaitEnter, Download, Off };
    void send(std::string_view text) { m_output(text); }
    void tick(int left);
    void menu();
    void choose(const std::string &choice);
    void askSpeed(int baud, std::function<void()> then);
    void startDownload(int baud);
    void downloadEnded(int baud);
    void watchSilence();

    Clock &m_clock;
    Settings m_settings;
    Output m_output;
    std::function<void()> m_booted;
    Stage m_stage = Stage::Off;
    std::string m_line;
    int m_waitBaud = 0;
    std::function<void()> m_afterEnter;
    std::optional<XmodemReceiver> m_receiver;
    unsigned m_generation = 0; // a timer set in an earlier stage finds a newer one and does nothing
    bool m_heard = false;      // a byte came since the last look for silence
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace tarnwell::sim

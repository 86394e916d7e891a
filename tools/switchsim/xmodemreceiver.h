#pragma once

#include <string>
#include <string_view>

namespace tarnwell::sim {

// The receiving side of XMODEM as the switch's boot menu runs it, without a clock: it asks with
// C (CRC-16, 128- or 1024-byte blocks) or, for the checksum kind, with NAK, checks every block
// (header, number and its complement, CRC or checksum), acknowledges it, NAKs a damaged one,
// acknowledges a repeat without keeping it, and cancels on a block out of order. Two CANs from
// the sender, or Ctrl+X before the first block, end it.
class XmodemReceiver {
public:
    enum class State { Receiving, Done, Cancelled, Failed };
    static constexpr int kMaxErrors = 10;   // damaged blocks or silences in a row
    static constexpr int kMaxRequests = 40; // before the first block

    explicit XmodemReceiver(bool checksum) : m_checksum(checksum) {}

    std::string request() const { return m_checksum ? "\x15" : "C"; }
    // Bytes from the sender; returns the answer to write.
    std::string feed(std::string_view bytes);
    // Nothing came for a while: the request again before the first block, a NAK after it.
    std::string silence();

    State state() const { return m_state; }
    bool started() const { return m_started; }
    const std::string &data() const { return m_data; }
    const std::string &failure() const { return m_failure; }

private:
    std::string fail(const std::string &why);
    std::string blockEnded();

    const bool m_checksum;
    State m_state = State::Receiving;
    bool m_started = false;
    bool m_lastCan = false;
    unsigned char m_expected = 1;
    int m_errors = 0;
    std::string m_block; // the block being received, from its header byte on
    std::string m_data;
    std::string m_failure;
};

} // namespace tarnwell::sim

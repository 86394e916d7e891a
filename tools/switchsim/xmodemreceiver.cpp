#include "xmodemreceiver.h"

#include <cstdint>
#include <utility>

namespace tarnwell::sim {

namespace {

constexpr char kSoh = 0x01, kStx = 0x02, kEot = 0x04, kAck = 0x06, kNak = 0x15, kCan = 0x18;

uint16_t crc16(std::string_view bytes)
{
    uint16_t crc = 0;
    for (char c : bytes) {
        crc ^= uint16_t(uint8_t(c)) << 8;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? uint16_t((crc << 1) ^ 0x1021) : uint16_t(crc << 1);
    }
    return crc;
}

} // namespace

std::string XmodemReceiver::fail(const std::string &why)
{
    m_state = State::Failed;
    m_failure = why;
    return std::string(3, kCan);
}

std::string XmodemReceiver::feed(std::string_view bytes)
{
    std::string out;
    for (char c : bytes) {
        if (m_state != State::Receiving)
            break;
        if (m_block.empty()) {
            const bool secondCan = c == kCan && m_lastCan;
            m_lastCan = c == kCan;
            if (secondCan || (c == kCan && !m_started)) {
                m_state = State::Cancelled; // by the sender, or Ctrl+X at the prompt
                break;
            }
            if (c == kEot) {
                m_state = State::Done;
                out += kAck;
            } else if (c == kSoh || c == kStx) {
                m_block += c;
            }
            continue; // line noise between blocks is dropped
        }
        m_block += c;
        const size_t payload = m_block[0] == kStx ? 1024 : 128;
        if (m_block.size() == 3 + payload + (m_checksum ? 1 : 2))
            out += blockEnded();
    }
    return out;
}

std::string XmodemReceiver::blockEnded()
{
    const std::string block = std::exchange(m_block, {});
    const auto number = uint8_t(block[1]);
    const size_t payload = block.size() - 3 - (m_checksum ? 1 : 2);
    const std::string_view data(block.data() + 3, payload);
    bool intact = uint8_t(number + uint8_t(block[2])) == 0xFF;
    if (m_checksum) {
        uint8_t sum = 0;
        for (char c : data)
            sum += uint8_t(c);
        intact = intact && sum == uint8_t(block.back());
    } else {
        const uint16_t crc = crc16(data);
        intact = intact && uint8_t(block[block.size() - 2]) == crc >> 8 && uint8_t(block.back()) == (crc & 0xFF);
    }
    if (!intact)
        return ++m_errors > kMaxErrors ? fail("too many damaged blocks") : std::string(1, kNak);
    if (number == uint8_t(m_expected - 1) && m_started)
        return std::string(1, kAck); // a repeat of the last block: its ACK was lost
    if (number != m_expected)
        return fail("block " + std::to_string(number) + " out of order");
    m_started = true;
    m_errors = 0;
    ++m_expected;
    m_data.append(data);
    return std::string(1, kAck);
}

std::string XmodemReceiver::silence()
{
    if (m_state != State::Receiving)
        return {};
    m_block.clear();
    if (++m_errors > (m_started ? kMaxErrors : kMaxRequests))
        return fail(m_started ? "the sender went silent" : "no sender");
    return m_started ? std::string(1, kNak) : request();
}

} // namespace tarnwell::sim

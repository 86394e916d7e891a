#include "transfer/xmodemsender.h"

namespace tarnwell {

namespace {

constexpr char kSoh = 0x01;
constexpr char kStx = 0x02;
constexpr char kEot = 0x04;
constexpr char kAck = 0x06;
constexpr char kNak = 0x15;
constexpr char kCan = 0x18;
constexpr char kPad = 0x1A;
constexpr qsizetype kSmall = 128;
constexpr qsizetype kLarge = 1024;

} // namespace

XmodemSender::XmodemSender(QByteArray data) : m_data(std::move(data)) {}

quint16 XmodemSender::crc16(QByteArrayView bytes)
{
    quint16 crc = 0;
    for (char c : bytes) {
        crc ^= quint16(quint8(c)) << 8;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

// As lrzsz sends it: CANs for the receiver, then backspaces to erase them from a console line.
QByteArray XmodemSender::cancelSequence()
{
    return QByteArray(8, kCan) + QByteArray(8, '\b');
}

qsizetype XmodemSender::blockLength(qsizetype offset) const
{
    return m_crc && m_data.size() - offset > kSmall ? kLarge : kSmall;
}

qsizetype XmodemSender::totalBlocks() const
{
    qsizetype blocks = 0;
    for (qsizetype offset = 0; offset < m_data.size(); offset += blockLength(offset))
        ++blocks;
    return blocks;
}

QByteArray XmodemSender::block() const
{
    const qsizetype length = blockLength(m_offset);
    const auto number = quint8(m_blocksAcked + 1); // block 1 first, then modulo 256
    QByteArray out;
    out.reserve(length + 5);
    out += length == kLarge ? kStx : kSoh;
    out += char(number);
    out += char(0xFF - number);
    QByteArray payload = m_data.mid(m_offset, length);
    payload.append(length - payload.size(), kPad);
    out += payload;
    if (m_crc) {
        const quint16 crc = crc16(payload);
        out += char(crc >> 8);
        out += char(crc & 0xFF);
    } else {
        quint8 sum = 0;
        for (char c : std::as_const(payload))
            sum += quint8(c);
        out += char(sum);
    }
    return out;
}

QByteArray XmodemSender::next()
{
    m_retries = 0;
    if (m_offset >= m_data.size()) {
        m_state = State::Ending;
        return QByteArray(1, kEot);
    }
    m_state = State::Sending;
    return block();
}

QByteArray XmodemSender::retry(const QByteArray &again)
{
    if (++m_retries > kMaxRetries) {
        m_state = State::GaveUp;
        return cancelSequence();
    }
    return again;
}

XmodemSender::Reply XmodemSender::received(QByteArrayView bytes)
{
    Reply reply;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (finished()) {
            reply.shown += bytes.sliced(i);
            break;
        }
        const bool can = c == kCan;
        const bool secondCan = can && m_lastWasCan;
        m_lastWasCan = can;
        if (secondCan) {
            m_state = State::ReceiverCancelled;
            continue;
        }
        if (m_state == State::Waiting) {
            // Text the far end prints before it asks ("Press <Ctrl+X> to exit") may hold a C:
            // the request is a C or NAK that nothing follows, as the receiver then waits.
            if ((c == 'C' || c == kNak) && i + 1 == bytes.size()) {
                m_crc = c == 'C';
                reply.write += next();
            } else {
                reply.shown += c;
            }
            continue;
        }
        if (c == kAck) {
            if (m_state == State::Ending) {
                m_state = State::Sent;
                continue;
            }
            m_offset += blockLength(m_offset);
            ++m_blocksAcked;
            reply.write += next();
        } else if (c == kNak || (c == 'C' && m_blocksAcked == 0)) {
            // A repeated C before the first block arrived asks for it again as a NAK does.
            reply.write += retry(m_state == State::Ending ? QByteArray(1, kEot) : block());
        }
        // Anything else is line noise; the wait for an answer goes on.
    }
    return reply;
}

QByteArray XmodemSender::timedOut()
{
    switch (m_state) {
    case State::Waiting:
        m_state = State::GaveUp; // nothing was sent: nothing to cancel
        return {};
    case State::Sending:
        return retry(block());
    case State::Ending:
        return retry(QByteArray(1, kEot));
    default:
        return {};
    }
}

QByteArray XmodemSender::cancel()
{
    if (finished())
        return {};
    m_state = State::Cancelled;
    return cancelSequence();
}

} // namespace tarnwell

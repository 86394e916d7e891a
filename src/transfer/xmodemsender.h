#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tarnwell {

// The sending side of XMODEM as a state machine without a clock or a port: fed the bytes the
// receiver sends and told when a wait timed out, it answers with the bytes to write. The
// receiver chooses the kind: `C` asks for CRC-16 with 1 KiB blocks (XMODEM-1K; a last piece of
// at most 128 bytes goes in a 128-byte block), NAK for the arithmetic checksum with 128-byte
// blocks. The last block is padded with 0x1A. A block is sent again on NAK or a timeout, at most
// kMaxRetries times in a row; two CANs in a row from the receiver end the transfer.
class XmodemSender {
public:
    enum class State {
        Waiting,          // for the receiver's first C or NAK
        Sending,          // a block is out, its ACK awaited
        Ending,           // EOT is out, its ACK awaited
        Sent,             // the receiver acknowledged EOT
        Cancelled,        // we stopped it (CANs sent)
        ReceiverCancelled,
        GaveUp,           // no start, or too many retries (CANs sent after a start)
    };
    static constexpr int kMaxRetries = 10;
    static constexpr int kStartWaitMs = 60000; // for the first C or NAK
    static constexpr int kAckWaitMs = 10000;   // for the answer to a block or EOT

    explicit XmodemSender(QByteArray data);

    struct Reply {
        QByteArray write; // to the receiver
        QByteArray shown; // received bytes that are text rather than protocol (before the start,
                          // after the end)
    };
    Reply received(QByteArrayView bytes);
    QByteArray timedOut();
    QByteArray cancel();
    // How long to wait for the receiver now.
    int waitMs() const { return m_state == State::Waiting ? kStartWaitMs : kAckWaitMs; }

    State state() const { return m_state; }
    bool finished() const { return m_state > State::Ending; }
    bool crc() const { return m_crc; }
    qsizetype blocksAcked() const { return m_blocksAcked; }
    // The number of blocks the file takes in the kind chosen (1 KiB blocks until the start).
    qsizetype totalBlocks() const;
    qsizetype bytesAcked() const { return qMin(m_offset, m_data.size()); }
    qsizetype totalBytes() const { return m_data.size(); }
    int retries() const { return m_retries; }

    static quint16 crc16(QByteArrayView bytes);
    static QByteArray cancelSequence();

private:
    QByteArray block() const; // the block at m_offset
    qsizetype blockLength(qsizetype offset) const;
    QByteArray retry(const QByteArray &again);
    QByteArray next();

    QByteArray m_data;
    State m_state = State::Waiting;
    bool m_crc = true;
    qsizetype m_offset = 0; // start of the block out
    qsizetype m_blocksAcked = 0;
    int m_retries = 0;
    bool m_lastWasCan = false;
};

} // namespace tarnwell

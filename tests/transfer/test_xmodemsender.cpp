// The XMODEM sender against scripted receivers: which blocks go out in answer to what.
#include "transfer/xmodemsender.h"

#include <QTest>

using namespace tarnwell;
using State = XmodemSender::State;

namespace {

// What went out, frame by frame: "X1" a 1 KiB block number 1, "S2" a 128-byte block 2, "E" EOT,
// "CAN" the cancel sequence. Each block's length, number and (CRC) check are checked on the way.
QStringList frames(QByteArray out, bool crc)
{
    QStringList shown;
    while (!out.isEmpty()) {
        if (out.startsWith(XmodemSender::cancelSequence())) {
            shown << "CAN";
            out.remove(0, XmodemSender::cancelSequence().size());
        } else if (out[0] == 0x04) {
            shown << "E";
            out.remove(0, 1);
        } else {
            const bool large = out[0] == 0x02;
            const qsizetype payload = large ? 1024 : 128;
            const qsizetype length = payload + (crc ? 5 : 4);
            const QByteArray data = out.mid(3, payload);
            if (out.size() < length || quint8(out[1]) + quint8(out[2]) != 255)
                return {"bad block"};
            const quint16 sum = XmodemSender::crc16(data);
            if (crc && (quint8(out[payload + 3]) != sum >> 8 || quint8(out[payload + 4]) != (sum & 0xff)))
                return {"bad crc"};
            shown << QStringLiteral("%1%2").arg(large ? "X" : "S").arg(quint8(out[1]));
            out.remove(0, length);
        }
    }
    return shown;
}

} // namespace

class TestXmodemSender : public QObject {
    Q_OBJECT
private slots:
    void answersTheReceiver_data();
    void answersTheReceiver();
    void checksumAndPadding();
};

void TestXmodemSender::answersTheReceiver_data()
{
    // The receiver's script, one step a word: C, NAK, ACK, CAN, "t" (a wait timed out), or
    // "text:…" (bytes the far end prints). Expected: the frames sent, the end, text shown.
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<State>("end");
    QTest::addColumn<QByteArray>("shown");

    const QStringList ack3{"ACK", "ACK", "ACK"};
    QTest::newRow("C: 1K blocks, a tail of 128 or less in a small one")
        << 1100 << (QStringList{"C"} + ack3) << QStringList{"X1", "S2", "E"} << State::Sent << QByteArray();
    QTest::newRow("C: a tail over 128 in a 1K block")
        << 1200 << (QStringList{"C"} + ack3) << QStringList{"X1", "X2", "E"} << State::Sent << QByteArray();
    QTest::newRow("NAK: 128-byte blocks with the checksum")
        << 200 << (QStringList{"NAK"} + ack3) << QStringList{"S1", "S2", "E"} << State::Sent << QByteArray();
    QTest::newRow("NAK on a block sends it again")
        << 10 << QStringList{"C", "NAK", "ACK", "ACK"} << QStringList{"S1", "S1", "E"} << State::Sent << QByteArray();
    QTest::newRow("C repeated before block 1 arrived")
        << 10 << QStringList{"C", "C", "ACK", "ACK"} << QStringList{"S1", "S1", "E"} << State::Sent << QByteArray();
    QTest::newRow("NAK on EOT sends EOT again")
        << 10 << QStringList{"C", "ACK", "NAK", "ACK"} << QStringList{"S1", "E", "E"} << State::Sent << QByteArray();
    QTest::newRow("a timeout sends the block again")
        << 10 << QStringList{"C", "t", "ACK", "ACK"} << QStringList{"S1", "S1", "E"} << State::Sent << QByteArray();
    QStringList silent{"C"};
    QStringList resent{"S1"};
    for (int i = 0; i < XmodemSender::kMaxRetries; ++i) {
        silent << "t";
        resent << "S1";
    }
    QTest::newRow("retries spent: gives up with CAN")
        << 10 << (silent << "t") << (resent << "CAN") << State::GaveUp << QByteArray();
    QTest::newRow("no start: gives up, sends nothing")
        << 10 << QStringList{"t"} << QStringList{} << State::GaveUp << QByteArray();
    QTest::newRow("two CANs from the receiver end it")
        << 3000 << QStringList{"C", "ACK", "CAN", "CAN"} << QStringList{"X1", "X2"} << State::ReceiverCancelled
        << QByteArray();
    QTest::newRow("one CAN is line noise")
        << 10 << QStringList{"C", "CAN", "ACK", "ACK"} << QStringList{"S1", "E"} << State::Sent << QByteArray();
    QTest::newRow("a C inside the far end's text does not start it")
        << 10 << QStringList{"text:Press <Ctrl+X> to exit\r\n", "C", "ACK", "ACK", "text:\r\nDone"}
        << QStringList{"S1", "E"} << State::Sent << QByteArray("Press <Ctrl+X> to exit\r\n\r\nDone");
}

void TestXmodemSender::answersTheReceiver()
{
    QFETCH(int, size);
    QFETCH(QStringList, script);
    QFETCH(QStringList, sent);
    QFETCH(State, end);
    QFETCH(QByteArray, shown);
    XmodemSender x(QByteArray(size, 'a'));
    QByteArray out;
    QByteArray text;
    for (const QString &step : script) {
        if (step == u"t") {
            out += x.timedOut();
            continue;
        }
        const QByteArray bytes = step == u"C"     ? QByteArray("C")
                                 : step == u"NAK" ? QByteArray("\x15")
                                 : step == u"ACK" ? QByteArray("\x06")
                                 : step == u"CAN" ? QByteArray("\x18")
                                                  : step.mid(5).toLatin1();
        const XmodemSender::Reply reply = x.received(bytes);
        out += reply.write;
        text += reply.shown;
    }
    QCOMPARE(frames(out, x.crc()), sent);
    QCOMPARE(x.state(), end);
    QCOMPARE(text, shown);
}

// The bytes of a block: number and complement, the data padded with 0x1A, the checksum; and
// block numbers wrap after 255.
void TestXmodemSender::checksumAndPadding()
{
    QByteArray data(255 * 128 + 3, '\0');
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char(i * 7);
    XmodemSender x(data);
    QByteArray block = x.received("\x15").write;
    for (int n = 1; n < 256; ++n)
        block = x.received("\x06").write;
    QCOMPARE(block.size(), 132);
    QCOMPARE(quint8(block[1]), quint8(0));
    QCOMPARE(quint8(block[2]), quint8(255));
    QCOMPARE(block.mid(3, 3), data.right(3));
    QCOMPARE(block.mid(6, 125), QByteArray(125, 0x1A));
    quint8 sum = 0;
    for (char c : block.mid(3, 128))
        sum += quint8(c);
    QCOMPARE(quint8(block[131]), sum);
    QCOMPARE(x.totalBlocks(), 256);
    QCOMPARE(XmodemSender::crc16("123456789"), quint16(0x31C3)); // CRC-16/XMODEM check value
}

QTEST_GUILESS_MAIN(TestXmodemSender)
#include "test_xmodemsender.moc"

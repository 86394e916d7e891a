// Sending a file by XMODEM to lrzsz's rx, an independent receiver, on a pseudo-terminal; and the
// ends that need no receiver (none answers, Esc) on a virtual clock.
#include "base/error.h"
#include "serial/portserialcontrol.h"
#include "support/fakeserialcontrol.h"
#include "support/pty.h"
#include "support/virtualclock.h"
#include "transfer/filesender.h"
#include "transfer/xmodemsender.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace tarnwell;

namespace {

// A raw pseudo-terminal whose master a receiver program reads as its standard input. What it
// writes comes through a pipe and is passed on to the master here: rx flushes the terminal's
// output as it exits, which on a pty would often drop its last ACK before the port read it.
struct RawPty {
    RawPty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::grantpt(master);
        ::unlockpt(master);
        slave = QString::fromLocal8Bit(::ptsname(master));
        termios tio{};
        ::tcgetattr(master, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(master, TCSANOW, &tio);
    }
    ~RawPty() { ::close(master); }
    void attach(QProcess &process) const
    {
        const int fd = master;
        process.setChildProcessModifier([fd] { ::dup2(fd, 0); });
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &process, [fd, &process] {
            const QByteArray out = process.readAllStandardOutput();
            QVERIFY(::write(fd, out.constData(), size_t(out.size())) == out.size());
        });
    }
    int master = -1;
    QString slave;
};

QByteArray numbered(qsizetype size)
{
    QByteArray data(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char((i * 131) >> 3);
    return data;
}

// The sender on the real port control, with what it receives routed as the session routes it.
struct Rig {
    Rig(const QString &device)
    {
        home.linkPort(7, device);
        home.confine(serial);
        serial.setCommPort(7);
        serial.setPortOpen(true);
        QObject::connect(&serial, &SerialControl::onComm, &sender, [this] { shown += sender.take(serial.inputBytes()); });
        QObject::connect(&engine, &OperationEngine::finished, &sender, [this](const OperationEnd &e) { end = e; });
    }
    QString send(const QByteArray &data)
    {
        QFile file(dir.filePath("image.bin"));
        file.open(QIODevice::WriteOnly);
        file.write(data);
        file.close();
        sender.send(file.fileName());
        return file.fileName();
    }
    test::ConfigHome home;
    QTemporaryDir dir;
    PortSerialControl serial;
    OperationEngine engine;
    FileSender sender{serial, engine};
    std::optional<OperationEnd> end;
    QByteArray shown;
};

} // namespace

class TestFileSender : public QObject {
    Q_OBJECT
private slots:
    void rxReceivesTheFile_data();
    void rxReceivesTheFile();
    void rxKilledCancels();
    void endsWithoutAnAnswer_data();
    void endsWithoutAnAnswer();
};

void TestFileSender::rxReceivesTheFile_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("padded"); // rx keeps the last block's padding
    QTest::newRow("C: 1K blocks, CRC, tail in a 1K block") << QStringList{"-c"} << 3000 << 3072;
    QTest::newRow("C: 1K blocks, CRC, tail in a 128 block") << QStringList{"-c"} << 2148 << 2176;
    // Few blocks: rx flushes its input after each ACK, and on a pty a block that arrives before
    // the flush is lost and waits for rx's NAK (6 s).
    QTest::newRow("NAK: 128 blocks, checksum") << QStringList{} << 1000 << 1024;
}

void TestFileSender::rxReceivesTheFile()
{
    QFETCH(QStringList, options);
    QFETCH(int, size);
    QFETCH(int, padded);
    RawPty pty;
    Rig rig(pty.slave);
    QTemporaryDir out;
    QProcess rx;
    rx.setWorkingDirectory(out.path());
    pty.attach(rx);
    rx.start(QStringLiteral("rx"), options + QStringList{"-q", "-b", "got.bin"});
    QVERIFY(rx.waitForStarted());
    const QByteArray data = numbered(size);
    QSignalSpy progress(&rig.sender, &FileSender::progress);
    rig.send(data);
    QTRY_VERIFY_WITH_TIMEOUT(rig.end.has_value(), 60000);
    QVERIFY2(rig.end->message.contains(QStringLiteral("已发送完毕")), qPrintable(rig.end->message));
    QTRY_COMPARE_WITH_TIMEOUT(rx.state(), QProcess::NotRunning, 10000);
    QCOMPARE(rx.exitCode(), 0);
    QFile got(out.filePath("got.bin"));
    QVERIFY(got.open(QIODevice::ReadOnly));
    QCOMPARE(got.readAll(), data + QByteArray(padded - size, 0x1A));
    QCOMPARE(progress.last().at(2).value<qsizetype>(), qsizetype(size));
    QVERIFY(!rig.sender.running());
    rig.serial.output(QStringLiteral("x")); // the line takes text again
}

void TestFileSender::rxKilledCancels()
{
    RawPty pty;
    Rig rig(pty.slave);
    QTemporaryDir out;
    QProcess rx;
    rx.setWorkingDirectory(out.path());
    pty.attach(rx);
    rx.start(QStringLiteral("rx"), {"-c", "-q", "-b", "got.bin"});
    QVERIFY(rx.waitForStarted());
    connect(&rig.sender, &FileSender::progress, &rx, [&](qsizetype blocks) {
        if (blocks == 3)
            rx.terminate(); // rx sends CANs as it goes
    });
    rig.send(numbered(8 << 20));
    QVERIFY_THROWS_EXCEPTION(Error, rig.serial.output(QStringLiteral("dis cu\r")));
    QVERIFY_THROWS_EXCEPTION(Error, rig.serial.outputTyped(QStringLiteral("q")));
    QTRY_VERIFY_WITH_TIMEOUT(rig.end.has_value(), 60000);
    QVERIFY2(rig.end->message.contains(QStringLiteral("接收方取消")), qPrintable(rig.end->message));
    QVERIFY(rig.end->outcome.startsWith(QStringLiteral("接收方取消")));
}

void TestFileSender::endsWithoutAnAnswer_data()
{
    QTest::addColumn<QByteArray>("receiver"); // what the receiver sends before it goes silent
    QTest::addColumn<bool>("esc");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("message");
    QTest::addColumn<qint64>("ms"); // how long the end takes
    const QByteArray block1 = [] {
        XmodemSender x(QByteArray(5, 'z'));
        return x.received("C").write;
    }();
    QByteArray eleven;
    for (int i = 0; i <= XmodemSender::kMaxRetries; ++i)
        eleven += block1;
    QTest::newRow("never asks") << QByteArray() << false << QByteArray() << "没有开始接收" << qint64(XmodemSender::kStartWaitMs);
    QTest::newRow("asks, then never acknowledges") << QByteArray("C") << false
        << eleven + XmodemSender::cancelSequence() << "连续 11 次没有确认"
        << qint64(XmodemSender::kAckWaitMs * (XmodemSender::kMaxRetries + 1));
    QTest::newRow("Esc while waiting for the answer") << QByteArray("C") << true
        << block1 + XmodemSender::cancelSequence() << "已停止发送" << qint64(0);
}

void TestFileSender::endsWithoutAnAnswer()
{
    QFETCH(QByteArray, receiver);
    QFETCH(bool, esc);
    QFETCH(QByteArray, written);
    QFETCH(QString, message);
    QFETCH(qint64, ms);
    test::VirtualClock clock;
    test::FakeSerialControl serial;
    serial.setPortOpen(true);
    OperationEngine engine;
    FileSender sender(serial, engine);
    std::optional<OperationEnd> end;
    connect(&engine, &OperationEngine::finished, this, [&](const OperationEnd &e) { end = e; });
    QTemporaryDir dir;
    QFile file(dir.filePath("boot.bin"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("zzzzz") == 5);
    file.close();
    QVERIFY(sender.send(file.fileName()));
    sender.take(receiver);
    if (esc)
        sender.stop();
    clock.run();
    QVERIFY(end.has_value());
    QVERIFY2(end->message.contains(message), qPrintable(end->message));
    QCOMPARE(serial.bytesWritten, written);
    QCOMPARE(clock.now, ms);
    QVERIFY(!sender.running());
}

QTEST_GUILESS_MAIN(TestFileSender)
#include "test_filesender.moc"

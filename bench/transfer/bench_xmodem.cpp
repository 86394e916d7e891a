// XMODEM throughput on a pseudo-terminal, in one run: lrzsz's sx sending to rx (the reference),
// then Tarnwell's sender on the real port control sending the same file to rx. Prints the time
// and bytes per second of each. BYTES sets the file size (default 1 MiB); both use 1 KiB blocks
// with CRC (sx -k, rx -c).
//
// rx reads the pty's master; what it writes goes through a pipe that this program copies to the
// master, since rx flushes the terminal's output as it exits (its last ACK would be lost on a
// pty). rx also flushes its input right after each ACK: a sender that answers faster than rx
// gets there loses the block and waits for rx's NAK (about 6 s), which a pty, unlike a serial
// line, makes possible. The stalls are counted in the time, as a person would wait them.
#include "serial/portserialcontrol.h"
#include "support/pty.h"
#include "transfer/filesender.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace tarnwell;

namespace {

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
    int master = -1;
    QString slave;
};

void startRx(QProcess &rx, const RawPty &pty, const QString &dir)
{
    const int fd = pty.master;
    rx.setWorkingDirectory(dir);
    rx.setChildProcessModifier([fd] { ::dup2(fd, 0); });
    QObject::connect(&rx, &QProcess::readyReadStandardOutput, &rx, [fd, &rx] {
        const QByteArray out = rx.readAllStandardOutput();
        if (::write(fd, out.constData(), size_t(out.size())) != out.size())
            std::fprintf(stderr, "relay write failed\n");
    });
    rx.start(QStringLiteral("rx"), {"-c", "-q", "-b", "got.bin"});
    rx.waitForStarted();
}

bool sameFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.readAll().left(data.size()) == data;
}

void report(const char *who, qint64 bytes, qint64 ms, bool ok)
{
    std::printf("%-28s %8lld bytes in %7.2f s: %9.0f bytes/s%s\n", who, static_cast<long long>(bytes), ms / 1000.0,
                ms > 0 ? bytes * 1000.0 / double(ms) : 0.0, ok ? "" : "  (FILE DIFFERS OR FAILED)");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 size = qEnvironmentVariableIsSet("BYTES") ? qEnvironmentVariable("BYTES").toLongLong() : (1 << 20);
    QTemporaryDir dir;
    QByteArray data(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 2654435761u) >> 13);
    const QString image = dir.filePath("image.bin");
    QFile file(image);
    file.open(QIODevice::WriteOnly);
    file.write(data);
    file.close();

    { // sx to rx
        RawPty pty;
        QTemporaryDir out;
        QProcess rx;
        startRx(rx, pty, out.path());
        QProcess sx;
        sx.setStandardInputFile(pty.slave);
        sx.setStandardOutputFile(pty.slave);
        QElapsedTimer t;
        t.start();
        sx.start(QStringLiteral("sx"), {"-k", "-q", image});
        QObject::connect(&rx, &QProcess::finished, &app, &QCoreApplication::quit);
        QTimer::singleShot(600000, &app, &QCoreApplication::quit);
        app.exec();
        const qint64 ms = t.elapsed();
        sx.waitForFinished(15000);
        report("sx -k -> rx -c", size, ms, rx.exitCode() == 0 && sameFile(out.filePath("got.bin"), data));
    }
    { // Tarnwell to rx
        RawPty pty;
        QTemporaryDir out;
        QProcess rx;
        test::ConfigHome home;
        home.linkPort(7, pty.slave);
        PortSerialControl serial;
        home.confine(serial);
        serial.setCommPort(7);
        serial.setSettings(QStringLiteral("115200,n,8,1"));
        serial.setPortOpen(true);
        OperationEngine engine;
        FileSender sender(serial, engine);
        QObject::connect(&serial, &SerialControl::onComm, &sender, [&] { sender.take(serial.inputBytes()); });
        bool sent = false;
        bool ended = false;
        QElapsedTimer t;
        qint64 ms = 0;
        // Over when the sender has its last ACK and rx has written the file, whichever is later.
        const auto over = [&] {
            if (ended && rx.state() == QProcess::NotRunning) {
                ms = t.elapsed();
                app.quit();
            }
        };
        QObject::connect(&engine, &OperationEngine::finished, &app, [&](const OperationEnd &end) {
            sent = end.outcome.startsWith(QStringLiteral("完成"));
            ended = true;
            if (!sent)
                std::printf("sender: %s\n", qPrintable(end.message));
            over();
        });
        startRx(rx, pty, out.path());
        t.start();
        sender.send(image);
        QObject::connect(&rx, &QProcess::finished, &app, over);
        QTimer::singleShot(600000, &app, &QCoreApplication::quit);
        app.exec();
        report("Tarnwell FileSender -> rx -c", size, ms, sent && sameFile(out.filePath("got.bin"), data));
    }
    return 0;
}

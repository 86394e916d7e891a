// The built tarnwell-switchsim program over its pseudo-terminal, as the real program meets it.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A serial-port style client: raw mode, blocking reads through poll with a deadline.
class Terminal {
public:
    explicit Terminal(const QString &path)
    {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return;
        termios tio{};
        ::tcgetattr(m_fd, &tio);
        ::cfmakeraw(&tio);
        ::cfsetspeed(&tio, B9600);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }
    ~Terminal()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    bool write(const QByteArray &bytes) { return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size(); }

    // Everything read until one of the markers has arrived (or the time is up).
    QByteArray readUntil(const QByteArrayList &markers, int timeoutMs = 15000)
    {
        QElapsedTimer timer;
        timer.start();
        qsizetype end = -1;
        while ((end = found(markers)) < 0 && timer.elapsed() < timeoutMs) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(timeoutMs - timer.elapsed())) <= 0)
                continue;
            char buf[4096];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0)
                m_buffer.append(buf, n);
        }
        if (end < 0)
            return m_buffer;
        const QByteArray got = m_buffer.left(end);
        m_buffer.remove(0, got.size());
        return got;
    }
    QByteArray readUntil(const QByteArray &marker) { return readUntil(QByteArrayList{marker}); }

private:
    // The end of the first marker in the buffer, or -1.
    qsizetype found(const QByteArrayList &markers) const
    {
        qsizetype best = -1;
        for (const QByteArray &m : markers) {
            const qsizetype at = m_buffer.indexOf(m);
            if (at >= 0 && (best < 0 || at + m.size() < best)) // the earliest to end
                best = at + m.size();
        }
        return best;
    }

    int m_fd = -1;
    QByteArray m_buffer;
};

} // namespace

class SwitchSimPty : public QObject {
    Q_OBJECT
private slots:
    void consoleOverPseudoTerminal();
    void badOptionsAreRefused_data();
    void badOptionsAreRefused();
    void helpListsOptions();
};

void SwitchSimPty::consoleOverPseudoTerminal()
{
    QTemporaryDir dir;
    const QString pathFile = dir.filePath("pty-path");
    const QString link = dir.filePath("tarnwell/ports/COM3"); // its folder is made as needed
    QProcess sim;
    sim.start(TARNWELL_SWITCHSIM, {"--user", "tech", "--password", "pw", "--line-delay", "1", "--path-file",
                                   pathFile, "--link", link});
    QVERIFY(sim.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return sim.canReadLine() || sim.waitForReadyRead(100); }, 15000));
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QVERIFY2(path.startsWith("/dev/pts/"), qPrintable(path));
    QFile file(pathFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLocal8Bit(file.readAll()), path + "\n");
    QCOMPARE(QFileInfo(link).symLinkTarget(), path);

    {
        Terminal term(link);
        QVERIFY(term.isOpen());
        QVERIFY(term.write("\r"));
        QCOMPARE(term.readUntil("Username:"), QByteArray("\r\nLogin authentication\r\n\r\n\r\nUsername:"));
        QVERIFY(term.write("tech\r"));
        QCOMPARE(term.readUntil("Password:"), QByteArray("tech\r\nPassword:"));
        QVERIFY(term.write("pw\r"));
        QCOMPARE(term.readUntil(">"), QByteArray("\r\n<SW3100-A>"));
        QVERIFY(term.write("sys\rint eth 1/0/5\rport acc vlan 10\rmac-addr static 000f-e212-3456 vlan 10\rreturn\r"));
        QVERIFY(term.readUntil("return\r\n<SW3100-A>").endsWith("return\r\n<SW3100-A>"));
        QVERIFY(term.write("dis cu\r"));
        QByteArray listing = term.readUntil("  ---- More ----");
        for (int i = 0; i < 9 && listing.endsWith("  ---- More ----"); ++i) {
            QVERIFY(term.write(" "));
            listing += term.readUntil({"  ---- More ----", "return\r\n<SW3100-A>"});
        }
        QVERIFY2(listing.endsWith("return\r\n<SW3100-A>"), listing.right(200).constData());
        QVERIFY(listing.contains("\r\ninterface Ethernet1/0/5\r\n port access vlan 10\r\n"
                                 " mac-address static 000f-e212-3456 vlan 10\r\n#\r\n"));
        QVERIFY(listing.contains("\x1b[42D" + QByteArray(42, ' ') + "\x1b[42Dinterface"));
    }

    sim.terminate();
    QVERIFY(sim.waitForFinished(15000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink()); // removed on the way out
}

void SwitchSimPty::badOptionsAreRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("model") << QStringList{"--model", "5500"} << "--model must be 3100 or 3600, not 5500";
    QTest::newRow("remote ports") << QStringList{"--remote-ports", "26"} << "--remote-ports must be 24 or 48, not 26";
    QTest::newRow("unknown option") << QStringList{"--baud", "9600"} << "Unknown option 'baud'.";
    QTest::newRow("missing config") << QStringList{"--config", "/nonexistent/sw.cfg"} << "/nonexistent/sw.cfg: ";
    QTest::newRow("same address") << QStringList{"--remote-address", "10.0.0.1"}
                                  << "the entry and the managed switch need different addresses";
    QTest::newRow("line delay") << QStringList{"--line-delay", "fast"}
                                << "--line-delay, --save-delay and --boot-delay take milliseconds";
}

void SwitchSimPty::badOptionsAreRefused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QProcess sim;
    sim.start(TARNWELL_SWITCHSIM, arguments);
    QVERIFY(sim.waitForFinished(15000));
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardOutput().isEmpty()); // no terminal path for a script to wait on
    const QString err = QString::fromLocal8Bit(sim.readAllStandardError());
    QVERIFY2(err.startsWith("tarnwell-switchsim: " + message), qPrintable(err));
}

void SwitchSimPty::helpListsOptions()
{
    QProcess sim;
    sim.start(TARNWELL_SWITCHSIM, {"--help"});
    QVERIFY(sim.waitForFinished(15000));
    QCOMPARE(sim.exitCode(), 0);
    const QByteArray help = sim.readAllStandardOutput();
    for (const char *option : {"--model", "--ports", "--sysname", "--user", "--password", "--super-user",
                               "--super-password", "--remote-address", "--remote-model", "--config",
                               "--line-delay", "--path-file", "--link"})
        QVERIFY2(help.contains(option), option);
}

QTEST_GUILESS_MAIN(SwitchSimPty)
#include "tst_switchsimpty.moc"

// tarnwell-switchsim: a simulated H3C switch console on a pseudo-terminal.
#include "options.h"
#include "ptymaster.h"
#include "qtclock.h"
#include "simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

using namespace tarnwell::sim;

namespace {

// SIGTERM and SIGINT end the event loop, so the link is removed on the way out.
int watchSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

int baudOf(speed_t speed)
{
    static const std::pair<speed_t, int> rates[] = {{B1200, 1200},   {B2400, 2400},   {B4800, 4800},
                                                     {B9600, 9600},   {B19200, 19200}, {B38400, 38400},
                                                     {B57600, 57600}, {B115200, 115200}};
    for (const auto &[code, baud] : rates)
        if (code == speed)
            return baud;
    return 0;
}

QByteArray escaped(const QByteArray &bytes)
{
    QByteArray out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7f && c != '\\')
            out += c;
        else
            out += "\\x" + QByteArray::number(b, 16).rightJustified(2, '0');
    }
    return out;
}

bool makeLink(const QString &link, const QString &target, QString &error)
{
    const QFileInfo existing(link);
    if (existing.isSymLink()) {
        QFile::remove(link);
    } else if (existing.exists()) {
        error = link + " exists and is not a symbolic link";
        return false;
    }
    QDir().mkpath(existing.absolutePath()); // e.g. a fresh configuration directory's ports/
    if (!QFile::link(target, link)) {
        error = "cannot create the link " + link;
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Options options;
    QString message;
    switch (parseOptions(app.arguments(), options, message)) {
    case OptionsResult::Exit:
        std::fputs(qPrintable(message + "\n"), stdout);
        return 0;
    case OptionsResult::Error:
        std::fprintf(stderr, "tarnwell-switchsim: %s\n(see --help)\n", qPrintable(message));
        return 2;
    case OptionsResult::Run:
        break;
    }

    const int signalFd = watchSignals();
    QSocketNotifier signalNotifier(signalFd, QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        signalfd_siginfo info;
        while (::read(signalFd, &info, sizeof info) > 0) {
        }
        app.quit();
    });

    tarnwell::PtyMaster pty;
    // Output that nobody reads is dropped beyond 1 MiB, as a console with no one listening loses it.
    pty.setMaxPending(1 << 20);
    if (!pty.open(message)) {
        std::fprintf(stderr, "tarnwell-switchsim: %s\n", qPrintable(message));
        return 1;
    }
    QtClock clock(&app);
    Simulator simulator(clock, std::move(options.switches), options.lineDelayMs,
                        [&pty](std::string_view text) { pty.write(QByteArray(text.data(), qsizetype(text.size()))); });
    simulator.logEvery(options.logEveryMs);
    simulator.setBaud(options.baud);
    BootLoader::Settings boot;
    boot.waitSeconds = options.bootWaitSeconds;
    boot.checksum = options.xmodemChecksum;
    // The master reads the speed the program on the slave set: a baud change is seen without a line.
    boot.lineSpeed = [&pty] {
        termios tio{};
        return ::tcgetattr(pty.masterFd(), &tio) == 0 ? baudOf(cfgetospeed(&tio)) : 0;
    };
    boot.received = [&options](const std::string &image) {
        QSaveFile file(options.downloadTo);
        if (!options.downloadTo.isEmpty() && file.open(QIODevice::WriteOnly))
            file.write(image.data(), qint64(image.size())) == qint64(image.size()) && file.commit();
    };
    simulator.setBoot(std::move(boot));
    QObject::connect(&pty, &tarnwell::PtyMaster::received, &app, [&](const QByteArray &bytes) {
        if (options.trace)
            std::fprintf(stderr, "in: %s\n", escaped(bytes).constData());
        simulator.input(std::string_view(bytes.constData(), size_t(bytes.size())));
    });

    if (!options.link.isEmpty() && !makeLink(options.link, pty.slavePath(), message)) {
        std::fprintf(stderr, "tarnwell-switchsim: %s\n", qPrintable(message));
        return 1;
    }
    if (!options.pathFile.isEmpty()) {
        // Written whole under its final name, so a script that waits for the file reads a full line.
        QSaveFile file(options.pathFile);
        if (!file.open(QIODevice::WriteOnly) || file.write((pty.slavePath() + "\n").toLocal8Bit()) < 0
            || !file.commit()) {
            std::fprintf(stderr, "tarnwell-switchsim: cannot write %s\n", qPrintable(options.pathFile));
            return 1;
        }
    }
    std::printf("%s\n", qPrintable(pty.slavePath()));
    std::fflush(stdout);

    const int rc = app.exec();
    if (!options.link.isEmpty() && QFileInfo(options.link).symLinkTarget() == pty.slavePath())
        QFile::remove(options.link);
    ::close(signalFd);
    return rc;
}

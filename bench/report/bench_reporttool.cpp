// Runs the built tarnwell-report on large generated inputs and prints its time and peak memory
// (goal: under 64 MiB whatever the input; time linear, so the 2x listing takes about twice as
// long). The inputs are written to temporary files piece by piece, so that this program stays
// small: a child's peak memory counts the parent's too until it starts the tool.

#include <QByteArray>
#include <QElapsedTimer>
#include <QTemporaryFile>

#include <cstdio>
#include <functional>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A fully bound 3600 port block, GBK, as the switch prints it.
QByteArray portBlock(int i)
{
    return QByteArray("interface Ethernet1/0/") + QByteArray::number(i % 48 + 1)
           + "\r\n description \xb2\xc6\xce\xf1\xb2\xbf\r\n port access vlan 10\r\n"
             " am user-bind mac-addr 000f-e212-" + QByteArray::number(0x1000 + i % 0xefff, 16)
           + " ip-addr 10.1.1." + QByteArray::number(i % 250) + "\r\n#\r\n";
}

bool writeInput(QTemporaryFile &file, qint64 bytes, const std::function<QByteArray(int)> &piece)
{
    if (!file.open())
        return false;
    for (int i = 0; file.size() < bytes; ++i) {
        if (file.write(piece(i)) < 0)
            return false;
    }
    return file.flush();
}

void run(const char *label, const char *tool, const QString &input)
{
    const QByteArray path = input.toLocal8Bit();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char *argv[] = {const_cast<char *>(tool), const_cast<char *>(path.constData()), nullptr};
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, tool, &actions, nullptr, argv, environ) != 0) {
        std::printf("%-34s cannot start %s\n", label, tool);
        return;
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    std::printf("%-34s %7.2f s   peak %6.1f MiB   exit %d\n", label, timer.nsecsElapsed() / 1e9,
                usage.ru_maxrss / 1024.0, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    posix_spawn_file_actions_destroy(&actions);
}

} // namespace

int main(int argc, char *argv[])
{
    const char *tool = argc > 1 ? argv[1] : TARNWELL_REPORT_TOOL;
    const qint64 mib = 1 << 20;
    QTemporaryFile listing1, listing2, nuls, lfs;
    const QByteArray zeros(mib, '\0'), feeds(mib, '\n');
    if (!writeInput(listing1, 100 * mib, portBlock) || !writeInput(listing2, 200 * mib, portBlock)
        || !writeInput(nuls, 300 * mib, [&](int) { return zeros; })
        || !writeInput(lfs, 300 * mib, [&](int) { return feeds; })) {
        std::printf("cannot write the inputs\n");
        return 1;
    }
    run("3600 listing, 100 MiB", tool, listing1.fileName());
    run("3600 listing, 200 MiB", tool, listing2.fileName());
    run("NUL bytes, 300 MiB", tool, nuls.fileName());
    run("line feeds, 300 MiB", tool, lfs.fileName());
    return 0;
}

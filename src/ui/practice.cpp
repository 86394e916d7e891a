#include "ui/practice.h"

#include "serial/commsettings.h"
#include "base/error.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnwell {

PracticeSession::PracticeSession(const QString &simulator, const QStringList &extraArguments)
    : m_home(QDir::tempPath() + QStringLiteral("/tarnwell-practice.XXXXXX")), m_extra(extraArguments)
{
    if (!m_home.isValid())
        throw Error(QStringLiteral("无法创建练习用的临时配置目录：%1").arg(m_home.errorString()));
    if (simulator.isEmpty() || !QFileInfo(simulator).isExecutable())
        throw Error(QStringLiteral("找不到模拟交换机程序 tarnwell-switchsim(应在 %1 旁边)")
                        .arg(QCoreApplication::applicationFilePath()));
    // A fresh configuration opens the default port: that is the one to link.
    const QString link =
        m_home.filePath(QStringLiteral("tarnwell/ports/COM%1").arg(defaultCommSettings().PortNum));
    // What the simulator says on standard error is kept until it is up (a refused option is the
    // reason it did not start), then passed on to ours as it comes.
    m_simulator.setProcessChannelMode(QProcess::SeparateChannels);
    // The simulator ends with this process, however it ends (killed included).
    m_simulator.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_simulator.start(simulator, siteArguments() + QStringList{QStringLiteral("--link"), link} + extraArguments);
    // The terminal's path is the simulator's first output line; it comes within milliseconds.
    QDeadlineTimer deadline(10000);
    while (m_simulator.waitForStarted(int(deadline.remainingTime())) && !m_simulator.canReadLine()
           && m_simulator.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    m_terminal = QString::fromLocal8Bit(m_simulator.readLine()).trimmed();
    if (!m_terminal.startsWith(QLatin1String("/dev/")) || !QFileInfo(link).isSymLink()) {
        m_simulator.kill();
        m_simulator.waitForFinished(5000);
        const QString said = QString::fromLocal8Bit(m_simulator.readAllStandardError()).trimmed();
        throw Error(QStringLiteral("模拟交换机没有启动：%1").arg(said.isEmpty() ? m_simulator.errorString() : said));
    }
    forwardErrors();
    QObject::connect(&m_simulator, &QProcess::readyReadStandardError, &m_simulator, [this] { forwardErrors(); });
    // The settings and the simulated switches' configuration backups go to the throw-away
    // folder; the session logs stay where the person keeps them.
    m_config = qgetenv("XDG_CONFIG_HOME");
    m_data = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.path()));
}

namespace {

void restore(const char *variable, const QByteArray &value)
{
    if (value.isNull())
        qunsetenv(variable);
    else
        qputenv(variable, value);
}

} // namespace

PracticeSession::~PracticeSession()
{
    restore("XDG_CONFIG_HOME", m_config);
    restore("XDG_DATA_HOME", m_data);
    m_simulator.terminate();
    if (!m_simulator.waitForFinished(5000)) {
        m_simulator.kill();
        m_simulator.waitForFinished(5000);
    }
}

void PracticeSession::forwardErrors()
{
    const QByteArray said = m_simulator.readAllStandardError();
    std::fwrite(said.constData(), 1, size_t(said.size()), stderr);
}

QString PracticeSession::bundledSimulator()
{
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString &candidate : {here.filePath(QStringLiteral("tarnwell-switchsim")),
                                     here.filePath(QStringLiteral("../../tools/switchsim/tarnwell-switchsim"))})
        if (QFileInfo(candidate).isExecutable())
            return QDir::cleanPath(candidate);
    return {};
}

QStringList PracticeSession::optionsFromEnvironment()
{
    return qEnvironmentVariable("TARNWELL_SIM_OPTIONS").split(u' ', Qt::SkipEmptyParts);
}

QStringList PracticeSession::siteArguments()
{
    return {QStringLiteral("--baud"),              QStringLiteral("9600"),
            QStringLiteral("--user"),              QStringLiteral("admin"),
            QStringLiteral("--password"),          QStringLiteral("admin"),
            QStringLiteral("--remote-model"),      QStringLiteral("3600"),
            QStringLiteral("--remote-user"),       QStringLiteral("admin"),
            QStringLiteral("--remote-password"),   QStringLiteral("admin"),
            QStringLiteral("--remote-user-level"), QStringLiteral("1"),
            QStringLiteral("--remote-super-password"), QStringLiteral("h3c")};
}

QString PracticeSession::siteText() const
{
    QString text = QStringLiteral("模拟交换机已在 %1 上运行，COM3 指向它(临时配置目录 %2)。\n"
                                  "  控制口上的交换机: 用户名 admin, 密码 admin\n"
                                  "  管理交换机: 管理IP 10.0.0.2, 用户名 admin, 密码 admin, 高级用户名 super, "
                                  "高级密码 h3c\n")
                       .arg(m_terminal, m_home.path());
    if (!m_extra.isEmpty())
        text += QStringLiteral("  模拟器附加选项: %1\n").arg(m_extra.join(u' '));
    return text;
}

namespace {

int signalPipe[2] = {-1, -1};

void onQuitSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

} // namespace

void quitOnTerminationSignals()
{
    if (signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, QCoreApplication::instance(), [] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

} // namespace tarnwell

#include "base/usermessages.h"
#include "tarnwell_version.h"
#include "ui/commandline.h"
#include "ui/frmmain.h"
#include "ui/messageboxes.h"
#include "ui/practice.h"
#include "ui/qtchinese.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Qt ends the program with abort() and several lines about plugins when no platform can start
// (no display, or one that cannot be reached). While the application object is made, Qt's
// messages wait here; a fatal one becomes a single line and exit status 1.
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
std::vector<HeldMessage> heldMessages;
QString chosenPlatform;

QString noDisplayText()
{
    const QString platform =
        chosenPlatform.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : chosenPlatform;
    if (!platform.isEmpty())
        return QStringLiteral("无法打开窗口：Qt 平台插件 \"%1\" 无法启动").arg(platform);
    const QString display = qEnvironmentVariable("DISPLAY", qEnvironmentVariable("WAYLAND_DISPLAY"));
    if (display.isEmpty())
        return QStringLiteral("无法打开窗口：没有图形显示(DISPLAY 未设置)。--help 和 --version 不需要显示");
    return QStringLiteral("无法打开窗口：连接不上图形显示 \"%1\"").arg(display);
}

void holdMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        heldMessages.push_back({type, context.category, text});
        return;
    }
    std::fprintf(stderr, "tarnwell: %s\n", noDisplayText().toUtf8().constData());
    std::fflush(stderr);
    std::_Exit(1);
}

std::unique_ptr<QApplication> openDisplay(int &argc, char **argv, const QString &platform)
{
    chosenPlatform = platform;
    const QtMessageHandler previous = qInstallMessageHandler(holdMessage);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const HeldMessage &m : heldMessages)
        previous(m.type, QMessageLogContext(nullptr, 0, nullptr, m.category.constData()), m.text);
    heldMessages.clear();
    return app;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const tarnwell::CommandLine line = tarnwell::parseCommandLine(arguments);
    switch (line.action) {
    case tarnwell::CommandLine::Action::Help:
        std::fputs(tarnwell::usageText().toUtf8().constData(), stdout);
        return 0;
    case tarnwell::CommandLine::Action::Version:
        std::printf("tarnwell %s\n", tarnwell::version::kVersion);
        return 0;
    case tarnwell::CommandLine::Action::Refuse:
        std::fprintf(stderr, "tarnwell: %s(用 --help 查看用法)\n",
                     (line.missingValue                  ? QStringLiteral("选项 \"%1\" 缺少值")
                      : line.refused.startsWith(u'-') ? QStringLiteral("未知选项 \"%1\"")
                                                        : QStringLiteral("多余的参数 \"%1\""))
                         .arg(line.refused)
                         .toUtf8()
                         .constData());
        return 2;
    case tarnwell::CommandLine::Action::Run:
        break;
    }

    const std::unique_ptr<QApplication> app = openDisplay(argc, argv, line.platform);
    QApplication::setApplicationName(QString::fromUtf8(tarnwell::version::kAppTitle));
    QApplication::setApplicationVersion(QString::fromUtf8(tarnwell::version::kVersion));
    tarnwell::installQtChinese(app.get());
    tarnwell::useMessageBoxes();
    // --practice: the window on the bundled simulated switch, in a throw-away settings folder.
    std::unique_ptr<tarnwell::PracticeSession> practice;
    if (line.practice
        && !tarnwell::trapErrors([&] { practice = std::make_unique<tarnwell::PracticeSession>(); }))
        return 1;
    if (practice) {
        tarnwell::quitOnTerminationSignals();
        std::fputs(practice->siteText().toUtf8().constData(), stdout);
        std::fflush(stdout);
    }
    tarnwell::FrmMain window;
    if (practice)
        window.setPractice(true);
    window.show();
    return QApplication::exec();
}

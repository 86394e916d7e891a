#include "ui/commandline.h"

#include "base/appdirs.h"
#include "session/sessionlog.h"

namespace tarnwell {

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine line;
    bool help = false, version = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &word = arguments[i];
        // Qt reads its options with one dash or two.
        const QString qtName = word.startsWith(QLatin1String("--")) ? word.mid(2) : word.mid(1);
        if (word == u"--practice") {
            line.practice = true;
        } else if (word == u"-h" || word == u"--help") {
            help = true;
        } else if (word == u"--version") {
            version = true;
        } else if (word.startsWith(u'-') && (qtName == u"platform" || qtName == u"display" || qtName == u"style")) {
            if (++i == arguments.size()) {
                line.action = CommandLine::Action::Refuse;
                line.refused = word;
                line.missingValue = true;
                return line;
            }
            if (qtName == u"platform")
                line.platform = arguments[i];
        } else {
            line.action = CommandLine::Action::Refuse;
            line.refused = word;
            return line;
        }
    }
    if (help)
        line.action = CommandLine::Action::Help;
    else if (version)
        line.action = CommandLine::Action::Version;
    return line;
}

QString usageText()
{
    return QStringLiteral(
               "用法: tarnwell [--practice]\n"
               "通过 Console 口调试 H3C 3100/3600 交换机的串口工具(图形窗口)。\n"
               "  --practice   在自带的模拟交换机上练习: COM3 接到模拟交换机, 按 9600 波特的速度输出,\n"
               "               用户名 admin, 密码 admin; 设置放在临时文件夹中, 窗口关闭时删除;\n"
               "               窗口标题标明\"练习\"\n"
               "  -h, --help   显示本说明\n"
               "  --version    显示版本\n"
               "Qt 自己的 -platform、-display、-style 选项照常交给 Qt。\n"
               "\n"
               "会话日志: 每次打开串口记录到 %1/ 中的一个文件\n"
               "  COMn-日期-时间.log ($XDG_STATE_HOME/tarnwell/logs, 默认 ~/.local/state/tarnwell/logs);\n"
               "  练习时的日志也在这里, 文件名以 -practice.log 结尾。\n"
               "设置: %2/h3c_config.ini; 端口链接 %2/ports/COMn。\n"
               "串口权限: 打开串口需要属于 dialout 组: sudo usermod -aG dialout $USER, 然后重新登录。\n"
               "断线重连: 打开着的串口断开后(如拔出 USB 转串口线), 设备在 10 分钟内回来时,\n"
               "  程序用同样的设置自动重新打开它。\n"
               "环境变量:\n"
               "  TARNWELL_SIM_OPTIONS  --practice 时附加给模拟交换机的选项(见 tarnwell-switchsim --help),\n"
               "                        例如 \"--baud 0\" 让它立即输出, \"--ports 48\" 模拟 48 口交换机\n"
               "  XDG_CONFIG_HOME       设置和端口链接所在的位置\n"
               "  XDG_STATE_HOME        会话日志所在的位置\n")
        .arg(sessionLogDirectory(), appConfigDir());
}

} // namespace tarnwell

#include "ui/help/helptext.h"

#include <QStringList>

namespace tarnwell {

QString helpText()
{
    // Paragraphs exactly as shown to the user, full- and half-width marks as they are.
    static const QString text = QStringList{
        // 1
        QStringLiteral("感谢使用完全免费的Tarnwell。"),
        // 2
        QStringLiteral("此款软件可以替代超级终端、串口调试助手、TCL等通讯软件，不仅可以调试交换机，也可以调试其它的RS232设备，比如一些读卡器等。"),
        // 3
        QStringLiteral("输入区为您要通过串口发送的字符串，发送完毕后直接回车健就可以发送了。注意回车键发送会在输入区字符串最后自动加一个chr(13)发送出去。"),
        // 4
        QStringLiteral("空格表示发送一个空格键。这在H3C交换机dis cu时要用的多一些。"),
        // 5
        QStringLiteral("退格表示发送一个退格键，特别是给交换机发送错命令后，想删除已发送命令的后几个字符时要用到，用的几率不大。"),
        // 6
        QStringLiteral("提示表示发送一个? ，也就是让交换机显示当前能够使用的命令。"),
        // 7
        QStringLiteral("补齐表示发送一个Tab，用于将已输入的部分字符对应的命令完整显示出来，这一点往往用于简单验证自己敲的精简指令是否正确。"),
        // 8
        QStringLiteral("中断表示发送一个Ctrl+K，当一个交换机离线你却又tel它时，就会出现一个相当长的等待时间，发送此命令可以提前退出这种状态。"),
        // 9
        QStringLiteral("明文表示输入区为正常输入模式，点击变成密文后，输入区为密码框模式，此时您输入的所有字符均以*表示，主要是防止密码被窥视。"),
        // 10: one line break inside the paragraph.
        QStringLiteral("端口列表按钮表示对交换机dis cu的相应信息进行分析提取，并显示在结果区。这一点是本软件的亮点，不仅极大方便了很少调试交换机的生手，也适合将\r\n"
                       "交换机信息批量复制到excel，分隔符为Tab。"),
        // 11
        QStringLiteral("字号下拉组合框用于设定当前屏幕活动文本的字体。方便使用者看清屏幕所显示的信息。"),
        // 12
        QStringLiteral("绑定功能区实现根据预填信息形成命令进行登录、解绑、绑定、保存、重启等操作。"),
        // 13
        QStringLiteral("绑定区的内容不一定都要输入，根据需要填写即可。"),
        // 14
        QStringLiteral("下文提到的入口交换机为通过Console线直接连到Console口的交换机。"),
        // 15
        QStringLiteral("比如，仅登录到普通账户状态的话，填写“管理IP”、“用户名”、“密码”，点击登录即可。如果要接着登入管理员模式，即命令提示符为]的模式，只需再填写“高级用户名”、“高级密码”点击登录即可。注意要保证已经登录进入口交换机，并且是>命令提示符状态下。"),
        // 16
        QStringLiteral("如果想连入口交换机都在这里登录，需要在打开端口的情况下，单击回车一次，待上面显示“username:”后仅填写用户名和密码，单击登录即可。"),
        // 17
        QStringLiteral("在登录进交换机的情况下要解绑或绑定 建议先点击一次“端口列表”，让本程序智能判断当前交换机是3100（仅绑定Mac）还是3600(同时绑定Mac和IP)，方便后续操作。"),
        // 18
        QStringLiteral("如果是个3100或类似,您仅需填写端口号、端口类型（一般都是access）、MAC地址以及Vlan即可，点击绑定/解绑即可。"),
        // 19
        QStringLiteral("如果是个3600或类似,您仅需填写端口号、端口类型（一般都是access）、MAC地址、IP以及Vlan即可，点击绑定/解绑即可。"),
        // 20
        QStringLiteral("操作完毕后，最好点击“绑定列表”核对。核对无误就可以点击保存，保存所有更改。有的仅需要重启的，直接点击重启即可。"),
        // 21
        QStringLiteral("通讯设置区用于快速设置当前RS232口的通讯参数，一般是9600 n 8 1居多，有记忆功能，每次打开会自动调用上次关闭前的设置。（首次使用仅启用默认值）。参数设置完毕后，只有点击启动按钮，通讯灯闪烁表示端口开启后方可进行调试。"),
        // 22: the keys
        QStringLiteral("键盘：输入区为空时，Ctrl+字母发送相应的控制字符，比如Ctrl+C中止ping，Ctrl+B在启动时进入Boot菜单，Ctrl+D，Ctrl+K，Ctrl+Z回到用户视图。"
                       "在终端窗口里点一下，之后的每个按键都直接发给交换机，回车、退格、Tab、方向键也一样，就像超级终端。"
                       "这几个键留给本程序自己用：Ctrl+V粘贴，Ctrl+F查找，Ctrl+A全选，选中了文字时Ctrl+C复制（没有选中时发送Ctrl+C），"
                       "Ctrl+Shift+C复制，Ctrl+Shift+V粘贴。PgUp、PgDn和Shift+方向键翻看屏幕。在终端窗口里选中的文字也能用鼠标中键粘贴到别处。"),
        // 23: the line and files
        QStringLiteral("波特率可以选57600、115200，也可以直接输入其它标准速率后按回车；端口开着也能改，立即生效。"
                       "中断信号按钮（或Ctrl+Break）发送约250毫秒的串口中断信号。发送文件用XMODEM把程序文件发给交换机："
                       "先勾选“进Boot菜单”再点重启，交换机一出现“Press Ctrl-B”就自动进入Boot菜单；在菜单里选XMODEM下载，"
                       "交换机要求改波特率时本程序会询问并替您切换，然后点发送文件选择文件，按Esc可以中止。"),
        // 24: batches and backups
        QStringLiteral("批量绑定：把电子表格里的几行（端口、Vlan、Mac地址，3600还有IP）复制后在对话框里按Ctrl+V粘贴，"
                       "有问题的行会标出原因，都没问题后点开始：只登录一次，逐行绑定或解绑，每行显示结果，最后重新列出配置逐行核实。"
                       "每次取得完整的配置列表都会自动备份，点配置备份可以查看某台交换机的各次备份以及两次之间的变化。"),
    }.join(QStringLiteral("\r\n\r\n"));
    return text;
}

} // namespace tarnwell

// The control inventory of the main window: names, kinds, captions, tooltips, list contents,
// initial values, fonts, colours and geometry (in twips, see geometry.h).
#include "ui/frmmain.h"

#include "ui/art/pictures.h"
#include "ui/art/windowfont.h"
#include "ui/consoleterminal.h"
#include "ui/geometry.h"
#include "ui/keybutton.h"
#include "ui/portlistcombobox.h"
#include "ui/terminalview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStyleOptionGroupBox>

#include <initializer_list>
#include <type_traits>

namespace tarnwell {

namespace {

// Masked boxes show every character as "*".
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle *starPasswordStyle(QObject *owner)
{
    auto *style = new StarPasswordStyle;
    style->setParent(owner);
    return style;
}

// Frame captions are #0000C0. The colour comes from the frame's own style rather than a style
// sheet or the frame's palette: both would reach the controls inside (a style sheet resets their
// font, the palette recolours their text).
class FrameCaptionStyle : public QProxyStyle {
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget) const override
    {
        if (const auto *box = qstyleoption_cast<const QStyleOptionGroupBox *>(option);
            box && control == CC_GroupBox) {
            QStyleOptionGroupBox coloured(*box);
            coloured.palette.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0xC0));
            coloured.textColor = QColor(0x00, 0x00, 0xC0);
            QProxyStyle::drawComplexControl(control, &coloured, painter, widget);
            return;
        }
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    }
};

// The two port-type option buttons share a frame too narrow for both captions at 14.25 pt
// with the usual gap between the circle and the caption; a smaller gap keeps both whole.
class NarrowOptionStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_RadioButtonLabelSpacing)
            return 2;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

template <typename W>
W *make(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *w = new W(parent);
    w->setObjectName(QString::fromUtf8(name));
    placeTwips(w, left, top, width, height);
    return w;
}

QLabel *label(QWidget *parent, const char *name, const char *caption, int left, int top, int width,
              int height, bool autoSize)
{
    auto *l = make<QLabel>(parent, name, left, top, width, height);
    l->setText(QString::fromUtf8(caption));
    if (autoSize)
        l->adjustSize();
    return l;
}

template <typename B = QPushButton>
B *button(QWidget *parent, const char *name, const char *caption, const char *tooltip, int left,
          int top, int width, int height)
{
    auto *b = make<B>(parent, name, left, top, width, height);
    b->setText(QString::fromUtf8(caption));
    if (tooltip)
        b->setToolTip(QString::fromUtf8(tooltip));
    if constexpr (std::is_base_of_v<QPushButton, B>)
        b->setAutoDefault(false);
    return b;
}

void setTextColor(QWidget *w, QColor color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Text, color);
    pal.setColor(QPalette::WindowText, color);
    pal.setColor(QPalette::ButtonText, color);
    w->setPalette(pal);
}

void setBaseColor(QWidget *w, QColor color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, color);
    w->setPalette(pal);
}

QGroupBox *frame(QWidget *parent, const char *name, const char *caption, int left, int top,
                 int width, int height)
{
    auto *f = make<QGroupBox>(parent, name, left, top, width, height);
    f->setTitle(QString::fromUtf8(caption));
    if (caption[0]) {
        auto *style = new FrameCaptionStyle;
        style->setParent(f);
        f->setStyle(style);
    }
    return f;
}

QLineEdit *textBox(QWidget *parent, const char *name, int left, int top, int width, int height,
                   QColor color = QColor())
{
    auto *t = make<QLineEdit>(parent, name, left, top, width, height);
    if (color.isValid())
        setTextColor(t, color);
    return t;
}

QComboBox *list(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *c = make<QComboBox>(parent, name, left, top, width, height);
    c->setEditable(false);
    return c;
}

QLabel *picture(QWidget *parent, const char *name, const QPixmap &pixmap, int left, int top,
                int width, int height)
{
    auto *p = make<QLabel>(parent, name, left, top, width, height);
    p->setPixmap(pixmap);
    p->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return p;
}

// The lamp swaps its pictures twice a second while the port is open. Pictures filled with the
// colour the frame shows beneath them look the same but are opaque, which spares repainting the
// frame (title, border) on every swap: it halves the idle cost of an open port.
void fillWithFrameColour(QWidget *frame, std::initializer_list<QLabel *> pictures)
{
    QImage beneath(frame->size(), QImage::Format_ARGB32_Premultiplied);
    beneath.fill(Qt::transparent);
    frame->render(&beneath, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    for (QLabel *p : pictures) {
        QPalette palette = p->palette();
        palette.setColor(p->backgroundRole(), beneath.pixelColor(p->geometry().center()));
        p->setPalette(palette);
        p->setAutoFillBackground(true);
    }
}

} // namespace

void FrmMain::createControls()
{
    setObjectName(QStringLiteral("FrmMain"));
    setFont(windowFont(12));
    setWindowIcon(programIcon());
    // The designed size is the default and the least; a larger window (or a maximized one) gives
    // the terminal pane the room (placeForSize).
    resize(twips(14715), twips(9735));
    setMinimumSize(size());
    createTerminalArea();
    createSettingsFrame();
    createBindingFrame();
    createLineControls();
    fillWithFrameColour(m_settingsFrame, {m_lampUnlit, m_lampLit});
    m_inputCaption->raise(); // the caption lies over the input line's lower right corner
    setFocusOrder();
    for (QObject *child : children())
        if (auto *w = qobject_cast<QWidget *>(child); w && !w->isWindow())
            m_designed.emplace_back(w, w->geometry());
}

void FrmMain::placeForSize()
{
    const int dx = qMax(0, width() - minimumWidth());
    const int dy = qMax(0, height() - minimumHeight());
    const int reportDy = qMin(dy / 5, 160); // the report pane grows a little, the terminal the rest
    const int terminalDy = dy - reportDy;
    const QRect terminal = twipsRect(240, 120, 14295, 3615);
    const QSet<QWidget *> rightSide{m_programPicture, m_decorationPicture, m_settingsFrame, m_backupsButton,
                                    m_bootMenuBox};
    for (const auto &[w, place] : m_designed) {
        QRect r = place;
        if (w == m_terminalView) {
            r.setSize(r.size() + QSize(dx, terminalDy));
        } else if (place.top() >= twips(6960)) {
            r.translate(0, dy); // the two frames at the bottom
        } else if (place.top() >= terminal.bottom() - 30) { // the input row and the report
            r.translate(0, terminalDy);
            if (w == m_reportBox)
                r.setSize(r.size() + QSize(dx, reportDy));
        }
        if (rightSide.contains(w))
            r.translate(dx, 0);
        w->setGeometry(r);
    }
}

void FrmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeForSize();
}

void FrmMain::createTerminalArea()
{
    m_terminalView = make<TerminalView>(this, "Text1", 240, 120, 14295, 3615);
    m_terminalView->setFocusPolicy(Qt::StrongFocus);
    m_inputLine = textBox(this, "Text2", 240, 3840, 7215, 615);
    m_inputLine->setStyle(starPasswordStyle(this));
    // 75 twips wider than designed (still inside the input line) so that the caption and the text
    // box's inner margins fit.
    m_inputCaption = textBox(this, "Text12", 6600, 4200, 810, 240, QColor(0x00, 0x00, 0xC0));
    m_inputCaption->setText(QStringLiteral("输入区"));
    m_inputCaption->setReadOnly(true);
    m_inputCaption->setFocusPolicy(Qt::NoFocus);
    m_inputCaption->setFrame(false);

    m_enterButton = button<KeyButton>(this, "Cmd_Send_Enter", "回车", nullptr, 7560, 3840, 375, 615);
    m_spaceButton = button<KeyButton>(this, "CmdSendSpace", "空格", "Sp发送一个空格", 7920, 3840, 375, 615);
    m_backspaceButton = button<KeyButton>(this, "Cmd_Back", "退格", "Bs发送一个删除", 8280, 3840, 375, 615);
    m_helpKeyButton = button<KeyButton>(this, "Cmd_WenHao", "提示", "?提示当前可以用的命令", 8640, 3840, 375, 615);
    m_completeButton = button<KeyButton>(this, "Cmd_Tab", "补齐", "Tab健补全命令", 9000, 3840, 375, 615);
    m_breakButton = button<KeyButton>(this, "Cmd_Break", "中断", "相当于Ctrl + K", 9360, 3840, 375, 615);
    m_maskButton = button<KeyButton>(this, "Cmd_PSD", "明文", nullptr, 9720, 3840, 375, 615);
    m_enterButton->setDefault(true);
    m_portListButton = button(this, "Cmd_GetBindInfo", "端口列表", "自动提炼当前交换机绑定信息", 10080, 3840,
                             1095, 615);
    // Beside the report, in the strip between the program's picture and the decoration.
    m_backupsButton = button(this, "Cmd_Backups", "配置备份", "查看每次取得的配置列表的备份，以及两份之间的变化", 12720,
                             4530, 1335, 375);
    m_fontSizeLabel = label(this, "Lbl_FontSize", "字号", 11280, 3840, 480, 240, true);
    m_fontSizeList = list(this, "Combo1", 12480, 3840, 1215, 480);
    m_fontSizeList->setFont(windowFont(18));
    ConsoleTerminal::populateFontSizes(m_fontSizeList);
    m_programPicture = picture(this, "Image1", programIconPixmap(), 13680, 3720, 900, 705);

    m_reportBox = make<QPlainTextEdit>(this, "Text3", 240, 4560, 12375, 2295);
    m_reportBox->setReadOnly(true);
    m_reportBox->setFocusPolicy(Qt::StrongFocus);
    m_reportBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_reportBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_reportBox->setTabStopDistance(m_reportBox->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 12);
    setBaseColor(m_reportBox, QColor(0xFF, 0xC0, 0xC0));
    m_decorationPicture = picture(this, "Image4", decorationPixmap(), 12600, 4920, 1950, 1695);

    m_lampTimer = new QTimer(this);
    m_lampTimer->setObjectName(QStringLiteral("Timer2"));
    m_lampTimer->setInterval(500);
}

void FrmMain::createSettingsFrame()
{
    m_settingsFrame = frame(this, "FrameSettings", "通讯设置", 9480, 6960, 5055, 2655);
    QWidget *f = m_settingsFrame;
    m_portLabel = label(f, "Label3", "通讯端口:", 120, 480, 1080, 240, true);
    auto *ports = make<PortListComboBox>(f, "Combo2", 1800, 480, 1215, 360);
    ports->setEditable(false);
    m_portList = ports;
    m_speedLabel = label(f, "Label11", "波特率:", 120, 840, 840, 240, true);
    m_speedList = list(f, "Combo3", 1800, 840, 1215, 360);
    m_parityLabel = label(f, "Label12", "校验位:", 120, 1200, 840, 240, true);
    m_parityList = list(f, "Combo4", 1800, 1200, 1215, 360);
    m_dataBitsLabel = label(f, "Label13", "数据位:", 120, 1560, 840, 240, true);
    m_dataBitsList = list(f, "Combo5", 1800, 1560, 1215, 360);
    m_stopBitsLabel = label(f, "Label14", "停止位:", 120, 1920, 840, 240, true);
    m_stopBitsList = list(f, "Combo6", 1800, 1920, 1215, 360);
    m_flowLabel = label(f, "Label16", "数据流控制:", 3240, 480, 1320, 240, true);
    m_flowList = list(f, "Combo7", 3240, 840, 1695, 360); // wide enough for "RTSXon/Xoff"
    m_lampLit = picture(f, "Image3", bulbLitPixmap(), 3720, 1320, 480, 480);
    m_lampLit->setVisible(false);
    m_lampUnlit = picture(f, "Image2", bulbUnlitPixmap(), 3720, 1320, 480, 480);
    m_openButton = button(f, "Cmd_Switch", ConsoleTerminal::kOpenCaption, nullptr, 3240, 1800, 1455, 375);
    // Wide enough for the longest line the lists make, "设置:COM16 38400,e,8,1.5 握手:RTSXon/Xoff".
    m_settingsLabel = label(f, "Lbl_ComSettings", "", 120, 2280, 4920, 255, false);
    setTextColor(m_settingsLabel, QColor(0x00, 0x00, 0xC0));
}

void FrmMain::createBindingFrame()
{
    m_bindingFrame = frame(this, "Frame1", "绑定", 240, 6960, 9135, 2655);
    QWidget *f = m_bindingFrame;
    m_manageIpLabel = label(f, "Label1", "管理IP", 120, 480, 720, 240, true);
    m_manageIpBox = textBox(f, "Txt_ManageIP", 1560, 360, 2295, 375, QColor(0x00, 0x00, 0xFF));
    m_userNameLabel = label(f, "Label6", "用户名", 120, 960, 720, 240, true);
    m_userNameBox = textBox(f, "Txt_User_Name", 1560, 840, 2295, 375, QColor(0x00, 0x40, 0x00));
    m_passwordLabel = label(f, "Label7", "密码", 120, 1320, 480, 240, true);
    m_passwordBox = textBox(f, "Txt_User_PSD", 1560, 1200, 2295, 375, QColor(0x00, 0x40, 0x00));
    m_superNameLabel = label(f, "Label8", "高级用户名", 120, 1920, 1200, 240, true);
    m_superNameBox = textBox(f, "Txt_Super_Name", 1560, 1800, 2295, 375, QColor(0x80, 0x00, 0x00));
    m_superPasswordLabel = label(f, "Label9", "高级密码", 120, 2280, 960, 240, true);
    m_superPasswordBox = textBox(f, "Txt_Super_PSD", 1560, 2160, 2295, 360, QColor(0x80, 0x00, 0x00));
    for (QLineEdit *masked : {m_passwordBox, m_superPasswordBox}) {
        masked->setStyle(starPasswordStyle(this));
        masked->setEchoMode(QLineEdit::Password);
    }

    // m_modelFrame and m_portTypeFrame reach 180 twips further right than designed, into the free space of
    // m_bindingFrame, so that the port-type captions fit at 14.25 pt.
    m_modelFrame = frame(f, "Frame3", "", 3960, 240, 5115, 615);
    m_model3100Button = button<QRadioButton>(m_modelFrame, "Opt_Sw3100", "3100", nullptr, 120, 240, 855, 255);
    m_model3600Button = button<QRadioButton>(m_modelFrame, "Opt_Sw3600", "3600", nullptr, 1680, 240, 855, 255);
    m_model3100Button->setChecked(true);
    m_portNumberLabel = label(m_modelFrame, "Label2", "端口号", 3360, 240, 720, 240, true);
    m_portNumberBox = textBox(m_modelFrame, "Txt_PortNum", 4200, 120, 735, 480, QColor(0xFF, 0x00, 0x00));
    m_portNumberBox->setFont(windowFont(18));
    m_portNumberBox->setAlignment(Qt::AlignCenter);
    m_portNumberBox->setText(QStringLiteral("1"));

    m_portTypeFrame = frame(f, "Frame2", "", 3960, 720, 5115, 615);
    m_portTypeFrame->setFont(windowFont(14.25));
    m_accessButton = button<QRadioButton>(m_portTypeFrame, "Option1", "Access(接电脑用)", nullptr, 120, 240, 2520, 255);
    m_trunkButton = button<QRadioButton>(m_portTypeFrame, "Option2", "Trunk(接交换机)", nullptr, 2700, 240, 2385, 255);
    auto *narrow = new NarrowOptionStyle;
    narrow->setParent(m_portTypeFrame);
    m_accessButton->setStyle(narrow);
    m_trunkButton->setStyle(narrow);
    m_accessButton->setChecked(true);
    // The two frames share a strip; the port number box reaches into it and must stay on top.
    m_modelFrame->raise();

    m_macLabel = label(f, "Label4", "Mac地址", 3960, 1560, 855, 255, false);
    m_macBox = textBox(f, "Txt_Mac", 5040, 1440, 2295, 375);
    m_macBox->setToolTip(QStringLiteral("格式xxxx-xxxx-xxxx"));
    m_ipLabel = label(f, "Label5", "IP", 4200, 1920, 615, 375, false);
    m_ipBox = textBox(f, "Txt_IP", 5040, 1800, 2295, 375);
    m_vlanLabel = label(f, "Label10", "Vlan", 4080, 2280, 480, 240, true);
    m_vlanBox = textBox(f, "Txt_Vlan", 5040, 2160, 855, 375);

    m_rebootButton = button(f, "Cmd_Reboot", "重启", nullptr, 7560, 1440, 735, 375);
    m_unbindButton = button(f, "Cmd_Try_Undo", "解绑", "根据输入的mac等形成解绑定命令并执行", 8280, 1440, 735, 375);
    m_loginButton = button(f, "Cmd_Login", "登录", nullptr, 7560, 1800, 735, 375);
    m_bindButton = button(f, "Cmd_Try_Bind", "绑定", "根据输入的mac等形成绑定命令并执行", 8280, 1800, 735, 375);
    m_saveButton = button(f, "Cmd_Save", "保存", "]状态下保存当前交换机配置", 7560, 2160, 735, 375);
    m_helpButton = button(f, "C买的", "帮助", nullptr, 8280, 2160, 735, 375);
    // In the free space right of the Vlan box.
    m_batchButton = button(f, "Cmd_Batch", "批量绑定", "从电子表格粘贴多行，一次登录后逐行绑定或解绑，并重新列举核实", 6000,
                           2160, 1455, 375);
}

// Beside the form's controls, in room it leaves free: 发送文件 under 字号, the break beside the
// lamp, the boot menu's Ctrl+B under the switch's picture, above 通讯设置 (批量绑定 has the room
// beside Vlan); the progress of a file send lies over the input line while it runs.
void FrmMain::createLineControls()
{
    m_sendFileButton = button(this, "Cmd_SendFile", "发送文件",
                              "用 XMODEM 把文件(如交换机的程序文件)发给交换机：先在交换机的 Boot 菜单中选择 XMODEM 下载",
                              11280, 4110, 1185, 390);
    m_serialBreakButton = button(m_settingsFrame, "Cmd_SerialBreak", "中断\n信号",
                                 "发送约250毫秒的串口中断(Break)信号，快捷键 Ctrl+Break。\n“中断”按钮发送的是 Ctrl+K",
                                 4215, 1290, 720, 510);
    m_serialBreakButton->setFont(windowFont(9));
    m_bootMenuBox = button<QCheckBox>(this, "Chk_BootMenu", "进Boot菜单",
                                      "勾选后，交换机一出现“Press Ctrl-B to enter Boot Menu”就自动发送 Ctrl+B"
                                      "(只一次，之后自动取消勾选)。先勾选，再点“重启”",
                                      12720, 6615, 1815, 330);
    m_transferBar = make<QProgressBar>(this, "Bar_SendFile", 240, 3840, 7215, 615);
    m_transferBar->setVisible(false);
    m_transferBar->setTextVisible(true);
    m_transferBar->setAlignment(Qt::AlignCenter);
}

void FrmMain::setFocusOrder()
{
    const QList<QWidget *> order = {
        m_terminalView, m_inputLine, m_enterButton, m_reportBox, m_portListButton, m_fontSizeList, m_spaceButton, m_manageIpBox,
        m_accessButton, m_trunkButton, m_macBox, m_userNameBox, m_passwordBox, m_superNameBox, m_superPasswordBox,
        m_bindButton, m_vlanBox, m_ipBox, m_portList, m_speedList, m_parityList, m_dataBitsList, m_stopBitsList, m_flowList, m_helpKeyButton,
        m_completeButton, m_openButton, m_maskButton, m_breakButton, m_unbindButton, m_portNumberBox, m_model3100Button, m_model3600Button,
        m_backspaceButton, m_saveButton, m_rebootButton, m_loginButton, m_helpButton, m_batchButton, m_backupsButton,
        m_sendFileButton, m_serialBreakButton, m_bootMenuBox};
    for (QWidget *w : order)
        if (w->focusPolicy() == Qt::NoFocus)
            w->setFocusPolicy(Qt::StrongFocus);
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

} // namespace tarnwell

#include "ui/frmmain.h"

#include "console/portserialcontrol.h"
#include "console/usermessages.h"
#include "report/reportcolumns.h"
#include "scripts/delay.h"
#include "scripts/switchmodel.h"
#include "settings/commsettingsstore.h"
#include "settings/settingsfile.h"
#include "tarnwell_version.h"
#include "ui/consoleterminal.h"
#include "ui/cursorblink.h"
#include "ui/memoryinfo.h"
#include "ui/module1.h"
#include "ui/pasteinput.h"
#include "ui/portlistcombobox.h"
#include "ui/terminalview.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolTip>
#include <QTextDocument>
#include <QTextOption>

namespace tarnwell {

namespace {

QString caption()
{
    return QStringLiteral("%1 V%2.%3.%4     -  %5")
        .arg(QString::fromUtf8(version::kAppTitle))
        .arg(version::kMajor)
        .arg(version::kMinor)
        .arg(version::kRevision)
        .arg(QString::fromUtf8(version::kFileDescription));
}

} // namespace

FrmMain::FrmMain(std::unique_ptr<SerialControl> serial, QWidget *parent)
    : QWidget(parent), MSComm1(serial ? std::move(serial) : std::make_unique<PortSerialControl>())
{
    createControls();
    new CursorBlinkTimeout(10000, this);
    const PortSettings::Controls lists{Combo2, Combo3, Combo4, Combo5, Combo6, Combo7, Lbl_ComSettings};
    PortSettings::populate(lists);
    m_portSettings = std::make_unique<PortSettings>(*MSComm1, lists);
    if (auto *ports = qobject_cast<PortListComboBox *>(Combo2)) {
        auto *real = qobject_cast<PortSerialControl *>(MSComm1.get());
        ports->setDescriber([real](int n) { return (real ? real->resolver() : PortResolver()).describe(n); });
    }
    Text1->attach(&m_terminal);
    {
        // Made before the console so that a lost port is logged and watched for at once, not
        // only once its error dialog has been closed.
        auto *real = qobject_cast<PortSerialControl *>(MSComm1.get());
        m_session = std::make_unique<SessionRecording>(
            *MSComm1, m_terminal, m_operations, [real] { return real ? real->deviceName() : QString(); },
            [real](int n) { return real ? real->resolver().resolve(n).device : QString(); });
    }
    m_console = new ConsoleTerminal(*MSComm1, m_terminal, *m_portSettings,
                                    {Cmd_Switch, Text2, Timer2, Image2, Image3, Combo1, Lbl_FontSize,
                                     Text1, Text3},
                                    this);

    m_scriptInputs.setBox(ScriptBox::ManageIP, Txt_ManageIP);
    m_scriptInputs.setBox(ScriptBox::UserName, Txt_User_Name);
    m_scriptInputs.setBox(ScriptBox::UserPassword, Txt_User_PSD);
    m_scriptInputs.setBox(ScriptBox::SuperName, Txt_Super_Name);
    m_scriptInputs.setBox(ScriptBox::SuperPassword, Txt_Super_PSD);
    m_scriptInputs.setBox(ScriptBox::PortNum, Txt_PortNum);
    m_scriptInputs.setBox(ScriptBox::Vlan, Txt_Vlan);
    m_scriptInputs.setBox(ScriptBox::Mac, Txt_Mac);
    m_scriptInputs.setBox(ScriptBox::IP, Txt_IP);
    m_scriptInputs.setInputLine(Text2);
    m_scriptInputs.setSwitchModel([this] { return SwitchModel; });
    m_scripts = std::make_unique<CommandScripts>(*MSComm1, m_scriptInputs);
    m_scripts->watchReplies();
    m_scripts->setGate(m_operations);
    m_scriptInputs.onCellsDropped([](QLineEdit *box) {
        QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())),
                           QStringLiteral("粘贴的内容有好几项，只取了第一项。"), box);
    });
    m_paste = std::make_unique<PasteSender>(*MSComm1, m_operations);
    m_pasteInput = new PasteInput(Text2, *MSComm1, *m_paste, this);
    // A paste being sent owns the input line; so does the capture, whose wait message shows in it
    // (also once edited: nothing typed may reach the switch in the middle of its listing).
    m_console->lineTaken = [this] {
        return (m_pasteInput && m_pasteInput->takesLine()) || BindInfoCapture::isWaitText(Text2->text())
               || m_operations.running() == QString::fromUtf8(BindInfoCapture::kOperationName);
    };
    connect(&m_terminal, &Terminal::received, this, [this](const QString &text) { m_scripts->received(text); });
    m_capture = std::make_unique<BindInfoCapture>(*MSComm1, *this, SwitchModel, &m_operations);
    Timer1 = &m_capture->timer1();

    wireControls();
    Form_Load();
}

FrmMain::~FrmMain()
{
    // Scripts, a capture or a paste may still wait inside a pause further up the stack.
    m_paste->stop();
    // The paste's filter on the input line reads the sender, which goes before the controls
    // are hidden and deleted.
    delete m_pasteInput;
    m_pasteInput = nullptr;
    m_scripts->cancel();
    m_capture->cancel();
    m_help.closeHelpWindow();
}

void FrmMain::wireControls()
{
    m_portSettings->connectLists();
    ConsoleTerminal *c = m_console;
    connect(Cmd_Switch, &QPushButton::clicked, c, &ConsoleTerminal::openOrClose);
    connect(Cmd_Send_Enter, &QPushButton::clicked, c, &ConsoleTerminal::sendLineWithCr);
    connect(CmdSendSpace, &QPushButton::clicked, c, &ConsoleTerminal::sendSpace);
    connect(Cmd_Back, &QPushButton::clicked, c, &ConsoleTerminal::sendBackspace);
    connect(Cmd_Tab, &QPushButton::clicked, c, &ConsoleTerminal::sendLineWithTab);
    connect(Cmd_WenHao, &QPushButton::clicked, c, &ConsoleTerminal::sendLineWithHint);
    connect(Cmd_Break, &QPushButton::clicked, c, &ConsoleTerminal::sendBreak);
    // 中断 and closing the port (also when it is opened again at once) stop a paste being sent.
    connect(Cmd_Break, &QPushButton::clicked, m_paste.get(), &PasteSender::stop);
    connect(c, &ConsoleTerminal::closed, m_paste.get(), &PasteSender::stop);
    connect(Cmd_PSD, &QPushButton::clicked, this, &FrmMain::togglePasswordDisplay);

    connect(Cmd_GetBindInfo, &QPushButton::clicked, this, [this] { trapErrors([this] { m_capture->run(); }); });
    connect(Cmd_Login, &QPushButton::clicked, this, [this] { trapErrors([this] { m_scripts->login(); }); });
    connect(Cmd_Try_Bind, &QPushButton::clicked, this, [this] { trapErrors([this] { m_scripts->bind(); }); });
    connect(Cmd_Try_Undo, &QPushButton::clicked, this, [this] { trapErrors([this] { m_scripts->unbind(); }); });
    connect(Cmd_Save, &QPushButton::clicked, this, [this] { trapErrors([this] { m_scripts->save(); }); });
    connect(Cmd_Reboot, &QPushButton::clicked, this, [this] { trapErrors([this] { m_scripts->reboot(); }); });

    connect(Opt_Sw3100, &QRadioButton::clicked, this, [this] { optSw3100Click(SwitchModel); });
    connect(Opt_Sw3600, &QRadioButton::clicked, this, [this] { optSw3600Click(SwitchModel); });
    connect(Option2, &QRadioButton::clicked, this, [this] { option2Click([this] { Option1->setChecked(true); }); });
    connect(C买的, &QPushButton::clicked, this, &FrmMain::ShowHelp);
    // After the console's own handler has set the report box's new font size.
    connect(Combo1, &QComboBox::currentIndexChanged, this, &FrmMain::applyReportTabs);
    auto *openLogs = new QAction(QStringLiteral("打开日志文件夹"), Text1);
    connect(openLogs, &QAction::triggered, this, [this] { trapErrors([this] { m_session->openLogFolder(); }); });
    Text1->addAction(openLogs);
    // The user opening or closing the port takes over from a watch for a lost one.
    connect(Cmd_Switch, &QPushButton::clicked, m_session.get(), &SessionRecording::takeOver);
    connect(m_session.get(), &SessionRecording::reconnected, this, [this] {
        if (!m_console->showsOpen())
            m_console->openOrClose(); // the port is open already: shows the Open state
    });
    // A script or capture waiting when the port goes away would fail at its next write with a
    // second dialog; the loss is reported once (SessionRecording), and they end quietly.
    connect(MSComm1.get(), &SerialControl::portLost, this, [this] {
        m_scripts->stopRunning();
        m_capture->stopRunning();
    });
}

void FrmMain::Form_Load()
{
    trapErrors([this] {
        setWindowTitle(caption());
        if (MSComm1->portOpen())
            MSComm1->setPortOpen(false);
        Combo1->setCurrentIndex(Combo1->findText(QStringLiteral("12")));
        Timer2->stop();
        SwitchModel = initialSwitchModel();
        LoadSystemDirectory();
        m_portSettings->ApplyEnabled = false;
        Image2->setVisible(true);
        Image3->setVisible(false);
        try {
            LoadCommSettings(m_portSettings->CommSettings, m_portSettings->SettingsLoaded);
        } catch (...) {
            // The record now holds a mix of loaded and initial values: never save it over the file.
            m_settingsLoadFailed = true;
            throw;
        }
        m_portSettings->FillCommLists();
        m_portSettings->ApplyEnabled = true;
        m_startedUp = true;
    });
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
    }
    event->accept();
}

void FrmMain::Form_Unload()
{
    // An interrupted script, capture or paste sends nothing more once the window goes, and
    // nothing can be clicked while the window fades out.
    m_paste->stop();
    m_scripts->cancel();
    m_capture->cancel();
    m_session->reconnector().stop();
    setEnabled(false);
    trapErrors([this] {
        m_help.closeHelpWindow();
        if (MSComm1->portOpen())
            MSComm1->setPortOpen(false);
        QString notSaved;
        if ((!m_settingsLoadFailed || m_portSettings->applied())
            && !SaveCommSettings(m_portSettings->CommSettings, &notSaved))
            throw Error(notSaved);
        const bool unitMiB = true;
        if (GetMemoryInfo(1, unitMiB) >= 1020) {
            for (int i = 1; i <= 51; ++i) {
                SetWindowAlpha(this, qint16(255 - 5 * i));
                Delay(10);
            }
        }
    });
}

double FrmMain::GetMemoryInfo(qint16 vMemoryStatus, const bool &vMEMUnitType) const
{
    const std::optional<MemoryStatus> status = currentMemoryStatus();
    if (!status)
        return -1;
    return memoryFigure(*status, vMemoryStatus, vMEMUnitType);
}

void FrmMain::keyPressEvent(QKeyEvent *event)
{
    // Cmd_Send_Enter is the window's default button: an Enter that no control took (in the input
    // line, the terminal, a list, on a button...) starts it. Other buttons do not take Enter, so a
    // stray Enter after a click sends a line rather than running a script such as the reboot again.
    const int key = event->key();
    if (key == Qt::Key_Escape && m_paste->running()) { // Esc that no control took stops a paste
        m_paste->stop();
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (Cmd_Send_Enter->isEnabled())
            Cmd_Send_Enter->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FrmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    if (const QScreen *s = screen()) {
        QRect r = frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
    Text1->setFocus();
}

void FrmMain::togglePasswordDisplay()
{
    // The input line's echo mode is the state; the caption only shows it.
    if (Text2->echoMode() == QLineEdit::Normal) {
        Text2->setEchoMode(QLineEdit::Password);
        Cmd_PSD->setText(QStringLiteral("密文"));
    } else {
        Text2->setEchoMode(QLineEdit::Normal);
        Cmd_PSD->setText(QStringLiteral("明文"));
    }
}

void FrmMain::ShowHelp()
{
    m_help.showHelp();
}

void FrmMain::setInputLine(const QString &text)
{
    Text2->setText(text);
}

void FrmMain::clearReport()
{
    m_report.clear();
    Text3->clear();
}

void FrmMain::setReport(const QString &text)
{
    m_report = text;
    // One row per line on screen; copying gives tab-separated rows with plain line ends.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.endsWith(u'\n'))
        shown.chop(1);
    Text3->setPlainText(shown);
    applyReportTabs();
}

void FrmMain::applyReportTabs()
{
    // Each column starts beyond the widest cell above or below it, so a MAC never runs into the
    // IP; the text itself keeps its single tabs for pasting.
    const QFontMetricsF metrics(Text3->font());
    QList<QTextOption::Tab> tabs;
    const auto width = [&metrics](QStringView cell) { return metrics.horizontalAdvance(cell.toString()); };
    for (qreal at : reportTabStops(m_report, width, metrics.horizontalAdvance(QStringLiteral("   "))))
        tabs.append(QTextOption::Tab(at, QTextOption::LeftTab));
    QTextOption option = Text3->document()->defaultTextOption();
    option.setTabs(tabs);
    Text3->document()->setDefaultTextOption(option);
}

void FrmMain::clearTerminal()
{
    m_terminal.clear();
}

QString FrmMain::terminalText() const
{
    return m_terminal.text();
}

void FrmMain::selectModelButton(ModelButton button)
{
    QRadioButton *target = button == ModelButton::Sw3600 ? Opt_Sw3600 : Opt_Sw3100;
    target->setChecked(true);
    if (button == ModelButton::Sw3600)
        optSw3600Click(SwitchModel);
    else
        optSw3100Click(SwitchModel);
}

} // namespace tarnwell

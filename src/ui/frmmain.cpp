#include "ui/frmmain.h"

#include "ui/backupdialog.h"
#include "ui/batchdialog.h"

#include "serial/portserialcontrol.h"
#include "session/consolesession.h"
#include "base/usermessages.h"
#include "report/reportcolumns.h"
#include "engine/clock.h"
#include "switch/switchmodel.h"
#include "settings/commsettingsstore.h"
#include "settings/settingsfile.h"
#include "tarnwell_version.h"
#include "ui/consoleterminal.h"
#include "ui/cursorblink.h"
#include "ui/memoryinfo.h"
#include "ui/windowalpha.h"
#include "ui/pasteinput.h"
#include "ui/portlistcombobox.h"
#include "ui/terminalview.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolTip>
#include <QUrl>
#include <QTextDocument>
#include <QTextOption>

namespace tarnwell {

namespace {

QString caption(bool practice = false)
{
    return QStringLiteral("%1 V%2.%3.%4     -  %5")
               .arg(QString::fromUtf8(version::kAppTitle))
               .arg(version::kMajor)
               .arg(version::kMinor)
               .arg(version::kRevision)
               .arg(QString::fromUtf8(version::kFileDescription))
           + (practice ? QStringLiteral("  [练习：模拟交换机]") : QString());
}

} // namespace

FrmMain::FrmMain(std::unique_ptr<SerialControl> serial, QWidget *parent)
    : QWidget(parent), m_session(std::make_unique<ConsoleSession>(std::move(serial), m_scriptInputs, *this))
{
    SerialControl *const port = &m_session->serial();
    createControls();
    new CursorBlinkTimeout(10000, this);
    const PortSettings::Controls lists{m_portList, m_speedList, m_parityList, m_dataBitsList, m_stopBitsList, m_flowList, m_settingsLabel};
    PortSettings::populate(lists);
    m_portSettings = std::make_unique<PortSettings>(*port, lists);
    if (auto *ports = qobject_cast<PortListComboBox *>(m_portList)) {
        auto *real = qobject_cast<PortSerialControl *>(port);
        ports->setDescriber([real](int n) { return (real ? real->resolver() : PortResolver()).describe(n); });
    }
    m_terminalView->attach(&m_session->terminal());
    m_console = new ConsoleTerminal(*port, m_session->terminal(), *m_portSettings,
                                    {m_openButton, m_inputLine, m_lampTimer, m_lampUnlit, m_lampLit, m_fontSizeList, m_fontSizeLabel,
                                     m_terminalView, m_reportBox},
                                    this);
    m_terminalView->typeToSwitch = [this](const QString &keys) { return m_console->typeKeys(keys); };

    m_scriptInputs.setBox(ScriptBox::ManageIP, m_manageIpBox);
    m_scriptInputs.setBox(ScriptBox::UserName, m_userNameBox);
    m_scriptInputs.setBox(ScriptBox::UserPassword, m_passwordBox);
    m_scriptInputs.setBox(ScriptBox::SuperName, m_superNameBox);
    m_scriptInputs.setBox(ScriptBox::SuperPassword, m_superPasswordBox);
    m_scriptInputs.setBox(ScriptBox::PortNum, m_portNumberBox);
    m_scriptInputs.setBox(ScriptBox::Vlan, m_vlanBox);
    m_scriptInputs.setBox(ScriptBox::Mac, m_macBox);
    m_scriptInputs.setBox(ScriptBox::IP, m_ipBox);
    m_scriptInputs.setSwitchModel([this] { return m_session->switchModel(); });
    m_scriptInputs.onCellsDropped([](QLineEdit *box) {
        QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())),
                           QStringLiteral("粘贴的内容有好几项，只取了第一项。"), box);
    });
    m_pasteInput = new PasteInput(m_inputLine, *port, m_session->paste(), this);
    // A paste being sent owns the input line; so does the capture, whose wait message shows in it
    // (also once edited: nothing typed may reach the switch in the middle of its listing).
    // A file being sent owns the line too: keys typed meanwhile would be part of its data.
    m_console->lineTaken = [this] {
        return (m_pasteInput && m_pasteInput->takesLine()) || BindInfoCapture::isWaitText(m_inputLine->text())
               || m_session->capturing() || m_session->fileSender().running();
    };
    // An operation's end is shown once it is over: no message box holds one up.
    connect(&engine(), &OperationEngine::finished, this, &FrmMain::showOperationEnd, Qt::QueuedConnection);
    connect(&engine(), &OperationEngine::failed, this, [](const QString &description) { errorDialog(description); },
            Qt::QueuedConnection);

    wireControls();
    load();
}

FrmMain::~FrmMain()
{
    // An operation still waiting goes first, while everything it refers to is still here.
    engine().cancel();
    capture().cancel();
    // The paste's filter on the input line reads the sender, which goes before the controls
    // are hidden and deleted.
    delete m_pasteInput;
    m_pasteInput = nullptr;
    m_help.closeHelpWindow();
}

void FrmMain::setPractice(bool practice)
{
    setWindowTitle(caption(practice));
    recording().log().setPractice(practice);
}

void FrmMain::wireControls()
{
    m_portSettings->connectLists();
    wireLineControls();
    ConsoleTerminal *c = m_console;
    connect(m_openButton, &QPushButton::clicked, c, [this] {
        // Closing the port stops what runs on it: ask first, saying what it has sent.
        if (m_console->showsOpen() && !confirmStop(QStringLiteral("关闭端口")))
            return;
        m_console->openOrClose();
    });
    connect(m_enterButton, &QPushButton::clicked, c, &ConsoleTerminal::sendLineWithCr);
    connect(m_spaceButton, &QPushButton::clicked, c, &ConsoleTerminal::sendSpace);
    connect(m_backspaceButton, &QPushButton::clicked, c, &ConsoleTerminal::sendBackspace);
    connect(m_completeButton, &QPushButton::clicked, c, &ConsoleTerminal::sendLineWithTab);
    connect(m_helpKeyButton, &QPushButton::clicked, c, &ConsoleTerminal::sendLineWithHint);
    connect(m_breakButton, &QPushButton::clicked, c, &ConsoleTerminal::sendBreak);
    // 中断 and closing the port (also when it is opened again at once) stop a paste being sent.
    connect(m_breakButton, &QPushButton::clicked, &paste(), &PasteSender::stop);
    connect(c, &ConsoleTerminal::closed, &paste(), &PasteSender::stop);
    connect(m_maskButton, &QPushButton::clicked, this, &FrmMain::togglePasswordDisplay);

    connect(m_portListButton, &QPushButton::clicked, this, [this] { trapErrors([this] { capture().run(); }); });
    connect(m_loginButton, &QPushButton::clicked, this, [this] { scripts().login(); });
    connect(m_bindButton, &QPushButton::clicked, this, [this] { scripts().bind(); });
    connect(m_unbindButton, &QPushButton::clicked, this, [this] { scripts().unbind(); });
    connect(m_saveButton, &QPushButton::clicked, this, [this] { scripts().save(); });
    connect(m_rebootButton, &QPushButton::clicked, this, [this] { scripts().reboot(); });

    connect(m_model3100Button, &QRadioButton::clicked, this, [this] { m_session->setSwitchModel(SwitchModel::S3100); });
    connect(m_model3600Button, &QRadioButton::clicked, this, [this] { m_session->setSwitchModel(SwitchModel::S3600); });
    // Trunk ports are not bound by this version: refused, Access selected again.
    connect(m_trunkButton, &QRadioButton::clicked, this, [this] {
        messageBox(QStringLiteral("此版本暂不支持Trunk口的绑定操作！"), QStringLiteral("端口类型"));
        m_accessButton->setChecked(true);
    });
    connect(m_helpButton, &QPushButton::clicked, this, &FrmMain::showHelp);
    connect(m_batchButton, &QPushButton::clicked, this, &FrmMain::showBatchDialog);
    connect(m_backupsButton, &QPushButton::clicked, this, &FrmMain::showBackupDialog);
    // After the console's own handler has set the report box's new font size.
    connect(m_fontSizeList, &QComboBox::currentIndexChanged, this, &FrmMain::applyReportTabs);
    auto *openLogs = new QAction(QStringLiteral("打开日志文件夹"), m_terminalView);
    connect(openLogs, &QAction::triggered, this, [this] {
        trapErrors([this] {
            const QString dir = recording().log().directory();
            if (!QDir().mkpath(dir) || !QDesktopServices::openUrl(QUrl::fromLocalFile(dir)))
                throw Error(QStringLiteral("无法打开日志文件夹 %1。请在文件管理器中自己打开它").arg(dir));
        });
    });
    m_terminalView->addAction(openLogs);
    // The user opening or closing the port takes over from a watch for a lost one.
    connect(m_openButton, &QPushButton::clicked, &recording(), &SessionRecording::takeOver);
    connect(&recording(), &SessionRecording::reconnected, this, [this] {
        if (!m_console->showsOpen())
            m_console->openOrClose(); // the port is open already: shows the Open state
    });
}

void FrmMain::load()
{
    trapErrors([this] {
        setWindowTitle(caption());
        if (serial().portOpen())
            serial().setPortOpen(false);
        m_fontSizeList->setCurrentIndex(m_fontSizeList->findText(QStringLiteral("12")));
        m_lampTimer->stop();
        m_session->setSwitchModel(initialSwitchModel());
        loadSystemDirectory();
        m_portSettings->applyEnabled = false;
        m_lampUnlit->setVisible(true);
        m_lampLit->setVisible(false);
        try {
            loadCommSettings(m_portSettings->commSettings, m_portSettings->settingsLoaded);
        } catch (...) {
            // The record now holds a mix of loaded and initial values: never save it over the file.
            m_settingsLoadFailed = true;
            throw;
        }
        m_portSettings->fillCommLists();
        m_portSettings->applyEnabled = true;
        m_startedUp = true;
    });
}

bool FrmMain::confirmStop(const QString &action)
{
    const QString question = engine().stopQuestion(action);
    if (question.isEmpty())
        return true;
    if (!askQuestion(question, QStringLiteral("正在%1").arg(engine().running()), action, QStringLiteral("取消")))
        return false;
    engine().cancel();
    return true;
}

void FrmMain::showOperationEnd(const OperationEnd &end)
{
    if (!end.message.isEmpty())
        messageBox(end.message, end.title);
    if (end.clearInputLine && !m_unloaded) {
        m_inputLine->clear();
        m_inputLine->setFocus();
    }
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    if (m_fading) { // the fade closes the window at its end
        event->ignore();
        return;
    }
    if (!m_unloaded && !confirmStop(QStringLiteral("关闭窗口"))) {
        event->ignore();
        return;
    }
    if (!m_unloaded) {
        m_unloaded = true;
        unload();
        if (m_fadeWanted) {
            event->ignore();
            m_fading = true;
            m_fade = fadeOut();
            m_fade.start({});
            return;
        }
    }
    event->accept();
}

Task<void> FrmMain::fadeOut()
{
    for (int i = 1; i <= 51; ++i) {
        setWindowAlpha(this, qint16(255 - 5 * i));
        co_await pause(10);
    }
    m_fadeWanted = m_fading = false;
    close();
}

void FrmMain::unload()
{
    // An interrupted script, capture or paste sends nothing more once the window goes, and
    // nothing can be clicked while the window fades out.
    engine().cancel();
    capture().cancel();
    recording().reconnector().stop();
    setEnabled(false);
    trapErrors([this] {
        m_help.closeHelpWindow();
        if (serial().portOpen())
            serial().setPortOpen(false);
        QString notSaved;
        if ((!m_settingsLoadFailed || m_portSettings->applied())
            && !saveCommSettings(m_portSettings->commSettings, &notSaved))
            throw Error(notSaved);
        const bool unitMiB = true;
        m_fadeWanted = memoryInfo(1, unitMiB) >= 1020;
    });
}

double FrmMain::memoryInfo(qint16 vMemoryStatus, const bool &vMEMUnitType) const
{
    const std::optional<MemoryStatus> status = currentMemoryStatus();
    if (!status)
        return -1;
    return memoryFigure(*status, vMemoryStatus, vMEMUnitType);
}

void FrmMain::keyPressEvent(QKeyEvent *event)
{
    // m_enterButton is the window's default button: an Enter that no control took (in the input
    // line, the terminal, a list, on a button...) starts it. Other buttons do not take Enter, so a
    // stray Enter after a click sends a line rather than running a script such as the reboot again.
    const int key = event->key();
    if (key == Qt::Key_Escape && paste().running()) { // Esc that no control took stops a paste
        paste().stop();
        return;
    }
    if (event->matches(QKeySequence::Find)) { // from the input line too
        m_terminalView->openFind();
        return;
    }
    const bool terminalPaste = key == Qt::Key_V && event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier);
    if ((event->matches(QKeySequence::Paste) || terminalPaste) && !m_inputLine->hasFocus()) {
        // A paste in the terminal pane goes where pastes are sent from: the input line.
        m_inputLine->setFocus();
        QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QString());
        QCoreApplication::sendEvent(m_inputLine, &paste);
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (m_enterButton->isEnabled())
            m_enterButton->click();
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
    m_terminalView->setFocus();
}

void FrmMain::togglePasswordDisplay()
{
    // The input line's echo mode is the state; the caption only shows it.
    if (m_inputLine->echoMode() == QLineEdit::Normal) {
        m_inputLine->setEchoMode(QLineEdit::Password);
        m_maskButton->setText(QStringLiteral("密文"));
    } else {
        m_inputLine->setEchoMode(QLineEdit::Normal);
        m_maskButton->setText(QStringLiteral("明文"));
    }
}

void FrmMain::showBatchDialog()
{
    if (!m_batchDialog)
        m_batchDialog = new BatchDialog(*m_session, this);
    m_batchDialog->show();
    m_batchDialog->raise();
    m_batchDialog->activateWindow();
}

void FrmMain::showBackupDialog()
{
    if (!m_backupDialog)
        m_backupDialog = new BackupDialog(m_session->backups(), this);
    else
        m_backupDialog->refresh();
    m_backupDialog->show();
    m_backupDialog->raise();
    m_backupDialog->activateWindow();
}

void FrmMain::showHelp()
{
    m_help.showHelp();
}

void FrmMain::setInputLine(const QString &text)
{
    m_inputLine->setText(text);
}

void FrmMain::clearReport()
{
    m_report.clear();
    m_reportBox->clear();
}

void FrmMain::setReport(const QString &text)
{
    m_report = text;
    // One row per line on screen; copying gives tab-separated rows with plain line ends.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.endsWith(u'\n'))
        shown.chop(1);
    m_reportBox->setPlainText(shown);
    applyReportTabs();
}

void FrmMain::applyReportTabs()
{
    // Each column starts beyond the widest cell above or below it, so a MAC never runs into the
    // IP; the text itself keeps its single tabs for pasting.
    const QFontMetricsF metrics(m_reportBox->font());
    QList<QTextOption::Tab> tabs;
    const auto width = [&metrics](QStringView cell) { return metrics.horizontalAdvance(cell.toString()); };
    for (qreal at : reportTabStops(m_report, width, metrics.horizontalAdvance(QStringLiteral("   "))))
        tabs.append(QTextOption::Tab(at, QTextOption::LeftTab));
    QTextOption option = m_reportBox->document()->defaultTextOption();
    option.setTabs(tabs);
    m_reportBox->document()->setDefaultTextOption(option);
}


void FrmMain::selectModelButton(ModelButton button)
{
    QRadioButton *target = button == ModelButton::Sw3600 ? m_model3600Button : m_model3100Button;
    target->setChecked(true);
    if (button == ModelButton::Sw3600)
        m_session->setSwitchModel(SwitchModel::S3600);
    else
        m_session->setSwitchModel(SwitchModel::S3100);
}

} // namespace tarnwell

#include "moc_frmmain.cpp" // compiled with this file (and its library's unit), not on its own

// The window's part in the line itself: sending a file by XMODEM (the dialog, the progress, Esc),
// the serial break, and the boot menu assistant's Ctrl+B and speed question.
#include "ui/frmmain.h"

#include "base/usermessages.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>

namespace tarnwell {

void FrmMain::wireLineControls()
{
    FileSender &sender = m_session->fileSender();
    connect(m_sendFileButton, &QPushButton::clicked, this, [this] {
        if (engine().busy()) {
            messageBox(engine().busyMessage());
            return;
        }
        // A dialog that does not wait: the window goes on while the file is chosen.
        auto *dialog = new QFileDialog(this, QStringLiteral("选择要用 XMODEM 发送的文件"));
        dialog->setObjectName(QStringLiteral("Dlg_SendFile"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) {
            m_transferFile = path;
            sendFile();
        });
        dialog->open();
    });
    connect(&sender, &FileSender::progress, this, &FrmMain::showTransferProgress);
    connect(&sender, &FileSender::ended, this, [this] {
        m_transferBar->setVisible(false);
        m_inputLine->setVisible(true);
    });
    auto *stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    stop->setContext(Qt::WindowShortcut);
    stop->setEnabled(false);
    connect(stop, &QShortcut::activated, &sender, &FileSender::stop);
    connect(&sender, &FileSender::progress, stop, [stop] { stop->setEnabled(true); });
    connect(&sender, &FileSender::ended, stop, [stop] { stop->setEnabled(false); });

    const auto serialBreak = [this] { trapErrors([this] { serial().sendBreak(); }); };
    connect(m_serialBreakButton, &QPushButton::clicked, this, serialBreak);
    auto *breakKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Pause), this);
    breakKey->setContext(Qt::WindowShortcut);
    connect(breakKey, &QShortcut::activated, this, serialBreak);

    BootMenuAssistant &boot = m_session->bootAssistant();
    connect(m_bootMenuBox, &QCheckBox::toggled, &boot, &BootMenuAssistant::setArmed);
    connect(&boot, &BootMenuAssistant::armedChanged, m_bootMenuBox, &QCheckBox::setChecked);
    connect(&boot, &BootMenuAssistant::bootMenuRequested, this,
            [this] { terminal().note(QStringLiteral("—— 已自动发送 Ctrl+B，进入 Boot 菜单 ——")); });
    connect(&boot, &BootMenuAssistant::speedRequested, this, &FrmMain::offerSpeedChange);
}

void FrmMain::sendFile()
{
    trapErrors([this] {
        if (!m_session->fileSender().send(m_transferFile))
            messageBox(engine().busyMessage());
    });
}

void FrmMain::showTransferProgress(qsizetype blocks, qsizetype totalBlocks, qsizetype bytes, qsizetype totalBytes)
{
    if (!m_transferBar->isVisible()) {
        m_inputLine->setVisible(false);
        m_transferBar->setVisible(true);
        m_transferBar->raise();
    }
    m_transferBar->setRange(0, int(qMax<qsizetype>(1, totalBlocks)));
    m_transferBar->setValue(int(blocks));
    const QString rest = blocks == 0 && bytes == 0
                             ? QStringLiteral("：等交换机开始接收(XMODEM)…，Esc 停止")
                             : QStringLiteral("：%1/%2 块，%3/%4 字节，Esc 停止").arg(blocks).arg(totalBlocks).arg(bytes).arg(totalBytes);
    // One line: a long file name gives way to the figures.
    const QFontMetrics metrics(m_transferBar->font());
    const QString name = metrics.elidedText(QFileInfo(m_transferFile).fileName(), Qt::ElideMiddle,
                                            qMax(40, m_transferBar->width() - 16 - metrics.horizontalAdvance(rest)));
    m_transferBar->setFormat(name + rest);
}

void FrmMain::offerSpeedChange(qint32 baud)
{
    if (!m_speedQuestion) {
        m_speedQuestion = new QMessageBox(this);
        m_speedQuestion->setObjectName(QStringLiteral("Box_SpeedChange"));
        m_speedQuestion->setWindowTitle(windowTitle());
        m_speedQuestion->setWindowModality(Qt::NonModal);
        m_speedQuestion->addButton(QStringLiteral("改为新速率并回车"), QMessageBox::AcceptRole);
        m_speedQuestion->setDefaultButton(
            m_speedQuestion->addButton(QStringLiteral("不改"), QMessageBox::RejectRole));
        connect(m_speedQuestion, &QMessageBox::finished, this, [this] {
            const qint32 rate = m_speedQuestion->property("baud").toInt();
            if (m_speedQuestion->buttonRole(m_speedQuestion->clickedButton()) == QMessageBox::AcceptRole)
                trapErrors([this, rate] { m_session->bootAssistant().acceptSpeed(rate); });
        });
    }
    m_speedQuestion->setProperty("baud", baud);
    m_speedQuestion->setText(QStringLiteral("交换机要求把终端的波特率改为 %1 bps，改好后按回车。\n\n"
                                            "现在把本端口改为 %1 bps(不关闭端口)并发送回车吗？")
                                 .arg(baud));
    m_speedQuestion->open();
}

} // namespace tarnwell

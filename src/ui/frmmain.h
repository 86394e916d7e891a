#pragma once

#include "report/bindinfocapture.h"
#include "engine/operationengine.h"
#include "session/consolesession.h"
#include "ui/help/helpwindowholder.h"
#include "ui/lineeditinputs.h"
#include "ui/portsettings.h"

#include <QTimer>
#include <QWidget>
#include <memory>
#include <utility>
#include <vector>

class QComboBox;
class QGroupBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QProgressBar;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tarnwell {

class BackupDialog;
class BatchDialog;
class ConsoleTerminal;
class PasteInput;
class TerminalView;

// The one working window: owns every control and the window's state, and wires the controls
// to the behaviour classes of the subsystems. Start-up runs in the constructor (the window's
// load), shutdown in closeEvent (its unload).
class FrmMain : public QWidget, public BindInfoView {
    Q_OBJECT
public:
    // serial: the serial control to use (tests pass a fake); nullptr makes the real one.
    explicit FrmMain(std::unique_ptr<SerialControl> serial = nullptr, QWidget *parent = nullptr);
    ~FrmMain() override;

    // Selector 0: memory load in percent; 1 to 9: the physical, page-file and virtual figures
    // (in MiB when unitMiB, else KiB), rounded to two decimals; -1 on any error.
    double memoryInfo(qint16 vMemoryStatus, const bool &vMEMUnitType) const;

    // The console session the window shows.
    ConsoleSession &session() { return *m_session; }
    SerialControl &serial() { return m_session->serial(); }
    Terminal &terminal() { return m_session->terminal(); }

    PortSettings &portSettings() { return *m_portSettings; }
    BindInfoCapture &capture() { return m_session->capture(); }
    CommandScripts &scripts() { return m_session->scripts(); }
    HelpWindowHolder &helpWindow() { return m_help; }
    // Scripts, the capture and pasted lines run one at a time on this engine.
    OperationEngine &engine() { return m_session->engine(); }
    OperationGate &operations() { return engine().gate(); }
    // Text of several lines pasted into the input line: the question, then the paced send.
    PasteInput &pasteInput() { return *m_pasteInput; }
    PasteSender &paste() { return m_session->paste(); }
    // The session log and the reopening of a lost port.
    SessionRecording &recording() { return m_session->recording(); }
    // The report text exactly as built (CR LF line ends); m_reportBox shows it one row per line.
    QString reportText() const { return m_report; }
    // True when the start-up sequence ran to its end.
    bool startedUp() const { return m_startedUp; }
    // A practice session on the simulated switch: the caption says so, and so do the session logs.
    void setPractice(bool practice);

public slots:
    void showHelp();
    void showBatchDialog();
    void showBackupDialog();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createControls();
    void placeForSize(); // the designed layout, the terminal pane taking what the window grew
    void createTerminalArea();
    void createSettingsFrame();
    void createBindingFrame();
    void createLineControls(); // file send, break, the boot menu's Ctrl+B
    void wireLineControls();
    void sendFile();
    void showTransferProgress(qsizetype blocks, qsizetype totalBlocks, qsizetype bytes, qsizetype totalBytes);
    // The switch waits for the terminal to change its speed: asked in a box that does not wait.
    void offerSpeedChange(qint32 baud);
    void setFocusOrder();
    void wireControls();
    void togglePasswordDisplay(); // m_maskButton
    // True when nothing runs, or the person agrees to stop what runs in order to `action`.
    bool confirmStop(const QString &action);
    // Shows how an operation ended, once it has.
    void showOperationEnd(const OperationEnd &end);
    void applyReportTabs();       // m_reportBox's tab stops for the report it shows
    void load();
    void unload();
    // The closing fade on a machine with memory to spare: 51 steps 10 ms apart, then the close.
    Task<void> fadeOut();

    // BindInfoView
    void setInputLine(const QString &text) override;
    void clearReport() override;
    void setReport(const QString &text) override;
    void selectModelButton(ModelButton button) override;

    // The controls; each one's objectName is its name on the form (Text1, Cmd_Switch ...), which
    // the settings file and UI automation read.
    TerminalView *m_terminalView = nullptr;
    QLineEdit *m_inputLine = nullptr;
    QLineEdit *m_inputCaption = nullptr;
    QPushButton *m_enterButton = nullptr;
    QPushButton *m_spaceButton = nullptr;
    QPushButton *m_backspaceButton = nullptr;
    QPushButton *m_helpKeyButton = nullptr;
    QPushButton *m_completeButton = nullptr;
    QPushButton *m_breakButton = nullptr;
    QPushButton *m_maskButton = nullptr;
    QPushButton *m_portListButton = nullptr;
    QPushButton *m_backupsButton = nullptr;
    QLabel *m_fontSizeLabel = nullptr;
    QComboBox *m_fontSizeList = nullptr;
    QLabel *m_programPicture = nullptr;
    QPlainTextEdit *m_reportBox = nullptr;
    QLabel *m_decorationPicture = nullptr;
    QGroupBox *m_settingsFrame = nullptr;
    std::vector<std::pair<QWidget *, QRect>> m_designed; // each control's place at the designed size
    QGroupBox *m_bindingFrame = nullptr;
    QTimer *m_lampTimer = nullptr;

    QLabel *m_portLabel = nullptr;
    QComboBox *m_portList = nullptr;
    QLabel *m_speedLabel = nullptr;
    QComboBox *m_speedList = nullptr;
    QLabel *m_parityLabel = nullptr;
    QComboBox *m_parityList = nullptr;
    QLabel *m_dataBitsLabel = nullptr;
    QComboBox *m_dataBitsList = nullptr;
    QLabel *m_stopBitsLabel = nullptr;
    QComboBox *m_stopBitsList = nullptr;
    QLabel *m_flowLabel = nullptr;
    QComboBox *m_flowList = nullptr;
    QLabel *m_lampLit = nullptr;
    QLabel *m_lampUnlit = nullptr;
    QPushButton *m_openButton = nullptr;
    QLabel *m_settingsLabel = nullptr;

    QLabel *m_manageIpLabel = nullptr;
    QLineEdit *m_manageIpBox = nullptr;
    QLabel *m_userNameLabel = nullptr;
    QLineEdit *m_userNameBox = nullptr;
    QLabel *m_passwordLabel = nullptr;
    QLineEdit *m_passwordBox = nullptr;
    QLabel *m_superNameLabel = nullptr;
    QLineEdit *m_superNameBox = nullptr;
    QLabel *m_superPasswordLabel = nullptr;
    QLineEdit *m_superPasswordBox = nullptr;
    QGroupBox *m_modelFrame = nullptr;
    QRadioButton *m_model3100Button = nullptr;
    QRadioButton *m_model3600Button = nullptr;
    QLabel *m_portNumberLabel = nullptr;
    QLineEdit *m_portNumberBox = nullptr;
    QGroupBox *m_portTypeFrame = nullptr;
    QRadioButton *m_accessButton = nullptr;
    QRadioButton *m_trunkButton = nullptr;
    QLabel *m_macLabel = nullptr;
    QLineEdit *m_macBox = nullptr;
    QLabel *m_ipLabel = nullptr;
    QLineEdit *m_ipBox = nullptr;
    QLabel *m_vlanLabel = nullptr;
    QLineEdit *m_vlanBox = nullptr;
    QPushButton *m_rebootButton = nullptr;
    QPushButton *m_unbindButton = nullptr;
    QPushButton *m_loginButton = nullptr;
    QPushButton *m_bindButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_helpButton = nullptr;
    QPushButton *m_batchButton = nullptr;
    BatchDialog *m_batchDialog = nullptr;   // made at the first click, kept
    BackupDialog *m_backupDialog = nullptr; // likewise

    QPushButton *m_sendFileButton = nullptr;
    QPushButton *m_serialBreakButton = nullptr;
    QCheckBox *m_bootMenuBox = nullptr;
    QProgressBar *m_transferBar = nullptr; // over the input line while a file is sent
    QMessageBox *m_speedQuestion = nullptr;
    QString m_transferFile;

    LineEditInputs m_scriptInputs;
    std::unique_ptr<ConsoleSession> m_session;
    std::unique_ptr<PortSettings> m_portSettings;
    ConsoleTerminal *m_console = nullptr;
    PasteInput *m_pasteInput = nullptr;
    HelpWindowHolder m_help;
    QString m_report;
    bool m_startedUp = false;
    bool m_settingsLoadFailed = false;
    bool m_shownOnce = false;
    bool m_unloaded = false;
    bool m_fadeWanted = false;
    bool m_fading = false;
    Task<void> m_fade;
};

} // namespace tarnwell

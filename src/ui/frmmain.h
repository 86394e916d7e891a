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

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tarnwell {

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
    double GetMemoryInfo(qint16 vMemoryStatus, const bool &vMEMUnitType) const;

    // The console session the window shows.
    ConsoleSession &session() { return *m_session; }
    SerialControl &serial() { return m_session->serial(); }
    Terminal &terminal() { return m_session->terminal(); }

    // --- controls, named as on the form ---
    TerminalView *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text12 = nullptr;
    QPushButton *Cmd_Send_Enter = nullptr;
    QPushButton *CmdSendSpace = nullptr;
    QPushButton *Cmd_Back = nullptr;
    QPushButton *Cmd_WenHao = nullptr;
    QPushButton *Cmd_Tab = nullptr;
    QPushButton *Cmd_Break = nullptr;
    QPushButton *Cmd_PSD = nullptr;
    QPushButton *Cmd_GetBindInfo = nullptr;
    QLabel *Lbl_FontSize = nullptr;
    QComboBox *Combo1 = nullptr;
    QLabel *Image1 = nullptr;
    QPlainTextEdit *Text3 = nullptr;
    QLabel *Image4 = nullptr;
    QGroupBox *FrameSettings = nullptr;
    QGroupBox *Frame1 = nullptr;
    QTimer *Timer1 = nullptr; // owned by the capture
    QTimer *Timer2 = nullptr;

    QLabel *Label3 = nullptr;
    QComboBox *Combo2 = nullptr;
    QLabel *Label11 = nullptr;
    QComboBox *Combo3 = nullptr;
    QLabel *Label12 = nullptr;
    QComboBox *Combo4 = nullptr;
    QLabel *Label13 = nullptr;
    QComboBox *Combo5 = nullptr;
    QLabel *Label14 = nullptr;
    QComboBox *Combo6 = nullptr;
    QLabel *Label16 = nullptr;
    QComboBox *Combo7 = nullptr;
    QLabel *Image3 = nullptr;
    QLabel *Image2 = nullptr;
    QPushButton *Cmd_Switch = nullptr;
    QLabel *Lbl_ComSettings = nullptr;

    QLabel *Label1 = nullptr;
    QLineEdit *Txt_ManageIP = nullptr;
    QLabel *Label6 = nullptr;
    QLineEdit *Txt_User_Name = nullptr;
    QLabel *Label7 = nullptr;
    QLineEdit *Txt_User_PSD = nullptr;
    QLabel *Label8 = nullptr;
    QLineEdit *Txt_Super_Name = nullptr;
    QLabel *Label9 = nullptr;
    QLineEdit *Txt_Super_PSD = nullptr;
    QGroupBox *Frame3 = nullptr;
    QRadioButton *Opt_Sw3100 = nullptr;
    QRadioButton *Opt_Sw3600 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Txt_PortNum = nullptr;
    QGroupBox *Frame2 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *Txt_Mac = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *Txt_IP = nullptr;
    QLabel *Label10 = nullptr;
    QLineEdit *Txt_Vlan = nullptr;
    QPushButton *Cmd_Reboot = nullptr;
    QPushButton *Cmd_Try_Undo = nullptr;
    QPushButton *Cmd_Login = nullptr;
    QPushButton *Cmd_Try_Bind = nullptr;
    QPushButton *Cmd_Save = nullptr;
    QPushButton *C买的 = nullptr;

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
    // The report text exactly as built (CR LF line ends); Text3 shows it one row per line.
    QString reportText() const { return m_report; }
    // True when the start-up sequence ran to its end.
    bool startedUp() const { return m_startedUp; }
    // A practice session on the simulated switch: the caption says so, and so do the session logs.
    void setPractice(bool practice);

public slots:
    void ShowHelp();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void createTerminalArea();
    void createSettingsFrame();
    void createBindingFrame();
    void setFocusOrder();
    void wireControls();
    void togglePasswordDisplay(); // Cmd_PSD
    // True when nothing runs, or the person agrees to stop what runs in order to `action`.
    bool confirmStop(const QString &action);
    // Shows how an operation ended, once it has.
    void showOperationEnd(const OperationEnd &end);
    void applyReportTabs();       // Text3's tab stops for the report it shows
    void Form_Load();
    void Form_Unload();
    // The closing fade on a machine with memory to spare: 51 steps 10 ms apart, then the close.
    Task<void> fadeOut();

    // BindInfoView
    void setInputLine(const QString &text) override;
    void clearReport() override;
    void setReport(const QString &text) override;
    void selectModelButton(ModelButton button) override;

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

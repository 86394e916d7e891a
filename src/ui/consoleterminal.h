#pragma once

#include "terminal/commandhistory.h"

#include <QObject>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace tarnwell {

class PortSettings;
class SerialControl;
class Terminal;

// Open/close, the line and key sends, the space rule of the input line, the font size
// and the communication lamp. Each handler that acts on the port traps its errors with the
// error dialog. The input line works as the console's own line: Up and Down walk the lines sent
// with Enter, Tab sends the text and a Tab (as 补齐), Ctrl+<letter> in an empty line sends its
// control character (Ctrl+C 0x03, Ctrl+B 0x02, Ctrl+Z 0x1A…) but for the window's own keys
// (consolekeys.h). Keys typed in the terminal pane go to the switch one at a time (typeKeys).
// While the switch's last line asks for a password ("Password:", "password:") the line typed
// next is one: masked while typed, shown as ****** wherever sent text is shown or recorded, kept
// out of the history, and a space in the blank line is part of it rather than a page.
class ConsoleTerminal : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QPushButton *openButton = nullptr;
        QLineEdit *inputLine = nullptr;
        QTimer *lampTimer = nullptr;
        QWidget *lampUnlit = nullptr; // unlit lamp
        QWidget *lampLit = nullptr; // lit lamp
        QComboBox *fontSizeList = nullptr;
        QLabel *fontSizeLabel = nullptr;
        QWidget *terminalView = nullptr;
        QWidget *reportBox = nullptr;
    };

    static constexpr char kOpenCaption[] = "点击开启";
    static constexpr char kCloseCaption[] = "点击关闭";

    ConsoleTerminal(SerialControl &serial, Terminal &terminal, PortSettings &settings,
                    const Controls &controls, QObject *parent = nullptr);

    static void populateFontSizes(QComboBox *combo1);

    void openOrClose();     // Cmd_Switch
    void sendLineWithCr();  // Cmd_Send_Enter
    void sendSpace();       // CmdSendSpace
    void sendLineWithTab(); // Cmd_Tab
    void sendLineWithHint();// Cmd_WenHao
    void sendBreak();       // Cmd_Break
    void sendBackspace();   // Cmd_Back: one BS, as its tooltip and the help text say
    void applyFontSize();   // Combo1 selection
    // Keys typed in the terminal pane, sent as they are; false (not taken) while a paste or the
    // listing capture owns the line.
    bool typeKeys(const QString &keys);
    void lampTick();        // Timer2

    const CommandHistory &history() const { return m_history; }
    // Whether the window shows the Open state (caption 点击关闭, lists disabled). It can differ
    // from the port's own state: a port reopened by the reconnect watch is open before the
    // window shows it.
    bool showsOpen() const { return m_showsOpen; }
    // When set and true, the input line's text is not sent by Enter, 补齐 or ? (a paste owns it).
    std::function<bool()> lineTaken;

signals:
    void closed(); // the port was closed, by a click or because it went away

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool send(const QString &text);
    bool lineFree() const { return !lineTaken || !lineTaken(); }
    void enterClosedState();
    void setShowsOpen(bool open); // the flag and Cmd_Switch's caption
    void onPortLost();
    void checkPasswordPrompt();
    void setPasswordPrompt(bool asked);

    SerialControl &m_serial;
    Terminal &m_terminal;
    PortSettings &m_settings;
    Controls m_c;
    CommandHistory m_history;
    bool m_showsOpen = false;
    bool m_passwordPrompt = false; // the switch asks for a password: the next line is one
    bool m_maskedForPrompt = false; // the input line was masked for it, not by 密文
};

} // namespace tarnwell

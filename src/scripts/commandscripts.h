#pragma once

#include "scripts/canceltoken.h"
#include "scripts/scriptinputs.h"
#include "scripts/switchreply.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QLineEdit;

namespace tarnwell {

class SerialControl;

// The canned command scripts of the binding frame. Each sends its lines blind (text and one CR
// in one output() call), pauses with Delay after them and ends with its message box. Boxes are
// read at the moment each line is sent; SwitchModel once, after the login steps.
//
// A failed write throws tarnwell::Error out of the method (the window's click handler traps
// it); lines already sent stay sent. After cancel() (the window is closing) a waiting script
// returns quietly at the end of its current pause, sends nothing more, shows no further message
// and touches neither this object nor the serial control nor the inputs again; a script started
// after cancel() does nothing. Destroying this object cancels too.
//
// While a script runs it notes what the switch prints (fed through received()); its closing
// message then lists the switch's error lines and a question left unanswered at the end. Once
// watching is on, the port scripts pause once more after their last line, so that the answer to
// it is in before the message. The lines and their pauses never change.
class CommandScripts {
public:
    CommandScripts(SerialControl &serial, ScriptInputs &inputs);
    ~CommandScripts();
    CommandScripts(const CommandScripts &) = delete;
    CommandScripts &operator=(const CommandScripts &) = delete;

    void login();  // Cmd_Login
    void bind();   // Cmd_Try_Bind
    void unbind(); // Cmd_Try_Undo
    void save();   // Cmd_Save
    void reboot(); // Cmd_Reboot

    // Text received from the switch, as the terminal gets it.
    void received(const QString &text);
    // Turns on noting the switch's answers (the window does; it feeds received()).
    void watchReplies() { m_watching = true; }

    // A whole number from 1 to 48, as typed: the port numbers the scripts send.
    static bool isPortNumber(const QString &text);

    void cancel() { m_cancel.cancel(); }
    // Ends the scripts waiting now as cancel() does, while scripts started later run as usual:
    // for a port that went away, whose loss has already been reported.
    void stopRunning()
    {
        m_cancel.cancel();
        m_cancel = CancelToken();
    }
    bool cancelled() const { return m_cancel.cancelled(); }
    CancelToken cancelToken() const { return m_cancel; }

private:
    enum class PortScript { Bind, Unbind };

    void portScript(PortScript kind);
    // The five optional login steps; false when cancelled during one of their pauses.
    bool loginSteps(qint32 passwordPause, const CancelToken &token);
    // Sends text + CR, then pauses (pauseMs < 0: no pause). False when cancelled meanwhile;
    // the caller must then return without touching any member.
    bool send(const QString &text, qint32 pauseMs, const CancelToken &token);
    QString box(ScriptBox b) const { return m_inputs.text(b); }
    // A collector for one run; it gets the text received until it is dropped.
    std::shared_ptr<ReplyCollector> collect();

    SerialControl &m_serial;
    ScriptInputs &m_inputs;
    CancelToken m_cancel;
    bool m_watching = false;
    std::vector<std::weak_ptr<ReplyCollector>> m_collectors;
    // The received line not yet ended (as a rule the prompt): a run's collector starts with it,
    // so the echo of the run's first line is seen with its prompt.
    QString m_openLine;
};

} // namespace tarnwell

#pragma once

#include "scripts/canceltoken.h"
#include "scripts/scriptinputs.h"

#include <QString>

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

    SerialControl &m_serial;
    ScriptInputs &m_inputs;
    CancelToken m_cancel;
};

} // namespace tarnwell

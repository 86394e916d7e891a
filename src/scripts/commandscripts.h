#pragma once

#include "scripts/canceltoken.h"
#include "scripts/operationgate.h"
#include "scripts/scriptinputs.h"
#include "scripts/switchreply.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <vector>


namespace tarnwell {

class SerialControl;

// The canned command scripts of the binding frame. Each sends its lines (text and one CR in one
// output() call, a password box's text through outputSecret()), pauses with Delay after them and
// ends with its message box. Boxes are read at the moment each line is sent; SwitchModel once,
// after the login steps. Only one script runs at a time: a click while one (or the capture, or a
// paced paste, when they share the gate) runs is ignored.
//
// A failed write throws tarnwell::Error out of the method (the window's click handler traps
// it); lines already sent stay sent. After cancel() (the window is closing) a waiting script
// returns quietly at the end of its current pause, sends nothing more, shows no further message
// and touches neither this object nor the serial control nor the inputs again; a script started
// after cancel() does nothing. Destroying this object cancels too.
//
// While a script runs it reads what the switch prints (fed through received()) after each line:
// - an error line in the answer stops the script: nothing more is sent, and the closing message
//   names the refused line, the switch's words and the lines not sent;
// - an answer begun but not ending at a prompt or question yet is waited for, up to 3 s beyond
//   the pause (for save's last line up to 60 s, for the outcome of the save);
// - a password is sent only when the switch asks for one ("Password:" shown last) or has shown
//   nothing at all; at a command prompt it is skipped (the person is logged in already),
//   otherwise (a telnet still trying, "Username:") the script stops.
// - a login line is sent only where the switch is at the point that line answers: "tel" at a
//   user-view prompt, the user name at "Username:", "super" in user view; a bind or unbind on
//   the switch a login to the same address was seen to reach skips the login lines;
// - a refusal is quoted whole: its line end (or the next prompt) is waited for, up to 3 s.
// A script first erases with backspaces what the switch holds typed after its prompt (left by
// the help or completion keys), so that its first line is not glued to it. A switch that says
// nothing gets exactly the lines and pauses of a blind script. Once watching is on, the port
// scripts pause once more after their last line, so that the answer to it is in before the
// message. The binding values are checked before anything is sent. A message that reports a
// script not done opens with what happened and names what the switch has accepted.
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
    // The gate the scripts take turns through (the window's); without one they use their own.
    void setGate(OperationGate &gate) { m_gate = &gate; }

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
    struct Line;
    struct Run;
    enum class Step { Next, Stopped, Cancelled };
    enum class LineKind { Command, Telnet, UserName, Password, Super, Key };
    // Whether a line goes out where the switch stands now.
    struct Verdict {
        enum { Send, Skip, Stop } action = Send;
        QString why; // a note for Skip, the reason for Stop
    };

    void portScript(PortScript kind);
    // The five optional login steps, read as they are sent.
    std::vector<Line> loginLines(qint32 passwordPause);
    // Sends the lines [from, to) of a script; Stopped after the stop message has been shown.
    Step sendScript(Run &run, const std::vector<Line> &lines, size_t from, size_t to);
    // Sends one line and waits for its answer as the class comment says.
    Step sendLine(Run &run, const std::vector<Line> &lines, size_t i);
    // Waits in short pauses while the answer to the last line is unfinished, up to ms.
    bool awaitAnswer(Run &run, qint32 ms);
    // Waits while a refusal's line is still being printed, up to 3 s.
    bool awaitWholeRefusal(Run &run);
    Verdict verdict(Run &run, const Line &line, const QString &text);
    // Stops the port lines where the switch is not at a command line (a login still asking).
    bool atCommandLine(Run &run, const std::vector<Line> &lines, size_t i);
    // Erases what the switch holds typed after its prompt.
    void eraseTypedText(Run &run);
    // Notes the switch a login to an address reached, once the login lines are through.
    void noteReached(const Run &run);
    // Shows the closing message for a script stopped at line i.
    void stop(Run &run, const std::vector<Line> &lines, size_t i, const QString &why);
    QString box(ScriptBox b) const { return m_inputs.text(b); }
    // A collector for one run; it gets the text received until it is dropped.
    std::shared_ptr<ReplyCollector> collect();
    // A run of the script called name, or nothing when it must not start (cancelled, gate taken).
    std::optional<Run> begin(const QString &name, const QString &first);

    SerialControl &m_serial;
    ScriptInputs &m_inputs;
    CancelToken m_cancel;
    bool m_watching = false;
    OperationGate m_ownGate;
    OperationGate *m_gate = &m_ownGate;
    std::vector<std::weak_ptr<ReplyCollector>> m_collectors;
    // The received line not yet ended (as a rule the prompt): a run's collector starts with it,
    // so the echo of the run's first line is seen with its prompt.
    QString m_openLine;
    // The last few KiB received: where the switch stands when a script begins.
    QString m_recent;
    // Management address -> the name in the prompt a login to it reached.
    std::map<QString, QString> m_reached;
};

} // namespace tarnwell

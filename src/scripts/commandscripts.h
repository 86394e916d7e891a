#pragma once

#include "engine/operationengine.h"
#include "scripts/scriptinputs.h"
#include "switch/switchreply.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tarnwell {

class SerialControl;

// The canned command scripts of the binding frame, as operations on the engine. Each sends its
// lines (text and one CR in one output() call, a password box's text through outputSecret()),
// pauses after them and ends with its message, which the engine reports (finished()). Boxes
// are read at the moment each line is sent; SwitchModel once, after the login steps. Only one
// operation runs at a time: a click while one runs is ignored.
//
// A failed write ends the script through the engine's failed() (a lost port quietly); lines
// already sent stay sent. The engine's cancel() stops a script where it waits.
//
// While a script runs it reads what the switch prints (fed through received()) after each line:
// - an error line in the answer stops the script: nothing more is sent; its message opens with
//   what happened, quotes the switch's whole error line (its line end is waited for, up to 3 s)
//   and names the lines the switch accepted and those not sent;
// - an answer begun but not ending at a prompt or question yet is waited for, up to 3 s beyond
//   the pause (for save's last line up to 60 s, for the outcome of the save);
// - a login line is sent only where the switch is at the point that line answers: "tel" at a
//   user-view prompt, the user name at "Username:", a password at "Password:", "super" in user
//   view; at a command prompt the user name and passwords are kept back; a bind or unbind on the
//   switch a login to the same address was seen to reach skips the login lines.
// A script first erases with backspaces what the switch holds typed after its prompt (left by
// the help or completion keys), so that its first line is not glued to it. A switch that says
// nothing gets exactly the lines and pauses of a blind script. Once watching is on, the port
// scripts pause once more after their last line, so that the answer to it is in before the
// message. The binding values are checked before anything is sent.
class CommandScripts {
    struct Run;
    struct Line;

public:
    // The values of one port's lines: number, VLAN, MAC (any form the boxes convert) and IP.
    struct PortValues {
        QString port, vlan, mac, ip;
    };

    // One login followed by the lines of many ports, for a batch: made for one operation and
    // awaited inside it. The login reads the boxes as the binding script does; each block sends
    // the port lines of the binding (or unbinding) script with the block's values, watching
    // the answers as a script does.
    class PortBatch {
    public:
        struct BlockEnd {
            bool done = false; // every line sent and none refused
            QString refusal;   // the refused line and the switch's error lines; empty otherwise
            QString message;   // why the block stopped, as a single script's message says it
        };
        ~PortBatch();
        // The login lines, then the model and the command line checked: nothing when the blocks
        // may follow, else the end of the operation (the reason in its message).
        Task<std::optional<OperationEnd>> login();
        Task<BlockEnd> block(const PortValues &values);

    private:
        friend class CommandScripts;
        PortBatch(CommandScripts &scripts, const QString &name, bool bind);
        CommandScripts &m_scripts;
        std::unique_ptr<Run> m_run;
        bool m_bind;
    };

    CommandScripts(SerialControl &serial, ScriptInputs &inputs, OperationEngine &engine);
    CommandScripts(const CommandScripts &) = delete;
    CommandScripts &operator=(const CommandScripts &) = delete;

    void login();  // Cmd_Login
    void bind();   // Cmd_Try_Bind
    void unbind(); // Cmd_Try_Undo
    void save();   // Cmd_Save
    void reboot(); // Cmd_Reboot
    // A batch of port blocks after one login, named `name` in its messages.
    std::unique_ptr<PortBatch> portBatch(const QString &name, bool bind);

    // Text received from the switch, as the terminal gets it.
    void received(const QString &text);
    // Turns on noting the switch's answers (the session does; it feeds received()).
    void watchReplies() { m_watching = true; }

private:
    enum class PortScript { Bind, Unbind };
    enum class Step { Next, Stopped };
    enum class LineKind { Command, Telnet, UserName, Password, Super, Key };
    // Whether a line goes out where the switch stands now.
    struct Verdict {
        enum { Send, Skip, Stop } action = Send;
        QString why; // a note for Skip, the reason for Stop
    };

    void start(const QString &name, Operation op) { m_engine.start(name, std::move(op)); }
    Operation loginSteps(QString name);
    Operation portSteps(QString name, PortScript kind);
    Operation saveSteps(QString name);
    Operation rebootSteps(QString name);

    // The five optional login steps, read as they are sent.
    std::vector<Line> loginLines(qint32 passwordPause);
    // The five lines of a port script, the values read as each line is sent.
    std::vector<Line> portLines(bool bind, std::function<PortValues()> values) const;
    // The refusal of a model the port lines do not serve; nothing for a 3100 or 3600.
    static std::optional<OperationEnd> modelRefusal(SwitchModel model);
    PortValues boxValues() const;
    // Sends the lines [from, to) of a script; Stopped with run.end set.
    Task<Step> sendScript(Run &run, const std::vector<Line> &lines, size_t from, size_t to);
    // Sends one line and waits for its answer as the class comment says.
    Task<Step> sendLine(Run &run, const std::vector<Line> &lines, size_t i);
    // Waits in short pauses while the answer to the last line is unfinished, up to ms.
    Task<void> awaitAnswer(Run &run, qint32 ms);
    // Waits while a refusal's line is still being printed, up to 3 s.
    Task<void> awaitWholeRefusal(Run &run);
    Verdict verdict(Run &run, const Line &line, const QString &text);
    // Stops the port lines where the switch is not at a command line (a login still asking).
    bool atCommandLine(Run &run, const std::vector<Line> &lines, size_t i);
    // Erases what the switch holds typed after its prompt.
    void eraseTypedText(Run &run);
    // Notes the switch a login to an address reached, once the login lines are through.
    void noteReached(const Run &run);
    // The end of a script stopped at line i (refused there when why is empty).
    void stop(Run &run, const std::vector<Line> &lines, size_t i, const QString &why);
    QString box(ScriptBox b) const { return m_inputs.text(b); }
    // A collector for one run; it gets the text received until it is dropped.
    std::shared_ptr<ReplyCollector> collect();
    Run begin(const QString &name, const QString &first);

    SerialControl &m_serial;
    ScriptInputs &m_inputs;
    OperationEngine &m_engine;
    bool m_watching = false;
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

#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace tarnwell {

// What the switch printed that the person must know about once a script has run.
struct SwitchReply {
    struct Refusal {
        QString command; // the command line it answered, without the prompt; empty when unknown
        QString error;   // the error line as printed
    };
    QList<Refusal> refusals;
    QString question; // the unanswered question the text ends in, e.g. "... Continue? [Y/N]"

    bool isEmpty() const { return refusals.isEmpty() && question.isEmpty(); }
};

// Collects the text received while one script runs. Each run has its own collector, so two
// interleaved scripts each see what arrived during their own run.
class ReplyCollector {
public:
    void add(const QString &received) { m_text += received; }
    const QString &text() const { return m_text; }

private:
    QString m_text;
};

// The refusals and the trailing question in received text. Error lines are those starting
// (after blanks) with "% " (" % Unrecognized command found at '^' position." and its kin, the
// login failures) or "Error:". Asynchronous log lines ("%Apr  5 07:02:03:671 2000 ...") and the
// echoes of typed lines are not errors.
SwitchReply readSwitchReply(QStringView text);

// The closing message with what the reply adds below it; the message alone when it adds nothing.
// At most kMaxErrorLines error lines are listed, each cut to kMaxLineLength characters, and the
// rest counted, so that the box fits the screen however much the switch printed.
QString messageWithReply(const QString &message, const SwitchReply &reply);
inline constexpr int kMaxErrorLines = 10;
inline constexpr int kMaxLineLength = 200;
// The line cut to kMaxLineLength characters, "…" marking the cut.
QString boundedLine(QStringView line);

// How far the switch has answered a line, judged on the text received since it was sent.
enum class Answer {
    Silent,     // nothing but blanks and asynchronous log lines
    Unfinished, // text, but it does not end waiting for input yet
    Waiting,    // it ends at a prompt: <...> or [...] alone, a question, "...:", "---- More ----"
};
Answer answerState(QStringView sinceSent);

// The last line shown (blank and asynchronous log lines after it aside), without its blanks.
QString lastShownLine(QStringView text);
// True when the last line shown is a command prompt alone: "<SW>", "[SW]", "[SW-Ethernet1/0/5]".
bool atCommandPrompt(QStringView text);
// "<SW3600-A>" in user view, "[SW3600-A]" or "[SW3600-A-Ethernet1/0/5]" in the others.
bool isCommandPrompt(QStringView line);
// The end of the text (its last 4096 characters at most) without trailing blanks, line ends and
// the asynchronous log lines printed last.
QStringView withoutTrailingLogs(QStringView text);
// The last `count` non-empty lines shown (log lines aside), bounded, oldest first.
QStringList lastShownLines(QStringView text, int count);

// "%Apr  5 07:02:03:671 2000 H3C SHELL/5/LOGIN:- 1 - ..." and the like.
bool isAsyncLogLine(QStringView line);

// Where the switch's command line stands, judged on the last line it shows.
enum class LineState {
    Nothing,       // nothing shown (log lines aside)
    UserView,      // "<SW>"
    SystemView,    // "[SW]", "[SW-Ethernet1/0/5]"
    UserNameAsked, // "Username:", "login:"
    PasswordAsked, // "Password:", " Password:" after super
    Other,         // anything else: a telnet still trying, a question, a listing's pager...
};
LineState lineState(QStringView text);
// "SW3600-B" of "<SW3600-B>" and "[SW3600-B]"; "SW3600-B-Ethernet1/0/5" of a port view's prompt.
QString promptName(QStringView prompt);
// True when the prompt is that of the switch called sysname, in any view.
bool promptOfSwitch(QStringView prompt, const QString &sysname);
// The line as the screen shows it: backspaces and ESC [ n D / C move the cursor, ESC [ K and a
// lone CR are applied, other escape sequences dropped.
QString drawnLine(QStringView raw);
// What is typed after the prompt on the line the switch shows last (its open line), as drawn:
// "dis " of "<SW>dis "; empty when that line is no prompt or nothing is typed.
QString typedAfterPrompt(QStringView openLine);
// True while the text ends in an error line still being printed: no line end after it yet.
bool refusalUnfinished(QStringView text);

// True when the text ends in the paging prompt "---- More ----", trailing blanks, line ends and
// asynchronous log lines printed after it aside.
bool endsAtPagingPrompt(QStringView text);

} // namespace tarnwell

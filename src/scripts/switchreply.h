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
QString messageWithReply(const QString &message, const SwitchReply &reply);

// "%Apr  5 07:02:03:671 2000 H3C SHELL/5/LOGIN:- 1 - ..." and the like.
bool isAsyncLogLine(QStringView line);

// True when the text ends in the paging prompt "---- More ----", trailing blanks, line ends and
// asynchronous log lines printed after it aside.
bool endsAtPagingPrompt(QStringView text);

} // namespace tarnwell

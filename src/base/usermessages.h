#pragma once

#include "base/error.h"

#include <QString>
#include <exception>
#include <functional>

namespace tarnwell {

// Everything the program tells the user in a message box goes through messageBox(); the handler
// decides how it is shown. The window installs real message boxes (a single OK button, no icon,
// modal), tests record and answer them, and without either the text goes to standard error. An
// empty title stands for the application title. The call returns once the user has seen it.
using MessageBoxHandler = std::function<void(const QString &text, const QString &title)>;

void messageBox(const QString &text, const QString &title = QString());

// Replaces the handler; returns the previous one. An empty handler restores the default (the
// text on standard error).
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// A notice that does not wait for the user: shown at once and left up while the program goes
// on, replaced by the next one, closed by an empty text. There is one at a time (the lost port's,
// kept up to date while the port comes and goes). The window shows it in a box without
// modality, tests record it, and without either the text goes to standard error.
void notice(const QString &text, const QString &title = QString());
MessageBoxHandler setNoticeHandler(MessageBoxHandler handler);

// The error dialog of the trapping handlers: the description followed by where the session logs
// are (the record of what the port did), under the fixed title.
QString errorDialogText(const QString &description);
inline constexpr char kErrorDialogTitle[] = "出错喽";
void errorDialog(const QString &description);

// A question with two answers, e.g. before closing stops a running operation: true when the
// person chose `yes`. Like messageBox, the handler decides how it is asked: the window installs a
// real box (`no` is the default and the Esc answer), tests record and answer, and without either
// the answer is yes.
using QuestionHandler = std::function<bool(const QString &text, const QString &title, const QString &yes,
                                           const QString &no)>;
bool askQuestion(const QString &text, const QString &title, const QString &yes, const QString &no);
QuestionHandler setQuestionHandler(QuestionHandler handler);

// Description of any exception: tarnwell::Error's own text, else what() decoded as UTF-8.
QString describe(const std::exception &e);

// Runs f; any exception it throws ends it and shows the error dialog. Returns true when f ran
// to its end. This is the error trap of the handlers that act on the port. A lost device ends
// f quietly: it has been reported already.
template <typename F>
bool trapErrors(F &&f)
{
    try {
        f();
        return true;
    } catch (const PortLostError &) {
        // Reported once already, by the serial control's lost signal.
    } catch (const std::exception &e) {
        errorDialog(describe(e));
    } catch (...) {
        errorDialog(QStringLiteral("未知错误"));
    }
    return false;
}

} // namespace tarnwell

#pragma once

#include "console/error.h"

#include <QString>
#include <exception>
#include <functional>

namespace tarnwell {

// Every message box of the program goes through messageBox(), so that tests can see and answer
// them. A box has a single OK button, no icon and is modal; an empty title shows the application
// title.
using MessageBoxHandler = std::function<void(const QString &text, const QString &title)>;

void messageBox(const QString &text, const QString &title = QString());

// Replaces the function that shows message boxes; returns the previous one. An empty handler
// restores the default (a real QMessageBox).
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// The error dialog of the trapping handlers: the description followed by the fixed suffix,
// under the fixed title.
QString errorDialogText(const QString &description);
inline constexpr char kErrorDialogTitle[] = "出错喽";
void errorDialog(const QString &description);

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

#include "console/messagebox.h"

#include "console/error.h"
#include "tarnwell_version.h"

#include <QApplication>
#include <QMessageBox>

namespace tarnwell {

namespace {

void showRealMessageBox(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

MessageBoxHandler &currentHandler()
{
    static MessageBoxHandler handler = showRealMessageBox;
    return handler;
}

} // namespace

void messageBox(const QString &text, const QString &title)
{
    // Copy: the handler may replace itself while the box is open.
    const MessageBoxHandler handler = currentHandler();
    handler(text, title.isEmpty() ? QString::fromUtf8(version::kAppTitle) : title);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = currentHandler();
    currentHandler() = handler ? std::move(handler) : MessageBoxHandler(showRealMessageBox);
    return previous;
}

QString errorDialogText(const QString &description)
{
    return description + QStringLiteral(",请联系Dervik!");
}

void errorDialog(const QString &description)
{
    messageBox(errorDialogText(description), QString::fromUtf8(kErrorDialogTitle));
}

QString describe(const std::exception &e)
{
    if (const auto *err = dynamic_cast<const Error *>(&e))
        return err->description();
    return QString::fromUtf8(e.what());
}

} // namespace tarnwell

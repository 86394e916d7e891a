#include "base/usermessages.h"

#include "base/appdirs.h"
#include "base/error.h"
#include "tarnwell_version.h"

#include <cstdio>
#include <utility>

namespace tarnwell {

namespace {

void printMessage(const QString &text, const QString &title)
{
    std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(), text.toLocal8Bit().constData());
}

MessageBoxHandler &currentHandler()
{
    static MessageBoxHandler handler = printMessage;
    return handler;
}

void printNotice(const QString &text, const QString &title)
{
    if (!text.isEmpty()) // closing one that was printed: nothing to do
        printMessage(text, title);
}

MessageBoxHandler &noticeHandler()
{
    static MessageBoxHandler handler = printNotice;
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
    currentHandler() = handler ? std::move(handler) : MessageBoxHandler(printMessage);
    return previous;
}

void notice(const QString &text, const QString &title)
{
    const MessageBoxHandler handler = noticeHandler();
    handler(text, title.isEmpty() ? QString::fromUtf8(version::kAppTitle) : title);
}

MessageBoxHandler setNoticeHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = noticeHandler();
    noticeHandler() = handler ? std::move(handler) : MessageBoxHandler(printNotice);
    return previous;
}

QString errorDialogText(const QString &description)
{
    const bool ended = !description.isEmpty() && QStringLiteral("。！？.!?").contains(description.back());
    return description + (ended ? QString() : QStringLiteral("。"))
           + QStringLiteral("会话日志在 %1(终端右键菜单“打开日志文件夹”)").arg(sessionLogDirectory());
}

void errorDialog(const QString &description)
{
    messageBox(errorDialogText(description), QString::fromUtf8(kErrorDialogTitle));
}

namespace {

QuestionHandler &currentQuestionHandler()
{
    static QuestionHandler handler;
    return handler;
}

} // namespace

bool askQuestion(const QString &text, const QString &title, const QString &yes, const QString &no)
{
    const QuestionHandler handler = currentQuestionHandler();
    if (!handler) {
        printMessage(text, title);
        return true;
    }
    return handler(text, title, yes, no);
}

QuestionHandler setQuestionHandler(QuestionHandler handler)
{
    return std::exchange(currentQuestionHandler(), std::move(handler));
}

QString describe(const std::exception &e)
{
    if (const auto *err = dynamic_cast<const Error *>(&e))
        return err->description();
    return QString::fromUtf8(e.what());
}

} // namespace tarnwell

#include "scripts/commandscripts.h"

#include "console/messagebox.h"
#include "console/serialcontrol.h"
#include "scripts/delay.h"
#include "scripts/switchmodel.h"


#include <algorithm>

namespace tarnwell {

namespace {

constexpr qint32 kNoPause = -1;
constexpr qint32 kStep = 500;
constexpr qint32 kPassword = 1000;
// After the last line of a port script: the switch's answer to it comes in meanwhile.
constexpr qint32 kSettle = 500;

QString withReply(const QString &message, const std::shared_ptr<ReplyCollector> &reply)
{
    return messageWithReply(message, readSwitchReply(reply->text()));
}

} // namespace

CommandScripts::CommandScripts(SerialControl &serial, ScriptInputs &inputs)
    : m_serial(serial), m_inputs(inputs)
{
}

CommandScripts::~CommandScripts()
{
    m_cancel.cancel();
}

void CommandScripts::received(const QString &text)
{
    const qsizetype end = std::max(text.lastIndexOf(u'\r'), text.lastIndexOf(u'\n'));
    m_openLine = end < 0 ? m_openLine + text : text.mid(end + 1);
    if (m_openLine.size() > 256)
        m_openLine = m_openLine.right(256);
    std::erase_if(m_collectors, [&](const std::weak_ptr<ReplyCollector> &weak) {
        const std::shared_ptr<ReplyCollector> c = weak.lock();
        if (c)
            c->add(text);
        return !c;
    });
}

std::shared_ptr<ReplyCollector> CommandScripts::collect()
{
    auto collector = std::make_shared<ReplyCollector>();
    collector->add(m_openLine);
    m_collectors.push_back(collector);
    return collector;
}

bool CommandScripts::isPortNumber(const QString &text)
{
    if (text.isEmpty() || text.size() > 3)
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    const int n = text.toInt();
    return n >= 1 && n <= 48;
}

bool CommandScripts::send(const QString &text, qint32 pauseMs, const CancelToken &token)
{
    m_serial.output(text + QLatin1Char('\r'));
    if (pauseMs != kNoPause)
        Delay(pauseMs);
    return !token.cancelled();
}

bool CommandScripts::loginSteps(qint32 passwordPause, const CancelToken &token)
{
    struct Step {
        ScriptBox box;
        const char *prefix;
        qint32 pause;
    };
    const Step steps[] = {
        {ScriptBox::ManageIP, "tel ", kStep},
        {ScriptBox::UserName, "", kStep},
        {ScriptBox::UserPassword, "", passwordPause},
        {ScriptBox::SuperName, "", kStep},
        {ScriptBox::SuperPassword, "", passwordPause},
    };
    for (const Step &step : steps) {
        const QString text = box(step.box);
        if (text.isEmpty())
            continue;
        if (!send(QLatin1String(step.prefix) + text, step.pause, token))
            return false;
    }
    return true;
}

void CommandScripts::login()
{
    const CancelToken token = m_cancel;
    if (token.cancelled())
        return;
    const auto reply = collect();
    if (!loginSteps(kPassword, token))
        return;
    messageBox(withReply(QStringLiteral("登录完毕，注意此功能需要在>状态下使用！"), reply));
}

void CommandScripts::bind()
{
    portScript(PortScript::Bind);
}

void CommandScripts::unbind()
{
    portScript(PortScript::Unbind);
}

void CommandScripts::portScript(PortScript kind)
{
    const CancelToken token = m_cancel;
    if (token.cancelled())
        return;
    const bool bind = kind == PortScript::Bind;

    if (!isPortNumber(box(ScriptBox::PortNum))) {
        messageBox(QStringLiteral("请先输入正确端口号！"));
        return;
    }
    const auto reply = collect();
    if (!loginSteps(bind ? kPassword : kStep, token))
        return;

    const QString model = m_inputs.switchModel();
    const QString refusedTitle = QStringLiteral("无法操作");
    if (model == model5500()) {
        messageBox(QStringLiteral("5500好多光口，绑定方法学习中"), refusedTitle);
        return;
    }
    if (model == model9512()) {
        messageBox(QStringLiteral("9512好多光口，绑定方法学习中"), refusedTitle);
        return;
    }
    if (model != model3100() && model != model3600()) {
        messageBox(QStringLiteral("不晓得是什么交换机！问交换机管理员吧。"), refusedTitle);
        return;
    }
    const bool is3100 = model == model3100();
    const QString undo = bind ? QString() : QStringLiteral("undo ");

    if (!send(QStringLiteral("sys"), kStep, token))
        return;
    if (!send(QStringLiteral("int eth 1/0/") + box(ScriptBox::PortNum), kStep, token))
        return;
    if (!send(bind ? QStringLiteral("undo shut") : QStringLiteral("shut"), kStep, token))
        return;
    if (!send(undo + QStringLiteral("port acc vlan ") + box(ScriptBox::Vlan), kStep, token))
        return;
    // Both boxes of the last line are read as it is sent.
    const QString last = is3100
        ? undo + QStringLiteral("mac-addr static ") + box(ScriptBox::Mac) + QStringLiteral(" vlan ")
            + box(ScriptBox::Vlan)
        : undo + QStringLiteral("am user-bind mac-addr ") + box(ScriptBox::Mac)
            + QStringLiteral(" ip-addr ") + box(ScriptBox::IP);
    if (!send(last, m_watching ? kSettle : kNoPause, token))
        return;
    messageBox(withReply(QStringLiteral("操作完毕！"), reply));
}

void CommandScripts::save()
{
    const CancelToken token = m_cancel;
    if (token.cancelled())
        return;
    const auto reply = collect();
    if (!send(QStringLiteral("save"), kStep, token) || !send(QStringLiteral("y "), kStep, token)
        || !send(QString(), kStep, token))
        return;
    messageBox(withReply(QStringLiteral("保存大概需要5-10秒，为保险起见，请完毕后列举绑定信息检查！"), reply));
    // The window may have closed while the box was open.
    if (token.cancelled())
        return;
    m_inputs.clearInputLine();
}

void CommandScripts::reboot()
{
    const CancelToken token = m_cancel;
    if (token.cancelled())
        return;
    const auto reply = collect();
    if (!send(QStringLiteral("sys"), kStep, token) || !send(QStringLiteral("reboot "), kStep, token))
        return;
    messageBox(withReply(QStringLiteral("重启大概需要5-10秒，需要在登录进交换机的前提下进行。"), reply));
    if (token.cancelled())
        return;
    m_inputs.clearInputLine();
}

} // namespace tarnwell

#include "scripts/commandscripts.h"

#include "console/serialcontrol.h"
#include "console/usermessages.h"
#include "scripts/bindvalues.h"
#include "scripts/delay.h"
#include "scripts/switchmodel.h"

#include <QRegularExpression>

#include <algorithm>

namespace tarnwell {

namespace {

constexpr qint32 kNoPause = -1;
constexpr qint32 kStep = 500;
constexpr qint32 kPassword = 1000;
// After the last line of a port script: the switch's answer to it comes in meanwhile.
constexpr qint32 kSettle = 500;
// Beyond a line's pause, the longest wait for an answer the switch has begun (a telnet hop).
constexpr qint32 kSlowAnswer = 3000;
// The longest wait for the outcome of a save.
constexpr qint32 kSaveOutcome = 60000;
// Those waits look at what came in this often.
constexpr qint32 kPoll = 50;
const QString kHidden = QStringLiteral("******");

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

// One line of a script; its text is read from the boxes as it is sent.
struct CommandScripts::Line {
    std::function<QString()> text;
    qint32 pause = kStep;
    bool secret = false;   // a password box: sent with outputSecret, shown as ******
    bool optional = false; // a login step: skipped when its box is empty
    qint32 patience = kSlowAnswer;
};

// What one script run holds while it runs.
struct CommandScripts::Run {
    Run(CancelToken t, OperationGate::Ticket &&k, std::shared_ptr<ReplyCollector> r)
        : token(std::move(t)), ticket(std::move(k)), reply(std::move(r))
    {
    }

    CancelToken token;
    OperationGate::Ticket ticket;
    std::shared_ptr<ReplyCollector> reply;
    qsizetype lineStart = 0;  // start of the received line the last sent line was typed on
    qsizetype sentAt = 0;     // reply->text() at the moment the last line was sent
    QString first;            // the first line of the closing message
    QString lastSent;         // the last line sent, a password as ******
    QString notes;            // added to the closing message
    QStringList passwords;    // the password boxes' texts, never shown

    QStringView sinceSent() const { return QStringView(reply->text()).mid(sentAt); }
    // Whether the switch has shown anything: during the run, or the line it was at before.
    bool heard() const { return answerState(reply->text()) != Answer::Silent; }
    // The closing message: the script's own first line, what the switch said, the notes.
    QString message() const
    {
        SwitchReply r = readSwitchReply(reply->text());
        for (SwitchReply::Refusal &refusal : r.refusals)
            if (passwords.contains(refusal.command))
                refusal.command = kHidden;
        return messageWithReply(first, r) + notes;
    }
};

std::optional<CommandScripts::Run> CommandScripts::begin(const QString &name, const QString &first)
{
    if (m_cancel.cancelled())
        return std::nullopt;
    std::optional<OperationGate::Ticket> ticket = m_gate->tryBegin(name);
    if (!ticket)
        return std::nullopt; // another operation is on the wire: the click is ignored
    ticket->setOutcome(QStringLiteral("出错"));
    Run run(m_cancel, std::move(*ticket), collect());
    run.first = first;
    for (ScriptBox b : {ScriptBox::UserPassword, ScriptBox::SuperPassword})
        if (!box(b).isEmpty())
            run.passwords << box(b);
    return run;
}

std::vector<CommandScripts::Line> CommandScripts::loginLines(qint32 passwordPause)
{
    const auto boxText = [this](ScriptBox b, const char *prefix = "") {
        return [this, b, prefix] {
            const QString text = box(b);
            return text.isEmpty() ? text : QLatin1String(prefix) + text;
        };
    };
    return {
        {boxText(ScriptBox::ManageIP, "tel "), kStep, false, true},
        {boxText(ScriptBox::UserName), kStep, false, true},
        {boxText(ScriptBox::UserPassword), passwordPause, true, true},
        {boxText(ScriptBox::SuperName), kStep, false, true},
        {boxText(ScriptBox::SuperPassword), passwordPause, true, true},
    };
}

CommandScripts::Step CommandScripts::sendScript(Run &run, const std::vector<Line> &lines, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i)
        if (const Step step = sendLine(run, lines, i); step != Step::Next)
            return step;
    return Step::Next;
}

CommandScripts::Step CommandScripts::sendLine(Run &run, const std::vector<Line> &lines, size_t i)
{
    const Line &line = lines[i];
    const QString text = line.text();
    if (line.optional && text.isEmpty())
        return Step::Next;
    const QString &all = run.reply->text();
    if (line.secret && run.heard() && !lastShownLine(all).endsWith(u"password:", Qt::CaseInsensitive)) {
        // The switch does not ask for a password: typed now it would be a command.
        if (atCommandPrompt(all)) {
            run.notes = QStringLiteral("\n\n交换机已在命令行，没有要求输入密码，密码没有发送。");
            return Step::Next;
        }
        stop(run, lines, i, QStringLiteral("交换机没有要求输入密码，已停止。"));
        return Step::Stopped;
    }
    run.sentAt = all.size();
    run.lastSent = line.secret ? kHidden : text;
    run.lineStart = std::max(all.lastIndexOf(u'\n'), all.lastIndexOf(u'\r')) + 1;
    if (line.secret)
        m_serial.outputSecret(text, QStringLiteral("\r"));
    else
        m_serial.output(text + QLatin1Char('\r'));
    if (line.pause != kNoPause)
        Delay(line.pause);
    if (run.token.cancelled() || !awaitAnswer(run, line.patience)) {
        run.ticket.setOutcome(QStringLiteral("已停止"));
        return Step::Cancelled;
    }
    if (!readSwitchReply(QStringView(run.reply->text()).mid(run.lineStart)).refusals.isEmpty()) {
        stop(run, lines, i, QString());
        return Step::Stopped;
    }
    return Step::Next;
}

bool CommandScripts::awaitAnswer(Run &run, qint32 ms)
{
    DelayClock &clock = delayClock();
    const quint32 start = clock.tickCount();
    while (answerState(run.sinceSent()) == Answer::Unfinished && m_serial.portOpen()
           && readSwitchReply(QStringView(run.reply->text()).mid(run.lineStart)).refusals.isEmpty()
           && qint64(clock.tickCount() - start) < ms) {
        Delay(kPoll);
        if (run.token.cancelled())
            return false;
    }
    return true;
}

void CommandScripts::stop(Run &run, const std::vector<Line> &lines, size_t i, const QString &why)
{
    const auto shown = [](const Line &line, const QString &text) { return line.secret ? kHidden : text; };
    QString out;
    if (why.isEmpty()) {
        const SwitchReply reply = readSwitchReply(QStringView(run.reply->text()).mid(run.lineStart));
        out = QStringLiteral("\n\n交换机拒绝了这一行：\n") + boundedLine(run.lastSent);
        for (const SwitchReply::Refusal &r : reply.refusals.mid(0, kMaxErrorLines))
            out += u'\n' + boundedLine(r.error);
        if (reply.refusals.size() > kMaxErrorLines)
            out += QStringLiteral("\n……另有%1行报错未列出").arg(reply.refusals.size() - kMaxErrorLines);
        run.ticket.setOutcome(QStringLiteral("被交换机拒绝：") + boundedLine(run.lastSent));
        ++i;
    } else {
        out = u"\n\n"_qs + why;
        run.ticket.setOutcome(why);
    }
    QStringList notSent;
    for (; i < lines.size(); ++i)
        if (const QString text = lines[i].text(); !(lines[i].optional && text.isEmpty()))
            notSent << boundedLine(shown(lines[i], text));
    if (!notSent.isEmpty())
        out += QStringLiteral("\n\n以下各行没有发送：\n") + notSent.join(u'\n');
    const QStringList last = lastShownLines(run.reply->text(), 2);
    if (!why.isEmpty() && !last.isEmpty())
        out += QStringLiteral("\n\n交换机最后显示：\n") + last.join(u'\n');
    messageBox(run.first + out + run.notes);
}

void CommandScripts::login()
{
    std::optional<Run> run = begin(QStringLiteral("登录"), QStringLiteral("登录完毕，注意此功能需要在>状态下使用！"));
    if (!run)
        return;
    const std::vector<Line> lines = loginLines(kPassword);
    if (sendScript(*run, lines, 0, lines.size()) != Step::Next)
        return;
    QString message = run->message();
    // No prompt came after the last step: say what the switch shows instead (a telnet still
    // trying, a login question).
    if (run->heard() && !atCommandPrompt(run->reply->text()))
        message += QStringLiteral("\n\n交换机最后显示：\n") + lastShownLines(run->reply->text(), 2).join(u'\n');
    run->ticket.setOutcome(QStringLiteral("完成"));
    messageBox(message);
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
    const bool bind = kind == PortScript::Bind;
    std::optional<Run> run = begin(bind ? QStringLiteral("绑定") : QStringLiteral("解除绑定"),
                                   QStringLiteral("操作完毕！"));
    if (!run)
        return;
    // Every value is checked before the first line; the IP only matters to a 3600.
    const auto problem = [this] {
        return bindvalues::problem(box(ScriptBox::PortNum), box(ScriptBox::Vlan), box(ScriptBox::Mac),
                                   box(ScriptBox::IP), m_inputs.switchModel() == SwitchModel::S3600);
    };
    if (const QString p = problem(); !p.isEmpty()) {
        run->ticket.setOutcome(QStringLiteral("没有发送：") + p);
        messageBox(p);
        return;
    }
    const QString undo = bind ? QString() : QStringLiteral("undo ");
    const auto mac = [this] { return bindvalues::switchMac(box(ScriptBox::Mac)); };
    std::vector<Line> lines = loginLines(bind ? kPassword : kStep);
    const size_t portLines = lines.size();
    lines.push_back({[] { return QStringLiteral("sys"); }});
    lines.push_back({[this] { return QStringLiteral("int eth 1/0/") + box(ScriptBox::PortNum); }});
    lines.push_back({[bind] { return bind ? QStringLiteral("undo shut") : QStringLiteral("shut"); }});
    lines.push_back({[this, undo] { return undo + QStringLiteral("port acc vlan ") + box(ScriptBox::Vlan); }});
    // Both boxes of the last line are read as it is sent.
    lines.push_back({[this, undo, mac] {
                         return m_inputs.switchModel() == SwitchModel::S3600
                                    ? undo + QStringLiteral("am user-bind mac-addr ") + mac() + QStringLiteral(" ip-addr ")
                                          + box(ScriptBox::IP)
                                    : undo + QStringLiteral("mac-addr static ") + mac() + QStringLiteral(" vlan ")
                                          + box(ScriptBox::Vlan);
                     },
                     m_watching ? kSettle : kNoPause});
    if (sendScript(*run, lines, 0, portLines) != Step::Next)
        return;

    const SwitchModel model = m_inputs.switchModel();
    const QString refusedTitle = QStringLiteral("无法操作");
    const auto refuse = [&](const QString &text) {
        run->ticket.setOutcome(QStringLiteral("没有发送：") + text);
        messageBox(text, refusedTitle);
    };
    if (model == SwitchModel::S5500)
        return refuse(QStringLiteral("5500好多光口，绑定方法学习中"));
    if (model == SwitchModel::S9512)
        return refuse(QStringLiteral("9512好多光口，绑定方法学习中"));
    if (model != SwitchModel::S3100 && model != SwitchModel::S3600)
        return refuse(QStringLiteral("不晓得是什么交换机！问交换机管理员吧。"));
    // The model learnt during the login may want the IP; the values may have changed meanwhile.
    if (const QString p = problem(); !p.isEmpty()) {
        run->ticket.setOutcome(QStringLiteral("没有发送：") + p);
        messageBox(p);
        return;
    }
    if (sendScript(*run, lines, portLines, lines.size()) != Step::Next)
        return;
    run->ticket.setOutcome(QStringLiteral("完成"));
    messageBox(run->message());
}

void CommandScripts::save()
{
    std::optional<Run> run = begin(QStringLiteral("保存"),
                                   QStringLiteral("保存大概需要5-10秒，为保险起见，请完毕后列举绑定信息检查！"));
    if (!run)
        return;
    std::vector<Line> lines{{[] { return QStringLiteral("save"); }}, {[] { return QStringLiteral("y "); }},
                            {[] { return QString(); }}};
    // The last answer is the save itself: wait for its outcome.
    lines.back().patience = kSaveOutcome;
    if (sendScript(*run, lines, 0, lines.size()) != Step::Next)
        return;
    QString message = run->message();
    run->ticket.setOutcome(QStringLiteral("完成"));
    if (run->heard()) {
        const QString answer = run->reply->text().mid(run->sentAt);
        static const QRegularExpression success(QStringLiteral("success"), QRegularExpression::CaseInsensitiveOption);
        QString outcome;
        for (const QString &line : lastShownLines(answer, 8))
            if (line.contains(success))
                outcome = line;
        if (outcome.isEmpty())
            run->ticket.setOutcome(QStringLiteral("未见保存结果"));
        if (!outcome.isEmpty())
            message += QStringLiteral("\n\n交换机报告：\n") + outcome;
        else if (!m_serial.portOpen())
            message += QStringLiteral("\n\n端口已关闭，没有等到保存的结果。");
        else if (answerState(answer) == Answer::Unfinished)
            message += QStringLiteral("\n\n等了60秒，交换机还没有报告保存的结果。");
        else
            message += QStringLiteral("\n\n交换机没有报告保存成功，最后显示：\n") + lastShownLines(answer, 2).join(u'\n');
    }
    messageBox(message);
    // The window may have closed while the box was open.
    if (run->token.cancelled())
        return;
    m_inputs.clearInputLine();
}

void CommandScripts::reboot()
{
    std::optional<Run> run = begin(QStringLiteral("重启"), QStringLiteral("重启大概需要5-10秒，需要在登录进交换机的前提下进行。"));
    if (!run)
        return;
    const std::vector<Line> lines{{[] { return QStringLiteral("sys"); }}, {[] { return QStringLiteral("reboot "); }}};
    if (sendScript(*run, lines, 0, lines.size()) != Step::Next)
        return;
    run->ticket.setOutcome(QStringLiteral("完成"));
    messageBox(run->message());
    if (run->token.cancelled())
        return;
    m_inputs.clearInputLine();
}

} // namespace tarnwell

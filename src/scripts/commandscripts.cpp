#include "scripts/commandscripts.h"

#include "terminal/charcells.h"
#include "serial/serialcontrol.h"
#include "base/usermessages.h"
#include "switch/bindvalues.h"
#include "engine/clock.h"
#include "switch/switchmodel.h"

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
// Received text kept to tell where the switch stands when a script begins.
constexpr qsizetype kRecent = 4096;

// A key as it is shown in messages and the operation's record: Ctrl+Z as ^Z.
QString caretNotation(const QString &key)
{
    QString out;
    for (QChar c : key)
        out += charcells::isControl(c.unicode()) ? QStringLiteral("^") + QChar(charcells::caretOf(c.unicode())) : QString(c);
    return out;
}

} // namespace

CommandScripts::CommandScripts(SerialControl &serial, ScriptInputs &inputs, OperationEngine &engine)
    : m_serial(serial), m_inputs(inputs), m_engine(engine)
{
}

void CommandScripts::received(const QString &text)
{
    const qsizetype end = std::max(text.lastIndexOf(u'\r'), text.lastIndexOf(u'\n'));
    m_openLine = end < 0 ? m_openLine + text : text.mid(end + 1);
    if (m_openLine.size() > 256)
        m_openLine = m_openLine.right(256);
    m_recent += text;
    if (m_recent.size() > 2 * kRecent)
        m_recent = m_recent.right(kRecent);
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
    LineKind kind = LineKind::Command;
    bool optional = false; // a login step: skipped when its box is empty
    qint32 patience = kSlowAnswer;
    bool outcomeFrom = false; // the script's outcome is what the switch says from this line on

    bool secret() const { return kind == LineKind::Password; }
};

// What one script run holds while it runs.
struct CommandScripts::Run {
    std::shared_ptr<ReplyCollector> reply;
    std::optional<OperationEnd> end; // set where the script stops
    QString name;             // the script's name: 登录, 绑定 ...
    QString context;          // what the switch showed before the run, up to its open line
    qsizetype lineStart = 0;  // start of the received line the last sent line was typed on
    qsizetype sentAt = 0;     // reply->text() at the moment the last line was sent
    qsizetype outcomeAt = -1; // reply->text() at the line the outcome is read from
    QString first;            // the first line of the closing message
    QString lastSent;         // the last line sent, a password as ******
    QStringList accepted;     // lines the switch took without refusing, passwords as ******
    QStringList notes;        // added to the closing message
    QStringList passwords;    // the password boxes' texts, never shown
    QString telnetTo;         // the address a "tel" line of this run went to
    bool skipLogin = false;   // the switch 管理IP leads to is reached already
    QString erased;           // the text typed on the switch's line that the run erased first
    bool loggedIn = false;    // the user name was not asked for: the switch is at its command line
    QString refusal;          // where a refusal stopped the run: the line and the switch's words

    QStringView sinceSent() const { return QStringView(reply->text()).mid(sentAt); }
    QString shownText() const { return context + reply->text().right(16384); }
    LineState state() const
    {
        const QString text = shownText();
        const LineState s = lineState(text);
        // Before the echo of the erase is in, the prompt still shows the text being erased.
        if (s == LineState::Other && !erased.isEmpty()) {
            const QString line = drawnLine(lastShownLine(text));
            if (line.endsWith(erased.trimmed()))
                return lineState(line.chopped(erased.trimmed().size()));
        }
        return s;
    }
    QString lastShown() const { return lastShownLine(shownText()); }
    // Whether the switch has shown anything: before the run or during it.
    bool heard() const { return state() != LineState::Nothing; }
    QString notesText() const
    {
        QString out;
        for (const QString &n : notes)
            out += QStringLiteral("\n\n") + n;
        return out;
    }
    // The closing message: the script's own first line, what the switch said, the notes.
    QString message() const
    {
        SwitchReply r = readSwitchReply(reply->text());
        for (SwitchReply::Refusal &refusal : r.refusals)
            if (passwords.contains(refusal.command))
                refusal.command = kHidden;
        return messageWithReply(first, r) + notesText();
    }
    void note(const QString &text)
    {
        if (!text.isEmpty() && !notes.contains(text))
            notes << text;
    }
};

CommandScripts::Run CommandScripts::begin(const QString &name, const QString &first)
{
    Run run;
    run.reply = collect();
    run.name = name;
    run.first = first;
    run.context = m_recent.left(std::max(m_recent.lastIndexOf(u'\r'), m_recent.lastIndexOf(u'\n')) + 1);
    for (ScriptBox b : {ScriptBox::UserPassword, ScriptBox::SuperPassword})
        if (!box(b).isEmpty())
            run.passwords << box(b);
    return run;
}

void CommandScripts::eraseTypedText(Run &run)
{
    const QString typed = typedAfterPrompt(m_openLine);
    if (typed.isEmpty())
        return;
    m_serial.output(QString(typed.size(), u'\b'));
    run.erased = typed;
    m_engine.noteSent(QStringLiteral("（擦除行上已输入的“%1”）").arg(boundedLine(typed)));
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
        {boxText(ScriptBox::ManageIP, "tel "), kStep, LineKind::Telnet, true},
        {boxText(ScriptBox::UserName), kStep, LineKind::UserName, true},
        {boxText(ScriptBox::UserPassword), passwordPause, LineKind::Password, true},
        {boxText(ScriptBox::SuperName), kStep, LineKind::Super, true},
        {boxText(ScriptBox::SuperPassword), passwordPause, LineKind::Password, true},
    };
}

CommandScripts::Verdict CommandScripts::verdict(Run &run, const Line &line, const QString &text)
{
    using V = Verdict;
    if (line.kind == LineKind::Command || line.kind == LineKind::Key)
        return {};
    if (run.skipLogin)
        return {V::Skip, QString()};
    if (!run.heard())
        return {}; // a switch that says nothing gets every line, blind
    const LineState where = run.state();
    const bool commandLine = where == LineState::UserView || where == LineState::SystemView;
    switch (line.kind) {
    case LineKind::Telnet: {
        const QString address = box(ScriptBox::ManageIP);
        const auto reached = m_reached.find(address);
        if (commandLine && reached != m_reached.end() && promptOfSwitch(run.lastShown(), reached->second)) {
            run.skipLogin = true;
            return {V::Skip, QStringLiteral("交换机已在 %1（%2）的命令行，登录的各行没有再发送。").arg(reached->second, address)};
        }
        if (where == LineState::UserView)
            return {};
        if (where == LineState::UserNameAsked || where == LineState::PasswordAsked)
            return {V::Skip, QString()}; // a login is under way: it goes on from the user name
        if (where == LineState::SystemView)
            return {V::Stop, QStringLiteral("交换机不在用户视图，telnet 只能在 <…> 提示符下使用，%1 没有发送。"
                                            "请先输入 return 回到用户视图。").arg(text)};
        return {V::Stop, QStringLiteral("交换机没有停在命令行提示符，%1 没有发送。").arg(text)};
    }
    case LineKind::UserName:
        if (where == LineState::UserNameAsked)
            return {};
        if (commandLine) {
            run.loggedIn = true;
            return {V::Skip, QStringLiteral("交换机已在命令行，没有要求登录，用户名和密码没有发送。")};
        }
        if (where == LineState::PasswordAsked)
            return {V::Skip, QString()};
        return {V::Stop, QStringLiteral("交换机没有要求输入用户名，已停止。")};
    case LineKind::Password:
        if (where == LineState::PasswordAsked)
            return {};
        // Typed now it would be a command.
        if (commandLine)
            return {V::Skip, run.loggedIn ? QString() : QStringLiteral("交换机已在命令行，没有要求输入密码，密码没有发送。")};
        return {V::Stop, QStringLiteral("交换机没有要求输入密码，已停止。")};
    case LineKind::Super:
        if (where == LineState::UserView)
            return {};
        if (where == LineState::SystemView)
            return {V::Skip, QStringLiteral("交换机已在系统视图，%1 没有发送。").arg(text)};
        return {V::Stop, QStringLiteral("交换机不在用户视图（<…>），%1 没有发送。").arg(text)};
    case LineKind::Command:
    case LineKind::Key:
        break;
    }
    return {};
}

Task<CommandScripts::Step> CommandScripts::sendScript(Run &run, const std::vector<Line> &lines, size_t from,
                                                      size_t to)
{
    for (size_t i = from; i < to; ++i)
        if (const Step step = co_await sendLine(run, lines, i); step != Step::Next)
            co_return step;
    co_return Step::Next;
}

Task<CommandScripts::Step> CommandScripts::sendLine(Run &run, const std::vector<Line> &lines, size_t i)
{
    const Line &line = lines[i];
    const QString text = line.text();
    if (line.optional && text.isEmpty())
        co_return Step::Next;
    const Verdict v = verdict(run, line, text);
    if (v.action == Verdict::Skip) {
        run.note(v.why);
        co_return Step::Next;
    }
    if (v.action == Verdict::Stop) {
        stop(run, lines, i, v.why);
        co_return Step::Stopped;
    }
    const QString &all = run.reply->text();
    run.sentAt = all.size();
    if (line.outcomeFrom)
        run.outcomeAt = run.sentAt;
    run.lastSent = line.secret() ? kHidden : line.kind == LineKind::Key ? caretNotation(text) : text;
    run.lineStart = std::max(all.lastIndexOf(u'\n'), all.lastIndexOf(u'\r')) + 1;
    if (line.secret())
        m_serial.outputSecret(text, QStringLiteral("\r"));
    else if (line.kind == LineKind::Key)
        m_serial.output(text);
    else
        m_serial.output(text + QLatin1Char('\r'));
    m_engine.noteSent(run.lastSent);
    if (line.kind == LineKind::Telnet)
        run.telnetTo = box(ScriptBox::ManageIP);
    if (line.pause != kNoPause)
        co_await pause(line.pause);
    co_await awaitAnswer(run, line.patience);
    if (!readSwitchReply(QStringView(run.reply->text()).mid(run.lineStart)).refusals.isEmpty()) {
        // Quote the refusal whole: its line end or the prompt after it comes shortly.
        co_await awaitWholeRefusal(run);
        stop(run, lines, i, QString());
        co_return Step::Stopped;
    }
    run.accepted << run.lastSent;
    co_return Step::Next;
}

Task<void> CommandScripts::awaitAnswer(Run &run, qint32 ms)
{
    DelayClock &clock = delayClock();
    const quint32 start = clock.tickCount();
    while (answerState(run.sinceSent()) == Answer::Unfinished && m_serial.portOpen()
           && readSwitchReply(QStringView(run.reply->text()).mid(run.lineStart)).refusals.isEmpty()
           && qint64(clock.tickCount() - start) < ms)
        co_await pause(kPoll);
}

Task<void> CommandScripts::awaitWholeRefusal(Run &run)
{
    DelayClock &clock = delayClock();
    const quint32 start = clock.tickCount();
    while (refusalUnfinished(run.sinceSent()) && m_serial.portOpen()
           && qint64(clock.tickCount() - start) < kSlowAnswer)
        co_await pause(kPoll);
}

void CommandScripts::noteReached(const Run &run)
{
    const LineState where = run.state();
    if (!run.telnetTo.isEmpty() && (where == LineState::UserView || where == LineState::SystemView))
        m_reached[run.telnetTo] = promptName(run.lastShown());
}

bool CommandScripts::atCommandLine(Run &run, const std::vector<Line> &lines, size_t i)
{
    const LineState where = run.state();
    if (where == LineState::Nothing || where == LineState::UserView || where == LineState::SystemView)
        return true;
    stop(run, lines, i,
         where == LineState::UserNameAsked   ? QStringLiteral("交换机在等待输入用户名，还没有登录。")
         : where == LineState::PasswordAsked ? QStringLiteral("交换机在等待输入密码，还没有登录。")
                                             : QStringLiteral("交换机没有回到命令行提示符。"));
    return false;
}

void CommandScripts::stop(Run &run, const std::vector<Line> &lines, size_t i, const QString &why)
{
    const auto shown = [](const Line &line, const QString &text) { return line.secret() ? kHidden : text; };
    QString head, out;
    if (why.isEmpty()) {
        const SwitchReply reply = readSwitchReply(QStringView(run.reply->text()).mid(run.lineStart));
        head = QStringLiteral("%1没有完成：交换机拒绝了 %2").arg(run.name, boundedLine(run.lastSent));
        out = QStringLiteral("\n\n交换机的回答：");
        QStringList words;
        for (const SwitchReply::Refusal &r : reply.refusals.mid(0, kMaxErrorLines))
            words << boundedLine(r.error);
        out += u'\n' + words.join(u'\n');
        run.refusal = boundedLine(run.lastSent) + QStringLiteral("：") + words.join(QStringLiteral(" "));
        if (reply.refusals.size() > kMaxErrorLines)
            out += QStringLiteral("\n……另有%1行报错未列出").arg(reply.refusals.size() - kMaxErrorLines);
        run.end = OperationEnd{QString(), QString(), QStringLiteral("被交换机拒绝：") + boundedLine(run.lastSent)};
        ++i;
    } else {
        head = run.name + QStringLiteral("没有完成：") + why;
        run.end = OperationEnd{QString(), QString(), why};
    }
    if (!run.accepted.isEmpty()) {
        out += QStringLiteral("\n\n交换机已接受（已生效）：\n") + run.accepted.join(u'\n');
        if (run.accepted.contains(u"undo shut"_qs))
            out += QStringLiteral("\n端口现在已开启（undo shut），但还没有绑定。");
        else if (run.accepted.contains(u"shut"_qs))
            out += QStringLiteral("\n端口现在已关闭（shut），但绑定还没有解除。");
    }
    QStringList notSent;
    for (; i < lines.size(); ++i)
        if (const QString text = lines[i].text(); !(lines[i].optional && text.isEmpty()))
            notSent << boundedLine(lines[i].kind == LineKind::Key ? caretNotation(text) : shown(lines[i], text));
    if (!notSent.isEmpty())
        out += QStringLiteral("\n\n以下各行没有发送：\n") + notSent.join(u'\n');
    const QStringList last = lastShownLines(run.shownText(), 2);
    if (!why.isEmpty() && !last.isEmpty())
        out += QStringLiteral("\n\n交换机最后显示：\n") + last.join(u'\n');
    run.end->message = head + out + run.notesText();
}

void CommandScripts::login()
{
    start(QStringLiteral("登录"), loginSteps(QStringLiteral("登录")));
}

Operation CommandScripts::loginSteps(QString name)
{
    Run run = begin(name, QStringLiteral("登录完毕，注意此功能需要在>状态下使用！"));
    eraseTypedText(run);
    const std::vector<Line> lines = loginLines(kPassword);
    if (co_await sendScript(run, lines, 0, lines.size()) != Step::Next)
        co_return *run.end;
    noteReached(run);
    // No prompt came after the last step: the login is not through; say what the switch shows.
    const LineState where = run.state();
    if (run.heard() && where != LineState::UserView && where != LineState::SystemView) {
        const QString why = where == LineState::UserNameAsked   ? QStringLiteral("交换机在等待输入用户名。")
                            : where == LineState::PasswordAsked ? QStringLiteral("交换机在等待输入密码。")
                                                                : QStringLiteral("交换机没有回到命令行提示符。");
        co_return OperationEnd{QStringLiteral("登录没有完成：") + why + QStringLiteral("\n\n交换机最后显示：\n")
                                   + lastShownLines(run.shownText(), 2).join(u'\n') + run.notesText(),
                               QString(), QStringLiteral("未完成：") + why};
    }
    co_return OperationEnd{run.message()};
}

void CommandScripts::bind()
{
    start(QStringLiteral("绑定"), portSteps(QStringLiteral("绑定"), PortScript::Bind));
}

void CommandScripts::unbind()
{
    start(QStringLiteral("解除绑定"), portSteps(QStringLiteral("解除绑定"), PortScript::Unbind));
}

CommandScripts::PortValues CommandScripts::boxValues() const
{
    return {box(ScriptBox::PortNum), box(ScriptBox::Vlan), box(ScriptBox::Mac), box(ScriptBox::IP)};
}

std::vector<CommandScripts::Line> CommandScripts::portLines(bool bind, std::function<PortValues()> values) const
{
    const QString undo = bind ? QString() : QStringLiteral("undo ");
    std::vector<Line> lines;
    lines.push_back({[] { return QStringLiteral("sys"); }});
    lines.push_back({[values] { return QStringLiteral("int eth 1/0/") + values().port; }});
    lines.push_back({[bind] { return bind ? QStringLiteral("undo shut") : QStringLiteral("shut"); }});
    lines.push_back({[values, undo] { return undo + QStringLiteral("port acc vlan ") + values().vlan; }});
    // The values of the last line are read as it is sent.
    lines.push_back({[this, values, undo] {
                         const PortValues v = values();
                         const QString mac = bindvalues::switchMac(v.mac);
                         return m_inputs.switchModel() == SwitchModel::S3600
                                    ? undo + QStringLiteral("am user-bind mac-addr ") + mac + QStringLiteral(" ip-addr ") + v.ip
                                    : undo + QStringLiteral("mac-addr static ") + mac + QStringLiteral(" vlan ") + v.vlan;
                     },
                     m_watching ? kSettle : kNoPause});
    return lines;
}

std::optional<OperationEnd> CommandScripts::modelRefusal(SwitchModel model)
{
    const auto refuse = [](const QString &text) {
        return OperationEnd{text, QStringLiteral("无法操作"), QStringLiteral("没有发送：") + text};
    };
    if (model == SwitchModel::S5500)
        return refuse(QStringLiteral("5500好多光口，绑定方法学习中"));
    if (model == SwitchModel::S9512)
        return refuse(QStringLiteral("9512好多光口，绑定方法学习中"));
    if (model != SwitchModel::S3100 && model != SwitchModel::S3600)
        return refuse(QStringLiteral("不晓得是什么交换机！问交换机管理员吧。"));
    return std::nullopt;
}

Operation CommandScripts::portSteps(QString name, PortScript kind)
{
    const bool bind = kind == PortScript::Bind;
    Run run = begin(name, QStringLiteral("操作完毕！"));
    // Every value is checked before the first line; the IP only matters to a 3600.
    const auto problem = [this] {
        const PortValues v = boxValues();
        return bindvalues::problem(v.port, v.vlan, v.mac, v.ip, m_inputs.switchModel() == SwitchModel::S3600);
    };
    if (const QString p = problem(); !p.isEmpty())
        co_return OperationEnd{p, QString(), QStringLiteral("没有发送：") + p};
    eraseTypedText(run);
    std::vector<Line> lines = loginLines(bind ? kPassword : kStep);
    const size_t portStart = lines.size();
    for (Line &line : portLines(bind, [this] { return boxValues(); }))
        lines.push_back(std::move(line));
    if (co_await sendScript(run, lines, 0, portStart) != Step::Next)
        co_return *run.end;
    noteReached(run);

    if (const auto refusal = modelRefusal(m_inputs.switchModel()))
        co_return *refusal;
    // The model learnt during the login may want the IP; the values may have changed meanwhile.
    if (const QString p = problem(); !p.isEmpty())
        co_return OperationEnd{p, QString(), QStringLiteral("没有发送：") + p};
    // A login still asking would take the port lines for a user name and a password.
    if (!atCommandLine(run, lines, portStart))
        co_return *run.end;
    if (co_await sendScript(run, lines, portStart, lines.size()) != Step::Next)
        co_return *run.end;
    co_return OperationEnd{run.message()};
}

std::unique_ptr<CommandScripts::PortBatch> CommandScripts::portBatch(const QString &name, bool bind)
{
    return std::unique_ptr<PortBatch>(new PortBatch(*this, name, bind));
}

CommandScripts::PortBatch::PortBatch(CommandScripts &scripts, const QString &name, bool bind)
    : m_scripts(scripts), m_run(std::make_unique<Run>(scripts.begin(name, QString()))), m_bind(bind)
{
}

CommandScripts::PortBatch::~PortBatch() = default;

Task<std::optional<OperationEnd>> CommandScripts::PortBatch::login()
{
    Run &run = *m_run;
    m_scripts.eraseTypedText(run);
    const std::vector<Line> lines = m_scripts.loginLines(m_bind ? kPassword : kStep);
    if (co_await m_scripts.sendScript(run, lines, 0, lines.size()) != Step::Next)
        co_return run.end;
    m_scripts.noteReached(run);
    if (auto refusal = modelRefusal(m_scripts.m_inputs.switchModel()))
        co_return refusal;
    if (!m_scripts.atCommandLine(run, lines, lines.size()))
        co_return run.end;
    co_return std::nullopt;
}

Task<CommandScripts::PortBatch::BlockEnd> CommandScripts::PortBatch::block(const PortValues &values)
{
    Run &run = *m_run;
    run.accepted.clear();
    run.notes.clear();
    run.refusal.clear();
    run.end.reset();
    const std::vector<Line> lines = m_scripts.portLines(m_bind, [values] { return values; });
    BlockEnd end;
    // The model may have changed since the rows were checked (a 3600 wants the IP).
    end.message = bindvalues::problem(values.port, values.vlan, values.mac, values.ip,
                                      m_scripts.m_inputs.switchModel() == SwitchModel::S3600);
    if (!end.message.isEmpty())
        co_return end;
    // A switch that left its command line (a login asking again, a question) takes no port lines.
    if (m_scripts.atCommandLine(run, lines, 0)
        && co_await m_scripts.sendScript(run, lines, 0, lines.size()) == Step::Next) {
        end.done = true;
        co_return end;
    }
    end.refusal = run.refusal;
    end.message = run.end ? run.end->message : QString();
    co_return end;
}

void CommandScripts::save()
{
    start(QStringLiteral("保存"), saveSteps(QStringLiteral("保存")));
}

Operation CommandScripts::saveSteps(QString name)
{
    Run run = begin(name, QStringLiteral("保存大概需要5-10秒，为保险起见，请完毕后列举绑定信息检查！"));
    eraseTypedText(run);
    std::vector<Line> lines{{[] { return QStringLiteral("save"); }}, {[] { return QStringLiteral("y "); }},
                            {[] { return QString(); }}};
    // The outcome is whatever the switch says after "y": a small configuration is saved before
    // the last Enter goes out.
    lines[1].outcomeFrom = true;
    // The last answer may be the save itself: wait for its outcome.
    lines.back().patience = kSaveOutcome;
    if (co_await sendScript(run, lines, 0, lines.size()) != Step::Next)
        co_return *run.end;
    OperationEnd end{run.message()};
    end.clearInputLine = true;
    if (!run.heard())
        co_return end;
    const QStringView answer = QStringView(run.reply->text()).mid(qMax<qsizetype>(0, run.outcomeAt)).right(16384);
    static const QRegularExpression success(QStringLiteral("success"), QRegularExpression::CaseInsensitiveOption);
    QString outcome;
    for (const QString &line : lastShownLines(answer, 64))
        if (line.contains(success))
            outcome = line;
    if (!outcome.isEmpty()) {
        end.message += QStringLiteral("\n\n交换机报告：\n") + outcome;
        co_return end;
    }
    end.outcome = QStringLiteral("未见保存结果");
    if (!m_serial.portOpen())
        end.message = QStringLiteral("保存没有确认：端口已关闭，没有等到保存的结果。");
    else if (answerState(run.sinceSent()) == Answer::Unfinished)
        end.message = QStringLiteral("保存没有确认：等了60秒，交换机还没有报告保存的结果。");
    else
        end.message = QStringLiteral("保存没有确认：交换机没有报告保存成功，最后显示：\n") + lastShownLines(answer, 2).join(u'\n');
    end.message += run.notesText();
    co_return end;
}

void CommandScripts::reboot()
{
    start(QStringLiteral("重启"), rebootSteps(QStringLiteral("重启")));
}

Operation CommandScripts::rebootSteps(QString name)
{
    Run run = begin(name, QStringLiteral("重启大概需要5-10秒，需要在登录进交换机的前提下进行。"));
    eraseTypedText(run);
    // reboot is a user-view command: from any other view Ctrl+Z leads there first.
    const LineState where = run.state();
    std::vector<Line> lines;
    if (where != LineState::UserView)
        lines.push_back({[] { return QStringLiteral("\x1a"); }, kStep, LineKind::Key});
    lines.push_back({[] { return QStringLiteral("reboot "); }});
    if (where == LineState::UserNameAsked || where == LineState::PasswordAsked) {
        stop(run, lines, 0, QStringLiteral("交换机在等待登录，还没有进入命令行。"));
        co_return *run.end;
    }
    if (co_await sendScript(run, lines, 0, lines.size()) != Step::Next)
        co_return *run.end;
    OperationEnd end{run.message()};
    end.clearInputLine = true;
    co_return end;
}

} // namespace tarnwell

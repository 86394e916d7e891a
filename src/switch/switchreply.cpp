#include "switch/switchreply.h"

#include <QRegularExpression>

#include <algorithm>

namespace tarnwell {

namespace {

QStringView leftTrimmed(QStringView s)
{
    qsizetype i = 0;
    while (i < s.size() && s[i] == u' ')
        ++i;
    return s.mid(i);
}

bool isErrorLine(QStringView line)
{
    const QStringView t = leftTrimmed(line);
    return t.startsWith(u"% ") || t.startsWith(u"Error:", Qt::CaseInsensitive);
}

// The caret line under a rejected command: blanks and one '^'.
bool isCaretLine(QStringView line)
{
    const QStringView t = leftTrimmed(line).trimmed();
    return t == u"^";
}

// "<SW>cmd", "[SW]cmd", "[SW-Ethernet1/0/5]cmd": the typed command, else empty.
QString echoedCommand(QStringView line)
{
    static const QRegularExpression echo(QStringLiteral("^(?:<[^<>\\s]+>|\\[[^\\[\\]\\s]+\\])(.*\\S)\\s*$"));
    // A line erased with backspaces before the command was typed reads as the switch shows it.
    const QRegularExpressionMatch m = echo.match(line.contains(u'\b') || line.contains(u'\x1b') ? drawnLine(line)
                                                                                                 : line.toString());
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

bool isQuestion(QStringView line)
{
    static const QRegularExpression question(
        QStringLiteral("(?:\\[\\s*(?:Y/N|Yes/No)\\s*\\]|\\(\\s*(?:Y/N|Yes/No)\\s*\\)|press the enter key\\))\\s*:?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    return question.match(line.toString()).hasMatch();
}

// Lines split at CR and LF; a text ending in a line end has an empty last line.
QList<QStringView> lines(QStringView text)
{
    QList<QStringView> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        out << text.mid(start, i - start);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    out << text.mid(start);
    return out;
}

} // namespace

bool isAsyncLogLine(QStringView line)
{
    static const QRegularExpression log(QStringLiteral("^%[A-Z][a-z]{2} +\\d{1,2} \\d{1,2}:\\d{2}:\\d{2}"));
    return log.match(leftTrimmed(line).toString()).hasMatch();
}

SwitchReply readSwitchReply(QStringView text)
{
    SwitchReply reply;
    const QList<QStringView> all = lines(text);
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (!isErrorLine(all[i]))
            continue;
        // The command it answered: the echo above the caret line (log lines may lie between).
        qsizetype j = i - 1;
        while (j >= 0 && (isCaretLine(all[j]) || isAsyncLogLine(all[j]) || all[j].trimmed().isEmpty()))
            --j;
        const QString command = j >= 0 ? echoedCommand(all[j]) : QString();
        // A script's "sys" typed in system or port view ("[...]" prompt) is refused there, but
        // the switch is already where the script wants it: nothing to report.
        if ((command == u"sys" || command == u"system-view") && all[j].startsWith(u'['))
            continue;
        reply.refusals.append({command, all[i].trimmed().toString()});
    }
    // A question is the last line shown: printed without a line end, though log lines may follow.
    const QString last = lastShownLine(text);
    if (isQuestion(last))
        reply.question = boundedLine(last);
    return reply;
}

QString messageWithReply(const QString &message, const SwitchReply &reply)
{
    if (reply.isEmpty())
        return message;
    QString out = message;
    if (!reply.refusals.isEmpty()) {
        out += QStringLiteral("\n\n交换机报错：");
        for (const SwitchReply::Refusal &r : reply.refusals.mid(0, kMaxErrorLines)) {
            if (!r.command.isEmpty())
                out += QStringLiteral("\n命令：") + boundedLine(r.command);
            out += u'\n' + boundedLine(r.error);
        }
        if (reply.refusals.size() > kMaxErrorLines)
            out += QStringLiteral("\n……另有%1行报错未列出").arg(reply.refusals.size() - kMaxErrorLines);
    }
    if (!reply.question.isEmpty())
        out += QStringLiteral("\n\n交换机在等待回答：\n") + reply.question
               + QStringLiteral("\n请在输入区输入回答后按回车。");
    return out;
}

QString boundedLine(QStringView line)
{
    return line.size() <= kMaxLineLength ? line.toString() : line.left(kMaxLineLength - 1).toString() + u'…';
}

QStringList lastShownLines(QStringView text, int count)
{
    const QList<QStringView> all = lines(text.right(16384));
    QStringList out;
    for (qsizetype i = all.size() - 1; i >= 0 && out.size() < count; --i)
        if (!all[i].trimmed().isEmpty() && !isAsyncLogLine(all[i]))
            out.prepend(boundedLine(all[i].trimmed()));
    return out;
}

QString lastShownLine(QStringView text)
{
    const QStringList last = lastShownLines(text, 1);
    return last.isEmpty() ? QString() : last.front();
}

bool isCommandPrompt(QStringView line)
{
    static const QRegularExpression prompt(QStringLiteral("^(?:<[^<>\\s]+>|\\[[^\\[\\]\\s]+\\])$"));
    return prompt.match(line).hasMatch();
}

bool atCommandPrompt(QStringView text)
{
    return isCommandPrompt(lastShownLine(text));
}

Answer answerState(QStringView sinceSent)
{
    const QString last = lastShownLine(sinceSent);
    if (last.isEmpty())
        return Answer::Silent;
    const bool waiting = atCommandPrompt(sinceSent) || last.endsWith(u':') || isQuestion(last)
                         || last.endsWith(u"---- More ----");
    return waiting ? Answer::Waiting : Answer::Unfinished;
}

QStringView withoutTrailingLogs(QStringView text)
{
    QStringView rest = text.right(4096);
    for (;;) {
        while (!rest.isEmpty() && (rest.back() == u' ' || rest.back() == u'\r' || rest.back() == u'\n'))
            rest.chop(1);
        qsizetype lineStart = rest.size();
        while (lineStart > 0 && rest[lineStart - 1] != u'\r' && rest[lineStart - 1] != u'\n')
            --lineStart;
        if (lineStart == rest.size() || !isAsyncLogLine(rest.mid(lineStart)))
            return rest;
        rest.truncate(lineStart);
    }
}

LineState lineState(QStringView text)
{
    QString last = lastShownLine(text);
    if (last.contains(u'\b') || last.contains(u'\x1b'))
        last = drawnLine(last).trimmed();
    if (last.isEmpty())
        return LineState::Nothing;
    if (isCommandPrompt(last))
        return last.startsWith(u'<') ? LineState::UserView : LineState::SystemView;
    if (last.endsWith(u"username:", Qt::CaseInsensitive) || last.endsWith(u"login:", Qt::CaseInsensitive))
        return LineState::UserNameAsked;
    if (last.endsWith(u"password:", Qt::CaseInsensitive))
        return LineState::PasswordAsked;
    return LineState::Other;
}

QString promptName(QStringView prompt)
{
    const QStringView p = prompt.trimmed();
    return p.size() > 2 ? p.mid(1, p.size() - 2).toString() : QString();
}

bool promptOfSwitch(QStringView prompt, const QString &sysname)
{
    const QString name = promptName(prompt);
    return !sysname.isEmpty() && (name == sysname || name.startsWith(sysname + u'-'));
}

QString drawnLine(QStringView raw)
{
    QString line;
    qsizetype cursor = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c == u'\b') {
            cursor = qMax<qsizetype>(0, cursor - 1);
        } else if (c == u'\r') {
            cursor = 0;
        } else if (c == u'\x1b') {
            qsizetype j = i + 1;
            if (j < raw.size() && raw[j] == u'[') {
                int n = 0;
                while (++j < raw.size() && raw[j].isDigit())
                    n = qMin(n * 10 + raw[j].digitValue(), 10000);
                if (j < raw.size()) {
                    const QChar op = raw[j];
                    if (op == u'D')
                        cursor = qMax<qsizetype>(0, cursor - qMax(n, 1));
                    else if (op == u'C')
                        cursor += qMax(n, 1);
                    else if (op == u'K')
                        line.truncate(cursor);
                }
            }
            i = qMin(j, raw.size() - 1);
        } else if (c.unicode() >= 0x20) {
            if (cursor > line.size())
                line += QString(cursor - line.size(), u' ');
            if (cursor < line.size())
                line[cursor] = c;
            else
                line += c;
            ++cursor;
        }
    }
    return line;
}

QString typedAfterPrompt(QStringView openLine)
{
    static const QRegularExpression prompt(QStringLiteral("^(?:<[^<>\\s]+>|\\[[^\\[\\]\\s]+\\])"));
    const QString line = drawnLine(openLine);
    const QRegularExpressionMatch m = prompt.match(line);
    if (!m.hasMatch())
        return QString();
    return line.mid(m.capturedEnd());
}

bool refusalUnfinished(QStringView text)
{
    const qsizetype end = std::max(text.lastIndexOf(u'\r'), text.lastIndexOf(u'\n'));
    return isErrorLine(text.mid(end + 1));
}

bool endsAtPagingPrompt(QStringView text)
{
    return withoutTrailingLogs(text).endsWith(u"---- More ----");
}

} // namespace tarnwell

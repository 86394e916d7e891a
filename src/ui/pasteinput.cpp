#include "ui/pasteinput.h"

#include "serial/sendabletext.h"
#include "serial/serialcontrol.h"
#include "base/usermessages.h"
#include "scripts/pastesender.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <climits>

namespace tarnwell {

namespace {

constexpr int kShownLines = 5; // lines the question quotes

} // namespace

PasteInput::PasteInput(QLineEdit *inputLine, SerialControl &serial, PasteSender &sender, QObject *parent)
    : QObject(parent), m_line(inputLine), m_serial(serial), m_sender(sender)
{
    ask = [](QWidget *parent, const QString &question) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("发送粘贴的文本"), question, QMessageBox::NoButton, parent);
        QPushButton *send = box.addButton(QStringLiteral("发送"), QMessageBox::AcceptRole);
        QPushButton *cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(send);
        box.setEscapeButton(cancel);
        box.exec();
        return box.clickedButton() == send;
    };
    // QLineEdit's default limit of 32,767 characters would cut a long paste without a word.
    inputLine->setMaxLength(INT_MAX);
    inputLine->installEventFilter(this);
    connect(inputLine, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!PasteSender::hasLineBreak(text) && !m_sender.running())
            m_beforePaste = text;
    });
    // Handled once the line edit has finished its own change (paste, drop, context menu).
    connect(inputLine, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (!PasteSender::hasLineBreak(text) || m_offerQueued)
            return;
        m_offerQueued = true;
        QMetaObject::invokeMethod(this, &PasteInput::offer, Qt::QueuedConnection);
    });
    connect(&sender, &PasteSender::ended, this, [this] { restore(QString()); });
    connect(&sender, &PasteSender::progress, this, [this](qsizetype sent, qsizetype total) {
        if (m_line)
            m_line->setText(progressText(sent, total));
    });
}

QString PasteInput::progressText(qsizetype sent, qsizetype total)
{
    return QStringLiteral("正在发送 %1/%2 行，按 Esc 停止").arg(sent).arg(total);
}

QString PasteInput::question(const QStringList &lines)
{
    QStringList shown = lines.mid(0, kShownLines);
    for (QString &l : shown)
        l = QStringLiteral("    ") + (l.size() > 60 ? l.left(60) + QStringLiteral("…") : l);
    if (lines.size() > kShownLines)
        shown << QStringLiteral("    ……");
    return QStringLiteral("粘贴的文本有 %1 行，将逐行发送给交换机，每行间隔 %2 毫秒，%3。\n\n%4\n\n发送吗？")
        .arg(lines.size())
        .arg(PasteSender::kPaceMs)
        .arg(PasteSender::duration(lines.size()), shown.join(u'\n'));
}

bool PasteInput::takesLine()
{
    if (m_sender.running())
        return true;
    if (!m_line || !PasteSender::hasLineBreak(m_line->text()))
        return false;
    offer();
    return true;
}

void PasteInput::offer()
{
    m_offerQueued = false;
    if (!m_line || m_sender.running() || !PasteSender::hasLineBreak(m_line->text()))
        return;
    const QString text = m_line->text();
    const QStringList lines = PasteSender::linesOf(text);
    if (lines.size() == 1) { // one line with a break at its end: kept without it
        m_line->setText(lines.front());
        return;
    }
    // Masked (密文), the text is a password: never quoted in the question nor sent as plain
    // lines that the session log would record. Only its first line stays.
    if (m_line->echoMode() != QLineEdit::Normal) {
        m_line->setText(lines.front());
        messageBox(QStringLiteral("密文状态下粘贴了%1行，只保留了第一行，没有发送。").arg(lines.size()));
        return;
    }
    const bool checked = trapErrors([&] {
        if (!m_serial.portOpen())
            throw Error(QStringLiteral("端口未打开，无法发送"));
        for (const QString &line : lines)
            sendableText(line); // a character the switch cannot take stops it before the first line
    });
    if (!checked)
        return; // the text stays in the input line
    if (!ask(m_line->window(), question(lines))) {
        restore(m_beforePaste);
        return;
    }
    m_line->setReadOnly(true);
    if (!m_sender.send(lines)) {
        m_line->setReadOnly(false);
        messageBox(m_sender.busyMessage());
    }
}

void PasteInput::restore(const QString &text)
{
    if (!m_line)
        return;
    m_line->setReadOnly(false);
    m_line->setText(text);
    m_line->setFocus();
}

bool PasteInput::eventFilter(QObject *watched, QEvent *event)
{
    // While a paste is sent the input line takes no keys; Esc stops the paste.
    if (watched == m_line && m_sender.running()
        && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && event->type() == QEvent::KeyPress)
            m_sender.stop();
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tarnwell

#include "ui/pasteinput.h"

#include "serial/sendabletext.h"
#include "serial/serialcontrol.h"
#include "base/usermessages.h"
#include "scripts/pastesender.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>

#include <climits>
#include <memory>

namespace tarnwell {

namespace {

constexpr int kShownLines = 5; // lines the question quotes

// Bytes of the text in UTF-8, and its lines.
std::pair<qsizetype, qsizetype> measure(const QString &text)
{
    qsizetype bytes = 0, lines = 1;
    for (const QChar c : text) {
        bytes += c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 || c.isSurrogate() ? 2 : 3; // a pair: 4
        lines += c == u'\n' ? 1 : 0;
    }
    return {bytes, lines};
}

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
        QMetaObject::invokeMethod(this, [this] {
            m_offerQueued = false;
            if (m_line && PasteSender::hasLineBreak(m_line->text()))
                offer(m_line->text());
        }, Qt::QueuedConnection);
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
    offer(m_line->text());
    return true;
}

bool PasteInput::paste(const QString &pasted, qsizetype at)
{
    if (!m_line || m_line->isReadOnly())
        return false;
    const auto [bytes, lines] = measure(pasted);
    if (bytes > kMaxPasteBytes) {
        messageBox(QStringLiteral("粘贴的文本太大：%1 MB，%2 行，超过了 %3 MB 的上限，没有粘贴。请分几次粘贴")
                       .arg(bytes / 1e6, 0, 'f', 1)
                       .arg(lines)
                       .arg(kMaxPasteBytes / 1000000));
        return true;
    }
    QString text = m_line->text();
    if (at >= 0)
        text.insert(at, pasted);
    else if (m_line->hasSelectedText())
        text.replace(m_line->selectionStart(), m_line->selectedText().size(), pasted);
    else
        text.insert(m_line->cursorPosition(), pasted);
    if (PasteSender::hasLineBreak(pasted)) {
        offer(text);
        return true;
    }
    if (text.size() > kMaxLineChars) {
        messageBox(QStringLiteral("粘贴后输入行将有 %1 个字符，超过了一行 %2 个字符的上限，没有粘贴")
                       .arg(text.size())
                       .arg(kMaxLineChars));
        return true;
    }
    return false;
}

void PasteInput::keep(const QString &text)
{
    if (m_line && text.size() <= kMaxLineChars)
        m_line->setText(text);
}

void PasteInput::offer(const QString &text)
{
    if (!m_line || m_sender.running() || !PasteSender::hasLineBreak(text))
        return;
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
        return keep(text);
    if (!ask(m_line->window(), question(lines))) {
        restore(m_beforePaste);
        return;
    }
    m_line->setReadOnly(true);
    if (!m_sender.send(lines)) {
        m_line->setReadOnly(false);
        keep(text);
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
    if (watched == m_line && !m_sender.running()) {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste))
                return paste(QApplication::clipboard()->text());
            break;
        case QEvent::MouseButtonRelease: // the middle button pastes the selection (X11)
            if (static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton
                && QApplication::clipboard()->supportsSelection())
                return paste(QApplication::clipboard()->text(QClipboard::Selection), m_line->cursorPosition());
            break;
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            if (!drop->mimeData()->hasText() || drop->source() == m_line // its own text moved
                || !paste(drop->mimeData()->text(), m_line->cursorPositionAt(drop->position().toPoint())))
                break;
            drop->acceptProposedAction();
            return true;
        }
        case QEvent::ContextMenu: { // the standard menu, its 粘贴 measured first
            const std::unique_ptr<QMenu> menu(m_line->createStandardContextMenu());
            for (QAction *action : menu->actions()) {
                if (action->text().section(u'\t', 0, 0) != QLineEdit::tr("&Paste"))
                    continue;
                action->disconnect();
                connect(action, &QAction::triggered, this, [this] {
                    if (m_line && !paste(QApplication::clipboard()->text()))
                        m_line->paste();
                });
            }
            menu->exec(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        }
        default:
            break;
        }
    }
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

#include "moc_pasteinput.cpp" // compiled with this file (and its library's unit), not on its own

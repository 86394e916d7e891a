#include "ui/consoleterminal.h"

#include "serial/serialcontrol.h"
#include "terminal/consolekeys.h"
#include "terminal/terminal.h"
#include "base/usermessages.h"
#include "ui/portsettings.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace tarnwell {

namespace {

bool onlySpaces(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; });
}

} // namespace

ConsoleTerminal::ConsoleTerminal(SerialControl &serial, Terminal &terminal, PortSettings &settings,
                                 const Controls &controls, QObject *parent)
    : QObject(parent), m_serial(serial), m_terminal(terminal), m_settings(settings), m_c(controls)
{
    setShowsOpen(false);
    m_c.lampTimer->setInterval(500);
    connect(m_c.lampTimer, &QTimer::timeout, this, &ConsoleTerminal::lampTick);
    connect(&m_serial, &SerialControl::portLost, this, &ConsoleTerminal::onPortLost);
    connect(m_c.fontSizeList, &QComboBox::currentIndexChanged, this, &ConsoleTerminal::applyFontSize);
    connect(&m_terminal, &Terminal::appended, this, &ConsoleTerminal::checkPasswordPrompt);
    connect(&m_terminal, &Terminal::cleared, this, &ConsoleTerminal::checkPasswordPrompt);
    m_c.inputLine->installEventFilter(this);
}

void ConsoleTerminal::populateFontSizes(QComboBox *combo1)
{
    combo1->addItems({"10", "12", "14", "16", "18", "20", "22", "24", "26", "28"});
    combo1->setEditable(false);
    combo1->setCurrentIndex(-1);
}

void ConsoleTerminal::openOrClose()
{
    const bool ok = trapErrors([this] {
        if (!m_showsOpen) {
            if (!m_serial.portOpen())
                m_serial.setPortOpen(true);
            m_settings.setListsEnabled(false);
            m_c.lampTimer->start();
            setShowsOpen(true);
            m_settings.applyEnabled = false;
        } else {
            setShowsOpen(false);
            m_settings.applyEnabled = true;
            if (m_serial.portOpen())
                m_serial.setPortOpen(false);
            enterClosedState();
        }
    });
    if (!ok)
        m_settings.applyEnabled = true;
}

void ConsoleTerminal::setShowsOpen(bool open)
{
    m_showsOpen = open;
    m_c.openButton->setText(QString::fromUtf8(open ? kCloseCaption : kOpenCaption));
}

void ConsoleTerminal::enterClosedState()
{
    m_c.lampTimer->stop();
    m_c.lampUnlit->setVisible(true);
    m_c.lampLit->setVisible(false);
    m_settings.setListsEnabled(true);
    emit closed();
}

void ConsoleTerminal::onPortLost()
{
    // The serial control has closed the device already; show the Closed state. Why is said in
    // the session's notice, which does not wait (a port dropping every moment would stack boxes).
    setShowsOpen(false);
    m_settings.applyEnabled = true;
    enterClosedState();
}

void ConsoleTerminal::checkPasswordPrompt()
{
    // The text's end, without the blanks after the colon (a few at most: a flood of them is no prompt).
    QStringView text(m_terminal.text());
    for (int blanks = 0; blanks < 8 && text.endsWith(u' '); ++blanks)
        text.chop(1);
    setPasswordPrompt(text.endsWith(u"Password:") || text.endsWith(u"password:"));
}

void ConsoleTerminal::setPasswordPrompt(bool asked)
{
    m_passwordPrompt = asked;
    if (asked && m_c.inputLine->echoMode() == QLineEdit::Normal) {
        m_c.inputLine->setEchoMode(QLineEdit::Password);
        m_maskedForPrompt = true;
    } else if (!asked && m_maskedForPrompt) {
        m_c.inputLine->setEchoMode(QLineEdit::Normal);
        m_maskedForPrompt = false;
    }
}

bool ConsoleTerminal::send(const QString &text)
{
    return trapErrors([&] {
        // The input line masked (密文) or answering a password prompt holds a password: nothing
        // that records what was sent sees it.
        const QString typed = m_c.inputLine->text();
        const bool secret = m_c.inputLine->echoMode() != QLineEdit::Normal || m_passwordPrompt;
        if (secret && !typed.isEmpty() && text.startsWith(typed))
            m_serial.outputSecret(typed, text.mid(typed.size()));
        else
            m_serial.output(text);
        if (text.endsWith(u'\r'))
            setPasswordPrompt(false); // answered; the switch's next words tell what comes next
        m_c.inputLine->clear();
        m_c.inputLine->setFocus();
    });
}

void ConsoleTerminal::sendLineWithCr()
{
    if (!lineFree())
        return;
    const QString line = m_c.inputLine->text();
    const bool masked = m_c.inputLine->echoMode() != QLineEdit::Normal || m_passwordPrompt; // a password: kept nowhere
    if (send(line + u'\r') && !masked)
        m_history.add(line);
}

void ConsoleTerminal::sendSpace()
{
    send(QStringLiteral(" "));
}

void ConsoleTerminal::sendLineWithTab()
{
    if (lineFree())
        send(m_c.inputLine->text() + u'\t');
}

void ConsoleTerminal::sendLineWithHint()
{
    if (lineFree())
        send(m_c.inputLine->text() + QStringLiteral(" ?"));
}

void ConsoleTerminal::sendBreak()
{
    send(QString(QChar(11)));
}

void ConsoleTerminal::sendBackspace()
{
    send(QString(QChar(8)));
}

bool ConsoleTerminal::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_c.inputLine || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    // A space typed into a blank input line pages the switch: send one space, then let the
    // key take its ordinary effect.
    if (key->text() == QLatin1String(" ") && onlySpaces(m_c.inputLine->text()) && !m_passwordPrompt)
        sendSpace();
    if (key->key() == Qt::Key_Tab && mods == Qt::NoModifier) { // completes on the switch, not a focus move
        sendLineWithTab();
        return true;
    }
    if (m_c.inputLine->text().isEmpty() && !windowShortcut(key->key(), mods, false)) {
        if (const std::optional<QChar> control = controlCharacter(key->key(), mods)) {
            send(QString(*control));
            return true;
        }
    }
    if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && mods == Qt::NoModifier
        && m_c.inputLine->echoMode() == QLineEdit::Normal && !m_c.inputLine->isReadOnly()) {
        const std::optional<QString> line =
            key->key() == Qt::Key_Up ? m_history.older(m_c.inputLine->text()) : m_history.newer();
        if (line)
            m_c.inputLine->setText(*line);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool ConsoleTerminal::typeKeys(const QString &keys)
{
    if (!lineFree())
        return false;
    trapErrors([&] {
        m_serial.outputTyped(keys, m_passwordPrompt);
        if (keys.contains(u'\r'))
            setPasswordPrompt(false);
    });
    return true;
}

void ConsoleTerminal::applyFontSize()
{
    bool ok = false;
    const float size = m_c.fontSizeList->currentText().toFloat(&ok);
    if (!ok || size <= 0)
        return;
    for (QWidget *w : std::initializer_list<QWidget *>{m_c.fontSizeLabel, m_c.terminalView, m_c.inputLine, m_c.reportBox}) {
        QFont f = w->font();
        f.setPointSizeF(size);
        w->setFont(f);
    }
    m_c.fontSizeLabel->adjustSize(); // the label sizes itself to its caption
}

void ConsoleTerminal::lampTick()
{
    // isHidden() is the control's own flag, independent of whether the window is on screen.
    m_c.lampUnlit->setVisible(m_c.lampUnlit->isHidden());
    m_c.lampLit->setVisible(m_c.lampLit->isHidden());
}

} // namespace tarnwell

#include "moc_consoleterminal.cpp" // compiled with this file (and its library's unit), not on its own

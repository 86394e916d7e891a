#pragma once

#include "terminal/commandhistory.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QLineEdit;
class QWidget;

namespace tarnwell {

class PasteSender;
class SerialControl;

// Text of more than one line pasted or dropped into the input line (or left in it and sent with
// Enter): asks first — how many lines, the first few, about how long — and on 发送 hands the
// lines to the PasteSender while the input line shows the progress and takes no other input;
// Esc stops it. With the port closed the text stays in the input line and the usual error shows.
// The input line has no length limit, so that no paste is cut. What is pasted (keys, the context
// menu, the middle button, a drop) is measured before it goes in: more than kMaxPasteBytes, or
// a single line longer than kMaxLineChars (which would make the line edit slow at every key),
// is refused with a message naming its size; several lines go to the question without passing
// through the line edit, and only stay in it (when they cannot be sent) if they are short.
class PasteInput : public QObject {
    Q_OBJECT
public:
    PasteInput(QLineEdit *inputLine, SerialControl &serial, PasteSender &sender, QObject *parent = nullptr);

    // Asks whether to send; true for 发送. Replaceable so that tests need no dialog.
    std::function<bool(QWidget *parent, const QString &question)> ask;
    static constexpr qsizetype kMaxPasteBytes = 10 * 1000 * 1000;
    static constexpr qsizetype kMaxLineChars = CommandHistory::kLongestLine;
    static QString question(const QStringList &lines);
    static QString progressText(qsizetype sent, qsizetype total);

    // True when the input line's text is not for a single send: a paste is being sent, or the
    // text holds line breaks (then it is offered as a paste).
    bool takesLine();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Pasted text: true when handled here (refused or offered), false for the line edit to insert.
    // It goes in at `at` (a drop, the middle button), else in place of the selection or at the cursor.
    bool paste(const QString &pasted, qsizetype at = -1);
    void offer(const QString &text); // text with line breaks: ask, then send
    void keep(const QString &text);  // not sent: the text stays in the input line if it is short
    void restore(const QString &text);

    QPointer<QLineEdit> m_line;
    SerialControl &m_serial;
    PasteSender &m_sender;
    QString m_beforePaste; // the input line's last text without line breaks
    bool m_offerQueued = false;
};

} // namespace tarnwell

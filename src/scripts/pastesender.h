#pragma once

#include "scripts/canceltoken.h"

#include <QObject>
#include <QStringList>

namespace tarnwell {

class OperationGate;
class SerialControl;

// Sends text pasted into the input line a line at a time, each with its CR and kPaceMs after the
// one before, so that the switch's console takes every line. It holds the window's operation
// gate while it sends, so that no script, capture or other paste interleaves with it; stop()
// (Esc, 中断, closing the port or the window) ends it at the pause it is in.
class PasteSender : public QObject {
    Q_OBJECT
public:
    static constexpr qint32 kPaceMs = 500;
    enum class Result { Sent, Stopped, Busy };

    PasteSender(SerialControl &serial, OperationGate &gate, QObject *parent = nullptr);
    ~PasteSender() override { m_cancel.cancel(); }

    // The lines of pasted text, split at CR LF, CR and LF; a line break at the very end ends the
    // last line and starts no empty one.
    static QStringList linesOf(const QString &text);
    static bool hasLineBreak(const QString &text) { return text.contains(u'\r') || text.contains(u'\n'); }
    // About how long the lines take at the pace, in words ("约 2 分 30 秒").
    static QString duration(qsizetype lines);

    // Sends the lines; returns once all are sent, when stopped (then the object may be gone:
    // the caller touches nothing of it), or Busy without sending while another operation runs.
    // A failed write throws Error and ends the send.
    Result send(const QStringList &lines);
    void stop();
    bool running() const { return m_running; }
    // What to say when send() found another operation running.
    QString busyMessage() const;

signals:
    void progress(qsizetype sent, qsizetype total);

private:
    SerialControl &m_serial;
    OperationGate &m_gate;
    CancelToken m_cancel;
    bool m_running = false;
};

} // namespace tarnwell

#pragma once

#include "engine/operationengine.h"

#include <QObject>
#include <QStringList>

namespace tarnwell {

class SerialControl;

// Sends text pasted into the input line a line at a time, each with its CR and kPaceMs after the
// one before, so that the switch's console takes every line. It is an operation on the engine,
// so that no script, capture or other paste interleaves with it; stop() (Esc, 中断, closing the
// port or the window) ends it at the pause it is in.
class PasteSender : public QObject {
    Q_OBJECT
public:
    static constexpr qint32 kPaceMs = 500;
    static constexpr char kOperationName[] = "发送粘贴的文本";

    PasteSender(SerialControl &serial, OperationEngine &engine, QObject *parent = nullptr);
    ~PasteSender() override { stop(); }

    // The lines of pasted text, split at CR LF, CR and LF; a line break at the very end ends the
    // last line and starts no empty one.
    static QStringList linesOf(const QString &text);
    static bool hasLineBreak(const QString &text) { return text.contains(u'\r') || text.contains(u'\n'); }
    // About how long the lines take at the pace, in words ("约 2 分 30 秒").
    static QString duration(qsizetype lines);

    // Starts sending the lines: the first goes out at once, ended() comes after the last (or
    // when stopped, or when a write failed: the engine reports the error). False, nothing sent,
    // while another operation runs.
    bool send(const QStringList &lines);
    void stop();
    bool running() const { return m_running; }
    // What to say when send() found another operation running.
    QString busyMessage() const;

signals:
    void progress(qsizetype sent, qsizetype total);
    // The send is over: all sent, stopped or failed.
    void ended();

private:
    Operation sendLines(QStringList lines);

    SerialControl &m_serial;
    OperationEngine &m_engine;
    bool m_running = false;
};

} // namespace tarnwell

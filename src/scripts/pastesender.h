#pragma once

#include "engine/operationengine.h"
#include "switch/switchreply.h"

#include <QObject>
#include <QStringList>

#include <memory>

namespace tarnwell {

class SerialControl;

// Sends text pasted into the input line a line at a time, each with its CR and kPaceMs after the
// one before, so that the switch's console takes every line. It watches what the switch answers
// (fed through received()): after the pause, an answer begun but not yet back at a prompt is
// waited for (up to kSlowAnswerMs more), and a line the switch refuses ends the paste with a
// message naming the line, the switch's words and how many lines were not sent. A switch that
// says nothing gets every line at the pace. It is an operation on the engine, so that no
// script, capture or other paste interleaves with it; stop() (Esc, 中断, closing the port or the
// window) ends it at the pause it is in.
class PasteSender : public QObject {
    Q_OBJECT
public:
    static constexpr qint32 kPaceMs = 500;
    static constexpr qint32 kSlowAnswerMs = 3000;
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
    // Text received from the switch, as the terminal gets it.
    void received(const QString &text);
    // What to say when send() found another operation running.
    QString busyMessage() const;

signals:
    void progress(qsizetype sent, qsizetype total);
    // The send is over: all sent, stopped or failed.
    void ended();

private:
    Operation sendLines(QStringList lines);
    // Waits while the answer to the line sent at `sentAt` is unfinished, up to kSlowAnswerMs.
    Task<void> awaitAnswer(qsizetype sentAt);

    SerialControl &m_serial;
    OperationEngine &m_engine;
    bool m_running = false;
    // What the switch sent while the paste runs; the line still open when it began comes first,
    // so the echo of the first line is seen with its prompt.
    std::unique_ptr<ReplyCollector> m_reply;
    QString m_openLine;
};

} // namespace tarnwell
